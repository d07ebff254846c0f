#include "platform/locations.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

#ifndef CORVELLA_DATA_DIR
#define CORVELLA_DATA_DIR "/usr/share/corvella"
#endif

namespace corvella {

namespace fs = std::filesystem;

namespace {

fs::path home() {
  const char* value = std::getenv("HOME");
  return (value && *value) ? fs::path(value) : fs::path("/");
}

// An XDG base folder, or its default under the home folder.
fs::path xdg(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  // The XDG rules ignore relative paths.
  if (value && *value == '/') return fs::path(value);
  return home() / fallback;
}

fs::path running_program_folder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : program.parent_path();
}

bool holds_examples(const fs::path& folder) {
  std::error_code error;
  return !folder.empty() && fs::is_regular_file(folder / kExampleTemplate, error);
}

}  // namespace

Locations default_locations() {
  Locations locations;
  locations.settings_file = xdg("XDG_CONFIG_HOME", ".config") / "corvella" / "Corvella.ini";
  locations.working_folder = home() / "corvella";
  locations.root_folder = "/";
  locations.registry_store = xdg("XDG_DATA_HOME", ".local/share") / "corvella" / "registry.sqlite";
  return locations;
}

fs::path find_install_folder() {
  const fs::path program = running_program_folder();
  const fs::path candidates[] = {
      program,
      program / "examples",
      program.parent_path() / "share" / "corvella",
      fs::path(CORVELLA_DATA_DIR),
#ifdef CORVELLA_SOURCE_EXAMPLES
      fs::path(CORVELLA_SOURCE_EXAMPLES),
#endif
  };
  for (const fs::path& folder : candidates) {
    if (holds_examples(folder)) return folder;
  }
  return {};
}

}  // namespace corvella
