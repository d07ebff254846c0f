// The window as start-up leaves it: captions, the settings file it writes,
// the choices it restores, where it finds the install folder; and CentreForm.

#include <QRadioButton>

#include "registry/win_registry.h"
#include "window/module1.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

using Form1Start = WindowTest;

TEST_F(Form1Start, FirstStartWithoutSettings) {
  start();
  const std::string working = folder_text(locations.working_folder);
  const std::pair<const char*, std::string> captions[] = {
      {"Command1", "Lancer"},
      {"Text2", "Tag lien\">Tag texte</a><br>"},
      {"Textelien", "Tag N°3"},
      {"titrep1", "Deuxième colonne du fichier des données"},
      {"internet", window::kWebAddress},
      {"Frame4", "Paramètres des liens hypertexte"},
      {"source", folder_text(kExamples) + kExampleData},
      {"fichiermodele", folder_text(kExamples) + kExampleTemplate},
      {"destination", working},
      {"hyperdir", working},
  };
  for (const auto& [name, expected] : captions) EXPECT_EQ(caption(name), expected) << name;
  // Ready to generate the pages: the link pass and the pickers wait.
  EXPECT_TRUE(find("Check1")->property("checked").toBool() &&
              !find("Check2")->property("checked").toBool());
  EXPECT_TRUE(enabled("Command1") && !enabled("Frame4") && !enabled("Command3"));
  EXPECT_FALSE(shown("ficsource") || shown("Drive1") || shown("nomdufichierhtm(0)") ||
               shown("Aide"));
  EXPECT_EQ(form->windowTitle().toStdString(), "Corvella 1.01 - Générateur de pages HTML");
  EXPECT_EQ(read_bytes(locations.settings_file),
            "[Parametres]\r\nDestination=" + working + "\r\nLien=" + working + "\r\n");
  EXPECT_TRUE(messages.empty());
}

// A settings file written in Windows-1252: its values are shown as text and
// go to the run and back to the file as their own bytes.
TEST_F(Form1Start, ValuesThatAreNotUtf8PassThroughByteForByte) {
  const std::string file =
      "[Parametres]\r\nDestination=/srv/d\xE9st/\r\nLien=/srv/d\xE9st/\r\n"
      "textesource=Tag N\xB0" "4\r\nTag99=/caves/B\xFB" "che/\r\n";
  fs::create_directories(locations.settings_file.parent_path());
  write_bytes(locations.settings_file, file);
  start();
  EXPECT_EQ(caption("destination") + caption("sourcelien") + caption("Tag99"),
            "/srv/dést/Tag N°4/caves/Bûche/");
  const RunSettings run = form->read_settings();
  EXPECT_EQ(run.destination + run.lien + run.textesource + run.tag99,
            "/srv/d\xE9st//srv/d\xE9st/Tag N\xB0" "4/caves/B\xFB" "che/");
  // Start-up writes Destination and Lien back: the same bytes.
  EXPECT_EQ(read_bytes(locations.settings_file), file);
  // A text the user types is written as UTF-8.
  find<QLineEdit>("hyperdir")->setText(QString::fromUtf8("/srv/dès/"));
  EXPECT_EQ(stored("Lien"), "/srv/d\xC3\xA8s/");
}

TEST_F(Form1Start, TagListsAndChoicesRestoredEachOnItsOwn) {
  for (const auto& [option, titre] : {std::pair("1", "2"), std::pair("2", "1")}) {
    write_settings(
        {{"Option", option}, {"Titre", titre}, {"TagF0", "Tag N°1"}, {"TagF4", "Tag N°4"}});
    start();
    EXPECT_EQ(find<QRadioButton>("Option1")->isChecked(), option == std::string("1"));
    EXPECT_EQ(find<QRadioButton>("titrep1")->isChecked(), titre == std::string("1"));
    EXPECT_EQ(shown("nomdufichierhtm(4)"), titre == std::string("2"));
    EXPECT_EQ(caption("nomdufichierhtm(4)"), "Tag N°4");
  }
  // Names and titles from the tags 0 to 98; links from the tags 0 to 100.
  for (const char* name : {"nomdufichierhtm(0)", "nomdufichierhtm(3)", "nomdufichierhtm(4)",
                           "sourcelien", "Textelien"}) {
    const auto* list = find<QComboBox>(name);
    const bool link = name[0] != 'n';
    EXPECT_EQ(list->count(), link ? 101 : 99) << name;
    EXPECT_EQ(list->itemText(list->count() - 1).toStdString(), link ? "Tag N°100" : "Tag N°98");
  }
}

// Start-up looks for the program's file in the registry store; its folder
// holds the example files.
TEST_F(Form1Start, InstallFolderFromTheRegistryStore) {
  const std::string app_paths =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";
  // A first start makes the key, lasting, for an installer to fill.
  start();
  EXPECT_EQ(form->install_folder(), folder_text(kExamples));
  {
    RegistryStore after_restart(locations.registry_store, {.boot_id = "un-autre-demarrage"});
    RegHandle key = 0;
    EXPECT_EQ(after_restart.open_key(HKEY_LOCAL_MACHINE, app_paths, KEY_READ, &key), 0);
  }
  for (const auto& [value, folder] : {std::pair("/opt/Fromagerie/CORVELLA.exe", "/opt/Fromagerie/"),
                                      std::pair("/opt/Fromagerie/autre.exe", "")}) {
    {
      WinRegistry registry(locations.registry_store, *this);
      registry.CreateKey(HKEY_LOCAL_MACHINE, app_paths);
      registry.SaveValue("", std::string(value));
    }
    start();
    const std::string expected = *folder ? folder : folder_text(kExamples);
    EXPECT_EQ(form->install_folder(), expected);
    EXPECT_EQ(caption("source"), expected + kExampleData);
  }
  EXPECT_TRUE(messages.empty());
}

TEST(Form1CentreForm, PlacesLowerEqualAndHigherWindows) {
  using window::Module1::centre_place;
  const auto at = [](window::Module1::Place place) { return std::pair(place.left, place.top); };
  EXPECT_EQ(at(centre_place(1001, 801, 600, 400)), std::pair(200, 200));
  EXPECT_EQ(at(centre_place(1000, 800, 600, 800)), std::pair(200, 0));
  // Higher: the bottom edge on the screen's bottom, the top above the screen.
  EXPECT_EQ(at(centre_place(1000, 800, 1200, 1000)), std::pair(-100, -200));
  // dH = -101: -101 / 2 + (-202) / 4, each dropping its fraction towards zero.
  EXPECT_EQ(centre_place(1000, 800, 600, 901).top, -100);
}

}  // namespace
}  // namespace corvella::testing
