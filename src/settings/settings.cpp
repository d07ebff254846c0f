#include "settings/settings.h"

#include <charconv>

#include "platform/locations.h"
#include "platform/text_lines.h"
#include "settings/ini_file.h"

namespace corvella {

namespace {

constexpr std::size_t kCapacity = 100;
constexpr std::size_t kTag99Capacity = 500;

// "1", "01", "1.0", "+1" are 1; a text that is not a number as a whole
// (letters, empty, "1x") is not, which selects the second button.
bool is_numerically_one(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+' || text.front() == '-') return false;
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && number == 1.0;
}

}  // namespace

StoredSettings load_settings(const std::filesystem::path& file, const std::string& install_folder,
                             const std::string& working_folder) {
  const auto read = [&](std::string_view key, const std::string& fallback,
                        std::size_t capacity = kCapacity) {
    return std::string(trim_spaces(read_key(file, kSection, key, fallback, capacity)));
  };
  StoredSettings loaded;
  loaded.source = read("Source", install_folder + kExampleData);
  loaded.destination = read("Destination", working_folder);
  loaded.modele = read("Modele", install_folder + kExampleTemplate);
  loaded.lien = read("Lien", working_folder);
  loaded.textesource = read("Textesource", "Tag N°2");
  loaded.textelien = read("Textelien", "Tag N°3");
  loaded.tag99 = read("Tag99", "", kTag99Capacity);
  loaded.option1 = is_numerically_one(read("Option", "1"));
  for (std::size_t box = 0; box < loaded.tagf.size(); ++box) {
    loaded.tagf[box] = read("TagF" + std::to_string(box), "");
  }
  loaded.titrep1 = is_numerically_one(read("Titre", "1"));
  return loaded;
}

bool may_save_generation_paths(bool check1, std::string_view source, std::string_view destination,
                               std::string_view modele) {
  return check1 && !source.empty() && !destination.empty() && !modele.empty();
}

bool may_save_lien_on_change(bool check1, std::string_view lien) {
  return check1 && !lien.empty();
}

bool may_save_lien_on_confirm(std::string_view lien, std::string_view textesource) {
  return !lien.empty() && !textesource.empty();
}

bool may_save_link_setting(bool check2, std::string_view text) {
  return check2 && !text.empty();
}

}  // namespace corvella
