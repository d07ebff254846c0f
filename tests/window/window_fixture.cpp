#include "window_fixture.h"

#include <QApplication>
#include <QtTest/QTest>
#include <cmath>

#include "settings/ini_file.h"
#include "settings/settings.h"

namespace corvella::testing {

void RecordingNotifier::message_box(const std::string& text, MessageIcon icon) {
  const char* kind = icon == MessageIcon::Critical      ? "critical: "
                     : icon == MessageIcon::Information ? "information: "
                                                        : "";
  messages.push_back(kind + text);
  if (on_message) on_message(text);
}

WindowTest::WindowTest() {
  locations.settings_file = temp / "config" / "Corvella.ini";
  locations.working_folder = temp / "corvella";
  locations.root_folder = temp / "root";
  locations.registry_store = temp / "registry.sqlite";
  locations.install_folder = examples();
  fs::create_directories(locations.root_folder);
}

WindowTest::~WindowTest() {
  form.reset();
  QApplication::processEvents();
}

window::Form1& WindowTest::start(std::chrono::milliseconds help_duration) {
  form = std::make_unique<window::Form1>(window::Form1Seams{
      .locations = locations, .notifier = &notifier, .help_duration = help_duration});
  form->show();
  return *form;
}

std::string WindowTest::settings_bytes() const {
  std::error_code error;
  if (!fs::exists(locations.settings_file, error)) return {};
  return read_bytes(locations.settings_file);
}

std::string WindowTest::stored(const char* key) const {
  return read_key(locations.settings_file, kSection, key, "<absent>", 500);
}

void WindowTest::write_settings(
    const std::vector<std::pair<std::string, std::string>>& keys) const {
  std::string bytes = "[Parametres]\r\n";
  for (const auto& [key, value] : keys) bytes += key + "=" + value + "\r\n";
  fs::create_directories(locations.settings_file.parent_path());
  write_bytes(locations.settings_file, bytes);
}

void WindowTest::double_click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton);
  QTest::mouseDClick(widget, Qt::LeftButton);
}

void WindowTest::choose(QComboBox* combo, int index) {
  // What QComboBox does when the user picks an entry of its list.
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

void WindowTest::double_click_entry(QListWidget* list, const QString& folder_or_name) {
  for (int row = 0; row < list->count(); ++row) {
    QListWidgetItem* item = list->item(row);
    if (item->data(Qt::UserRole).toString() != folder_or_name && item->text() != folder_or_name) {
      continue;
    }
    list->scrollToItem(item);
    const QPoint centre = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    return;
  }
  ADD_FAILURE() << "no entry " << folder_or_name.toStdString() << " in "
                << list->objectName().toStdString();
}

int WindowTest::px(int twips) const {
  // The window is 11,040 twips wide.
  return static_cast<int>(std::lround(twips * form->width() / 11040.0));
}

}  // namespace corvella::testing
