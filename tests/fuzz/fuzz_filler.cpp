// The page filler. Input: a record line, a NUL byte, then a page.
// - Every line written ends with the page's line end (LF for a page without
//   CR, CR LF otherwise), and no CR stands elsewhere.
// - Every line holding a marker that the filler wrote is a bare marker.
// - Refilling a filled page with the same record gives the same bytes
//   (when the fields hold no markers and no generator line).

#include <cstdlib>
#include <string>
#include <string_view>

#include "model/field_table.h"
#include "model/page_filler.h"
#include "platform/text_lines.h"

namespace {

// Field texts that a refill would read as the filler's own lines.
bool holds_marker(std::string_view text, bool lf_lines) {
  return (lf_lines && text.find('\n') != std::string_view::npos) ||
         text.find("<!--tag") != std::string_view::npos ||
         text.find("<meta name=\"GENERATOR\" content=") != std::string_view::npos ||
         text.find("<!--/tag") != std::string_view::npos || text.find('\r') != std::string_view::npos;
}

bool bare_marker(std::string_view line) {
  const bool closing = line.starts_with("<!--/tag");
  if (!closing && !line.starts_with("<!--tag")) return false;
  if (!line.ends_with("-->")) return false;
  const std::string_view number = line.substr(closing ? 8 : 7, line.size() - (closing ? 8 : 7) - 3);
  for (const char c : number) {
    if (c < '0' || c > '9') return false;
  }
  return closing || !number.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return 0;
  std::string_view record = input.substr(0, nul);
  if (const std::size_t cr = record.find('\r'); cr != std::string_view::npos) record = record.substr(0, cr);
  const std::string_view page = input.substr(nul + 1);

  corvella::FieldTable fields;
  corvella::split_record(record, fields);
  std::string once;
  if (!corvella::fill_page(page, fields, 1, once)) std::abort();

  const bool lf_lines = corvella::has_lf_lines(page);
  if (!once.empty() && !once.ends_with(corvella::line_end_of(page))) std::abort();
  if (lf_lines && !corvella::has_lf_lines(once)) std::abort();
  for (std::size_t at = once.find('\r'); at != std::string::npos; at = once.find('\r', at + 1)) {
    if (at + 1 >= once.size() || once[at + 1] != '\n') std::abort();
  }

  bool fields_clean = true;
  for (const std::string& field : fields)
    fields_clean = fields_clean && !holds_marker(field, lf_lines);
  if (!fields_clean) return 0;

  // With clean fields, any line holding a marker was written by the filler.
  std::string_view line;
  for (corvella::LineCursor cursor(once); cursor.next(line);) {
    if (line.find("<!--tag") != std::string_view::npos || line.find("<!--/tag") != std::string_view::npos) {
      if (!bare_marker(line)) std::abort();
    }
  }
  std::string twice;
  corvella::fill_page(once, fields, 1, twice);
  if (twice != once) std::abort();
  return 0;
}
