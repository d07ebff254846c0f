#pragma once

// p_controle: the checks of the ticked passes, in order. Every failing check
// replaces the message, so the one returned is that of the last failing
// check; nothing when all pass.
//
//   page pass (check1):  source empty / not an ordinary file, template empty /
//                        not an ordinary file, destination empty / neither a
//                        folder nor an ordinary file;
//   link pass (check2):  link tag empty, text tag empty, link folder empty or
//                        neither a folder nor an ordinary file.

#include <optional>
#include <string>

#include "generation/run_settings.h"

namespace corvella {

std::optional<std::string> p_controle(const RunSettings& settings);

}  // namespace corvella
