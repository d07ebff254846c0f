#pragma once

// What one press did, pass by pass: every page made, refilled or linked is
// counted, and every page that could not be made or linked is counted with
// its name and the reason (the system's error text, or one of the refusals
// below). A run that skipped something never ends as if all went well.

#include <optional>
#include <string>
#include <vector>

namespace corvella {

// Refusals that are the program's own, not the system's.
inline constexpr const char* kNameRefused = "nom de page refusé";
inline constexpr const char* kNameTagInvalid = "tag du nom invalide";
inline constexpr const char* kPageReadOnly = "page en lecture seule";

struct SkippedPage {
  std::string page;    // the page's file name, or "ligne N" when it has none
  std::string reason;  // strerror text or a refusal above
};

struct RunReport {
  // Only the first ones are kept: the window lists them, the batch tool
  // prints each one as it comes.
  static constexpr std::size_t kKeptSkips = 100;

  long long pages_made = 0;
  long long pages_refilled = 0;
  long long pages_unchanged = 0;  // already as the run would write them: not written
  long long pages_skipped = 0;  // by either pass
  long long pages_linked = 0;
  long long links_written = 0;
  std::vector<SkippedPage> skipped;  // the first kKeptSkips

  void skip(SkippedPage page) {
    ++pages_skipped;
    if (skipped.size() < kKeptSkips) skipped.push_back(std::move(page));
  }
};

class RunView;

// Counts the skip and tells the view at once (the batch tool prints it).
void report_skip(RunReport& report, RunView& view, SkippedPage page);

// The reason for a failure whose cause the system left in errno.
std::string system_reason(int error);

// After a failure with this errno: the critical message that ends the pass
// when every page left would fail too, because the disk is full or the
// destination folder (empty: the current folder) is gone. Nothing otherwise.
std::optional<std::string> hopeless_failure(int error, const std::string& destination);

// The end message of a run that skipped pages, and its detail text: one
// line "page : reason" per kept skip, then "..." when some were not kept.
std::string skipped_message(const RunReport& report);
std::string skipped_details(const RunReport& report);

}  // namespace corvella
