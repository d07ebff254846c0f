#include "platform/signal_handlers.h"

namespace corvella {

SignalHandlers::SignalHandlers(std::initializer_list<int> numbers, void (*handler)(int))
    : signals_(numbers), previous_(numbers.size()) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < signals_.size(); ++i) sigaction(signals_[i], &action, &previous_[i]);
}

SignalHandlers::~SignalHandlers() {
  for (std::size_t i = 0; i < signals_.size(); ++i) sigaction(signals_[i], &previous_[i], nullptr);
}

}  // namespace corvella
