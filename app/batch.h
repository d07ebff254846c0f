#pragma once

// corvella-batch: one press of "Lancer" without a window. main() only calls
// batch_main, so tests run the tool in-process with their own streams.
//
// Exit status: 0 after "Traitement terminé...", 1 when the data could not be
// read, 2 on a usage error or a failed validation, 130 after Ctrl-C (taken as
// the stop request).

#include <ostream>

namespace corvella {

int batch_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// What the SIGINT handler does: the run takes it as a press of "Arrêter" at
// its next event point. Safe in a signal handler.
void batch_interrupt();

}  // namespace corvella
