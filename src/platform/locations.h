#pragma once

// The fixed locations of the program, in one place. Every one of them is a
// per-user place, never a fixed name in a shared folder such as /tmp, and a
// test replaces them all by building its own Locations.
//
//   settings file    $XDG_CONFIG_HOME/corvella/Corvella.ini  (~/.config/...)
//   working folder   ~/corvella/        default destination and link folder
//   root folder      /                  where the folder lists start
//   registry store   $XDG_DATA_HOME/corvella/registry.sqlite  (~/.local/share/...)
//   install folder   found at start-up (see find_install_folder)

#include <filesystem>

namespace corvella {

struct Locations {
  std::filesystem::path settings_file;
  std::filesystem::path working_folder;
  std::filesystem::path root_folder;
  std::filesystem::path registry_store;
  // Empty: not fixed; start-up finds it (registry, then find_install_folder).
  std::filesystem::path install_folder;
};

Locations default_locations();

// The folder of the installed example files: beside the running program, in
// the installed data folder, or in the source tree of a developer build.
// Empty when none holds the example template.
std::filesystem::path find_install_folder();

// The example files, as installed.
inline constexpr const char* kExampleData = "exemple_de données.txt";
inline constexpr const char* kExampleTemplate = "exemple_de modèle_HTML.htm";

}  // namespace corvella
