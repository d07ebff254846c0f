#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/charset.h"
#include "platform/files.h"

namespace corvella {

namespace {

namespace fs = std::filesystem;

// A settings file is a few hundred bytes; anything this large is not ours,
// so it is neither read nor rewritten.
constexpr std::uintmax_t kLargestFile = 16u << 20;

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

char fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// One line of the file, as offsets into its bytes.
struct Line {
  enum class Kind { Other, Section, Key };
  std::size_t begin = 0;
  std::size_t end = 0;   // end of the text, before the line end
  std::size_t next = 0;  // start of the next line
  Kind kind = Kind::Other;
  std::string_view name;     // section or key name, blanks trimmed
  std::size_t value_at = 0;  // Key: where the value starts (after "=" and blanks)
};

Line classify(std::string_view bytes, std::size_t begin, std::size_t end, std::size_t next) {
  Line line;
  line.begin = begin;
  line.end = end;
  line.next = next;
  const std::string_view text = bytes.substr(begin, end - begin);
  const std::string_view body = trim_blanks(text);
  if (body.empty() || body.front() == ';') return line;
  if (body.front() == '[') {
    // As the profile functions do, the name runs to the last "]"; a "["
    // line without one is nothing (and never a key).
    const std::size_t close = body.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = Line::Kind::Section;
      line.name = trim_blanks(body.substr(1, close - 1));
    }
    return line;
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return line;
  line.name = trim_blanks(text.substr(0, equals));
  if (line.name.empty()) return line;
  line.kind = Line::Kind::Key;
  std::size_t value_at = equals + 1;
  while (value_at < text.size() && is_blank(text[value_at])) ++value_at;
  line.value_at = begin + value_at;
  return line;
}

// A line ends at LF, CR LF or a lone CR. A UTF-8 byte order mark, as some
// editors put it, is kept but does not hide the first line's meaning.
std::vector<Line> split_lines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t begin = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (begin < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) {
      lines.push_back(classify(bytes, begin, bytes.size(), bytes.size()));
      break;
    }
    std::size_t next = end + 1;
    if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
    lines.push_back(classify(bytes, begin, end, next));
    begin = next;
  }
  return lines;
}

// The line end the file already uses, CR LF for a file that has none.
std::string_view line_end_of(std::string_view bytes) {
  const std::size_t end = bytes.find_first_of("\r\n");
  if (end == std::string_view::npos) return "\r\n";
  if (bytes[end] == '\n') return "\n";
  if (end + 1 < bytes.size() && bytes[end + 1] == '\n') return "\r\n";
  return "\r";
}

// Where a key lives: only the first section of that name counts (a second
// one is left alone, for reading and writing), and in it the first matching
// key wins (duplicates after it are left alone).
struct Lookup {
  std::optional<std::size_t> key;      // index of the key's line
  std::optional<std::size_t> section;  // the first section of that name
  std::size_t section_last = 0;        // its last line that is not blank
};

Lookup find(const std::vector<Line>& lines, std::string_view bytes, std::string_view section,
            std::string_view key) {
  Lookup found;
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.kind == Line::Kind::Section) {
      if (inside) break;
      inside = same_name(line.name, section);
      if (inside) {
        found.section = i;
        found.section_last = i;
      }
      continue;
    }
    if (!inside) continue;
    if (!trim_blanks(bytes.substr(line.begin, line.end - line.begin)).empty()) {
      found.section_last = i;
    }
    if (line.kind == Line::Kind::Key && !found.key && same_name(line.name, key)) found.key = i;
  }
  return found;
}

// Cuts to `count` characters, or bytes when the text is not UTF-8, without
// splitting a character.
std::string cut(std::string_view text, std::size_t count) {
  if (text.size() <= count) return std::string(text);
  if (!is_valid_utf8(text)) return std::string(text.substr(0, count));
  std::size_t at = 0;
  for (std::size_t chars = 0; at < text.size() && chars < count; ++chars) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  }
  return std::string(text.substr(0, at));
}

enum class FileState { Absent, Readable, Untouchable };

// The file's bytes, or why it must be left alone: unreadable, not a regular
// file, or too large to be ours.
FileState load(const fs::path& file, std::string& bytes) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (status.type() == fs::file_type::not_found) return FileState::Absent;
  if (error || status.type() != fs::file_type::regular) return FileState::Untouchable;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error || size > kLargestFile) return FileState::Untouchable;
  std::optional<std::string> read = read_file(file);
  if (!read || read->size() > kLargestFile) return FileState::Untouchable;
  bytes = std::move(*read);
  return FileState::Readable;
}

