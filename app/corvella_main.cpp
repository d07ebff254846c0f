// corvella: the window program.

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <iostream>

#include "platform/locations.h"
#include "window/command_line.h"
#include "window/form1.h"
#include "window/stop_signals.h"

namespace {

bool is_set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = corvella::window::answer_command_line(argc, argv, std::cout, std::cerr)) {
    return *status;
  }
  // Without a display Qt would abort with a message of its own; say what to
  // use instead.
  if (!is_set("DISPLAY") && !is_set("WAYLAND_DISPLAY") && !is_set("QT_QPA_PLATFORM")) {
    std::cerr << "corvella : aucun affichage graphique n'est disponible (ni DISPLAY ni "
                 "WAYLAND_DISPLAY).\n"
                 "Pour générer les pages sans fenêtre, utilisez corvella-batch "
                 "(corvella-batch --help).\n";
    return 1;
  }
  QApplication application(argc, argv);
  // QApplication has set every category from the environment; the decimal
  // separator of the time estimate must follow the user's locale too.
  std::setlocale(LC_NUMERIC, "");
  corvella::window::Form1 form({.locations = corvella::default_locations()});
  form.show();
  corvella::window::StopSignals stop_signals(form);
  const int status = application.exec();
  return stop_signals.received() != 0 ? 128 + stop_signals.received() : status;
}
