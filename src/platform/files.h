#pragma once

// File services as the passes rely on them. Each operation reports failure
// through its result, leaves errno set to the cause and never throws;
// callers skip the failing step.
//
// How files are written: an existing file is never opened for writing. A
// replacement is a new file (a working copy) created exclusively in the
// target's folder, never through a link, then renamed over the target. Files
// are opened without blocking, so a FIFO or a device in a folder is skipped,
// never waited on. Writing ignores SIGXFSZ: a write over the file-size limit
// fails like any other failed write.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvella {

namespace fs = std::filesystem;

// The whole file, or nothing when it cannot be read. Opens without blocking.
std::optional<std::string> read_file(const fs::path& path);

// What tells a file's state from another: writing the file or renaming
// another over its name gives it another stamp.
struct FileStamp {
  std::uint64_t inode = 0;
  std::int64_t size = 0, modified_ns = 0, changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// The whole file and its permission bits, when it is a regular file that
// can be read.
struct FileContents {
  std::string bytes;
  unsigned mode = 0;
  FileStamp stamp;  // as it was read
};
std::optional<FileContents> read_regular_file(const fs::path& path);

// An open folder. The operations below name files relative to it, so a
// folder renamed or replaced by a link meanwhile never sends them elsewhere.
class Folder {
 public:
  // Follows links in `path` itself: it is the folder the user chose.
  static std::optional<Folder> open(const fs::path& path);
  // A sub-folder by its plain name; nothing when that name is a link.
  std::optional<Folder> open_sub(const std::string& name) const;

  Folder(Folder&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Folder& operator=(Folder&& other) noexcept;
  ~Folder();
  int fd() const { return fd_; }

 private:
  explicit Folder(int fd) : fd_(fd) {}
  int fd_;
};

// What a name of a folder is, without following a link.
enum class EntryKind { Absent, Regular, Link, Other };  // Other: folder, FIFO, device, socket
struct Entry {
  EntryKind kind = EntryKind::Absent;
  unsigned mode = 0;  // permission bits
  std::uint64_t size = 0;
};
Entry look_up(const Folder& folder, const std::string& name);

// A regular file of the folder (never through a link).
std::optional<FileContents> read_regular_file(const Folder& folder, const std::string& name);
// Whether `name` is still the regular file stamped `stamp` and holds
// `bytes` at `offset`. Never through a link.
bool file_holds(const Folder& folder, const std::string& name, const FileStamp& stamp,
                std::uint64_t offset, std::string_view bytes);

// Names of the regular files of a folder that are not hidden (no leading
// "."), in the order the system lists them. Links, sub-folders, FIFOs,
// devices and sockets are left out. Nothing when the folder cannot be
// listed, errno telling why.
std::optional<std::vector<std::string>> list_ordinary_files(const Folder& folder);
std::optional<std::vector<std::string>> list_ordinary_files(const fs::path& folder);

// Every name of the folder, hidden ones included, in listing order; empty
// when it cannot be listed.
std::vector<std::string> list_all_names(const Folder& folder);

// A new file beside the file it will replace. Its name is unique to this run
// and this file, unguessable, at most 50 bytes, and never ends in "htm" in any
// letter case, so it is never taken for a page. Removed by its destructor
// unless delivered.
class WorkingCopy {
 public:
  // `mode`: the permission bits to give it; none gives a new file's
  // (0666 less the umask).
  static std::optional<WorkingCopy> create(const Folder& folder, std::optional<unsigned> mode);
  WorkingCopy(WorkingCopy&& other) noexcept;
  WorkingCopy& operator=(WorkingCopy&&) = delete;
  ~WorkingCopy();

  // Writes the bytes (all of them, or false); `durable`: then flushes them
  // to the disk. Closes the file either way.
  bool write_and_close(std::string_view bytes, bool durable = false);
  // Renames the written copy over `name` of its folder (a link of that name
  // is replaced, never followed). False, and the copy removed, when it fails.
  bool deliver(const std::string& name);
  const std::string& name() const { return name_; }

 private:
  WorkingCopy(int folder, int fd, std::string name)
      : folder_(folder), fd_(fd), name_(std::move(name)) {}
  int folder_;  // not owned
  int fd_;
  std::string name_;
};

// True for a name WorkingCopy makes, in this run or any other.
bool is_working_copy_name(std::string_view name);

// A new hidden sub-folder, named as a working copy is, removed with the
// files in it by its destructor. The folder's lock holder removes those that
// killed runs left.
class WorkingFolder {
 public:
  static std::optional<WorkingFolder> create(const Folder& parent);
  WorkingFolder(WorkingFolder&& other) noexcept
      : parent_(other.parent_), name_(std::move(other.name_)), folder_(std::move(other.folder_)) {
    other.folder_.reset();
  }
  WorkingFolder& operator=(WorkingFolder&&) = delete;
  ~WorkingFolder();
  const Folder& folder() const { return *folder_; }

 private:
  WorkingFolder(int parent, std::string name, Folder folder)
      : parent_(parent), name_(std::move(name)), folder_(std::move(folder)) {}
  int parent_;  // not owned
  std::string name_;
  std::optional<Folder> folder_;  // none once moved from
};

// The advisory lock (flock) of a folder, held by this process from `take` to
// the last copy's end. Taking a folder this process already holds shares the
// lock. The one that takes it first removes the working copies that killed
// runs left in the folder.
class FolderLock {
 public:
  // Nothing when another process holds it (errno EWOULDBLOCK). A file
  // system without locks gives a lock that excludes nobody.
  static std::optional<FolderLock> take(const Folder& folder);
  // The same, waiting up to `milliseconds` for the other holder.
  static std::optional<FolderLock> wait(const Folder& folder, int milliseconds);

  struct Held;

 private:
  explicit FolderLock(std::shared_ptr<Held> held) : held_(std::move(held)) {}
  std::shared_ptr<Held> held_;
};

// Device and inode of an open folder: same folder, same identity.
struct FolderId {
  std::uint64_t device = 0, inode = 0;
  bool operator==(const FolderId&) const = default;
};
std::optional<FolderId> folder_id(const Folder& folder);

// Flushes everything written to the file system holding the folder (syncfs):
// after it, a power loss keeps what was written.
bool sync_file_system(const Folder& folder);

// Flushes the folder's names (a rename just made) to the disk.
bool sync_names(const Folder& folder);

// A regular file whose name does not start with "." (hidden). Devices, FIFOs
// and sockets play the part of the system files and are never ordinary.
bool is_ordinary_file(const fs::path& path);

// An existing folder or ordinary file.
bool is_folder_or_file(const fs::path& path);

bool create_folder(const fs::path& path);

}  // namespace corvella
