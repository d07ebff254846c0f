#pragma once

// The link pass: every page of the link folder gets one link to each other
// page whose link tag holds the same content (spaces trimmed at both ends,
// case-sensitive), in the order the folder lists them. Contents are read
// from the link folder once per pass; links are written into the same-named
// pages of the destination folder, each page replaced whole through its
// working copy. Pages without a match are left untouched.

#include "generation/run_view.h"
#include "platform/clock.h"

namespace corvella {

// Validates (every ticked pass), enters the running state and links the
// pages. Stops between pages when the stop flag is set.
PassOutcome link_pass(RunFlags& flags, RunView& view, Clock& clock);

}  // namespace corvella
