#include "links/link_region.h"

#include "links/tag_reader.h"
#include "platform/files.h"
#include "platform/text_lines.h"

namespace corvella {

namespace {

constexpr std::string_view kOpen99 = "<!--tag99-->";
constexpr std::string_view kClose99 = "<!--/tag99-->";

void append_link_line(std::string& out, std::string_view prefix, std::string_view file_name,
                      std::string_view text) {
  out.append("<a href =\"").append(prefix).append(file_name).append("\">");
  out.append(text).append("</a><br>");
}

}  // namespace

std::string link_line(std::string_view prefix, std::string_view file_name, std::string_view text) {
  std::string line;
  append_link_line(line, prefix, file_name, text);
  return line;
}

LinkTable::LinkTable(std::string_view tag99) : prefix_(trim_spaces(tag99)) {}

void LinkTable::clear() {
  lines_.clear();
  starts_.clear();
}

void LinkTable::p_memoire(std::string_view file_name, std::string_view text) {
  starts_.push_back(lines_.size());
  append_link_line(lines_, prefix_, file_name, text);
  lines_.append("\r\n");
}

void LinkTable::lines_without(std::size_t row, std::string_view line_end, std::string& out) const {
  if (line_end == "\r\n") {
    if (row >= starts_.size()) {
      out = lines_;
      return;
    }
    const std::size_t start = starts_[row];
    const std::size_t end = row + 1 < starts_.size() ? starts_[row + 1] : lines_.size();
    out.assign(lines_, 0, start);
    out.append(lines_, end);
    return;
  }
  out.clear();
  for (std::size_t k = 0; k < starts_.size(); ++k) {
    if (k == row) continue;
    const std::size_t end = k + 1 < starts_.size() ? starts_[k + 1] : lines_.size();
    out.append(lines_, starts_[k], end - 2 - starts_[k]).append(line_end);
  }
}

std::string p_ajoute_lien(std::string_view page, std::string_view link_lines,
                          std::vector<std::size_t>* places) {
  std::string out;
  out.reserve(page.size() + link_lines.size() + 64);
  // Where the last closing marker starts: an opening line ending before it
  // has its region closed further down.
  const std::size_t last_close = page.rfind(kClose99);
  const std::string_view eol = line_end_of(page);
  bool inside = false;
  std::string_view line;
  for (LineCursor cursor(page); cursor.next(line);) {
    // Both markers hold a "!", which link lines seldom do.
    const bool marked = line.find('!') != std::string_view::npos;
    const bool opens = marked && line.find(kOpen99) != std::string_view::npos;
    const bool closes = marked && line.find(kClose99) != std::string_view::npos;
    if (opens) {
      append_line(out, kOpen99, eol);
      if (places) places->push_back(out.size());
      out.append(link_lines);
      if (closes) {
        append_line(out, kClose99, eol);
        inside = false;
      } else {
        const std::size_t line_end =
            static_cast<std::size_t>(line.data() - page.data()) + line.size();
        inside = last_close != std::string_view::npos && last_close >= line_end;
      }
    } else if (closes) {
      append_line(out, line, eol);
      inside = false;
    } else if (!inside) {
      append_line(out, line, eol);
    }
  }
  return out;
}

std::optional<WorkingCopy> P_copie_fichier(const Folder& folder, std::string_view rewritten,
                                           std::optional<unsigned> mode) {
  std::optional<WorkingCopy> copy = WorkingCopy::create(folder, mode);
  if (!copy || !copy->write_and_close(rewritten)) return std::nullopt;
  return copy;
}

}  // namespace corvella
