// The settings file reader and writer, over arbitrary file bytes.
// Input: a capacity byte, then section NUL key NUL value NUL file bytes (an
// input without NUL is all file bytes, read for "Parametres"/"Source").
// - read_key gives at most capacity - 1 characters (bytes when not UTF-8) of
//   a stored value, or the default whole.
// - After write_key(key, value), read_key(key) gives the value without the
//   blanks around it, cut to the capacity.
// - Every line of the old file but the replaced key line is still in the new
//   file, in order, byte for byte (a last line without a line end may gain one).

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/charset.h"
#include "platform/files.h"
#include "settings/ini_file.h"

namespace {

// The first `count` characters of the text (bytes when it is not UTF-8).
std::string_view cut(std::string_view text, std::size_t count) {
  const bool utf8 = corvella::is_valid_utf8(text);
  for (std::size_t at = 0; at < text.size(); ++at)
    if ((!utf8 || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) && count-- == 0)
      return text.substr(0, at);
  return text;
}

std::string_view trim_blanks(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
  return text.substr(0, text.find_last_not_of(" \t") + 1);
}

// The lines of a file with their line ends (LF, CR LF or a lone CR).
std::vector<std::string_view> lines_of(std::string_view bytes) {
  std::vector<std::string_view> lines;
  for (std::size_t begin = 0, end = 0; begin < bytes.size(); begin = end) {
    end = std::min(bytes.find_first_of("\r\n", begin), bytes.size());
    if (end < bytes.size()) end += bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
    lines.push_back(bytes.substr(begin, end - begin));
  }
  return lines;
}

std::string_view without_end(std::string_view s) {
  return s.substr(0, s.find_first_of("\r\n"));
}

// Names a profile file can hold: one line, no blanks around them, and for a
// key no "=" and nothing that makes its line a comment or a section.
bool usable_name(std::string_view name, bool is_key) {
  if (name.empty() || trim_blanks(name) != name) return false;
  if (!is_key) return name.find_first_of("\r\n]") == std::string_view::npos;
  return name.find_first_of("\r\n=") == std::string_view::npos && name.front() != ';' &&
         name.front() != '[' && !name.starts_with("\xEF\xBB\xBF");
}

// Whether the line is a "key=value" line of the key (names match without
// regard to case).
bool sets_key(std::string_view line, std::string_view key) {
  line = without_end(line);
  const std::string_view name = trim_blanks(line.substr(0, line.find('=')));
  return line.find('=') != line.npos && name.size() == key.size() &&
         ::strncasecmp(name.data(), key.data(), key.size()) == 0;
}

// Whether every old line but old_lines[skip] stands in the new lines, in
// order. A last line without a line end may have gained one.
bool kept_in_order(const std::vector<std::string_view>& old_lines,
                   const std::vector<std::string_view>& new_lines, std::size_t skip) {
  auto at = new_lines.begin();
  for (std::size_t i = 0; i < old_lines.size(); ++i) {
    const std::string_view line = old_lines[i];
    const bool open_end = i + 1 == old_lines.size() && without_end(line) == line;
    const auto same = [&](std::string_view s) { return (open_end ? without_end(s) : s) == line; };
    if (i == skip) continue;
    if ((at = std::find_if(at, new_lines.end(), same)) == new_lines.end()) return false;
    ++at;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t capacity = data[0], longest = capacity > 0 ? capacity - 1 : 0;
  std::string_view old(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string_view parts[3] = {"Parametres", "Source", "/home/moi/corvella/"};
  const auto nuls = std::ranges::count(old, '\0');
  if (nuls > 0 && nuls < 3) return 0;
  for (std::string_view& part : parts)
    if (nuls > 0) old.remove_prefix((part = old.substr(0, old.find('\0'))).size() + 1);
  const std::string_view section = parts[0], key = parts[1], value = without_end(parts[2]);
  // One file in a private folder, reused by every run.
  static std::string folder = (std::filesystem::temp_directory_path() / "fuzz.XXXXXX").string();
  static const bool made = ::mkdtemp(folder.data()) != nullptr;
  const std::filesystem::path file = std::filesystem::path(folder) / "Corvella.ini";
  if (!made || !(std::ofstream(file, std::ios::binary | std::ios::trunc) << old)) std::abort();

  const std::string before = corvella::read_key(file, section, key, value, capacity);
  if (before != value && cut(before, longest) != before) std::abort();

  corvella::write_key(file, section, key, value);
  const std::string now = corvella::read_file(file).value_or("");
  if (!usable_name(section, false) || !usable_name(key, true)) {
    if (key.find('=') != std::string_view::npos && now != old) std::abort();
    return 0;
  }
  if (corvella::read_key(file, section, key, "", capacity) != cut(trim_blanks(value), longest))
    std::abort();

  // The old lines, as a subsequence of the new ones, but for at most one
  // line of this key whose value was replaced.
  const std::vector<std::string_view> old_lines = lines_of(old), new_lines = lines_of(now);
  for (std::size_t skip = 0; skip <= old_lines.size(); ++skip)
    if ((skip == old_lines.size() || sets_key(old_lines[skip], key)) &&
        kept_in_order(old_lines, new_lines, skip))
      return 0;
  std::abort();
}
