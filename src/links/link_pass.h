#pragma once

// The link pass: every page of the link folder gets one link to each other
// page whose link tag holds the same content (spaces trimmed at both ends,
// case-sensitive), in the order the folder lists them. Contents are read
// from the link folder once per pass, before any page changes; links are
// written into the same-named pages of the destination folder, each page
// replaced whole through its working copy. Pages without a match are left
// untouched, and a page without a namesake in the destination folder is
// skipped.
//
// A page without the link tag, or that cannot be read, matches no page; an
// empty page holds the empty text and matches the other empty contents. A
// linked page without the text tag gets a fallback name ("Nom" + a number)
// as its link text.
//
// Progress, per page: Progressbar2 ("3 sur 12"), pictotal, temps (the time
// estimate of the page pass); progressbar1 and piccours show at once where
// the page's comparisons end (n, and the bar of (n - 1) / n).

#include <optional>
#include <string>
#include <vector>

#include "generation/run_view.h"
#include "links/link_groups.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace corvella {

// The link pass's display, shared with the run of pages and links in one
// write: the start (Frame1, labels and bars emptied, the running state) and,
// per page, "3 sur 12", the bars, the event point and the time estimate.
class LinkProgress {
 public:
  static void start(RunFlags& flags, RunView& view);

  LinkProgress(RunFlags& flags, RunView& view, Clock& clock, long long total);
  // Shows page `number` (1-based), then handles events between two pages:
  // false when a stop was requested.
  bool page(long long number);
  // The time page `number` took and the time left.
  void done(long long number);

 private:
  RunFlags& flags_;
  RunView& view_;
  Clock& clock_;
  long long total_;
  char separator_;
  double start_ = 0;
};

// The pages of a folder in listing order: its ordinary files whose names end
// in "htm" in any letter case (working copies never do, whatever run left
// them). Nothing when the folder cannot be listed, errno telling why.
std::optional<std::vector<std::string>> list_page_names(const Folder& folder);

// One read of the page gives both of its tags. A page that cannot be read
// is reported and matches no page.
ListedPage read_listed_page(const Folder& folder, std::string name,
                            const std::optional<std::string>& link_marker,
                            const std::optional<std::string>& text_marker, RunReport& report,
                            RunView& view);

// Validates (every ticked pass), enters the running state and links the
// pages. Handles events once per page read and once per page linked, and
// stops there when the stop flag is set: a page is never half rewritten.
// Counts in `report` the pages linked, the links written and the pages that
// could not be read or rewritten.
PassOutcome link_pass(RunFlags& flags, RunView& view, Clock& clock, RunReport& report);

}  // namespace corvella
