#include "platform/listing_order.h"

#include <algorithm>

namespace corvella {

bool rename_keeps_listing_place(const Folder& folder) {
  std::optional<WorkingCopy> first = WorkingCopy::create(folder, std::nullopt);
  std::optional<WorkingCopy> second = WorkingCopy::create(folder, std::nullopt);
  if (!first || !second || !first->write_and_close({}) || !second->write_and_close({})) {
    return false;
  }
  // The copies are removed by their destructors (the first under the name
  // the third takes over).
  const auto order = [&] {
    const std::vector<std::string> names = list_all_names(folder);
    const auto a = std::ranges::find(names, first->name());
    const auto b = std::ranges::find(names, second->name());
    return a == names.end() || b == names.end() ? 0 : a < b ? 1 : 2;
  };
  const int before = order();
  std::optional<WorkingCopy> third = WorkingCopy::create(folder, std::nullopt);
  if (before == 0 || !third || !third->write_and_close({}) || !third->deliver(first->name())) {
    return false;
  }
  return order() == before;
}

}  // namespace corvella
