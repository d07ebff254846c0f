#include "generation/one_write.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "generation/naming.h"
#include "generation/page_steps.h"
#include "generation/run.h"
#include "generation/validation.h"
#include "generation/working_copy.h"
#include "links/link_groups.h"
#include "links/link_pass.h"
#include "links/link_region.h"
#include "links/tag_reader.h"
#include "model/data_file.h"
#include "platform/charset.h"
#include "platform/listing_order.h"

namespace corvella {

namespace {

constexpr std::uint32_t kNoPage = UINT32_MAX;
constexpr std::uint64_t kNoRecord = UINT64_MAX;

// What the run knows before writing: the folder's pages in listing order
// (those the run makes where the folder will list them), and which page each
// record makes. The records are read again from the open data file when
// they are needed, so the run holds none of them but the last.
struct Plan {
  std::unique_ptr<RecordReader> reader;
  std::pair<long long, long long> stamp;  // the data file's when planned
  std::vector<std::uint32_t> page_of;     // per record: its page, or kNoPage
  std::vector<std::string> names;         // the pages, as the folder lists them
  std::vector<std::uint64_t> record_at;   // per page: where its record starts, or kNoRecord
  std::string last_record;
  std::vector<bool> made;                    // per page: not on disk yet
  std::optional<std::string> page_template;  // what pages not made yet are made from
  long long total = 1;                       // the record count the display shows
  // Records that make no page, with what the page pass reports for them.
  std::unordered_map<std::size_t, SkippedPage> refused;
};

// Where the pages not made yet will be listed among `listed`, the folder's
// pages: nothing when the folder's file system cannot tell beforehand.
std::optional<std::vector<std::string>> order_with(const Folder& folder,
                                                   std::vector<std::string> listed,
                                                   std::vector<std::string> made) {
  const std::unordered_set<std::string_view> new_names(made.begin(), made.end());
  if (new_names.size() != made.size()) return std::nullopt;  // a page named twice
  const std::size_t on_disk = listed.size();
  listed.insert(listed.end(), made.begin(), made.end());
  std::optional<std::vector<std::string>> order = listing_order(folder, listed);
  // Where the file system lists by anything else than the names, the pages
  // on disk would come in another order there.
  if (!order) return std::nullopt;
  std::size_t next = 0;
  for (const std::string& name : *order) {
    if (new_names.contains(name)) continue;
    if (next == on_disk || name != listed[next++]) return std::nullopt;
  }
  return order;
}

// The plan, or nothing when some record names a page twice, names a page in
// a sub-folder, or a page not made yet (with `page_template`) that cannot be
// placed in the folder's listing beforehand. A record without a name, or
// whose name is refused, makes no page in either pass.
std::optional<Plan> make_plan(const RunSettings& settings, const Folder& folder,
                              std::optional<std::string> page_template) {
  Plan plan;
  std::optional<std::vector<std::string>> listed = list_page_names(folder);
  if (!listed) return std::nullopt;
  const std::unordered_set<std::string_view> on_disk(listed->begin(), listed->end());
  std::vector<std::string> page_names;  // per record, empty when it makes none
  std::vector<bool> makes;              // per record: its page is not on disk yet
  std::vector<std::uint64_t> offsets;   // per record: where it starts
  std::vector<std::string> made;

  plan.reader = RecordReader::open(settings.source);
  if (!plan.reader) return std::nullopt;
  plan.stamp = plan.reader->stamp();
  FieldTable fields;
  std::string record;
  for (std::size_t r = 0;; ++r) {
    const std::uint64_t offset = plan.reader->offset();
    if (!plan.reader->next(record)) break;
    offsets.push_back(offset);
    split_record(record, fields);
    const std::optional<std::string> name = page_name(settings.option1, settings.tagf, fields);
    const std::optional<PagePaths> paths =
        name ? page_paths(settings.destination, *name) : std::nullopt;
    std::string page;
    if (!name) {
      plan.refused[r] = {"ligne " + std::to_string(r + 1), kNameTagInvalid};
    } else if (!paths) {
      plan.refused[r] = {to_utf8(*name), kNameRefused};
    } else {
      if (!paths->folders.empty()) return std::nullopt;
      page = paths->name;
      // A page not made yet must be one the folder will list as a page, and
      // nothing may hold its name.
      if (!on_disk.contains(page)) {
        if (!page_template || page.starts_with('.') || !is_page_name(page) ||
            look_up(folder, page).kind != EntryKind::Absent) {
          return std::nullopt;
        }
        made.push_back(page);
      }
    }
    makes.push_back(!on_disk.contains(page));
    page_names.push_back(std::move(page));
    plan.last_record.assign(record);
  }
  if (plan.reader->failed()) return std::nullopt;
  // An empty file counts as one record for the display, as count_records says.
  plan.total = std::max<long long>(1, std::ssize(page_names));

  if (made.empty()) {
    plan.names = std::move(*listed);
  } else if (std::optional<std::vector<std::string>> order =
                 order_with(folder, std::move(*listed), std::move(made))) {
    plan.names = std::move(*order);
  } else {
    return std::nullopt;
  }
  std::unordered_map<std::string_view, std::uint32_t> index;
  for (std::uint32_t i = 0; i < plan.names.size(); ++i) index.emplace(plan.names[i], i);
  plan.record_at.assign(plan.names.size(), kNoRecord);
  plan.made.assign(plan.names.size(), false);
  for (std::uint32_t r = 0; r < page_names.size(); ++r) {
    std::uint32_t page = kNoPage;
    if (!page_names[r].empty()) {
      page = index.at(page_names[r]);
      if (plan.record_at[page] != kNoRecord) return std::nullopt;
      plan.record_at[page] = offsets[r];
      plan.made[page] = makes[r];
    }
    plan.page_of.push_back(page);
  }
  plan.page_template = std::move(page_template);
  return plan;
}

// A record's page as the page pass leaves it: filled when it can be made or
// refilled, as it is otherwise (read-only, or a fill that failed).
struct PageState {
  std::optional<FileContents> disk;  // nothing when it cannot be read
  bool made = false;                 // `disk` is the template: the page is not made yet
  std::string bytes;                 // what the link pass would find
  bool writable = false;
  bool filled = false;  // refilled from its record
  int error = 0;        // why it could not be read or filled
};

// What lets the links part tell, without reading and filling a page again,
// that it comes out as the pages part read it from disk: without links when
// `unlinked`; with links when `linked` and, should it have link regions
// (`regions`), its links are the `size` bytes at `at` (in the first region;
// the others hold the same). Only while the file keeps its `stamp`.
struct Unchanged {
  FileStamp stamp;
  bool unlinked = false;
  bool linked = false;
  bool regions = false;
  bool crlf = false;  // the filled page's lines end with CR LF
  std::uint32_t at = 0;
  std::uint32_t size = 0;
};

Unchanged unchanged_as(const PageState& state) {
  Unchanged unchanged;
  if (!state.filled || state.made || !state.writable) return unchanged;
  const std::string_view disk = state.disk->bytes;
  const std::string_view filled = state.bytes;
  unchanged.stamp = state.disk->stamp;
  unchanged.crlf = line_end_of(filled) == "\r\n";
  unchanged.unlinked = filled == disk;
  // Linked, the page is `bare` with the same link lines at each place.
  std::vector<std::size_t> places;
  const std::string bare = p_ajoute_lien(filled, {}, &places);
  if (disk.size() < bare.size() || disk.size() > UINT32_MAX) return unchanged;
  const std::size_t extra = disk.size() - bare.size();
  if (places.empty() ? extra != 0 : extra % places.size() != 0) return unchanged;
  const std::size_t size = places.empty() ? 0 : extra / places.size();
  std::size_t from = 0;  // in `bare`
  for (std::size_t k = 0; k <= places.size(); ++k) {
    const std::size_t to = k < places.size() ? places[k] : bare.size();
    const std::size_t at = from + k * size;  // where `from` stands on disk
    if (disk.substr(at, to - from) != std::string_view(bare).substr(from, to - from) ||
        (k > 0 && k < places.size() &&
         disk.substr(at + to - from, size) != disk.substr(places[0], size))) {
      return unchanged;
    }
    from = to;
  }
  unchanged.linked = true;
  unchanged.regions = !places.empty();
  unchanged.at = places.empty() ? 0 : static_cast<std::uint32_t>(places[0]);
  unchanged.size = static_cast<std::uint32_t>(size);
  return unchanged;
}

class OneWrite {
 public:
  OneWrite(RunFlags& flags, RunView& view, Clock& clock, FieldTable& fields, int title_index,
           const RunSettings& settings, const Folder& folder, Plan plan, RunReport& report)
      : flags_(flags),
        view_(view),
        clock_(clock),
        fields_(fields),
        title_index_(title_index),
        settings_(settings),
        folder_(folder),
        plan_(std::move(plan)),
        link_marker_(opening_marker(settings.textesource)),
        text_marker_(opening_marker(settings.textelien)),
        prefix_{to_utf8(settings.tag99), is_ascii(settings.tag99)},
        report_(report) {}

