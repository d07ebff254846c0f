#include "platform/text_lines.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace corvella {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Whether the file holds a CR, reading it through once; nothing on a read
// error.
std::optional<bool> holds_cr(std::FILE* file) {
  std::string chunk(kChunk, '\0');
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, kChunk, file);
    if (std::memchr(chunk.data(), '\r', got) != nullptr) return true;
    if (got < kChunk) {
      if (std::ferror(file) != 0) return std::nullopt;
      return false;
    }
  }
}

}  // namespace

bool LineCursor::next(std::string_view& line) {
  if (rest_.empty()) return false;
  const std::size_t end = rest_.find(lf_lines_ ? '\n' : '\r');
  if (end == std::string_view::npos) {
    line = rest_;
    rest_ = {};
    return true;
  }
  line = rest_.substr(0, end);
  const bool pair = !lf_lines_ && end + 1 < rest_.size() && rest_[end + 1] == '\n';
  rest_.remove_prefix(end + (pair ? 2 : 1));
  return true;
}

std::size_t count_lines(std::string_view bytes) {
  if (bytes.empty()) return 0;
  // Every line end holds one CR, or one LF in a text without CR.
  const char end = has_lf_lines(bytes) ? '\n' : '\r';
  std::size_t ends = 0;
  // In blocks whose count fits a byte, which the compiler vectorizes.
  for (std::string_view rest = bytes; !rest.empty();) {
    const std::size_t size = std::min<std::size_t>(rest.size(), 255);
    unsigned char block = 0;
    for (std::size_t i = 0; i < size; ++i) block += rest[i] == end ? 1 : 0;
    ends += block;
    rest.remove_prefix(size);
  }
  const bool last_ended = bytes.back() == end || (end == '\r' && bytes.ends_with("\r\n"));
  return ends + (last_ended ? 0 : 1);
}

std::string_view trim_spaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::unique_ptr<LineFileReader> LineFileReader::open(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  const std::optional<bool> cr = holds_cr(file);
  if (!cr || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return std::unique_ptr<LineFileReader>(new LineFileReader(file, !*cr));
}

LineFileReader::~LineFileReader() { std::fclose(file_); }

bool LineFileReader::refill() {
  if (eof_) return false;
  buffer_.erase(0, pos_);
  base_ += pos_;
  pos_ = 0;
  const std::size_t kept = buffer_.size();
  const std::size_t chunk = chunk_ != 0 ? chunk_ : kChunk;
  chunk_ = 0;
  buffer_.resize(kept + chunk);
  const std::size_t got = std::fread(buffer_.data() + kept, 1, chunk, file_);
  buffer_.resize(kept + got);
  if (got < chunk) {
    eof_ = true;
    failed_ = std::ferror(file_) != 0;
  }
  return got > 0;
}

bool LineFileReader::rewind() {
  return seek(0);
}

bool LineFileReader::seek(std::uint64_t offset) {
  // Seeking is for reading one line again: a short first read serves most.
  chunk_ = offset == 0 ? 0 : 4096;
  buffer_.clear();
  base_ = offset;
  pos_ = 0;
  eof_ = false;
  failed_ = ::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0;
  return !failed_;
}

std::pair<long long, long long> LineFileReader::stamp() const {
  struct stat info {};
  if (::fstat(::fileno(file_), &info) != 0) return {-1, -1};
  return {info.st_size, info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec};
}

void LineFileReader::skip_prefix(std::string_view prefix) {
  while (buffer_.size() - pos_ < prefix.size() && refill()) {
  }
  if (std::string_view(buffer_).substr(pos_).starts_with(prefix)) pos_ += prefix.size();
}

bool LineFileReader::next(std::string& line) {
  line.clear();
  const char end_byte = lf_lines_ ? '\n' : '\r';
  std::size_t searched = 0;  // bytes after pos_ already known to hold no line end
  for (;;) {
    std::size_t end = buffer_.find(end_byte, pos_ + searched);
    if (end != std::string::npos) {
      // A CR at the end of the buffer may be the first half of CR LF.
      if (!lf_lines_ && end + 1 == buffer_.size()) {
        searched = end - pos_;
        if (refill()) continue;
        end = pos_ + searched;  // refill may have moved the buffer
      }
      line.assign(buffer_, pos_, end - pos_);
      pos_ = end + 1;
      if (!lf_lines_ && pos_ < buffer_.size() && buffer_[pos_] == '\n') ++pos_;
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
