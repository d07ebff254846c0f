#include "generation/page_steps.h"

#include "generation/naming.h"

namespace corvella {

void settle_naming(const RunSettings& settings, RunView& view, int& title_index) {
  if (settings.tagf[4].empty()) {
    view.select_titrep1();
    title_index = 1;
  } else if (const std::optional<int> number = tag_number(settings.tagf[4])) {
    title_index = *number;
  }
  if (settings.tagf[0].empty()) view.select_option1();
}

}  // namespace corvella
