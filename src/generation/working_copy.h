#pragma once

// Pages are never written in place. A page is filled into its working copy,
// "tmp_" + its file name in the page's own folder, and the working copy is
// then renamed over the page: a kill, a crash or a full disk leaves the old
// page or the new one, never a mix.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvella {

struct PagePaths {
  std::filesystem::path page;
  std::filesystem::path working_copy;
};

// The page and its working copy for a page name (bytes of the data file,
// read by the character-set rule) in the destination folder text. Nothing
// when the name would leave the destination folder: an absolute name, or
// one whose ".." parts climb above it.
std::optional<PagePaths> page_paths(std::string_view destination, std::string_view page_name);

// The bytes a page is filled from, with the page's permission bits.
struct PageSource {
  std::string bytes;
  std::optional<unsigned> mode;  // none for a page not made yet
};

// P_verif_fichier: the page as it stands when the destination folder holds
// it as an ordinary file, or else the template, from which the page is made
// when its working copy is delivered (so a stop or a failure never leaves a
// raw copy of the template behind). Nothing when the page cannot be
// refilled: unreadable, not a regular file, or made read-only by the user
// (no write bit at all).
std::optional<PageSource> P_verif_fichier(const PagePaths& paths,
                                          const std::optional<std::string>& template_bytes);

// P_livraison_fichier: renames the complete working copy over the page, or
// removes it when that fails.
bool P_livraison_fichier(const PagePaths& paths);

// Removes a working copy that will not be delivered (stop, failed fill).
void discard_working_copy(const PagePaths& paths);

// At every press: when the template's name, lower-cased, holds
// "exemple_de modèle_html.htm", copies "sample0.jpg" to "sample6.jpg" from the
// template's folder into the destination folder, replacing them.
void copy_example_images(std::string_view modele, std::string_view destination);

}  // namespace corvella
