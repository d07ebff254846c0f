#pragma once

// Line rules shared by data files and pages: a line ends at CR LF or at a
// lone CR; a lone LF is an ordinary byte of the line. The last line needs no
// line end, and a final line end adds no empty line. Every byte (NUL and
// bytes over 127 included) passes through unchanged, and lines have no
// length limit. Lines are written followed by CR LF.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace corvella {

// Walks the lines of a buffer held in memory, without copying them.
class LineCursor {
 public:
  explicit LineCursor(std::string_view bytes) : rest_(bytes) {}

  // Puts the next line (without its end) in `line`; false when none is left.
  bool next(std::string_view& line);
  bool at_end() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

std::size_t count_lines(std::string_view bytes);

inline void append_line(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

// The text without the spaces at both ends (tabs and other blanks are kept).
std::string_view trim_spaces(std::string_view text);

// Reads the lines of a file of any size with a fixed buffer, so memory does
// not grow with the file.
class LineFileReader {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<LineFileReader> open(const std::filesystem::path& path);
  ~LineFileReader();
  LineFileReader(const LineFileReader&) = delete;
  LineFileReader& operator=(const LineFileReader&) = delete;

  // False at the end of the file or on a read error (see failed()).
  bool next(std::string& line);
  bool failed() const { return failed_; }

 private:
  explicit LineFileReader(std::FILE* file) : file_(file) {}
  bool refill();

  std::FILE* file_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool eof_ = false;
  bool failed_ = false;
};

}  // namespace corvella
