#pragma once

// The remembered choices: section "Parametres" of the settings file, fourteen
// keys, read once at start-up and written one key at a time when a choice
// changes. Values are texts; section and key names match without regard to
// case.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvella {

inline constexpr std::string_view kSection = "Parametres";

// The fourteen values as start-up puts them in the window: spaces trimmed at
// both ends, defaults for what is absent.
struct StoredSettings {
  std::string source;       // "Source": install folder + example data file
  std::string destination;  // "Destination": the working folder, ending with "/"
  std::string modele;       // "Modele": install folder + example template
  std::string lien;         // "Lien": the working folder
  std::string textesource;  // "Textesource": "Tag N°2"
  std::string textelien;    // "Textelien": "Tag N°3"
  std::string tag99;        // "Tag99": ""
  bool option1 = true;      // "Option" numerically 1 (" 1 ", "01", "1.0"); anything else: Option2
  std::array<std::string, 5> tagf;  // "TagF0" to "TagF4"
  bool titrep1 = true;      // "Titre", same rule
};

// Reads the fourteen keys in their order. `install_folder` and
// `working_folder` are folder texts ending with "/".
StoredSettings load_settings(const std::filesystem::path& file, const std::string& install_folder,
                             const std::string& working_folder);

// The saving rules: whether a change may be written.
//   Source, Destination, Modele (text change, or "Ok" of the destination
//   picker): check1 ticked and all three texts not empty.
bool may_save_generation_paths(bool check1, std::string_view source, std::string_view destination,
                               std::string_view modele);
//   Lien on a text change: check1 (not check2) ticked and the text not empty.
bool may_save_lien_on_change(bool check1, std::string_view lien);
//   Lien on "Ok" of the link-folder picker: link folder and link tag not empty.
bool may_save_lien_on_confirm(std::string_view lien, std::string_view textesource);
//   textesource, Textelien, Tag99: check2 ticked and the text not empty.
bool may_save_link_setting(bool check2, std::string_view text);

}  // namespace corvella
