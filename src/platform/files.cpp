#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <thread>

namespace corvella {

namespace {

constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
constexpr std::string_view kCopyPrefix = ".corvella-", kCopySuffix = ".tmp";

// Keeps errno across cleanup calls, so a failure reports its first cause.
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};

void close_keeping_errno(int fd) {
  const KeepErrno keep;
  ::close(fd);
}

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

FileStamp stamp_of(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_ino), static_cast<std::int64_t>(info.st_size),
          info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec,
          info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec};
}

// Reads the open file when it is a regular file; closes it.
std::optional<FileContents> read_open_file(int fd) {
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    close_keeping_errno(fd);
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;  // a FIFO, device or socket is not a page
    return std::nullopt;
  }
  FileContents contents{{}, static_cast<unsigned>(info.st_mode & 07777), stamp_of(info)};
  contents.bytes.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      close_keeping_errno(fd);
      return std::nullopt;
    }
    contents.bytes.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return contents;
}

// Random per process: names of this run's working copies cannot be guessed
// by another user, nor collide with another run's.
std::uint64_t run_id() {
  static const std::uint64_t id = [] {
    std::uint64_t value = 0;
    if (::getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
      value =
          static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
          (static_cast<std::uint64_t>(::getpid()) << 32);
    }
    return value;
  }();
  return id;
}

std::string hex(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0 || static_cast<int>(text.size()) < digits);
  return text;
}

std::string run_prefix() {
  return std::string(kCopyPrefix) + hex(run_id(), 16) + "-";
}

std::string next_copy_name() {
  static std::atomic<std::uint64_t> counter{0};
  return run_prefix() + hex(counter.fetch_add(1), 1) + std::string(kCopySuffix);
}

// Over the file-size limit a write then fails with EFBIG instead of killing
// the process. Set before every working copy: one system call, and nobody
// can have put the default back in between.
void ignore_file_size_signal() {
  std::signal(SIGXFSZ, SIG_IGN);
}

// A working folder `name` of `parent`, open as `folder`, and the files in
// it; anything else in it stays, and so does the folder then.
void remove_working_folder(int parent, const std::string& name, const Folder& folder) {
  const KeepErrno keep;
  for (const std::string& file : list_all_names(folder)) ::unlinkat(folder.fd(), file.c_str(), 0);
  ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

// Removes what killed runs left: working copies and working folders of
// other runs. Only called by the holder of the folder's lock, so no live run
// owns them.
void remove_leftovers(const Folder& folder) {
  const KeepErrno keep;
  const std::string mine = run_prefix();
  for (const std::string& name : list_all_names(folder)) {
    if (!is_working_copy_name(name) || name.starts_with(mine)) continue;
    const EntryKind kind = look_up(folder, name).kind;
    if (kind == EntryKind::Regular) ::unlinkat(folder.fd(), name.c_str(), 0);
    if (kind != EntryKind::Other) continue;
    if (const std::optional<Folder> sub = folder.open_sub(name)) {
      remove_working_folder(folder.fd(), name, *sub);
    }
  }
}

}  // namespace

std::optional<std::string> read_file(const fs::path& path) {
  std::optional<FileContents> contents = read_regular_file(path);
  if (!contents) return std::nullopt;
  return std::move(contents->bytes);
}

std::optional<FileContents> read_regular_file(const fs::path& path) {
  return read_open_file(::open(path.c_str(), kReadFlags));
}

std::optional<Folder> Folder::open(const fs::path& path) {
  const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return Folder(fd);
}

