// The window as start-up leaves it: captions, the settings file it writes,
// the choices it restores, the install folder it finds; and its placement.

#include <QRadioButton>

#include "registry/win_registry.h"
#include "window/module1.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

using Form1Start = WindowTest;

// Windows-1252 values are shown as text and go to the run and back to the
// file as their own bytes; a typed text is written as UTF-8.
TEST_F(Form1Start, ValuesThatAreNotUtf8PassThroughByteForByte) {
  const std::string file =
      "[Parametres]\r\nDestination=/srv/d\xE9st/\r\nLien=/srv/d\xE9st/\r\n"
      "textesource=Tag N\2604\r\nTag99=/caves/B\373che/\r\n";
  fs::create_directories(locations.settings_file.parent_path());
  write_bytes(locations.settings_file, file);
  start();
  EXPECT_EQ(caption("destination") + caption("sourcelien") + caption("Tag99"),
            "/srv/dést/Tag N°4/caves/Bûche/");
  const RunSettings run = form->read_settings();
  EXPECT_EQ(run.destination + run.lien + run.textesource + run.tag99,
            "/srv/d\xE9st//srv/d\xE9st/Tag N\2604/caves/B\373che/");
  EXPECT_EQ(read_bytes(locations.settings_file), file);
  // Chosen again, the link tag is saved under its own spelling of the key, as its bytes.
  find("Check2")->setProperty("checked", true);
  auto* sourcelien = find<QComboBox>("sourcelien");
  emit sourcelien->activated(sourcelien->currentIndex());
  EXPECT_EQ(read_bytes(locations.settings_file), file);
  find<QLineEdit>("hyperdir")->setText(QString::fromUtf8("/srv/dès/"));
  EXPECT_EQ(stored("Lien"), "/srv/d\xC3\xA8s/");
}

TEST_F(Form1Start, TagListsAndChoicesRestoredEachOnItsOwn) {
  for (const auto& [option, titre] : {std::pair("1", "2"), std::pair("2", "1")}) {
    write_settings(
        {{"Option", option}, {"Titre", titre}, {"TagF0", "Tag N°1"}, {"TagF4", "Tag N°4"}});
    start();
    EXPECT_EQ(find<QRadioButton>("Option1")->isChecked(), *option == '1');
    EXPECT_EQ(find<QRadioButton>("titrep1")->isChecked(), *titre == '1');
    EXPECT_EQ(shown("nomdufichierhtm(4)"), *titre == '2');
    EXPECT_EQ(caption("nomdufichierhtm(4)"), "Tag N°4");
    std::string tags;  // names from tags: every name tag shown, those after a text enabled
    for (int index = 0; index < 4; ++index)
      tags += std::to_string(!tag(index)->isHidden()) + std::to_string(tag(index)->isEnabled());
    EXPECT_TRUE(*option == '1' || tags == "11101010") << tags;
  }
  // Names and titles from the tags 0 to 98; links from the tags 0 to 100.
  for (const char* name : {"nomdufichierhtm(0)", "nomdufichierhtm(4)", "sourcelien", "Textelien"}) {
    const auto* list = find<QComboBox>(name);
    EXPECT_EQ(std::to_string(list->count()) + " " + list->itemText(0).toStdString() + " " +
                  list->itemText(list->count() - 1).toStdString(),
              *name == 'n' ? "99 Tag N°0 Tag N°98" : "101 Tag N°0 Tag N°100");
  }
}

// A first start without settings; then the folder of the program's file in
// the registry store holds the examples.
TEST_F(Form1Start, FirstStartThenInstallFolderFromTheRegistryStore) {
  const std::string app_paths =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";
  start();  // makes the key, lasting, for an installer to fill
  const std::string working = folder_text(locations.working_folder);
  EXPECT_EQ(caption("source") + "|" + caption("fichiermodele") + "|" + caption("destination") +
                "|" + caption("hyperdir") + "|" + caption("Textelien"),
            folder_text(kExamples) + kExampleData + "|" + folder_text(kExamples) +
                kExampleTemplate + "|" + working + "|" + working + "|Tag N°3");
  EXPECT_TRUE(enabled("Command1") && !enabled("Frame4") && !shown("Aide"));
  EXPECT_EQ(form->windowTitle().toStdString(), "Corvella 1.01 - Générateur de pages HTML");
  EXPECT_EQ(read_bytes(locations.settings_file),
            "[Parametres]\r\nDestination=" + working + "\r\nLien=" + working + "\r\n");
  RegistryStore after_restart(locations.registry_store, {.boot_id = "un-autre-demarrage"});
  RegHandle key = 0;
  EXPECT_EQ(after_restart.open_key(HKEY_LOCAL_MACHINE, app_paths, KEY_READ, &key), 0);
  for (const auto& [value, folder] : {std::pair("/opt/Fromagerie/CORVELLA.exe", "/opt/Fromagerie/"),
                                      std::pair("/opt/Fromagerie/autre.exe", "")}) {
    WinRegistry registry(locations.registry_store, *this);
    registry.CreateKey(HKEY_LOCAL_MACHINE, app_paths);
    registry.SaveValue("", std::string(value));
    start();
    const std::string expected = *folder ? folder : folder_text(kExamples);
    EXPECT_EQ(form->install_folder() + "|" + caption("source"),
              expected + "|" + expected + kExampleData);
  }
  EXPECT_TRUE(messages.empty());
}

// A window higher than the screen has its bottom edge on the screen's; the
// halves and quarters drop their fractions towards zero (-101 / 2 + -202 / 4).
TEST(Form1CentreForm, PlacesLowerEqualAndHigherWindows) {
  std::string places;
  for (const auto& [width, height] : {std::pair(600, 400), {600, 801}, {1200, 1000}, {600, 902}}) {
    const window::Module1::Place place = window::Module1::centre_place(1001, 801, width, height);
    places += std::to_string(place.left) + "," + std::to_string(place.top) + " ";
  }
  EXPECT_EQ(places, "200,200 200,0 -99,-198 200,-100 ");
}

}  // namespace
}  // namespace corvella::testing