  PassOutcome run() {
    if (const PassOutcome pages = pages_part(); pages != PassOutcome::Completed) return pages;
    // The link pass looks at its box when it is reached: unticked meanwhile,
    // the pages are written as the page pass alone leaves them.
    if (!view_.read_settings().check2) return write_pages();
    if (const PassOutcome links = links_part(); links != PassOutcome::Completed) return links;
    if (list_page_names(folder_) != plan_.names) return link_pass(flags_, view_, clock_, report_);
    return PassOutcome::Completed;
  }

 private:
  // The page pass's display; each record's page filled in memory only.
  PassOutcome pages_part() {
    pages_.resize(plan_.names.size());
    unchanged_.resize(plan_.names.size());
    read_.assign(plan_.names.size(), false);
    PageObserver observer(flags_, view_);
    RecordProgress progress(view_, clock_, plan_.total);
    if (!plan_.reader->rewind()) return data_file_failed(true);
    for (std::size_t r = 0; r < plan_.page_of.size(); ++r) {
      const auto line = static_cast<long long>(r + 1);
      progress.record(line);
      if (!read_record()) return PassOutcome::Failed;
      const std::uint32_t page = plan_.page_of[r];
      bool stopped = false;
      if (page == kNoPage) {
        if (const auto refused = plan_.refused.find(r); refused != plan_.refused.end()) {
          report_skip(report_, view_, refused->second);
        }
        stopped = observer.handle_events_and_check_stop();
      } else {
        const PageState state = record_page(page, &observer, stopped);
        if (stopped || flags_.stop) return PassOutcome::Stopped;
        keep(page, state);
        unchanged_[page] = unchanged_as(state);
        if (state.error != 0 && !failed(plan_.names[page], state.error, false)) {
          return PassOutcome::Failed;
        }
      }
      if (stopped || flags_.stop) return PassOutcome::Stopped;
      progress.done(line);
    }
    return PassOutcome::Completed;
  }

