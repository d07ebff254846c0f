#pragma once

// Whether a folder keeps a name's place in its listing when a new file is
// renamed over that name. Folders that list by name (ext4 hashes names, XFS
// and ext4 without an index replace the entry in place) keep it; folders
// that list by creation (tmpfs, btrfs) give the name the new file's place,
// so a pass that replaces pages changes the order a later listing sees.

#include "platform/files.h"

namespace corvella {

// Finds out by doing it once in the folder: two working copies, a third
// renamed over the first, the folder listed before and after. Leaves
// nothing behind. False when the place moves or the folder cannot tell.
bool rename_keeps_listing_place(const Folder& folder);

// The order in which a folder of `folder`'s file system lists `names`
// (distinct, none hidden), made in that order: they are made in a new
// working folder inside it, as links to empty files (a name each, not a file
// each), listed, and removed. Folders that list by name give every folder's
// order; nothing when the names cannot be made.
std::optional<std::vector<std::string>> listing_order(const Folder& folder,
                                                      const std::vector<std::string>& names);

}  // namespace corvella
