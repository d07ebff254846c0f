#pragma once

// File services as the passes rely on them. Each operation reports failure
// through its result and never throws; callers skip the failing step.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvella {

namespace fs = std::filesystem;

// The whole file, or nothing when it cannot be read.
std::optional<std::string> read_file(const fs::path& path);

// The whole file and its permission bits, when it is a regular file that
// can be read.
struct FileContents {
  std::string bytes;
  unsigned mode = 0;
};
std::optional<FileContents> read_regular_file(const fs::path& path);

// Creates or empties the file and writes the bytes.
bool write_file(const fs::path& path, std::string_view bytes);

// A file created or emptied at once and written later, in one open: what a
// working copy needs when a stop may come between the two.
class FileWriter {
 public:
  // Nothing when the file cannot be created. `mode`: permission bits the
  // file gets instead of the defaults.
  static std::optional<FileWriter> create(const fs::path& path, std::optional<unsigned> mode);
  FileWriter(FileWriter&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileWriter& operator=(FileWriter&&) = delete;
  ~FileWriter();

  // Writes the bytes and closes the file; false when any of it failed.
  bool write_and_close(std::string_view bytes);

 private:
  explicit FileWriter(int fd) : fd_(fd) {}
  int fd_;
};

// Writes the bytes to a new file beside `target` and renames it over
// `target`, so a reader, a crash or a full disk sees the old or the new file
// whole, never a mix. The new file keeps the permission bits of the old one.
bool write_file_atomic(const fs::path& target, std::string_view bytes);

// A regular file whose name does not start with "." (hidden). Devices, FIFOs
// and sockets play the part of the system files and are never ordinary.
bool is_ordinary_file(const fs::path& path);

// An existing folder or ordinary file.
bool is_folder_or_file(const fs::path& path);

// Names of the ordinary files of a folder, in the order the system lists
// them; no sorting, no sub-folders. Nothing when the folder cannot be
// listed, errno telling why.
std::optional<std::vector<std::string>> list_ordinary_files(const fs::path& folder);

bool copy_file_replacing(const fs::path& from, const fs::path& to);
bool remove_file(const fs::path& path);
bool create_folder(const fs::path& path);
bool set_current_folder(const fs::path& path);
fs::path current_folder();

}  // namespace corvella
