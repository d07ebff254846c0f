// Form_Load: the start-up sequence, step by step in its order. Filling the
// controls runs the same handlers as the user's edits, with their settings
// writes, so a first start writes "Destination" and "Lien" and nothing else.

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cctype>
#include <system_error>
#include <variant>

#include "generation/naming.h"
#include "platform/charset.h"
#include "registry/win_registry.h"
#include "settings/settings.h"
#include "window/form1.h"
#include "window/module1.h"
#include "window/picker_lists.h"

namespace corvella::window {

namespace {

// The caption is the window's own text; the release number lives in --version.
constexpr const char* kTitle = "Corvella 1.01 - Générateur de pages HTML";
constexpr const char* kAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";

// A folder text as the window uses it: ending with "/".
std::string folder_text(const std::filesystem::path& folder) {
  std::string text = folder.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

void fill_tag_list(QComboBox* combo, int last) {
  for (int number = 0; number <= last; ++number) {
    combo->addItem(QString::fromStdString(tag_label(number)));
  }
  // Filling a list selects its first entry; the box starts without a choice.
  combo->setCurrentIndex(-1);
  combo->setEditText(QString());
}

std::string folded(std::string_view key) {
  std::string lower(key);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The text of a combo box as a remembered value sets it: the matching entry
// is selected when there is one, and the text is kept as it is.
void set_combo_text(QComboBox* combo, const QString& value) {
  combo->setCurrentIndex(combo->findText(value, Qt::MatchExactly));
  combo->setEditText(value);
}

}  // namespace

void Form1::Form_Load() {
  setWindowTitle(QString::fromUtf8(kTitle));  // 1
  run_.flags().running = false;               // 2
  run_.flags().stop = false;
  pictotal->resize(0, pictotal->height());  // 3
  piccours->resize(0, piccours->height());
  pictotal->hide();
  piccours->hide();
  Command1->setText(QStringLiteral("Lancer"));  // 4
  Module1::CentreForm(*this);                   // 5
  run_.title_index() = 1;                       // 6
  for (QComboBox* tag : nomdufichierhtm) {      // 7
    fill_tag_list(tag, 98);
    tag->hide();
  }
  WinRegistry registry(seams_.locations.registry_store, *this);                               // 8
  QApplication::setOverrideCursor(Qt::WaitCursor);                                            // 9
  dirdestination->set_folder(QString::fromStdString(seams_.locations.root_folder.string()));  // 10
  progressbar1->clear();                                                                      // 11
  Progressbar2->clear();
  pictotal->resize(0, pictotal->height());
  piccours->resize(0, piccours->height());
  ficdir->resize(ficdir->width(), tw_.px(1650));  // 12
  ficsource->resize(ficsource->width(), tw_.px(2000));
  Dirmodele->resize(Dirmodele->width(), tw_.px(1500));
  ficmodele->resize(ficmodele->width(), tw_.px(2000));
  settings_file_ = seams_.locations.settings_file;  // 13
  fill_tag_list(sourcelien, 100);                   // 14
  fill_tag_list(Textelien, 100);
  std::error_code error;  // 15
  if (!std::filesystem::exists(seams_.locations.working_folder, error)) {
    // A folder that cannot be created is met later by the run's validation.
    std::filesystem::create_directories(seams_.locations.working_folder, error);
  }
  install_folder_ = find_install_folder_text(registry);  // 16
  ficdir->set_folder(Drive1->current_folder());          // 17
  load_settings_into_controls();                         // 18
  for (QComboBox* tag : nomdufichierhtm) {               // 19
    if (!tag->currentText().isEmpty()) tag->setEnabled(true);
  }
  exemplenom->clear();                    // 20
  QApplication::restoreOverrideCursor();  // 21
}

std::string Form1::find_install_folder_text(WinRegistry& registry) {
  registry.CreateKey(HKEY_LOCAL_MACHINE, kAppPathsKey, KEY_ALL_ACCESS, false);
  const RegValue value = registry.QueryValue("");
  std::string folder;
  if (const std::string* text = std::get_if<std::string>(&value); text && !text->empty()) {
    std::string lower = *text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // A value without the program's name does not tell where it lies.
    if (const std::size_t at = lower.find("corvella.exe"); at != std::string::npos) {
      folder = text->substr(0, at);
    }
  }
  registry.CloseKey();
  if (!folder.empty()) return folder;
  if (!seams_.locations.install_folder.empty()) {
    return folder_text(seams_.locations.install_folder);
  }
  const std::filesystem::path found = find_install_folder();
  return found.empty() ? std::string("/") : folder_text(found);
}

void Form1::load_settings_into_controls() {
  const StoredSettings stored =
      load_settings(settings_file_, install_folder_, folder_text(seams_.locations.working_folder));
  stored_bytes_.clear();
  // QString would turn bytes that are not UTF-8 into U+FFFD, and the first
  // write would store that: such a value is shown as well as it can be and
  // its bytes are kept for the writes and the run.
  const auto shown = [&](std::string_view key, const std::string& value) {
    if (is_valid_utf8(value)) return QString::fromStdString(value);
    const QString text = QString::fromStdString(to_utf8(value));
    stored_bytes_[folded(key)] = {text, value};
    return text;
  };
  set_field_text(source, shown("Source", stored.source));
  set_field_text(fichiermodele, shown("Modele", stored.modele));
  set_field_text(destination, shown("Destination", stored.destination));
  set_field_text(hyperdir, shown("Lien", stored.lien));
  set_combo_text(sourcelien, shown("Textesource", stored.textesource));
  set_combo_text(Textelien, shown("Textelien", stored.textelien));
  set_field_text(Tag99, shown("Tag99", stored.tag99));
  (stored.option1 ? Option1 : Option2)->setChecked(true);
  (stored.titrep1 ? titrep1 : titrep2)->setChecked(true);
  for (std::size_t index = 0; index < nomdufichierhtm.size(); ++index) {
    set_combo_text(nomdufichierhtm[index],
                   shown("TagF" + std::to_string(index), stored.tagf[index]));
  }
}

std::string Form1::bytes_of(std::string_view key, const QString& text) const {
  if (key.empty()) {
    for (const auto& [name, value] : stored_bytes_) {
      if (value.first == text) return value.second;
    }
  } else if (const auto found = stored_bytes_.find(folded(key));
             found != stored_bytes_.end() && found->second.first == text) {
    return found->second.second;
  }
  return text.toStdString();
}

}  // namespace corvella::window
