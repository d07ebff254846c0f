#include <cerrno>

#include "generation/naming.h"
#include "generation/page_steps.h"
#include "generation/run.h"
#include "generation/validation.h"
#include "generation/working_copy.h"
#include "model/data_file.h"
#include "model/page_filler.h"
#include "platform/charset.h"
#include "platform/files.h"

namespace corvella {

namespace {

// The template, read once: every page not made yet is made from its bytes.
struct Template {
  std::optional<std::string> bytes;
  int error = 0;  // why it could not be read
};

// One record: make its page, fill it, deliver it. A failing step skips the
// record, counted in the report with its reason; a working copy that will
// not be delivered is removed. The errno of a failure is left in `error`
// (0 for a refusal of our own) so the pass can tell when to give up.
class PageMaker {
 public:
  PageMaker(const RunSettings& settings, const Template& page_template, Destination& destination,
            PageObserver& observer, RunReport& report, RunView& view)
      : settings_(settings),
        template_(page_template),
        destination_(destination),
        observer_(observer),
        report_(report),
        view_(view) {}

  FillOutcome make(const FieldTable& fields, int title_index, long long line) {
    error = 0;
    const std::optional<std::string> name = page_name(settings_.option1, settings_.tagf, fields);
    if (!name) return skip("ligne " + std::to_string(line), kNameTagInvalid);
    const std::string shown = to_utf8(*name);
    const std::optional<PagePaths> paths = page_paths(settings_.destination, *name);
    if (!paths) return skip(shown, kNameRefused);
    // A link on the way, or a sub-folder another run holds.
    const Folder* folder = destination_.folder_of(*paths);
    if (!folder) {
      error = errno;
      return skip(shown, error == ELOOP || error == ENOTDIR ? kNameRefused : system_reason(error));
    }
    const std::optional<PageSource> source = P_verif_fichier(*folder, paths->name, template_.bytes);
    if (!source) {
      error = errno;
      const Entry entry = look_up(*folder, paths->name);
      if (entry.kind == EntryKind::Regular && (entry.mode & 0222) == 0) {
        return skip(shown, kPageReadOnly);
      }
      if (!template_.bytes && entry.kind != EntryKind::Other) error = template_.error;
      return skip(shown, system_reason(error));
    }
    std::string filled;
    const FillOutcome outcome =
        fill_at_event_point(source->bytes, fields, title_index, observer_, filled);
    if (outcome == FillOutcome::Stopped) return outcome;
    if (outcome == FillOutcome::Filled && source->on_disk && filled == source->bytes) {
      ++report_.pages_unchanged;
      return FillOutcome::Unchanged;
    }
    std::optional<WorkingCopy> working_copy =
        outcome == FillOutcome::Filled ? WorkingCopy::create(*folder, source->mode) : std::nullopt;
    if (working_copy && working_copy->write_and_close(filled)) {
      if (P_livraison_fichier(*working_copy, paths->name)) {
        ++(source->mode ? report_.pages_refilled : report_.pages_made);
        return outcome;
      }
    }
    error = errno;  // a working copy not delivered is already removed
    report_skip(report_, view_, {shown, system_reason(error)});
    return FillOutcome::Failed;
  }

  int error = 0;

 private:
  FillOutcome skip(std::string page, std::string reason) {
    report_skip(report_, view_, {std::move(page), std::move(reason)});
    // Still one event point per record, so a run of failing records can be stopped.
    return observer_.handle_events_and_check_stop() ? FillOutcome::Stopped : FillOutcome::Failed;
  }

  const RunSettings& settings_;
  const Template& template_;
  Destination& destination_;
  PageObserver& observer_;
  RunReport& report_;
  RunView& view_;
};

}  // namespace

std::optional<Destination> hold_destination(const std::string& destination, RunView& view) {
  std::string refusal;
  std::optional<Destination> held = Destination::hold(destination, refusal);
  if (!held) view.message_box(refusal, MessageIcon::Critical);
  return held;
}

PassOutcome finish_writing(const Destination& destination, RunView& view) {
  if (destination.sync()) return PassOutcome::Completed;
  view.message_box("Les pages écrites n'ont pas pu être enregistrées sur le disque",
                   MessageIcon::Critical);
  return PassOutcome::Failed;
}

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
                      int& title_index, RunReport& report) {
  if (!validate(view.read_settings(), view)) return PassOutcome::Invalid;
  enter_running(flags, view, "Génération des pages HTML en cours...");
  settle_naming(view.read_settings(), view, title_index);
  const RunSettings settings = view.read_settings();

  std::unique_ptr<RecordReader> reader = RecordReader::open(settings.source);
  const std::optional<long long> total = reader ? count_records(*reader) : std::nullopt;
  if (!total) {
    view.message_box("Le fichier source ne peut pas être lu", MessageIcon::Critical);
    return PassOutcome::Failed;
  }

  // Before anything is written: one run at a time writes a folder.
  std::optional<Destination> destination = hold_destination(settings.destination, view);
  if (!destination) return PassOutcome::Failed;

  Template page_template{read_file(settings.modele), 0};
  if (!page_template.bytes) page_template.error = errno;
  PageObserver observer(flags, view);
  PageMaker maker(settings, page_template, *destination, observer, report, view);
  RecordProgress progress(view, clock, *total);
  long long line = 0;
  std::string record;
  while (reader->next(record)) {
    progress.record(++line);
    split_record(record, fields);
    maker.make(fields, title_index, line);
    if (flags.stop) return PassOutcome::Stopped;
    if (const std::optional<std::string> message =
            hopeless_failure(maker.error, settings.destination)) {
      view.message_box(*message, MessageIcon::Critical);
      return PassOutcome::Failed;
    }
    progress.done(line);
  }
  if (reader->failed()) {
    view.message_box("Le fichier source ne peut plus être lu", MessageIcon::Critical);
    return PassOutcome::Failed;
  }
  return finish_writing(*destination, view);
}

}  // namespace corvella
