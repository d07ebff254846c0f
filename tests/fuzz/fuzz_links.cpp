// The tag reader and the link-region rewrite.
// Input: a link block, NUL, then a page (an input without NUL is all page,
// linked with two rows of the example site). The link block is the Tag99
// text, then rows "name \x1e text", each part ended by \x1f.
// - The content line of a tag is a line of the page, after a line holding
//   the marker, without the marker and without a CR; without one, the reader
//   gives "Nom" and a number from 0 to 999999.
// - The table's lines are the rows given, in order, and without one row
//   they are the others.
// - The lines before the first "<!--tag99-->" line are kept, then come the
//   marker and exactly the rows given (but the page's own); from the closing
//   line on, the lines are kept again up to the next opening line (lines end
//   with the page's line end: LF for a page without CR, CR LF otherwise).
// - When every region is closed, a second rewrite with the same rows gives
//   the same bytes.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/text_lines.h"

namespace {

constexpr std::string_view kOpen = "<!--tag99-->", kClose = "<!--/tag99-->";

bool holds(std::string_view text, std::string_view part) {
  return text.find(part) != text.npos;
}

// Takes `part` off the front of `out`; false when `out` does not start so.
bool take(std::string_view& out, std::string_view part) {
  return out.starts_with(part) && (out.remove_prefix(part.size()), true);
}

// The bytes before the first `end` (all when there is none), taken off
// `text` together with that `end`.
std::string_view cut_off(std::string_view& text, char end) {
  const std::string_view part = text.substr(0, text.find(end));
  text.remove_prefix(std::min(text.size(), part.size() + 1));
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  std::string_view tag99, row, page(reinterpret_cast<const char*>(data), size);
  std::vector<std::pair<std::string_view, std::string_view>> rows = {
      {"tomme-des-combes.htm", "Tomme des Combes"},
      {"chevre-des-causses.htm", "Chèvre des Causses"}};
  if (page.find('\0') != std::string_view::npos) {
    std::string_view block = cut_off(page, '\0');
    // Texts that a rewrite would read back as lines or markers of its own.
    if (holds(block, "\r") || holds(block, kOpen) || holds(block, kClose)) return 0;
    tag99 = cut_off(block, '\x1f');
    for (rows.clear(); !block.empty();)
      rows.push_back({cut_off(row = cut_off(block, '\x1f'), '\x1e'), row});
  }
  std::vector<std::string_view> lines;
  for (corvella::LineCursor cursor(page); cursor.next(row);) lines.push_back(row);

  const std::string marker =
      "<!--tag" + std::to_string(size > 0 ? data[size - 1] % 101 : 2) + "-->";
  const auto found = corvella::content_line(page, marker);
  const std::string name = corvella::P_recherche_tag_bd(page, marker);
  std::size_t at = 0;
  while (found && at < lines.size() && lines[at].data() != found->data()) ++at;
  const bool after_marker = at > 0 && at < lines.size() && lines[at] == *found &&
                            !holds(*found, marker) && holds(lines[at - 1], marker);
  const bool fallback = name.starts_with("Nom") && name.size() >= 4 && name.size() <= 9 &&
                        name.find_first_not_of("0123456789", 3) == std::string::npos;
  if (found ? name != *found || (page.empty() ? !found->empty() : !after_marker)
            : page.empty() || !fallback)
    std::abort();

  // The links of one page of the group: every row but its own.
  corvella::LinkTable table(tag99);
  const std::size_t own = size > 0 ? data[0] % (rows.size() + 1) : 0;
  std::string_view prefix = tag99.substr(std::min(tag99.find_first_not_of(' '), tag99.size()));
  prefix = prefix.substr(0, prefix.find_last_not_of(' ') + 1);
  const std::string_view eol = corvella::line_end_of(page);
  std::string all, expected, without;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    table.p_memoire(rows[k].first, rows[k].second);
    const std::size_t start = all.size();
    all.append("<a href =\"").append(prefix).append(rows[k].first).append("\">");
    all.append(rows[k].second).append("</a><br>\r\n");
    if (k != own) expected += all.substr(start, all.size() - start - 2).append(eol);
  }
  table.lines_without(own, eol, without);
  if (table.rows() != rows.size() || table.lines() != all || without != expected) std::abort();

  const std::string once = corvella::p_ajoute_lien(page, without);
  std::string_view out = once;
  const auto next = [&](std::size_t from, std::string_view what) {
    while (from < lines.size() && !holds(lines[from], what)) ++from;
    return from;
  };
  // Lines kept as they are, up to the next opening line.
  const auto keep = [&](std::size_t from) {
    for (const std::size_t to = next(from, kOpen); from < to; ++from)
      if (!take(out, lines[from]) || !take(out, eol)) std::abort();
  };
  const std::size_t open = next(0, kOpen);
  keep(0);
  if (open < lines.size()) {
    const std::string region = std::string(kOpen).append(eol) + expected;
    const bool both = holds(lines[open], kClose);
    std::size_t from = open + 1, close = next(from, kClose);
    if (!take(out, region) || (both && !(take(out, kClose) && take(out, eol)))) std::abort();
    // Opening lines inside a closed region each get the links too.
    for (; !both && close < lines.size() && from < close; ++from)
      if (holds(lines[from], kOpen) && !take(out, region)) std::abort();
    keep(from);
  }
  if (open == lines.size() && !out.empty()) std::abort();

  // Idempotent when no opening line is left without a closing line after it.
  bool closed = true;
  for (const std::string_view l : lines) closed = holds(l, kClose) || (closed && !holds(l, kOpen));
  if (closed && corvella::p_ajoute_lien(once, without) != once) std::abort();

  // The places: the links set into the page without them.
  std::vector<std::size_t> places;
  std::string rebuilt = corvella::p_ajoute_lien(page, {}, &places);
  for (auto at = places.rbegin(); at != places.rend(); ++at) rebuilt.insert(*at, without);
  if (rebuilt != once) std::abort();
  return 0;
}
