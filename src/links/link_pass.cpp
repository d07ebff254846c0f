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
#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/formats.h"

namespace corvella {

namespace {

// What the pass keeps of a page of the link folder: never the page itself,
// so fifty thousand pages cost a few megabytes.
struct ListedPage {
  std::string name;  // as the folder lists it
  // The link content without the spaces at both ends. Nothing for a page
  // without the link tag or that cannot be read: such a page matches none.
  std::optional<std::string> key;
  std::string text;  // the link text of a link to this page
};

constexpr std::uint32_t kNoGroup = UINT32_MAX;

// The pages of one link content, in list order, and their link table: one
// row per member, so that each member's links are the rows of the others.
// Made when the first member is linked; a second table holds the names in
// Windows-1252 for pages that are not UTF-8, when some name needs it.
struct Group {
  std::vector<std::uint32_t> members;
  bool ascii_names = true;  // every name reads the same in any page
  std::optional<LinkTable> utf8_table, cp1252_table;
};

struct Grouping {
  std::vector<std::uint32_t> group_of;  // per page: its group, or kNoGroup
  std::vector<std::uint32_t> row_of;    // per page: its row in its group
  std::vector<Group> groups;
};

// Taken when the last three characters, lower-cased, are "htm": a.htm and
// B.HTM are pages, a.html is not.
bool is_page_name(std::string_view name) {
  if (name.size() < 3) return false;
  const std::string_view end = name.substr(name.size() - 3);
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return lower(end[0]) == 'h' && lower(end[1]) == 't' && lower(end[2]) == 'm';
}

// One read of the page gives both of its tags. A page that cannot be read
// is reported and matches no page.
ListedPage read_listed_page(const Folder& folder, std::string name,
                            const std::optional<std::string>& link_marker,
                            const std::optional<std::string>& text_marker, RunReport& report,
                            RunView& view) {
  ListedPage page{std::move(name), std::nullopt, {}};
  const std::optional<FileContents> contents = read_regular_file(folder, page.name);
  if (!contents) {
    report_skip(report, view, {page.name, system_reason(errno)});
    return page;
  }
  const std::string& bytes = contents->bytes;
  if (link_marker) {
    if (const std::optional<std::string_view> line = content_line(bytes, *link_marker)) {
      page.key = std::string(trim_spaces(*line));
    }
  }
  page.text = text_marker ? P_recherche_tag_bd(bytes, *text_marker) : fallback_name();
  return page;
}

Grouping group_by_key(const std::vector<ListedPage>& pages) {
  Grouping grouping;
  grouping.group_of.assign(pages.size(), kNoGroup);
  grouping.row_of.assign(pages.size(), 0);
  std::unordered_map<std::string_view, std::uint32_t> index;
  index.reserve(pages.size());
  for (std::uint32_t i = 0; i < pages.size(); ++i) {
    if (!pages[i].key) continue;
    const auto [it, added] =
        index.try_emplace(*pages[i].key, static_cast<std::uint32_t>(grouping.groups.size()));
    if (added) grouping.groups.emplace_back();
    Group& group = grouping.groups[it->second];
    grouping.group_of[i] = it->second;
    grouping.row_of[i] = static_cast<std::uint32_t>(group.members.size());
    group.members.push_back(i);
    group.ascii_names = group.ascii_names && is_ascii(pages[i].name);
  }
  return grouping;
}

// The prefix as text (a value that is not UTF-8 read as Windows-1252, as
// names are), and whether it reads the same in any page.
struct Prefix {
  std::string text;
  bool ascii;
};

// The group's table with the prefix and names as a page of that character
// set must hold them. Names come from the folder listing (UTF-8); a page
// that is not UTF-8 gets them as address_for_page writes them.
const LinkTable& group_table(Group& group, const std::vector<ListedPage>& pages, bool utf8_page,
                             const Prefix& prefix) {
  const bool as_listed = utf8_page || (group.ascii_names && prefix.ascii);
  std::optional<LinkTable>& table = as_listed ? group.utf8_table : group.cp1252_table;
  if (!table) {
    table.emplace(address_for_page(prefix.text, as_listed));
    for (const std::uint32_t member : group.members) {
      const ListedPage& page = pages[member];
      table->p_memoire(as_listed ? page.name : address_for_page(page.name, false), page.text);
    }
  }
  return *table;
}

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

// Pages: names ending in "htm" in any letter case. Working copies never end
// so, whatever run left them. Nothing when the folder cannot be listed.
std::optional<std::vector<std::string>> page_names(const std::optional<Folder>& folder) {
  std::optional<std::vector<std::string>> names =
      folder ? list_ordinary_files(*folder) : std::nullopt;
  if (names) std::erase_if(*names, [](const std::string& name) { return !is_page_name(name); });
  return names;
}

}  // namespace

PassOutcome link_pass(RunFlags& flags, RunView& view, Clock& clock, RunReport& report) {
  const RunSettings settings = view.read_settings();
  if (!validate(settings, view)) return PassOutcome::Invalid;
  enter_running(flags, view, "Génération des liens hypertexte en cours...");
  view.show_progressbar1({});
  view.show_progressbar2({});
  view.show_piccours(0);
  view.show_pictotal(0);

  // A label that names no tag gives no marker: no page then holds the tag.
  const std::optional<std::string> link_marker = opening_marker(settings.textesource);
  const std::optional<std::string> text_marker = opening_marker(settings.textelien);

  // Every page is read once, before any is changed, so the links follow the
  // pages as they stand when the pass starts, even when both folders are one.
  // Before anything is written: one run at a time writes a folder.
  std::optional<Destination> destination = hold_destination(settings.destination, view);
  if (!destination) return PassOutcome::Failed;

  const std::optional<Folder> lien = Folder::open(settings.lien);
  std::optional<std::vector<std::string>> names = page_names(lien);
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
  const char separator = locale_decimal_separator();
  const long long total = static_cast<long long>(pages.size());
  std::string links;
  for (std::uint32_t i = 0; i < pages.size(); ++i) {
    const long long number = i + 1;
    view.show_progressbar2(sur_caption(number, total));
    view.show_pictotal(bar_width(static_cast<double>(number), static_cast<double>(total)));
    // Between two pages: a stop leaves every page whole, linked or not.
    view.handle_events();
    if (flags.stop) return PassOutcome::Stopped;

    const double start = clock.seconds_since_midnight();
    // The comparisons of a page are no longer made one by one: their counter
    // and bar show at once where they end.
    view.show_progressbar1(std::to_string(total));
    view.show_piccours(bar_width(static_cast<double>(total - 1), static_cast<double>(total)));
    const std::uint32_t group = grouping.group_of[i];
    if (group != kNoGroup && grouping.groups[group].members.size() > 1) {
      // A page without a namesake in the destination folder gets nothing;
      // one the user made read-only (no write bit) keeps its content.
      const std::optional<PagePaths> paths = file_paths(settings.destination, pages[i].name);
      const Folder* folder = paths ? destination->folder_of(*paths) : nullptr;
      const std::optional<FileContents> page =
          folder ? read_regular_file(*folder, paths->name) : std::nullopt;
      int error = page ? 0 : errno;
      if (page && (page->mode & 0222) == 0) {
        report_skip(report, view, {pages[i].name, kPageReadOnly});
      } else if (page) {
        Group& mine = grouping.groups[group];
        // The page's character set matters only for addresses beyond ASCII.
        const bool utf8_page = (mine.ascii_names && prefix.ascii) || is_valid_utf8(page->bytes);
        group_table(mine, pages, utf8_page, prefix)
            .lines_without(grouping.row_of[i], line_end_of(page->bytes), links);
        error = relink(*folder, paths->name, *page, links);
        if (error == 0) {
          ++report.pages_linked;
          report.links_written += static_cast<long long>(mine.members.size()) - 1;
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
    const double d = elapsed_seconds(start, clock.seconds_since_midnight());
    view.show_temps(temps_caption(d, total, number + 1, separator));
  }
  return finish_writing(*destination, view);
}

}  // namespace corvella