  // A page that could not be read is read (and reported) again with the
  // other pages, as the link pass would.
  void keep(std::uint32_t page, const PageState& state) {
    read_[page] = state.disk.has_value();
    pages_[page] = state.disk
                       ? listed_page(plan_.names[page], state.bytes, link_marker_, text_marker_)
                       : ListedPage{plan_.names[page], std::nullopt, {}};
  }

  // With `observer`, as the page pass shows it: its event point, and what it
  // cannot refill reported.
  PageState record_page(std::uint32_t page, PageObserver* observer, bool& stopped) {
    const std::string& name = plan_.names[page];
    PageState state;
    state.made = plan_.made[page];
    state.disk = state.made ? FileContents{*plan_.page_template, 0666, {}}
                            : read_regular_file(folder_, name);
    if (!state.disk) state.error = errno;
    state.writable = state.disk && (state.disk->mode & 0222) != 0;
    if (!state.writable) {
      if (observer) {
        report_skip(report_, view_,
                    {name, state.disk ? kPageReadOnly : system_reason(state.error)});
        stopped = observer->handle_events_and_check_stop();
      }
    } else if (observer) {
      const FillOutcome outcome =
          fill_at_event_point(state.disk->bytes, fields_, title_index_, *observer, state.bytes);
      stopped = outcome == FillOutcome::Stopped;
      state.filled = outcome == FillOutcome::Filled;
      if (outcome == FillOutcome::Failed) {
        state.error = errno;
        report_skip(report_, view_, {name, system_reason(state.error)});
      }
    } else {
      state.filled = fill_page(state.disk->bytes, fields_, title_index_, state.bytes);
    }
    if (!state.filled && state.disk) state.bytes = state.disk->bytes;
    return state;
  }

