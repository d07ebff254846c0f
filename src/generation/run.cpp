#include "generation/run.h"

#include "generation/one_write.h"
#include "generation/working_copy.h"
#include "links/link_pass.h"

namespace corvella {

namespace {

// The progress display as the end step and the stop request leave it.
void clear_progress(RunView& view, const std::string& frame1, const std::string& temps) {
  view.show_frame1(frame1);
  view.show_temps(temps);
  view.show_progressbar1({});
  view.show_progressbar2({});
  view.show_piccours(0);
  view.show_pictotal(0);
}

}  // namespace

PressOutcome Run::press() {
  const RunSettings settings = view_.read_settings();
  view_.clear_help();
  copy_example_images(settings.modele, settings.destination);
  if (flags_.running) {
    stop_request();
    return PressOutcome::StopRequest;
  }

  report_ = {};
  if (const std::optional<PassOutcome> both =
          pages_and_links(flags_, view_, clock_, fields_, title_index_, report_)) {
    switch (*both) {
      case PassOutcome::Completed: end_step(); return PressOutcome::Finished;
      case PassOutcome::Stopped: return PressOutcome::Stopped;
      case PassOutcome::Invalid: return PressOutcome::Invalid;
      case PassOutcome::Failed: back_to_idle(); return PressOutcome::Failed;
    }
  }
  if (settings.check1) {
    switch (page_pass(flags_, view_, clock_, fields_, title_index_, report_)) {
      case PassOutcome::Completed: break;
      case PassOutcome::Stopped: return PressOutcome::Stopped;
      case PassOutcome::Invalid: return PressOutcome::Invalid;
      case PassOutcome::Failed: back_to_idle(); return PressOutcome::Failed;
    }
  }
  if (view_.read_settings().check2) {
    switch (link_pass(flags_, view_, clock_, report_)) {
      case PassOutcome::Completed: break;
      case PassOutcome::Stopped: return PressOutcome::Stopped;
      // After a page pass the window is still running: give it back.
      case PassOutcome::Invalid: back_to_idle(); return PressOutcome::Invalid;
      case PassOutcome::Failed: back_to_idle(); return PressOutcome::Failed;
    }
  }
  end_step();
  return PressOutcome::Finished;
}

void Run::stop_request() {
  flags_.stop = true;
  clear_progress(view_, {}, "Terminé!");
  view_.beep();
  view_.message_box("Traitement interrompu...", MessageIcon::Information);
  flags_.running = false;
  view_.show_running(false);
}

void Run::end_step() {
  clear_progress(view_, "Génération terminée", "Terminé!");
  view_.beep();
  if (report_.pages_skipped == 0) {
    view_.message_box("Traitement terminé...", MessageIcon::Information);
  } else {
    view_.message_box(skipped_message(report_), MessageIcon::Warning, skipped_details(report_));
  }
  view_.show_running(false);
  flags_.running = false;
}

void Run::back_to_idle() {
  if (!flags_.running) return;
  clear_progress(view_, {}, {});
  flags_.running = false;
  view_.show_running(false);
}

}  // namespace corvella
