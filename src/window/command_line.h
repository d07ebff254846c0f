#pragma once

// The command line of the window program. Without arguments the window
// opens; "--help" (a short usage in French, naming corvella-batch and the
// settings file) and "--version" answer on `out` without any window; any
// other argument is an error on `err`, with status 2.

#include <optional>
#include <ostream>

namespace corvella::window {

// The exit status when the program ends here, nothing when the window opens.
std::optional<int> answer_command_line(int argc, const char* const* argv, std::ostream& out,
                                       std::ostream& err);

}  // namespace corvella::window
