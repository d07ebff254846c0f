#include "links/tag_reader.h"

#include "generation/naming.h"
#include "platform/random.h"
#include "platform/text_lines.h"

namespace corvella {

std::optional<std::string> opening_marker(std::string_view tag_label) {
  const std::optional<int> number = tag_number(tag_label);
  if (!number) return std::nullopt;
  return "<!--tag" + std::to_string(*number) + "-->";
}

std::optional<std::string_view> content_line(std::string_view page, std::string_view marker) {
  if (page.empty()) return page;
  bool found = false;
  std::string_view line;
  for (LineCursor cursor(page); cursor.next(line);) {
    const bool holds_marker = line.find(marker) != std::string_view::npos;
    if (holds_marker) {
      found = true;
    } else if (found) {
      return line;
    }
  }
  return std::nullopt;
}

std::string P_recherche_tag_bd(std::string_view page, std::string_view marker) {
  if (const std::optional<std::string_view> line = content_line(page, marker)) {
    return std::string(*line);
  }
  return fallback_name();
}

std::string fallback_name() {
  return "Nom" + std::to_string(random_0_to_999999());
}

}  // namespace corvella
