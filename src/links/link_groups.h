#pragma once

// The pages of a link folder grouped by link content. What is kept of a page
// is its name, its trimmed link content and its link text, never the page
// itself: fifty thousand pages cost a few megabytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "links/link_region.h"

namespace corvella {

struct ListedPage {
  std::string name;  // as the folder lists it
  // The link content without the spaces at both ends. Nothing for a page
  // without the link tag or that cannot be read: such a page matches none.
  std::optional<std::string> key;
  std::string text;  // the link text of a link to this page
};

// What the page's bytes hold for the two markers (none: no page holds the
// tag). A missing text tag gives a fallback name.
ListedPage listed_page(std::string name, std::string_view bytes,
                       const std::optional<std::string>& link_marker,
                       const std::optional<std::string>& text_marker);

inline constexpr std::uint32_t kNoGroup = UINT32_MAX;

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
bool is_page_name(std::string_view name);

Grouping group_by_key(const std::vector<ListedPage>& pages);

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
                             const Prefix& prefix);

// Whether another page shares page `i`'s content: a page without one is
// left alone.
bool has_matches(const Grouping& grouping, std::uint32_t i);
// How many other pages share it: the links the page gets.
std::size_t match_count(const Grouping& grouping, std::uint32_t i);

// The link lines page `i` (whose bytes are `page`) receives, each ending as
// the page's lines do, into `out`. Only for a page that has matches.
void links_of(Grouping& grouping, const std::vector<ListedPage>& pages, std::uint32_t i,
              std::string_view page, const Prefix& prefix, std::string& out);
// The same when the page's character set does not matter, for a page whose
// lines end with `line_end`; false, with nothing done, when it does.
bool plain_links_of(Grouping& grouping, const std::vector<ListedPage>& pages, std::uint32_t i,
                    std::string_view line_end, const Prefix& prefix, std::string& out);

}  // namespace corvella