std::optional<Folder> Folder::open_sub(const std::string& name) const {
  const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return Folder(fd);
}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close_keeping_errno(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

Folder::~Folder() {
  if (fd_ >= 0) close_keeping_errno(fd_);
}

Entry look_up(const Folder& folder, const std::string& name) {
  struct stat info {};
  if (::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return {};
  const unsigned mode = static_cast<unsigned>(info.st_mode & 07777);
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (S_ISREG(info.st_mode)) return {EntryKind::Regular, mode, size};
  if (S_ISLNK(info.st_mode)) return {EntryKind::Link, mode, size};
  return {EntryKind::Other, mode, size};
}

std::optional<FileContents> read_regular_file(const Folder& folder, const std::string& name) {
  return read_open_file(::openat(folder.fd(), name.c_str(), kReadFlags | O_NOFOLLOW));
}

bool file_holds(const Folder& folder, const std::string& name, const FileStamp& stamp,
                std::uint64_t offset, std::string_view bytes) {
  const int fd = ::openat(folder.fd(), name.c_str(), kReadFlags | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat info {};
  bool holds = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && stamp_of(info) == stamp;
  char chunk[64 * 1024];
  while (holds && !bytes.empty()) {
    // Any failure only costs the caller a full read.
    const ssize_t got =
        ::pread(fd, chunk, std::min(sizeof chunk, bytes.size()), static_cast<off_t>(offset));
    const auto n = static_cast<std::size_t>(std::max<ssize_t>(got, 0));
    holds = n > 0 && bytes.starts_with(std::string_view(chunk, n));
    bytes.remove_prefix(n);
    offset += n;
  }
  ::close(fd);
  return holds;
}

std::vector<std::string> list_all_names(const Folder& folder) {
  std::vector<std::string> names;
  const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
  if (listing == nullptr) {
    if (fd >= 0) ::close(fd);
    return names;
  }
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(listing);
  return names;
}

std::optional<std::vector<std::string>> list_ordinary_files(const Folder& folder) {
  const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
  if (listing == nullptr) {
    if (fd >= 0) close_keeping_errno(fd);
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) break;
    if (entry->d_name[0] == '.') continue;
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      regular = ::fstatat(folder.fd(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(info.st_mode);
    }
    if (regular) names.emplace_back(entry->d_name);
  }
  const int error = errno;  // 0 at the end of the listing
  ::closedir(listing);
  if (error != 0) {
    errno = error;
    return std::nullopt;
  }
  return names;
}

std::optional<std::vector<std::string>> list_ordinary_files(const fs::path& folder) {
  const std::optional<Folder> open = Folder::open(folder);
  if (!open) return std::nullopt;
  return list_ordinary_files(*open);
}

bool is_working_copy_name(std::string_view name) {
  if (!name.starts_with(kCopyPrefix) || !name.ends_with(kCopySuffix)) return false;
  name = name.substr(kCopyPrefix.size(), name.size() - kCopyPrefix.size() - kCopySuffix.size());
  const auto is_hex = [](std::string_view digits) {
    return !digits.empty() &&
           digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
  };
  return name.size() >= 18 && name.size() <= 33 && name[16] == '-' && is_hex(name.substr(0, 16)) &&
         is_hex(name.substr(17));
}

std::optional<WorkingFolder> WorkingFolder::create(const Folder& parent) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = next_copy_name();
    if (::mkdirat(parent.fd(), name.c_str(), 0700) != 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    std::optional<Folder> folder = parent.open_sub(name);
    if (!folder) {
      const KeepErrno keep;
      ::unlinkat(parent.fd(), name.c_str(), AT_REMOVEDIR);
      return std::nullopt;
    }
    return WorkingFolder(parent.fd(), std::move(name), std::move(*folder));
  }
  return std::nullopt;
}

WorkingFolder::~WorkingFolder() {
  if (folder_) remove_working_folder(parent_, name_, *folder_);
}

std::optional<WorkingCopy> WorkingCopy::create(const Folder& folder, std::optional<unsigned> mode) {
  ignore_file_size_signal();
  // A name that exists already (planted, or left by a run with the same
  // number) is never opened: the next name is tried.
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = next_copy_name();
    const int fd = ::openat(folder.fd(), name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    WorkingCopy copy(folder.fd(), fd, std::move(name));
    if (mode && ::fchmod(fd, static_cast<mode_t>(*mode)) != 0) return std::nullopt;  // removed
    return copy;
  }
  return std::nullopt;
}

WorkingCopy::WorkingCopy(WorkingCopy&& other) noexcept
    : folder_(other.folder_), fd_(other.fd_), name_(std::move(other.name_)) {
  other.fd_ = -1;
  other.name_.clear();
}

WorkingCopy::~WorkingCopy() {
  const KeepErrno keep;
  if (fd_ >= 0) ::close(fd_);
  if (!name_.empty()) ::unlinkat(folder_, name_.c_str(), 0);
}

bool WorkingCopy::write_and_close(std::string_view bytes, bool durable) {
  bool ok = write_all(fd_, bytes);
  if (ok && durable) ok = ::fsync(fd_) == 0;
  if (!ok) {
    close_keeping_errno(fd_);
  } else {
    ok = ::close(fd_) == 0;
  }
  fd_ = -1;
  return ok;
}

bool WorkingCopy::deliver(const std::string& name) {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (::renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0) {
    const KeepErrno keep;
    ::unlinkat(folder_, name_.c_str(), 0);
    name_.clear();
    return false;
  }
  name_.clear();
  return true;
}

struct FolderLock::Held {
  Held(FolderId folder, int lock_fd) : id(folder), fd(lock_fd) {}
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { close_keeping_errno(fd); }
  FolderId id;
  int fd;  // closing it releases the lock
};

namespace {

std::mutex g_held_mutex;
std::vector<std::weak_ptr<FolderLock::Held>> g_held;  // the folders this process holds

std::shared_ptr<FolderLock::Held> already_held(const FolderId& id) {
  const std::lock_guard guard(g_held_mutex);
  std::erase_if(g_held, [](const auto& held) { return held.expired(); });
  for (const auto& weak : g_held) {
    if (std::shared_ptr<FolderLock::Held> held = weak.lock(); held && held->id == id) return held;
  }
  return nullptr;
}

std::optional<std::shared_ptr<FolderLock::Held>> lock_folder(const Folder& folder,
                                                             int milliseconds) {
  const std::optional<FolderId> id = folder_id(folder);
  if (!id) return std::nullopt;
  if (std::shared_ptr<FolderLock::Held> held = already_held(*id)) return held;
  const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  bool locked = true;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    // A file system without flock cannot exclude anyone: work unlocked, and
    // leave what may be another run's working copies alone.
    if (errno != EWOULDBLOCK) {
      locked = false;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      close_keeping_errno(fd);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  auto held = std::make_shared<FolderLock::Held>(*id, fd);
  {
    const std::lock_guard guard(g_held_mutex);
    g_held.push_back(held);
  }
  if (locked) remove_leftovers(folder);
  return held;
}

}  // namespace

std::optional<FolderLock> FolderLock::take(const Folder& folder) {
  return wait(folder, 0);
}

std::optional<FolderLock> FolderLock::wait(const Folder& folder, int milliseconds) {
  std::optional<std::shared_ptr<Held>> held = lock_folder(folder, milliseconds);
  if (!held) return std::nullopt;
  return FolderLock(std::move(*held));
}

std::optional<FolderId> folder_id(const Folder& folder) {
  struct stat info {};
  if (::fstat(folder.fd(), &info) != 0) return std::nullopt;
  return FolderId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool sync_file_system(const Folder& folder) {
  return ::syncfs(folder.fd()) == 0;
}

bool sync_names(const Folder& folder) {
  return ::fsync(folder.fd()) == 0;
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

bool create_folder(const fs::path& path) {
  std::error_code error;
  const bool made = fs::create_directory(path, error) && !error;
  if (error) errno = error.value();
  return made;
}

}  // namespace corvella
