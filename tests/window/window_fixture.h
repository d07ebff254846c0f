#pragma once

// The real Form1 with every fixed location in the test's own folder; its
// message boxes and beeps are recorded, its controls driven by name.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest/QTest>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "test_support.h"
#include "window/form1.h"

namespace corvella::testing {

inline const fs::path kExamples = CORVELLA_EXAMPLES;
using Texts = std::vector<std::string>;

// Its RecordingView half is only the notifier: message boxes and beeps.
class WindowTest : public ::testing::Test, public RecordingView {
 protected:
  WindowTest() {
    locations = {temp / "config" / "Corvella.ini", temp / "corvella", temp / "root",
                 temp / "registry.sqlite", kExamples};
    fs::create_directories(locations.root_folder);
  }
  ~WindowTest() override {
    form.reset();
    QApplication::processEvents();
  }
  void start(std::chrono::milliseconds help_duration = std::chrono::seconds(30)) {
    form = std::make_unique<window::Form1>(window::Form1Seams{
        .locations = locations, .notifier = this, .help_duration = help_duration});
    form->show();
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
  }
  void write_settings(const std::vector<std::pair<std::string, std::string>>& keys) const {
    for (const auto& [key, value] : keys) write_key(locations.settings_file, kSection, key, value);
  }
  std::string stored(const char* key) const {
    return read_key(locations.settings_file, kSection, key, "<absent>", 500);
  }
  template <typename Widget = QWidget>
  Widget* find(const std::string& name) const {
    auto* widget = form->findChild<Widget*>(QString::fromStdString(name));
    if (!widget) ADD_FAILURE() << "no control " << name;
    return widget;
  }
  QComboBox* tag(int index) const {
    return find<QComboBox>("nomdufichierhtm(" + std::to_string(index) + ")");
  }
  bool shown(const char* name) const { return !find(name)->isHidden(); }
  bool enabled(const char* name) const { return find(name)->isEnabled(); }
  // Its text, its chosen entry or its title.
  std::string caption(const char* name) const {
    QVariant value;
    for (const char* property : {"text", "currentText", "title"})
      if (!value.isValid()) value = find(name)->property(property);
    return value.toString().toStdString();
  }
  void click(const char* name) const { QTest::mouseClick(find(name), Qt::LeftButton); }
  void double_click(const char* name) const {
    click(name);
    QTest::mouseDClick(find(name), Qt::LeftButton);
  }
  // As QComboBox does when the user picks an entry.
  static void choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // On the entry that stands for the folder or is named `entry`.
  void double_click_entry(const char* list_name, const std::string& entry) const {
    auto* list = find<QListWidget>(list_name);
    const QString wanted = QString::fromStdString(entry);
    for (int row = 0; row < list->count(); ++row) {
      const QListWidgetItem* item = list->item(row);
      if (item->data(Qt::UserRole) != wanted && item->text() != wanted) continue;
      const QPoint centre = list->visualItemRect(item).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
      return QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }
    ADD_FAILURE() << "no entry " << entry << " in " << list_name;
  }
  void set_text(const char* name, const fs::path& text) const {
    find<QLineEdit>(name)->setText(QString::fromStdString(text.string()));
  }
  TempDir temp;
  Locations locations;
  std::unique_ptr<window::Form1> form;
};

// A root folder as users fill it: data files (one hidden), templates among
// other files, and folders to move through.
class FoldersTest : public WindowTest {
 protected:
  FoldersTest() {
    for (const char* folder : {"donnees/2024", "donnees/Anciens", "donnees/archives", "modeles"})
      fs::create_directories(root / folder);
    write_bytes(root / "donnees" / "data.txt", "Ivo Brasset;5489;disponible;140F;reggae\r\n");
    write_bytes(root / "donnees" / "catalogue.txt",
                "Ivo Brasset;5489;<b>disponible</b>;Édition remasterisée de l'album enregistré "
                "à Kingston en 1979, avec inédits;reggae\n");
    write_bytes(root / "donnees" / "autres.txt", "Autres;12;;\n");
    write_bytes(root / "donnees" / ".cache", "hidden\r\n");
    for (const char* name : {"fiche.htm", "ANCIEN.HTM", "page.html", "notes.txt"})
      write_bytes(root / "modeles" / name, "<html></html>\r\n");
    write_settings({{"Source", (root / "donnees" / "data.txt").string()}});
  }
  const fs::path root = locations.root_folder;
  const std::string modeles = folder_text(root / "modeles");
};

}  // namespace corvella::testing
