#include "model/page_filler.h"

#include <charconv>

#include "platform/formats.h"
#include "platform/text_lines.h"

namespace corvella {

namespace {

constexpr std::string_view kOpen = "<!--tag";
constexpr std::string_view kClose = "<!--/tag";
constexpr std::string_view kGenerator = "<meta name=\"GENERATOR\" content=";
constexpr std::string_view kStamp = "<meta name=\"GENERATOR\" content=\"Corvella 1.0 (c).\">";
constexpr std::string_view kTitle = "<title>";

// An opening marker of a line: its number and where it ends in the line.
struct OpeningMarker {
  int number = -1;  // -1: none
  std::size_t end = 0;
};

// The lowest k whose opening marker stands in the line, at its first place.
// Each place where "<!--tag" occurs is read as a decimal number followed by
// "-->"; the marker of k is found exactly when one such place reads k.
OpeningMarker lowest_opening_tag(std::string_view line) {
  OpeningMarker lowest;
  for (std::size_t at = line.find(kOpen); at != std::string_view::npos;
       at = line.find(kOpen, at + 1)) {
    const std::string_view rest = line.substr(at + kOpen.size());
    if (rest.empty() || rest.front() < '0' || rest.front() > '9') continue;
    int number = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    if (error != std::errc() || number > 100) continue;
    const std::size_t digits = static_cast<std::size_t>(end - rest.data());
    // No sign, no leading zeros: "07" is not the marker of 7.
    if (digits > 1 && rest.front() == '0') continue;
    if (!rest.substr(digits).starts_with("-->")) continue;
    if (lowest.number < 0 || number < lowest.number) {
      lowest = {number, at + kOpen.size() + digits + 3};
    }
  }
  return lowest;
}

}  // namespace

bool fill_page(std::string_view page, const FieldTable& fields, int title_index, std::string& out,
               FillObserver* observer) {
  if (title_index < 0 || title_index >= kFieldCount) return false;
  // The line count only serves the display.
  const long long total = observer ? static_cast<long long>(count_lines(page)) + 1 : 1;
  out.reserve(out.size() + page.size() + 256);

  // Lines are written with the page's own line ends.
  const std::string_view eol = line_end_of(page);
  bool inside = false;
  std::string last_number;  // empty until the first opening marker
  long long counter = 1;
  std::string_view line;
  for (LineCursor cursor(page); cursor.next(line); ++counter) {
    // Both markers hold a "!", which the lines of a region seldom do.
    const bool marked = line.find('!') != std::string_view::npos;
    if (marked && line.find(kOpen) != std::string_view::npos) {
      const OpeningMarker marker = lowest_opening_tag(line);
      if (marker.number >= 0) {
        last_number = std::to_string(marker.number);
        out.append(kOpen).append(last_number).append("-->").append(eol);
        append_line(out, fields[marker.number], eol);
        // A closing marker after it on the same line closes the region at
        // once, so the lines that follow are the page's, not old content.
        inside = line.find(kClose, marker.end) == std::string_view::npos;
        if (!inside) out.append(kClose).append(last_number).append("-->").append(eol);
      }
    } else if (marked && line.find(kClose) != std::string_view::npos) {
      out.append(kClose).append(last_number).append("-->").append(eol);
      inside = false;
    } else if (inside) {
      // The region's old content is dropped.
    } else if (line.find(kGenerator) != std::string_view::npos) {
      append_line(out, kStamp, eol);
    } else if (line.find(kTitle) != std::string_view::npos) {
      out.append(kTitle).append(fields[title_index]).append("</title>").append(eol);
    } else {
      append_line(out, line, eol);
    }
    if (observer) observer->page_line(counter, bar_width(counter, total));
  }
  return true;
}

FillOutcome fill_at_event_point(std::string_view page, const FieldTable& fields, int title_index,
                                FillObserver& observer, std::string& filled) {
  if (title_index < 0 || title_index >= kFieldCount) return FillOutcome::Failed;
  observer.page_started();
  if (observer.handle_events_and_check_stop()) return FillOutcome::Stopped;
  filled.clear();
  fill_page(page, fields, title_index, filled, &observer);
  return FillOutcome::Filled;
}

}  // namespace corvella
