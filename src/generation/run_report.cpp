#include "generation/run_report.h"

#include <cerrno>
#include <cstring>

#include "generation/run_view.h"
#include "platform/files.h"

namespace corvella {

std::string system_reason(int error) {
  return std::strerror(error);
}

void report_skip(RunReport& report, RunView& view, SkippedPage page) {
  view.page_skipped(page);
  report.skip(std::move(page));
}

std::optional<std::string> hopeless_failure(int error, const std::string& destination) {
  if (error == 0) return std::nullopt;
  if (error == ENOSPC || error == EDQUOT) return "Le disque de destination est plein";
  if (!is_folder_or_file(destination.empty() ? "." : destination)) {
    return "Le répertoire de destination n'existe plus";
  }
  return std::nullopt;
}

std::string skipped_message(const RunReport& report) {
  if (report.pages_skipped == 1) {
    return "Traitement terminé, mais 1 page n'a pas pu être créée ou liée.";
  }
  return "Traitement terminé, mais " + std::to_string(report.pages_skipped) +
         " pages n'ont pas pu être créées ou liées.";
}

std::string skipped_details(const RunReport& report) {
  std::string details;
  for (const SkippedPage& page : report.skipped) details += page.page + " : " + page.reason + "\n";
  if (report.pages_skipped > static_cast<long long>(report.skipped.size())) details += "...\n";
  return details;
}

}  // namespace corvella