  // The link pass's display; each page written once.
  PassOutcome links_part() {
    LinkProgress::start(flags_, view_);
    for (std::uint32_t i = 0; i < pages_.size(); ++i) {
      view_.handle_events();
      if (flags_.stop) return PassOutcome::Stopped;
      if (read_[i]) continue;
      pages_[i] =
          read_listed_page(folder_, plan_.names[i], link_marker_, text_marker_, report_, view_);
    }
    Grouping grouping = group_by_key(pages_);

    LinkProgress progress(flags_, view_, clock_, static_cast<long long>(pages_.size()));
    std::string links;
    for (std::uint32_t i = 0; i < pages_.size(); ++i) {
      if (!progress.page(i + 1)) return PassOutcome::Stopped;
      if (!write_page(i, &grouping, links)) return PassOutcome::Failed;
      progress.done(i + 1);
    }
    // The field table as the page pass leaves it: the last record's.
    split_record(plan_.last_record, fields_);
    return PassOutcome::Completed;
  }

  // Every record's page, in listing order.
  PassOutcome write_pages() {
    std::string links;
    for (std::uint32_t i = 0; i < pages_.size(); ++i) {
      if (plan_.record_at[i] != kNoRecord && !write_page(i, nullptr, links)) {
        return PassOutcome::Failed;
      }
    }
    split_record(plan_.last_record, fields_);
    return PassOutcome::Completed;
  }

  // The record starting at `offset` (the next one without), into the field
  // table. False, with the critical message shown, when the data file cannot
  // be read or was written since the run planned from it.
  bool read_record(std::optional<std::uint64_t> offset = std::nullopt) {
    const bool read = (!offset || plan_.reader->seek(*offset)) && plan_.reader->next(record_);
    const bool same = plan_.reader->stamp() == plan_.stamp;
    if (!read || !same) {
      data_file_failed(same);
      return false;
    }
    split_record(record_, fields_);
    return true;
  }

  PassOutcome data_file_failed(bool unreadable) {
    view_.message_box(unreadable ? "Le fichier source ne peut plus être lu"
                                 : "Le fichier source a changé pendant le traitement",
                      MessageIcon::Critical);
    return PassOutcome::Failed;
  }

  // A page that failed with `error`, reported when `shown`. False, once the
  // critical message is shown, when every page left would fail too.
  bool failed(const std::string& name, int error, bool shown) {
    if (shown) report_skip(report_, view_, {name, system_reason(error)});
    const std::optional<std::string> message = hopeless_failure(error, settings_.destination);
    if (message) view_.message_box(*message, MessageIcon::Critical);
    return !message;
  }

  // Page `i` as the two passes leave it (the page pass alone without
  // `grouping`), written when that differs from the page on disk. False
  // when the write failed so that every page left would fail too.
  bool write_page(std::uint32_t i, Grouping* grouping, std::string& links) {
    const std::string& name = plan_.names[i];
    const bool linked = grouping && has_matches(*grouping, i);
    if (left_as_is(i, grouping, linked, links)) {
      ++report_.pages_unchanged;
      count_links(i, grouping, linked);
      return true;
    }
    PageState state;
    if (plan_.record_at[i] != kNoRecord) {
      if (!read_record(plan_.record_at[i])) return false;
      bool stopped = false;
      state = record_page(i, nullptr, stopped);
    } else {
      state.disk = read_regular_file(folder_, name);
      if (state.disk) state.bytes = state.disk->bytes;
      state.writable = state.disk && (state.disk->mode & 0222) != 0;
    }
    if (!state.writable) {
      if (!linked) return true;
      if (state.disk) {
        report_skip(report_, view_, {name, kPageReadOnly});
        return true;
      }
      return failed(name, state.error, state.error != ENOENT);
    }
    if (linked) {
      links_of(*grouping, pages_, i, state.bytes, prefix_, links);
      state.bytes = p_ajoute_lien(state.bytes, links);
    }
    const bool changed = state.made || state.bytes != state.disk->bytes;
    if (changed) {
      std::optional<WorkingCopy> copy = P_copie_fichier(
          folder_, state.bytes, state.made ? std::nullopt : std::optional(state.disk->mode));
      if (!copy || !P_livraison_fichier2(*copy, name)) {
        return failed(name, errno, true);
      }
    }
    if (state.filled) {
      ++(state.made ? report_.pages_made
         : changed  ? report_.pages_refilled
                    : report_.pages_unchanged);
    }
    count_links(i, grouping, linked);
    return true;
  }

