#pragma once

// Line rules shared by data files, templates and pages. Each text follows
// its own convention:
//  - a text holding no CR byte at all has LF line ends: each LF ends a line;
//  - a text holding any CR ends a line at CR LF or at a lone CR, and a lone
//    LF is an ordinary byte of the line (a field may hold one).
// The last line needs no line end, and a final line end adds no empty line.
// Every byte (NUL and bytes over 127 included) passes through unchanged, and
// lines have no length limit. Lines written from a text take its line end:
// LF for a text without CR, CR LF otherwise.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace corvella {

// True when the text holds no CR: its lines end at LF.
inline bool has_lf_lines(std::string_view bytes) {
  return bytes.find('\r') == std::string_view::npos;
}

// The line end of the lines written from `bytes`: "\n" or "\r\n".
inline std::string_view line_end_of(std::string_view bytes) {
  return has_lf_lines(bytes) ? "\n" : "\r\n";
}

// Walks the lines of a buffer held in memory, without copying them.
class LineCursor {
 public:
  explicit LineCursor(std::string_view bytes) : rest_(bytes), lf_lines_(has_lf_lines(bytes)) {}

  // Puts the next line (without its end) in `line`; false when none is left.
  bool next(std::string_view& line);
  bool at_end() const { return rest_.empty(); }

 private:
  std::string_view rest_;
  bool lf_lines_;
};

std::size_t count_lines(std::string_view bytes);

inline void append_line(std::string& out, std::string_view line, std::string_view line_end) {
  out.append(line);
  out.append(line_end);
}

// The text without the spaces at both ends (tabs and other blanks are kept).
std::string_view trim_spaces(std::string_view text);

// Reads the lines of a file of any size with a fixed buffer, so memory does
// not grow with the file. Opening reads the file once to learn its
// convention (whether it holds any CR) before giving the first line.
class LineFileReader {
 public:
  // Null when the file cannot be opened or read from its start again.
  static std::unique_ptr<LineFileReader> open(const std::filesystem::path& path);
  ~LineFileReader();
  LineFileReader(const LineFileReader&) = delete;
  LineFileReader& operator=(const LineFileReader&) = delete;

  // Before the first line: drops `prefix` when the file starts with it.
  void skip_prefix(std::string_view prefix);
  // Back to the first line, keeping the convention learnt at opening. False
  // when the file cannot be read from its start again.
  bool rewind();
  // False at the end of the file or on a read error (see failed()).
  bool next(std::string& line);
  bool failed() const { return failed_; }
  // Where the next line starts, in bytes from the start of the file.
  std::uint64_t offset() const { return base_ + pos_; }
  // To the line starting at `offset` (as offset() gave it); false when the
  // file cannot be read there.
  bool seek(std::uint64_t offset);
  // The file's size and modification time: they change when it is written.
  std::pair<long long, long long> stamp() const;

 private:
  LineFileReader(std::FILE* file, bool lf_lines) : file_(file), lf_lines_(lf_lines) {}
  bool refill();

  std::FILE* file_;
  bool lf_lines_;
  std::string buffer_;
  std::uint64_t base_ = 0;  // where buffer_ starts in the file
  std::size_t chunk_ = 0;   // what the next refill reads, when not the usual
  std::size_t pos_ = 0;
  bool eof_ = false;
  bool failed_ = false;
};

}  // namespace corvella
