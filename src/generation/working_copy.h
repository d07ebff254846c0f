#pragma once

// Pages are never written in place. A page is filled into a working copy (a
// new file, see WorkingCopy) in the page's own folder, and the working copy
// is then renamed over the page: a kill, a crash or a full disk leaves the
// old page or the new one, never a mix.
//
// Page paths are resolved from an open destination folder, one part at a
// time and never through a link, so no page is written outside it. A pass
// holds (locks) every folder it writes from the first write to its end; a
// folder another run holds is not written.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"

namespace corvella {

// Where a page goes, relative to the folder of the destination text.
struct PagePaths {
  std::vector<std::string> folders;  // the sub-folder parts, as written
  std::string name;                  // the page's file name
};

// The page of a page name (bytes of the data file, read by the character-set
// rule) under the destination folder text. Nothing when the name cannot
// name a page inside it: an absolute name, a NUL byte, ".." climbing above
// it, or a name ending with "/".
std::optional<PagePaths> page_paths(std::string_view destination, std::string_view page_name);
// The same for a file name taken byte for byte, as a folder lists it.
std::optional<PagePaths> file_paths(std::string_view destination, std::string_view file_name);

// The folders a pass writes, held from `hold` to the destructor.
class Destination {
 public:
  // Opens and holds the folder of the destination text (the text up to its
  // last "/", which the page names follow). Nothing, with the French message
  // to show in `refusal`, when it cannot be opened or another run holds it.
  static std::optional<Destination> hold(std::string_view destination, std::string& refusal);

  // The folder the page goes into, held. Nothing when a part of the way is
  // a link or not a folder, when ".." would leave the destination folder, or
  // when another run holds that sub-folder.
  const Folder* folder_of(const PagePaths& paths);

  // Flushes every held folder's file system to the disk (one syncfs each).
  bool sync() const;

 private:
  struct Held {
    Folder folder;
    FolderId id;
    std::optional<FolderLock> lock;
  };
  explicit Destination(std::unique_ptr<Held> root);

  std::vector<std::unique_ptr<Held>> held_;  // the destination folder first
  std::unordered_map<std::string, const Held*> by_text_;
};

// The bytes a page is filled from, with the page's permission bits.
struct PageSource {
  std::string bytes;
  std::optional<unsigned> mode;  // none for a page not made yet
  // The bytes are the page's own, as on disk: new bytes equal to them mean
  // the page is left as it is (no working copy, modification time kept).
  bool on_disk = false;
};

// P_verif_fichier: the page as it stands when the folder holds it as an
// ordinary file, or else the template, from which the page is made when its
// working copy is delivered (so a stop or a failure never leaves a raw copy
// of the template behind). A link of the page's name is not followed: the
// page is made from the template and replaces the link. Nothing when the page
// cannot be refilled: made read-only by the user (no write bit at all, hidden
// name or not), a folder, FIFO, device or socket, or unreadable.
std::optional<PageSource> P_verif_fichier(const Folder& folder, const std::string& name,
                                          const std::optional<std::string>& template_bytes);

// P_livraison_fichier: renames the complete working copy over the page, or
// removes it when that fails.
bool P_livraison_fichier(WorkingCopy& working_copy, const std::string& name);

// At every press: when the template's name, lower-cased, holds
// "exemple_de modèle_html.htm", copies "sample0.jpg" to "sample6.jpg" from the
// template's folder into the destination folder, each through a working
// copy. An image the user made read-only, or that is not a regular file, is
// left; nothing is copied while another run holds the folder.
void copy_example_images(std::string_view modele, std::string_view destination);

}  // namespace corvella
