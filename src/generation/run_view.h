#pragma once

// What shows a run: the window, the batch tool or a test. The engine computes
// every caption and width; the view only displays them and may paint them
// less often than it gets them, as long as the last values are shown.

#include <atomic>
#include <string>

#include "generation/run_report.h"
#include "generation/run_settings.h"
#include "platform/notifier.h"

namespace corvella {

class RunView : public Notifier {
 public:
  // The controls as they stand now. Read when a pass starts.
  virtual RunSettings read_settings() = 0;

  // Start of a press: both bars visible, the help display cleared and hidden.
  virtual void clear_help() {}

  virtual void show_frame1(const std::string& caption) = 0;
  virtual void show_progressbar2(const std::string& caption) = 0;  // "3 sur 120"
  virtual void show_pictotal(int width) = 0;                       // 0 to 5000
  virtual void show_progressbar1(const std::string& caption) = 0;  // page line, comparison
  virtual void show_piccours(int width) = 0;
  virtual void show_temps(const std::string& caption) = 0;

  // Running: Command1 reads "Arrêter" and Command2, Frame2 and Frame4 are
  // disabled; not running: "Lancer", all enabled.
  virtual void show_running(bool running) = 0;

  // The page pass settles the naming choices: the window selects the button
  // with the effects of a click.
  virtual void select_titrep1() = 0;
  virtual void select_option1() = 0;

  // A page that could not be made or linked, as soon as it is known.
  virtual void page_skipped(const SkippedPage&) {}

  // The event point: handle waiting events once. A press of the run button
  // here re-enters Run::press, which then performs the stop request.
  virtual void handle_events() = 0;
};

// The two flags of a run. Atomic, so a signal handler or another thread may
// set the stop flag.
struct RunFlags {
  std::atomic<bool> running{false};
  std::atomic<bool> stop{false};
  static_assert(std::atomic<bool>::is_always_lock_free);
};

// How a pass ended.
enum class PassOutcome {
  Completed,
  Stopped,  // the stop flag was found set
  Invalid,  // validation failed; its message has been shown
  Failed,   // nothing more could succeed (data unreadable, destination gone,
            // disk full, link folder unlistable); a message has been shown
};

}  // namespace corvella
