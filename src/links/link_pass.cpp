#include "links/link_pass.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "generation/estimate.h"
#include "generation/run.h"
#include "links/link_groups.h"
#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/formats.h"

namespace corvella {

ListedPage read_listed_page(const Folder& folder, std::string name,
                            const std::optional<std::string>& link_marker,
                            const std::optional<std::string>& text_marker, RunReport& report,
                            RunView& view) {
  const std::optional<FileContents> contents = read_regular_file(folder, name);
  if (!contents) {
    report_skip(report, view, {name, system_reason(errno)});
    return ListedPage{std::move(name), std::nullopt, {}};
  }
  return listed_page(std::move(name), contents->bytes, link_marker, text_marker);
}

namespace {

// Puts the page, rewritten with the link lines, in place through a working
// copy; a page that already holds them is left as it is. The errno of the
// failing step, or 0.
int relink(const Folder& folder, const std::string& name, const FileContents& page,
           std::string_view link_lines) {
  const std::string rewritten = p_ajoute_lien(page.bytes, link_lines);
  if (rewritten == page.bytes) return 0;
  std::optional<WorkingCopy> copy = P_copie_fichier(folder, rewritten, page.mode);
  if (copy && P_livraison_fichier2(*copy, name)) return 0;
  return errno;
}

}  // namespace

std::optional<std::vector<std::string>> list_page_names(const Folder& folder) {
  std::optional<std::vector<std::string>> names = list_ordinary_files(folder);
  if (names) std::erase_if(*names, [](const std::string& name) { return !is_page_name(name); });
  return names;
}

PassOutcome link_pass(RunFlags& flags, RunView& view, Clock& clock, RunReport& report) {
  const RunSettings settings = view.read_settings();
  if (!validate(settings, view)) return PassOutcome::Invalid;
  LinkProgress::start(flags, view);

  // A label that names no tag gives no marker: no page then holds the tag.
  const std::optional<std::string> link_marker = opening_marker(settings.textesource);
  const std::optional<std::string> text_marker = opening_marker(settings.textelien);

  // Every page is read once, before any is changed, so the links follow the
  // pages as they stand when the pass starts, even when both folders are one.
  // Before anything is written: one run at a time writes a folder.
  std::optional<Destination> destination = hold_destination(settings.destination, view);
  if (!destination) return PassOutcome::Failed;

  const std::optional<Folder> lien = Folder::open(settings.lien);
  std::optional<std::vector<std::string>> names = lien ? list_page_names(*lien) : std::nullopt;
  if (!names) {
    view.message_box("Le répertoire contenant les fichiers à traiter ne peut pas être lu : " +
                         system_reason(errno),
                     MessageIcon::Critical);
    return PassOutcome::Failed;
  }
  std::vector<ListedPage> pages;
  for (std::string& name : *names) {
    view.handle_events();
    if (flags.stop) return PassOutcome::Stopped;
    pages.push_back(
        read_listed_page(*lien, std::move(name), link_marker, text_marker, report, view));
  }
  Grouping grouping = group_by_key(pages);

  const Prefix prefix{to_utf8(settings.tag99), is_ascii(settings.tag99)};
  LinkProgress progress(flags, view, clock, static_cast<long long>(pages.size()));
  std::string links;
  for (std::uint32_t i = 0; i < pages.size(); ++i) {
    // Between two pages: a stop leaves every page whole, linked or not.
    if (!progress.page(i + 1)) return PassOutcome::Stopped;
    // A page without a namesake in the destination folder gets nothing;
    // one the user made read-only (no write bit) keeps its content.
    if (has_matches(grouping, i)) {
      const std::optional<PagePaths> paths = file_paths(settings.destination, pages[i].name);
      const Folder* folder = paths ? destination->folder_of(*paths) : nullptr;
      const std::optional<FileContents> page =
          folder ? read_regular_file(*folder, paths->name) : std::nullopt;
      int error = page ? 0 : errno;
      if (page && (page->mode & 0222) == 0) {
        report_skip(report, view, {pages[i].name, kPageReadOnly});
      } else if (page) {
        links_of(grouping, pages, i, page->bytes, prefix, links);
        error = relink(*folder, paths->name, *page, links);
        if (error == 0) {
          ++report.pages_linked;
          report.links_written += static_cast<long long>(match_count(grouping, i));
        }
      }
      const bool no_namesake = !page && error == ENOENT;
      if (error != 0 && !no_namesake)
        report_skip(report, view, {pages[i].name, system_reason(error)});
      if (const std::optional<std::string> message =
              hopeless_failure(error, settings.destination)) {
        view.message_box(*message, MessageIcon::Critical);
        return PassOutcome::Failed;
      }
    }
    progress.done(i + 1);
  }
  return finish_writing(*destination, view);
}

void LinkProgress::start(RunFlags& flags, RunView& view) {
  enter_running(flags, view, "Génération des liens hypertexte en cours...");
  view.show_progressbar1({});
  view.show_progressbar2({});
  view.show_piccours(0);
  view.show_pictotal(0);
}

LinkProgress::LinkProgress(RunFlags& flags, RunView& view, Clock& clock, long long total)
    : flags_(flags),
      view_(view),
      clock_(clock),
      total_(total),
      separator_(locale_decimal_separator()) {}

bool LinkProgress::page(long long number) {
  const double total = static_cast<double>(total_);
  view_.show_progressbar2(sur_caption(number, total_));
  view_.show_pictotal(bar_width(static_cast<double>(number), total));
  view_.handle_events();
  if (flags_.stop) return false;
  start_ = clock_.seconds_since_midnight();
  // The comparisons of a page are no longer made one by one: their counter
  // and bar show at once where they end.
  view_.show_progressbar1(std::to_string(total_));
  view_.show_piccours(bar_width(total - 1, total));
  return true;
}

void LinkProgress::done(long long number) {
  const double d = elapsed_seconds(start_, clock_.seconds_since_midnight());
  view_.show_temps(temps_caption(d, total_, number + 1, separator_));
}

}  // namespace corvella
