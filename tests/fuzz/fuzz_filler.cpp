// The page filler. Input: a record line, a NUL byte, then a page.
// - Every line written ends with the page's line end (LF for a page without
//   CR, CR LF otherwise), and no CR stands elsewhere.
// - Every line holding a marker that the filler wrote is a bare marker.
// - Refilling a filled page with the same record gives the same bytes
//   (when the fields hold no markers and no generator line).

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>

#include "model/field_table.h"
#include "model/page_filler.h"
#include "platform/text_lines.h"

namespace {

bool holds_marker(std::string_view text) {
  return text.find("<!--tag") != text.npos || text.find("<!--/tag") != text.npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return 0;
  const std::string_view record = input.substr(0, std::min(nul, input.find('\r')));
  const std::string_view page = input.substr(nul + 1);

  corvella::FieldTable fields;
  corvella::split_record(record, fields);
  std::string once;
  if (!corvella::fill_page(page, fields, 1, once)) std::abort();

  const bool lf_lines = corvella::has_lf_lines(page);
  if (!once.empty() && !once.ends_with(corvella::line_end_of(page))) std::abort();
  if (lf_lines && !corvella::has_lf_lines(once)) std::abort();
  for (std::size_t at = once.find('\r'); at != std::string::npos; at = once.find('\r', at + 1))
    if (at + 1 >= once.size() || once[at + 1] != '\n') std::abort();

  // Field texts that a refill would read as the filler's own lines (no field holds a CR).
  for (const std::string& field : fields)
    if (holds_marker(field) || (lf_lines && field.find('\n') != field.npos) ||
        field.find("<meta name=\"GENERATOR\" content=") != field.npos)
      return 0;

  // With clean fields, any line holding a marker was written by the filler.
  static const std::regex bare("<!--(tag[0-9]+|/tag[0-9]*)-->");
  std::string_view line;
  for (corvella::LineCursor cursor(once); cursor.next(line);)
    if (holds_marker(line) && !std::regex_match(line.begin(), line.end(), bare)) std::abort();
  std::string twice;
  corvella::fill_page(once, fields, 1, twice);
  if (twice != once) std::abort();
  return 0;
}
