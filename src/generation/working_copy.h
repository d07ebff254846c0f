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

// P_verif_fichier: makes the page from the template when the destination
// folder holds no ordinary file of that name. False when it cannot.
bool P_verif_fichier(const PagePaths& paths, const std::filesystem::path& modele);

// Puts a complete working copy in place of the page. A page the user has
// made read-only (no write bit) is not replaced; the working copy is then
// removed, as it is after any failure.
bool deliver_working_copy(const PagePaths& paths);

// P_livraison_fichier: delivery of the page pass.
inline bool P_livraison_fichier(const PagePaths& paths) { return deliver_working_copy(paths); }

// Removes a working copy that will not be delivered (stop, failed fill).
void discard_working_copy(const PagePaths& paths);

// At every press: when the template's name, lower-cased, holds
// "exemple_de modèle_html.htm", copies "sample0.jpg" to "sample6.jpg" from the
// template's folder into the destination folder, replacing them.
void copy_example_images(std::string_view modele, std::string_view destination);

}  // namespace corvella
