#include "window/stop_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QWidget>
#include <cerrno>

namespace corvella::window {

namespace {

int g_sockets[2] = {-1, -1};

void on_signal(int number) {
  const int saved = errno;
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t written = ::write(g_sockets[1], &byte, 1);
  errno = saved;
}

}  // namespace

StopSignals::StopSignals(QWidget& window) : window_(window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_sockets) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(g_sockets[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    if (::read(g_sockets[0], &byte, 1) != 1 || received_ != 0) return;
    received_ = byte;
    window_.close();  // during a run: the stop flag, see Form1::closeEvent
  });
  handlers_.emplace(std::initializer_list<int>{SIGTERM, SIGHUP}, on_signal);
}

StopSignals::~StopSignals() {
  if (!notifier_) return;
  handlers_.reset();
  notifier_.reset();
  ::close(g_sockets[0]);
  ::close(g_sockets[1]);
  g_sockets[0] = g_sockets[1] = -1;
}

}  // namespace corvella::window
