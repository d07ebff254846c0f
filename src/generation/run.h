#pragma once

// One press of the run button, Command1_Click, without the window:
//
//   1. clear the help display; copy the example images (every press);
//   2. a press while running is the stop request;
//   3. otherwise the page pass when check1 is ticked (it ends the press on a
//      stop or a failed validation), the link pass when check2 is ticked,
//      and the end step.
//
// Each press that runs keeps a report of what its passes did. The end step
// says "Traitement terminé..." only when nothing was skipped; otherwise a
// warning names how many pages could not be made or linked and lists them.
//
// The run holds the state the window shares with it: the field table (also
// filled by p_exemple) and the title column index.

#include "generation/run_view.h"
#include "generation/working_copy.h"
#include "model/field_table.h"
#include "platform/clock.h"

namespace corvella {

enum class PressOutcome {
  Finished,     // end step shown (see report().pages_skipped)
  Stopped,      // a pass ended on the stop flag
  Invalid,      // validation failed; its message has been shown
  Failed,       // a pass could not go on; a critical message has been shown
  StopRequest,  // this press was the stop request: "Traitement interrompu..."
};

class Run {
 public:
  explicit Run(RunView& view, Clock& clock = system_clock()) : view_(view), clock_(clock) {}

  PressOutcome press();  // Command1_Click

  bool running() const { return flags_.running; }
  RunFlags& flags() { return flags_; }
  FieldTable& fields() { return fields_; }
  int& title_index() { return title_index_; }
  const RunReport& report() const { return report_; }

 private:
  void stop_request();
  void end_step();
  // Leaves the running state without the end step's message, after a pass
  // that could not go on.
  void back_to_idle();

  RunView& view_;
  Clock& clock_;
  RunFlags flags_;
  FieldTable fields_;
  int title_index_ = 1;
  RunReport report_;
};

// The page pass: validation, then one page per record with its progress and
// time estimate, counted in `report`. Shared by Run::press and the tests.
PassOutcome page_pass(RunFlags& flags, RunView& view, Clock& clock, FieldTable& fields,
                      int& title_index, RunReport& report);

// Window state at the start of a pass: running flag set, stop flag cleared,
// "Arrêter", the frames disabled, and the caption of Frame1.
void enter_running(RunFlags& flags, RunView& view, const std::string& frame1);

// The start of a pass that writes: the destination folder held, or nothing
// once the reason has been shown in a critical message box.
std::optional<Destination> hold_destination(const std::string& destination, RunView& view);

// The end of a pass that wrote: what it wrote is flushed to the disk, so the
// end message promises pages that survive a power loss. Failed, with a
// critical message, when the system reports that it could not.
PassOutcome finish_writing(const Destination& destination, RunView& view);

// Validates the settings of every ticked pass; shows the message in a
// critical box when a check fails.
bool validate(const RunSettings& settings, RunView& view);

}  // namespace corvella
