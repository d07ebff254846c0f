#pragma once

// corvella-batch: one press of "Lancer" without a window. main() only calls
// batch_main, so tests run the tool in-process with their own streams.
//
// Every line on the error stream starts with "corvella-batch : ". Exit status:
// 0 when everything was done; 3 when the run completed but skipped pages (one
// line each, then the summary line); 1 when a pass could not go on (data
// unreadable, disk full, destination gone, link folder unlistable); 2 on a
// usage error or a failed validation; 128 + the signal after SIGINT, SIGTERM
// or SIGHUP, each taken as the stop request.

#include <ostream>

namespace corvella {

int batch_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace corvella
