#include "links/link_groups.h"

#include <unordered_map>

#include "links/tag_reader.h"
#include "platform/charset.h"

namespace corvella {

ListedPage listed_page(std::string name, std::string_view bytes,
                       const std::optional<std::string>& link_marker,
                       const std::optional<std::string>& text_marker) {
  ListedPage page{std::move(name), std::nullopt, {}};
  if (link_marker) {
    if (const std::optional<std::string_view> line = content_line(bytes, *link_marker)) {
      page.key = std::string(trim_spaces(*line));
    }
  }
  page.text = text_marker ? P_recherche_tag_bd(bytes, *text_marker) : fallback_name();
  return page;
}

bool is_page_name(std::string_view name) {
  if (name.size() < 3) return false;
  const std::string_view end = name.substr(name.size() - 3);
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return lower(end[0]) == 'h' && lower(end[1]) == 't' && lower(end[2]) == 'm';
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

std::size_t match_count(const Grouping& grouping, std::uint32_t i) {
  const std::uint32_t group = grouping.group_of[i];
  return group == kNoGroup ? 0 : grouping.groups[group].members.size() - 1;
}

bool has_matches(const Grouping& grouping, std::uint32_t i) { return match_count(grouping, i) > 0; }

void links_of(Grouping& grouping, const std::vector<ListedPage>& pages, std::uint32_t i,
              std::string_view page, const Prefix& prefix, std::string& out) {
  if (plain_links_of(grouping, pages, i, line_end_of(page), prefix, out)) return;
  group_table(grouping.groups[grouping.group_of[i]], pages, is_valid_utf8(page), prefix)
      .lines_without(grouping.row_of[i], line_end_of(page), out);
}

bool plain_links_of(Grouping& grouping, const std::vector<ListedPage>& pages, std::uint32_t i,
                    std::string_view line_end, const Prefix& prefix, std::string& out) {
  Group& mine = grouping.groups[grouping.group_of[i]];
  // The page's character set matters only for addresses beyond ASCII.
  if (!mine.ascii_names || !prefix.ascii) return false;
  group_table(mine, pages, true, prefix).lines_without(grouping.row_of[i], line_end, out);
  return true;
}

}  // namespace corvella
