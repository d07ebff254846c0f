#pragma once

// Handlers for a few signals while an object lives; the handlers that were
// there before come back with its end.

#include <csignal>
#include <initializer_list>
#include <vector>

namespace corvella {

class SignalHandlers {
 public:
  // SA_RESTART, so that a read or write the signal interrupts goes on.
  SignalHandlers(std::initializer_list<int> numbers, void (*handler)(int));
  ~SignalHandlers();
  SignalHandlers(const SignalHandlers&) = delete;
  SignalHandlers& operator=(const SignalHandlers&) = delete;

 private:
  std::vector<int> signals_;
  std::vector<struct sigaction> previous_;
};

}  // namespace corvella
