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

}  // namespace corvella
