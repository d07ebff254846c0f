#pragma once

// SIGTERM and SIGHUP end the window program as closing its window does: a
// run in progress stops at its next event point (the page being made is not
// delivered, no working copy is left), then the window closes, with no
// message box to wait for. The handler only writes to a socket; the window
// reacts in its event loop. One watch at a time.

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <optional>

#include "platform/signal_handlers.h"

class QWidget;

namespace corvella::window {

class StopSignals final : public QObject {
 public:
  explicit StopSignals(QWidget& window);
  ~StopSignals() override;  // gives back the previous handlers

  // The signal received, 0 for none: the program then exits with 128 + it.
  int received() const { return received_; }

 private:
  QWidget& window_;
  std::unique_ptr<QSocketNotifier> notifier_;
  int received_ = 0;
  std::optional<SignalHandlers> handlers_;
};

}  // namespace corvella::window
