#pragma once

// Read key and Write key over an INI file in the Windows profile format:
// "[section]" header lines and "key=value" lines.
//
// - Section and key names match without regard to case; the first matching
//   section and key win. A key found only in a later section of the same
//   name is neither read nor written there.
// - An absent file, section or key gives the default, whole. A stored value
//   longer than capacity - 1 characters is cut to its first capacity - 1
//   characters.
// - A write creates the file (and its folder), the section and the key as
//   needed, replaces the key's value and keeps every other line as it was.
//   It writes a new file and renames it into place, so a crash or a full
//   disk leaves the old file whole, and flushes both to the disk. The read,
//   change and replace hold the lock of the file's folder, so two programs
//   writing at once keep each other's keys. A file that is not regular,
//   too large, without its owner's write bit or not writable by this user
//   is left as it is.
// - Neither operation reports failure.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvella {

std::string read_key(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view default_value, std::size_t capacity);

void write_key(const std::filesystem::path& file, std::string_view section, std::string_view key,
               std::string_view value);

}  // namespace corvella