  void count_links(std::uint32_t i, const Grouping* grouping, bool linked) {
    if (!linked) return;
    ++report_.pages_linked;
    report_.links_written += static_cast<long long>(match_count(*grouping, i));
  }

  // Whether page `i` comes out as the pages part read it, and is still so on
  // disk: it is then left alone.
  bool left_as_is(std::uint32_t i, Grouping* grouping, bool linked, std::string& links) {
    const Unchanged& unchanged = unchanged_[i];
    if (!(linked ? unchanged.linked : unchanged.unlinked)) return false;
    if (!linked || !unchanged.regions) {
      return file_holds(folder_, plan_.names[i], unchanged.stamp, 0, {});
    }
    return plain_links_of(*grouping, pages_, i, unchanged.crlf ? "\r\n" : "\n", prefix_, links) &&
           links.size() == unchanged.size &&
           file_holds(folder_, plan_.names[i], unchanged.stamp, unchanged.at, links);
  }

  RunFlags& flags_;
  RunView& view_;
  Clock& clock_;
  FieldTable& fields_;
  const int title_index_;
  const RunSettings& settings_;
  const Folder& folder_;
  Plan plan_;
  const std::optional<std::string> link_marker_, text_marker_;
  const Prefix prefix_;
  std::vector<ListedPage> pages_;
  RunReport& report_;
  std::vector<bool> read_;  // per page: its content is known from the pages part
  std::vector<Unchanged> unchanged_;
  std::string record_;
};

}  // namespace

std::optional<PassOutcome> pages_and_links(RunFlags& flags, RunView& view, Clock& clock,
                                           FieldTable& fields, int& title_index,
                                           RunReport& report) {
  const RunSettings asked = view.read_settings();
  // A destination text that does not end with "/" puts a prefix before every
  // page name, which the link pass puts before the listed names again.
  if (!asked.check1 || !asked.check2 || !asked.destination.ends_with('/') || p_controle(asked)) {
    return std::nullopt;
  }
  std::string refusal;
  std::optional<Destination> destination = Destination::hold(asked.destination, refusal);
  const Folder* folder = destination ? destination->folder_of(PagePaths{}) : nullptr;
  const std::optional<Folder> lien = Folder::open(asked.lien);
  if (!folder || !lien || folder_id(*folder) != folder_id(*lien)) return std::nullopt;

  // The naming is settled as the page pass settles it, then planned.
  RunSettings settings = asked;
  if (settings.tagf[0].empty()) settings.option1 = true;
  // Pages not made yet are made from the template, unless every fill fails
  // (a title tag above 100): the page pass makes none then.
  const int title = settled_title_index(asked, title_index);
  std::optional<std::string> page_template =
      title >= 0 && title < kFieldCount ? read_file(asked.modele) : std::nullopt;
  if (!rename_keeps_listing_place(*folder)) return std::nullopt;
  std::optional<Plan> plan = make_plan(settings, *folder, std::move(page_template));
  if (!plan) return std::nullopt;

  if (!validate(asked, view)) return PassOutcome::Invalid;
  enter_running(flags, view, "Génération des pages HTML en cours...");
  settle_naming(asked, view, title_index);
  const RunSettings now = view.read_settings();
  OneWrite run(flags, view, clock, fields, title_index, now, *folder, std::move(*plan), report);
  const PassOutcome outcome = run.run();
  return outcome == PassOutcome::Completed ? finish_writing(*destination, view) : outcome;
}

}  // namespace corvella
