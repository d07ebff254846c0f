#include "generation/page_steps.h"

#include "generation/estimate.h"
#include "generation/naming.h"
#include "platform/formats.h"

namespace corvella {

RecordProgress::RecordProgress(RunView& view, Clock& clock, long long total)
    : view_(view), clock_(clock), total_(total), separator_(locale_decimal_separator()) {}

void RecordProgress::record(long long number) {
  start_ = clock_.seconds_since_midnight();
  view_.show_progressbar2(sur_caption(number, total_));
  view_.show_pictotal(bar_width(static_cast<double>(number), static_cast<double>(total_)));
}

void RecordProgress::done(long long number) {
  const double d = elapsed_seconds(start_, clock_.seconds_since_midnight());
  view_.show_temps(temps_caption(d, total_, number + 1, separator_));
}

int settled_title_index(const RunSettings& settings, int title_index) {
  if (settings.tagf[4].empty()) return 1;
  return tag_number(settings.tagf[4]).value_or(title_index);
}

void settle_naming(const RunSettings& settings, RunView& view, int& title_index) {
  if (settings.tagf[4].empty()) view.select_titrep1();
  title_index = settled_title_index(settings, title_index);
  if (settings.tagf[0].empty()) view.select_option1();
}

}  // namespace corvella
