#include "platform/listing_order.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

std::optional<std::vector<std::string>> listing_order(const Folder& folder,
                                                      const std::vector<std::string>& names) {
  std::optional<WorkingFolder> probe = WorkingFolder::create(folder);
  if (!probe) return std::nullopt;
  const int fd = probe->folder().fd();
  // The empty files are hidden, so never one of the names; a file takes a
  // limited number of links (65,000 on ext4), then the next one is made.
  std::vector<std::string> files;
  for (const std::string& name : names) {
    while (files.empty() || ::linkat(fd, files.back().c_str(), fd, name.c_str(), 0) != 0) {
      if (!files.empty() && errno != EMLINK) return std::nullopt;
      std::string file = "." + std::to_string(files.size());
      const int made =
          ::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (made < 0) return std::nullopt;
      ::close(made);
      files.push_back(std::move(file));
    }
  }
  std::vector<std::string> order = list_all_names(probe->folder());
  std::erase_if(order, [](const std::string& name) { return name.starts_with('.'); });
  if (order.size() != names.size()) return std::nullopt;
  return order;
}

}  // namespace corvella