// The same, for the write that will replace the file, which also leaves
// alone a file the user made read-only (no write bit for its owner) or may
// not write; `mode` gets its permission bits.
FileState load_for_writing(const Folder& folder, const std::string& name, std::string& bytes,
                           unsigned& mode) {
  const Entry entry = look_up(folder, name);
  if (entry.kind == EntryKind::Absent) return FileState::Absent;
  if (entry.kind != EntryKind::Regular || (entry.mode & S_IWUSR) == 0 ||
      entry.size > kLargestFile || ::faccessat(folder.fd(), name.c_str(), W_OK, AT_EACCESS) != 0) {
    return FileState::Untouchable;
  }
  std::optional<FileContents> read = read_regular_file(folder, name);
  if (!read || read->bytes.size() > kLargestFile) return FileState::Untouchable;
  bytes = std::move(read->bytes);
  mode = read->mode;
  return FileState::Readable;
}

// Another window writing the same file holds its folder a few milliseconds.
constexpr int kLockWaitMilliseconds = 5000;

bool fits_on_one_line(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

std::string read_key(const fs::path& file, std::string_view section, std::string_view key,
                     std::string_view default_value, std::size_t capacity) {
  const std::size_t longest = capacity > 0 ? capacity - 1 : 0;
  std::string bytes;
  // Only stored values are cut: a default is ours and whole.
  if (load(file, bytes) != FileState::Readable) return std::string(default_value);
  const std::vector<Line> lines = split_lines(bytes);
  const Lookup found = find(lines, bytes, section, key);
  if (!found.key) return std::string(default_value);
  const Line& line = lines[*found.key];
  return cut(trim_blanks(std::string_view(bytes).substr(line.value_at, line.end - line.value_at)),
             longest);
}

void write_key(const fs::path& file, std::string_view section, std::string_view key,
               std::string_view value) {
  // A line end inside a name or a value would break the file apart: keep
  // the value's first line, refuse such names.
  value = value.substr(0, value.find_first_of("\r\n"));
  if (trim_blanks(key).empty() || key.find('=') != std::string_view::npos ||
      !fits_on_one_line(key) || !fits_on_one_line(section) ||
      section.find(']') != std::string_view::npos) {
    return;
  }

  // Through a link, the file it points to is the one to replace: the new
  // file is made beside it and renamed over it, and the link stays.
  fs::path target = file;
  std::error_code error;
  if (fs::is_symlink(file, error)) {
    const fs::path resolved = fs::weakly_canonical(file, error);
    if (error) return;
    target = resolved;
  }
  const fs::path folder_path = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string name = target.filename().string();
  std::optional<Folder> folder = Folder::open(folder_path);
  if (!folder && errno == ENOENT) {
    fs::create_directories(folder_path, error);
    if (error) return;
    folder = Folder::open(folder_path);
  }
  if (!folder || name.empty()) return;

  // Read, change and replace under the folder's lock, so two programs
  // writing keys at once keep each other's.
  const std::optional<FolderLock> lock = FolderLock::wait(*folder, kLockWaitMilliseconds);
  if (!lock) return;
  std::string bytes;
  unsigned mode = 0;
  const FileState state = load_for_writing(*folder, name, bytes, mode);
  if (state == FileState::Untouchable) return;

  const std::vector<Line> lines = split_lines(bytes);
  const std::string_view line_end = line_end_of(bytes);
  const Lookup found = find(lines, bytes, section, key);
  const std::string_view old(bytes);
  std::string out;
  out.reserve(bytes.size() + key.size() + value.size() + section.size() + 8);

  // Ends the text so far with a line end before more lines follow it.
  const auto close_last_line = [&] {
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out.append(line_end);
  };

  if (found.key) {
    const Line& line = lines[*found.key];
    out.append(old.substr(0, line.value_at));  // the key as the file spells it
    out.append(value);
    out.append(old.substr(line.end));
  } else if (found.section) {
    const Line& last = lines[found.section_last];
    out.append(old.substr(0, last.next));
    close_last_line();
    // A lone CR followed by an empty LF line would make one CR LF of the two
    // and lose that line.
    const std::string_view after = old.substr(last.next);
    const std::string_view end = line_end == "\r" && after.starts_with('\n') ? "\r\n" : line_end;
    out.append(key).append("=").append(value).append(end);
    out.append(after);
  } else {
    out.append(old);
    close_last_line();
    out.append("[").append(section).append("]").append(line_end);
    out.append(key).append("=").append(value).append(line_end);
  }

  if (state == FileState::Readable && out == bytes) return;
  std::optional<WorkingCopy> copy = WorkingCopy::create(
      *folder, state == FileState::Readable ? std::optional(mode) : std::nullopt);
  if (copy && copy->write_and_close(out, /*durable=*/true) && copy->deliver(name)) {
    sync_names(*folder);
  }
}

}  // namespace corvella
