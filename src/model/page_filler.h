#pragma once

// The page filler rewrites one page line by line into its working copy:
//
//  - a line holding "<!--tag" is an opening-marker line: the lowest k in
//    0..100 whose marker "<!--tagk-->" stands in it wins; the line becomes the
//    bare marker followed by field k on a line of its own, and the region is
//    open. With no such k the line is dropped and nothing else changes.
//    When "<!--/tag" stands after that marker on the same line, the line is
//    a whole region: the closing marker line follows at once (as below) and
//    the region is closed;
//  - otherwise a line holding "<!--/tag" closes the region and is written as
//    "<!--/tag" + the last opening number + "-->" (its own number is ignored);
//  - otherwise a line inside a region is dropped (its old content);
//  - otherwise the generator meta line is stamped "Corvella 1.0 (c).", a line
//    holding "<title>" becomes the title field, and any other line is kept.
//
// Lines are cut and written by the page's own line ends (platform/
// text_lines.h): a page without CR gives lines ending with LF, any other page
// lines ending with CR LF. Searches are exact and case-sensitive.

#include <string>
#include <string_view>

#include "model/field_table.h"

namespace corvella {

// Shows the filler's progress and lets the caller handle its events once per
// page. Per-line values: the line number and the bar width (the "000"
// percentage of line / (lines + 1), times 50).
class FillObserver {
 public:
  virtual ~FillObserver() = default;
  virtual void page_started() {}  // progressbar1 empty, piccours 0
  virtual void page_line(long long line, int bar_width) = 0;
  // The one event point of a page; true when a stop was requested.
  virtual bool handle_events_and_check_stop() = 0;
};

// Fills `page` into `out` (appended). False when the title index is outside
// 0..100: nothing is then appended.
bool fill_page(std::string_view page, const FieldTable& fields, int title_index, std::string& out,
               FillObserver* observer = nullptr);

// Unchanged: filled, and equal to the page on disk, so nothing is written.
enum class FillOutcome { Filled, Unchanged, Stopped, Failed };

// The page's event point (a stop gives Stopped), then `page` filled into
// `filled` (replaced). Failed when the title index is outside 0..100.
FillOutcome fill_at_event_point(std::string_view page, const FieldTable& fields, int title_index,
                                FillObserver& observer, std::string& filled);

}  // namespace corvella
