// The tag reader and the link-region rewrite.
// Input: a link block, NUL, then a page (an input without NUL is all page,
// linked with two rows of the example site). The link block is the Tag99
// text, then rows "name \x1e text", each part ended by \x1f.
// - The content line of a tag is a line of the page, after a line holding
//   the marker, without the marker and without a CR; without one, the reader
//   gives "Nom" and a number.
// - The table's lines are the rows given, in order, and without one row
//   they are the others.
// - The lines before the first "<!--tag99-->" line are kept, then come the
//   marker and exactly the rows given (but the page's own); from the closing line on, the lines
//   are kept again up to the next opening line (lines end with CR LF).
// - When every region is closed, a second rewrite with the same rows gives
//   the same bytes.

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/text_lines.h"

namespace {

constexpr std::string_view kOpen = "<!--tag99-->";
constexpr std::string_view kClose = "<!--/tag99-->";

struct Row {
  std::string_view name, text;
};

bool holds(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Texts that a rewrite would read back as lines or markers of its own.
bool plain(std::string_view text) {
  return !holds(text, "\r") && !holds(text, kOpen) && !holds(text, kClose);
}

std::vector<std::string_view> lines_of(std::string_view page) {
  std::vector<std::string_view> lines;
  std::string_view line;
  for (corvella::LineCursor cursor(page); cursor.next(line);) lines.push_back(line);
  return lines;
}

// Takes `part` off the front of `out`; false when `out` does not start so.
bool take(std::string_view& out, std::string_view part) {
  if (!out.starts_with(part)) return false;
  out.remove_prefix(part.size());
  return true;
}

bool take_line(std::string_view& out, std::string_view line) {
  return take(out, line) && take(out, "\r\n");
}

void check_content_line(std::string_view page, int tag) {
  const std::string marker = "<!--tag" + std::to_string(tag) + "-->";
  const std::optional<std::string_view> found = corvella::content_line(page, marker);
  if (page.empty()) {
    if (!found || !found->empty()) std::abort();
    return;
  }
  if (!found) {
    // The fallback name: "Nom" and a number from 0 to 999999.
    const std::string name = corvella::P_recherche_tag_bd(page, marker);
    if (!name.starts_with("Nom") || name.size() < 4 || name.size() > 9) std::abort();
    for (std::size_t i = 3; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') std::abort();
    }
    return;
  }
  if (corvella::P_recherche_tag_bd(page, marker) != *found) std::abort();
  if (found->data() < page.data() || found->data() + found->size() > page.data() + page.size())
    std::abort();
  if (holds(*found, "\r") || holds(*found, marker)) std::abort();
  // The line before it holds the marker.
  const std::vector<std::string_view> lines = lines_of(page);
  std::size_t at = 0;
  while (at < lines.size() && lines[at].data() != found->data()) ++at;
  if (at == 0 || at == lines.size() || lines[at].size() != found->size()) std::abort();
  if (!holds(lines[at - 1], marker)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view tag99;
  std::vector<Row> rows;
  std::string_view page = input;
  if (const std::size_t nul = input.find('\0'); nul != std::string_view::npos) {
    std::string_view block = input.substr(0, nul);
    page = input.substr(nul + 1);
    const std::size_t end = block.find('\x1f');
    tag99 = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
    while (!block.empty()) {
      std::string_view part = block.substr(0, block.find('\x1f'));
      block.remove_prefix(part.size() < block.size() ? part.size() + 1 : part.size());
      const std::size_t split = part.find('\x1e');
      rows.push_back(
          {part.substr(0, split), split == std::string_view::npos ? "" : part.substr(split + 1)});
    }
  } else {
    rows = {{"tomme-des-combes.htm", "Tomme des Combes"},
            {"chevre-des-causses.htm", "Chèvre des Causses"}};
  }
  if (!plain(tag99)) return 0;
  for (const Row& row : rows) {
    if (!plain(row.name) || !plain(row.text)) return 0;
  }

  check_content_line(page, size > 0 ? data[size - 1] % 101 : 2);

  corvella::LinkTable table(tag99);
  std::vector<std::string> row_lines;
  std::string_view prefix = tag99;
  while (prefix.starts_with(' ')) prefix.remove_prefix(1);
  while (prefix.ends_with(' ')) prefix.remove_suffix(1);
  for (const Row& row : rows) {
    table.p_memoire(row.name, row.text);
    row_lines.push_back(std::string("<a href =\"")
                            .append(prefix)
                            .append(row.name)
                            .append("\">")
                            .append(row.text)
                            .append("</a><br>\r\n"));
  }
  // The links of one page of the group: every row but its own.
  const std::size_t own = size > 0 ? data[0] % (rows.size() + 1) : 0;
  std::string expected_links, all_links, without;
  for (std::size_t k = 0; k < row_lines.size(); ++k) {
    all_links += row_lines[k];
    if (k != own) expected_links += row_lines[k];
  }
  if (table.rows() != rows.size() || table.lines() != all_links) std::abort();
  table.lines_without(own, without);
  if (without != expected_links) std::abort();

  const std::string once = corvella::p_ajoute_lien(page, without);
  const std::vector<std::string_view> lines = lines_of(page);
  std::string_view out = once;
  std::size_t first = 0;
  while (first < lines.size() && !holds(lines[first], kOpen)) ++first;
  for (std::size_t i = 0; i < first; ++i) {
    if (!take_line(out, lines[i])) std::abort();
  }
  if (first < lines.size()) {
    const std::string region = std::string(kOpen) + "\r\n" + expected_links;
    if (!take(out, region)) std::abort();
    std::size_t from = first + 1;  // where the kept lines start again
    if (holds(lines[first], kClose)) {
      if (!take_line(out, kClose)) std::abort();
    } else {
      std::size_t close = from;
      while (close < lines.size() && !holds(lines[close], kClose)) ++close;
      if (close < lines.size()) {
        // Opening lines inside the region each get the links too.
        for (std::size_t i = from; i < close; ++i) {
          if (holds(lines[i], kOpen) && !take(out, region)) std::abort();
        }
        from = close;
      }
    }
    for (std::size_t i = from; i < lines.size() && !holds(lines[i], kOpen); ++i) {
      if (!take_line(out, lines[i])) std::abort();
    }
  }
  if (first == lines.size() && !out.empty()) std::abort();

  // Idempotent when no opening line is left without a closing line after it.
  const std::size_t last_close = page.rfind(kClose);
  bool closed = true;
  for (const std::string_view line : lines) {
    if (holds(line, kOpen) && !holds(line, kClose)) {
      closed = last_close != std::string_view::npos &&
               static_cast<std::size_t>(line.data() - page.data()) + line.size() <= last_close;
    }
  }
  if (closed && corvella::p_ajoute_lien(once, without) != once) std::abort();
  return 0;
}
