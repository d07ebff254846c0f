// The settings file reader and writer, over arbitrary file bytes.
// Input: a capacity byte, then section NUL key NUL value NUL file bytes (an
// input without NUL is all file bytes, read for "Parametres"/"Source").
// - read_key gives at most capacity - 1 characters (bytes when not UTF-8).
// - After write_key(key, value), read_key(key) gives the value without the
//   blanks around it, cut to the capacity.
// - Every line of the old file but the replaced key line is still in the new
//   file, in order, byte for byte (a last line without a line end may gain
//   one).

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/charset.h"
#include "settings/ini_file.h"

namespace {

namespace fs = std::filesystem;

// One file in a private folder, reused by every run.
const fs::path& settings_file() {
  static const fs::path file = [] {
    std::string pattern = (fs::temp_directory_path() / "fuzz_settings.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern) / "Corvella.ini";
  }();
  return file;
}

void put(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::abort();
}

std::string get(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t characters(std::string_view text) {
  if (!corvella::is_valid_utf8(text)) return text.size();
  std::size_t count = 0;
  for (const char c : text) count += !continuation(c);
  return count;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string cut(std::string_view text, std::size_t count) {
  if (!corvella::is_valid_utf8(text)) return std::string(text.substr(0, count));
  std::size_t at = 0;
  for (std::size_t chars = 0; at < text.size() && chars < count; ++chars) {
    ++at;
    while (at < text.size() && continuation(text[at])) ++at;
  }
  return std::string(text.substr(0, at));
}

// The lines of a file with their line ends (LF, CR LF or a lone CR).
std::vector<std::string_view> lines_of(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) {
      end = bytes.size();
    } else {
      end += bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
    }
    lines.push_back(bytes.substr(begin, end - begin));
    begin = end;
  }
  return lines;
}

std::string_view without_end(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

// Names a profile file can hold: one line, no blanks around them, and for a
// key no "=" and nothing that makes its line a comment or a section.
bool usable_name(std::string_view name, bool is_key) {
  if (name.empty() || trim_blanks(name) != name) return false;
  if (name.find_first_of("\r\n") != std::string_view::npos) return false;
  if (!is_key) return name.find(']') == std::string_view::npos;
  return name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '[' &&
         !name.starts_with("\xEF\xBB\xBF");
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Whether every old line but old_lines[skip] stands in the new lines, in
// order. A last line without a line end may have gained one.
bool kept_in_order(const std::vector<std::string_view>& old_lines,
                   const std::vector<std::string_view>& new_lines, std::size_t skip) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < old_lines.size(); ++i) {
    if (i == skip) continue;
    const std::string_view line = old_lines[i];
    const bool open_end = i + 1 == old_lines.size() && without_end(line) == line;
    while (at < new_lines.size() &&
           !(new_lines[at] == line || (open_end && without_end(new_lines[at]) == line))) {
      ++at;
    }
    if (at == new_lines.size()) return false;
    ++at;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t capacity = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string_view section = "Parametres", key = "Source", value = "/home/moi/corvella/";
  if (rest.find('\0') != std::string_view::npos) {
    std::string_view parts[3];
    for (std::string_view& part : parts) {
      const std::size_t nul = rest.find('\0');
      if (nul == std::string_view::npos) return 0;
      part = rest.substr(0, nul);
      rest.remove_prefix(nul + 1);
    }
    section = parts[0], key = parts[1], value = parts[2];
  }
  value = value.substr(0, value.find_first_of("\r\n"));
  const std::string_view old = rest;
  const fs::path& file = settings_file();
  put(file, old);

  const std::size_t longest = capacity > 0 ? capacity - 1 : 0;
  const std::string before = corvella::read_key(file, section, key, value, capacity);
  if (characters(before) > longest) std::abort();

  corvella::write_key(file, section, key, value);
  const std::string now = get(file);
  if (!usable_name(section, false) || !usable_name(key, true)) {
    if (key.find('=') != std::string_view::npos && now != old) std::abort();
    return 0;
  }
  const std::string after = corvella::read_key(file, section, key, "", capacity);
  if (after != cut(trim_blanks(value), longest)) std::abort();

  // The old lines, as a subsequence of the new ones, but for at most one
  // line of this key whose value was replaced.
  const std::vector<std::string_view> old_lines = lines_of(old);
  const std::vector<std::string_view> new_lines = lines_of(now);
  if (kept_in_order(old_lines, new_lines, old_lines.size())) return 0;
  for (std::size_t skip = 0; skip < old_lines.size(); ++skip) {
    const std::string_view text = without_end(old_lines[skip]);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || !same_name(trim_blanks(text.substr(0, equals)), key))
      continue;
    if (kept_in_order(old_lines, new_lines, skip)) return 0;
  }
  std::abort();
}
