// A developer tool, not installed: grabs the window at start and during a
// run for the README, from the source folder:
//   QT_QPA_PLATFORM=offscreen build/app/window_screenshots docs/images
// writes window-start.png, window-run.png and window-help.png (the help of
// the link prefix on show). Runs on any Qt platform
// (QT_QPA_PLATFORM=offscreen needs no display). Every location of the window
// lies in a temporary folder; the run makes pages from the example files and
// is stopped once the picture is taken.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/notifier.h"
#include "window/form1.h"

namespace fs = std::filesystem;

namespace {

class SilentNotifier final : public corvella::Notifier {
 public:
  void message_box(const std::string&, corvella::MessageIcon, const std::string&) override {}
  void beep() override {}
};

// The example records, repeated under new first columns, so the run lasts.
void write_long_data(const fs::path& from, const fs::path& to, int records) {
  std::ifstream in(from, std::ios::binary);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  std::ofstream out(to, std::ios::binary);
  for (int index = 0; index < records && !lines.empty(); ++index) {
    const std::string& record = lines[index % lines.size()];
    out << "page-" << index << record.substr(record.find(';')) << "\r\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: window_screenshots OUTPUT_FOLDER\n";
    return 2;
  }
  QApplication application(argc, argv);
  const fs::path output = argv[1];
  QTemporaryDir temp;
  const fs::path root = temp.path().toStdString();
  fs::create_directories(root / "pages");
  const fs::path examples = CORVELLA_EXAMPLES;
  write_long_data(examples / "exemple_de données.txt", root / "donnees.txt", 5000);

  SilentNotifier notifier;
  corvella::Locations locations;
  locations.settings_file = root / "Corvella.ini";
  locations.working_folder = root / "corvella";
  locations.root_folder = root;
  locations.registry_store = root / "registry.sqlite";
  locations.install_folder = examples;
  corvella::window::Form1 form({.locations = locations, .notifier = &notifier});
  form.show();
  QApplication::processEvents();
  if (!form.grab().save(QString::fromStdString((output / "window-start.png").string()))) return 1;

  form.findChild<QLineEdit*>("source")->setText(
      QString::fromStdString((root / "donnees.txt").string()));
  form.findChild<QLineEdit*>("destination")
      ->setText(QString::fromStdString((root / "pages").string() + "/"));
  // Taken from what the window shows: about 40 % of the records done.
  bool grabbed = false;
  QTimer grabber;
  grabber.setInterval(0);
  QObject::connect(&grabber, &QTimer::timeout, [&] {
    const QString shown = form.findChild<QLabel*>("Progressbar2")->text();
    if (grabbed || shown.section(' ', 0, 0).toInt() < 2000) return;
    grabbed = form.grab().save(QString::fromStdString((output / "window-run.png").string()));
    form.findChild<QPushButton*>("Command1")->click();  // the stop request
  });
  grabber.start();
  form.findChild<QPushButton*>("Command1")->click();
  grabber.stop();
  if (!grabbed) return 1;

  form.findChild<QCheckBox*>("Check2")->click();
  form.activateWindow();
  QApplication::setActiveWindow(&form);
  form.findChild<QLineEdit*>("Tag99")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  return form.grab().save(QString::fromStdString((output / "window-help.png").string())) ? 0 : 1;
}
