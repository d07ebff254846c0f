#include "platform/text_lines.h"

#include <cstring>

namespace corvella {

bool LineCursor::next(std::string_view& line) {
  if (rest_.empty()) return false;
  const std::size_t cr = rest_.find('\r');
  if (cr == std::string_view::npos) {
    line = rest_;
    rest_ = {};
    return true;
  }
  line = rest_.substr(0, cr);
  const std::size_t skip = (cr + 1 < rest_.size() && rest_[cr + 1] == '\n') ? 2 : 1;
  rest_.remove_prefix(cr + skip);
  return true;
}

std::size_t count_lines(std::string_view bytes) {
  std::size_t count = 0;
  std::string_view line;
  LineCursor cursor(bytes);
  while (cursor.next(line)) ++count;
  return count;
}

std::string_view trim_spaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::unique_ptr<LineFileReader> LineFileReader::open(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  return std::unique_ptr<LineFileReader>(new LineFileReader(file));
}

LineFileReader::~LineFileReader() { std::fclose(file_); }

bool LineFileReader::refill() {
  constexpr std::size_t kChunk = 64 * 1024;
  if (eof_) return false;
  buffer_.erase(0, pos_);
  pos_ = 0;
  const std::size_t kept = buffer_.size();
  buffer_.resize(kept + kChunk);
  const std::size_t got = std::fread(buffer_.data() + kept, 1, kChunk, file_);
  buffer_.resize(kept + got);
  if (got < kChunk) {
    eof_ = true;
    failed_ = std::ferror(file_) != 0;
  }
  return got > 0;
}

bool LineFileReader::next(std::string& line) {
  line.clear();
  std::size_t searched = 0;  // bytes after pos_ already known to hold no CR
  for (;;) {
    std::size_t cr = buffer_.find('\r', pos_ + searched);
    if (cr != std::string::npos) {
      // A CR at the end of the buffer may be the first half of CR LF.
      if (cr + 1 == buffer_.size()) {
        searched = cr - pos_;
        if (refill()) continue;
        cr = pos_ + searched;  // refill may have moved the buffer
      }
      const std::size_t start = pos_;
      line.assign(buffer_, start, cr - start);
      pos_ = cr + 1;
      if (pos_ < buffer_.size() && buffer_[pos_] == '\n') ++pos_;
      return true;
    }
    searched = buffer_.size() - pos_;
    if (!refill()) {
      if (failed_ || pos_ == buffer_.size()) return false;
      line.assign(buffer_, pos_);
      pos_ = buffer_.size();
      return true;
    }
  }
}

}  // namespace corvella
