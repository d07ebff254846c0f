#include <cmath>

#include "generation/estimate.h"
#include "generation/naming.h"
#include "generation/run.h"
#include "generation/validation.h"
#include "generation/working_copy.h"
#include "model/data_file.h"
#include "model/page_filler.h"
#include "platform/files.h"
#include "platform/formats.h"

namespace corvella {

namespace {

// Passes the filler's progress to the view and makes its event point the
// view's.
class PageObserver final : public FillObserver {
 public:
  PageObserver(RunFlags& flags, RunView& view) : flags_(flags), view_(view) {}

  void page_started() override {
    view_.show_progressbar1({});
    view_.show_piccours(0);
  }
  void page_line(long long line, int width) override {
    view_.show_progressbar1(std::to_string(line));
    view_.show_piccours(width);
  }
  bool handle_events_and_check_stop() override {
    view_.handle_events();
    return flags_.stop;
  }

 private:
  RunFlags& flags_;
  RunView& view_;
};

// The settled naming choices: an empty title tag means the second column, an
// empty first name tag means naming by the first column.
void settle_naming(const RunSettings& settings, RunView& view, int& title_index) {
  if (settings.tagf[4].empty()) {
    view.select_titrep1();
    title_index = 1;
  } else if (const std::optional<int> number = tag_number(settings.tagf[4])) {
    title_index = *number;
  }
  if (settings.tagf[0].empty()) view.select_option1();
}

// One record: make its page, fill it, deliver it. Each failing step ends the
// record without a message; a working copy that will not be delivered is
// removed. Returns the filler's outcome.
FillOutcome make_page(const RunSettings& settings, const std::optional<std::string>& template_bytes,
                      const FieldTable& fields, int title_index, PageObserver& observer) {
  const std::optional<std::string> name = page_name(settings.option1, settings.tagf, fields);
  const std::optional<PagePaths> paths = name ? page_paths(settings.destination, *name) : std::nullopt;
  const std::optional<PageSource> source = paths ? P_verif_fichier(*paths, template_bytes) : std::nullopt;
  if (!source) {
    // Still one event point per record, so a run of failing records can be stopped.
    return observer.handle_events_and_check_stop() ? FillOutcome::Stopped : FillOutcome::Failed;
  }
  const FillOutcome outcome =
      P_Modif_fichier(source->bytes, paths->working_copy, source->mode, fields, title_index, observer);
  if (outcome == FillOutcome::Filled) {
    P_livraison_fichier(*paths);
  } else {
    discard_working_copy(*paths);
  }
  return outcome;
}

}  // namespace

bool validate(const RunSettings& settings, RunView& view) {
  if (const std::optional<std::string> message = p_controle(settings)) {
    view.message_box(*message, MessageIcon::Critical);
    return false;
  }
  return true;
}

void enter_running(RunFlags& flags, RunView& view, const std::string& frame1) {
  flags.running = true;
  flags.stop = false;
  view.show_running(true);
  view.show_frame1(frame1);
}

PassOutcome page_pass(RunFlags& flags, RunView& view, Clock& clock, FieldTable& fields,
                      int& title_index) {
  if (!validate(view.read_settings(), view)) return PassOutcome::Invalid;
  flags.running = true;
  flags.stop = false;
  view.show_running(true);
  settle_naming(view.read_settings(), view, title_index);
  const RunSettings settings = view.read_settings();
  view.show_frame1("Génération des pages HTML en cours...");

  const std::optional<long long> total = count_records(settings.source);
  std::unique_ptr<RecordReader> reader = total ? RecordReader::open(settings.source) : nullptr;
  if (!reader) {
    view.message_box("Le fichier source ne peut pas être lu", MessageIcon::Critical);
    return PassOutcome::Failed;
  }

  // Read once: every page not made yet is made from these bytes.
  const std::optional<std::string> template_bytes = read_file(settings.modele);
  const char separator = locale_decimal_separator();
  PageObserver observer(flags, view);
  long long counter = 1;
  std::string record;
  while (reader->next(record)) {
    const double start = clock.seconds_since_midnight();
    view.show_progressbar2(sur_caption(counter, *total));
    view.show_pictotal(bar_width(static_cast<double>(counter), static_cast<double>(*total)));
    ++counter;
    split_record(record, fields);
    make_page(settings, template_bytes, fields, title_index, observer);
    if (flags.stop) return PassOutcome::Stopped;
    const double d = elapsed_seconds(start, clock.seconds_since_midnight());
    view.show_temps(temps_caption(d, *total, counter, separator));
  }
  if (reader->failed()) {
    view.message_box("Le fichier source ne peut plus être lu", MessageIcon::Critical);
    return PassOutcome::Failed;
  }
  return PassOutcome::Completed;
}

}  // namespace corvella
