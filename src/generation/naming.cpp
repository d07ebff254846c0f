#include "generation/naming.h"

#include <charconv>

namespace corvella {

namespace {

constexpr std::string_view kDegree = "°";  // UTF-8
constexpr char kDegreeCp1252 = '\xB0';           // "°" in a Windows-1252 settings file

}  // namespace

std::optional<int> tag_number(std::string_view label) {
  std::string_view digits = label;
  const std::size_t utf8 = label.find(kDegree);
  const std::size_t cp1252 = label.find(kDegreeCp1252);
  if (utf8 != std::string_view::npos && (cp1252 == std::string_view::npos || utf8 < cp1252)) {
    digits = label.substr(utf8 + kDegree.size());
  } else if (cp1252 != std::string_view::npos) {
    digits = label.substr(cp1252 + 1);
  }
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (number > 100) return std::nullopt;
  return number;
}

std::string tag_label(int number) { return "Tag N°" + std::to_string(number); }

std::optional<std::string> page_name(bool option1, const std::array<std::string, 5>& tagf,
                                     const FieldTable& fields) {
  if (option1) return fields[0] + ".htm";
  std::string name;
  for (int box = 0; box < 4; ++box) {
    // The first box always counts; the run settles an empty one to Option1.
    if (box > 0 && tagf[box].empty()) continue;
    const std::optional<int> number = tag_number(tagf[box]);
    if (!number) return std::nullopt;
    if (box > 0) name += '_';
    name += fields[*number];
  }
  return name + ".htm";
}

}  // namespace corvella
