#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvella {

namespace {

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

namespace {

// Reads what is left of an open file; closes it.
std::optional<std::string> read_all(int fd, std::size_t size_hint) {
  std::string bytes;
  bytes.reserve(size_hint);
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return bytes;
}

}  // namespace

std::optional<std::string> read_file(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  return read_all(fd, regular ? static_cast<std::size_t>(info.st_size) : 0);
}

std::optional<FileContents> read_regular_file(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::optional<std::string> bytes = read_all(fd, static_cast<std::size_t>(info.st_size));
  if (!bytes) return std::nullopt;
  return FileContents{std::move(*bytes), static_cast<unsigned>(info.st_mode & 07777)};
}

std::optional<FileWriter> FileWriter::create(const fs::path& path, std::optional<unsigned> mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return std::nullopt;
  if (mode && ::fchmod(fd, static_cast<mode_t>(*mode)) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return FileWriter(fd);
}

FileWriter::~FileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileWriter::write_and_close(std::string_view bytes) {
  const bool written = write_all(fd_, bytes);
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  return written && closed;
}

bool write_file(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = write_all(fd, bytes);
  return (::close(fd) == 0) && ok;
}

bool write_file_atomic(const fs::path& target, std::string_view bytes) {
  fs::path temp = target;
  temp += ".corvella-new";
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = write_all(fd, bytes);
  if (replacing) ok = ok && ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = (::fsync(fd) == 0) && ok;
  ok = (::close(fd) == 0) && ok;
  if (ok && std::rename(temp.c_str(), target.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

bool is_ordinary_file(const fs::path& path) {
  const std::string name = path.filename().string();
  if (name.empty() || name.front() == '.') return false;
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool is_folder_or_file(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
  return is_ordinary_file(path);
}

std::optional<std::vector<std::string>> list_ordinary_files(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (is_ordinary_file(it->path())) names.push_back(it->path().filename().string());
  }
  if (error) {
    errno = error.value();
    return std::nullopt;
  }
  return names;
}

bool copy_file_replacing(const fs::path& from, const fs::path& to) {
  std::error_code error;
  return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error) && !error;
}

bool remove_file(const fs::path& path) { return ::unlink(path.c_str()) == 0; }

bool create_folder(const fs::path& path) {
  std::error_code error;
  return fs::create_directory(path, error) && !error;
}

bool set_current_folder(const fs::path& path) { return ::chdir(path.c_str()) == 0; }

fs::path current_folder() {
  std::error_code error;
  fs::path here = fs::current_path(error);
  return error ? fs::path() : here;
}

}  // namespace corvella
