// The window as a user works it: what each setting writes to the settings
// file and when, the help texts, the lists by keyboard, where start-up finds
// the install folder, and closing the window during a run.

#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>

#include "registry/win_registry.h"
#include "window/picker_lists.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

using Form1Use = WindowTest;

TEST_F(Form1Use, LinkSettingsAreRememberedWhileTheLinkPassIsTicked) {
  start();
  const std::string first_start = read_bytes(locations.settings_file);
  click("Check2");
  choose(find<QComboBox>("sourcelien"), 100);
  choose(find<QComboBox>("Textelien"), 7);
  find("Tag99")->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(find("Tag99"), "/f");
  QTest::keyClick(find("Tag99"), Qt::Key_Backspace);
  QTest::keyClick(find("Tag99"), Qt::Key_Backspace);  // an emptied field is not written
  const std::string remembered =
      first_start + "textesource=Tag N°100\r\nTextelien=Tag N°7\r\nTag99=/\r\n";
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);

  // Unticking the link pass: its group is disabled and nothing more is written.
  click("Check2");
  EXPECT_FALSE(enabled("Frame4"));
  EXPECT_TRUE(enabled("Command1"));  // the page pass is still ticked
  choose(find<QComboBox>("sourcelien"), 4);
  choose(find<QComboBox>("Textelien"), 5);
  find<QLineEdit>("Tag99")->setText("/g");
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);
  click("Check1");
  EXPECT_FALSE(enabled("Command1"));

  // The paths of the page pass are written only while all three are filled.
  click("Check1");
  find<QLineEdit>("destination")->clear();
  find("source")->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(find("source"), "x");
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);
  click("Check2");
  find("hyperdir")->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(find("hyperdir"), Qt::Key_End);
  QTest::keyClicks(find("hyperdir"), "x");
  EXPECT_EQ(stored("Lien"), folder_text(locations.working_folder) + "x");
}

TEST_F(Form1Use, HelpTextsOnAClickOrWhenMovingToALinkSetting) {
  start();
  click("Check2");
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  const std::string address = window::kWebAddress;
  const std::pair<const char*, std::string> helps[] = {
      {"fichiermodele",
       "Double-cliquez dans le champ pour choisir le fichier HTML modèle.\nCelui-ci doit au "
       "préalable contenir des 'tags' qui correspondront aux colonnes du fichier de données.\n"
       "Exemple: <!--tag2--> (ligne vide) <!--/tag2-->"},
      {"hyperdir",
       "Double-cliquez dans le champ pour choisir le répertoire où se trouvent les pages HTML à "
       "traiter."},
      {"sourcelien",
       "Choisissez le tag à rechercher dans toutes les pages HTML.\nLe tag sélectionné sera "
       "cherché dans toutes les pages et toute page ayant le même contenu sera liée."},
      {"Textelien",
       "Choisissez le tag dont le contenu sera placé sur chaque lien.\nLe contenu du tag sera lu "
       "dans chaque fichier lié et placé comme texte visible de lien."},
      {"Tag99",
       "Choisissez le texte à placer avant le lien hypertexte.\nExemple : si vous écrivez " +
           address + ", le lien complet sera :\n<a href=\"" + address +
           "tag de lien\">tag de texte</a><br>"},
  };
  for (const auto& [name, text] : helps) {
    if (std::string(name) == "fichiermodele" || std::string(name) == "hyperdir") {
      click(name);
    } else {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // from the control above
    }
    EXPECT_EQ(caption("Aide"), text) << name;
    EXPECT_TRUE(shown("Aide") && shown("idee")) << name;
  }
  click("Command1");  // a press clears the help
  EXPECT_FALSE(shown("Aide") || shown("idee"));
}

TEST_F(Form1Use, TagListsAndChoicesRestoredEachOnItsOwn) {
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
TEST_F(Form1Use, InstallFolderFromTheRegistryStore) {
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
  const std::pair<std::string, std::string> cases[] = {
      {"/opt/Fromagerie/CORVELLA.exe", "/opt/Fromagerie/"},
      {"/opt/Fromagerie/autre.exe", folder_text(kExamples)}};
  for (const auto& [value, folder] : cases) {
    {
      WinRegistry registry(locations.registry_store, *this);
      registry.CreateKey(HKEY_LOCAL_MACHINE, app_paths);
      registry.SaveValue("", value);
    }
    start();
    EXPECT_EQ(form->install_folder(), folder);
    EXPECT_EQ(caption("source"), folder + kExampleData);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(Form1Use, PickersByKeyboardAndTheRootFolder) {
  fs::create_directories(locations.root_folder / "donnees");
  for (const char* name : {"autres.txt", "fromages.txt"})
    write_bytes(locations.root_folder / "donnees" / name, "comte;Comté\r\n");
  start();
  click("Option2");
  double_click("source");
  auto* ficdir = find<window::FolderList>("ficdir");
  auto* drive = find<window::DriveList>("Drive1");
  // Another drive moves the folder list there; the first drive is the root.
  drive->setFocus();
  QTest::keyClick(drive, Qt::Key_Down);
  EXPECT_EQ(ficdir->folder(), drive->current_folder());
  QTest::keyClick(drive, Qt::Key_Up);
  EXPECT_EQ(ficdir->folder().toStdString(), locations.root_folder.string());
  // The folder below the root, then its file, with arrows and Enter.
  ficdir->setFocus();
  QTest::keyClick(ficdir, Qt::Key_Down);
  QTest::keyClick(ficdir, Qt::Key_Return);
  auto* files = find<QListWidget>("ficsource");
  files->setFocus();
  QTest::keyClick(files, Qt::Key_Down);
  QTest::keyClick(files, Qt::Key_Down);
  QTest::keyClick(files, Qt::Key_Return);
  EXPECT_EQ(caption("source"), (locations.root_folder / "donnees" / "fromages.txt").string());
  // With names from tags, the name tags come back with the rest.
  EXPECT_TRUE(shown("nomdufichierhtm(0)") && shown("exemplenom") && shown("Option2"));

  // The root of the file system is written with one "/".
  double_click("destination");
  EXPECT_TRUE(shown("fichiermodele") && !enabled("fichiermodele") && !enabled("source"));
  double_click_entry("dirdestination", "/");
  click("validedestination");
  EXPECT_EQ(caption("destination"), "/");
  EXPECT_EQ(window::join_folder("/", "fromages.txt").toStdString(), "/fromages.txt");
}

// Closing the window stops the run at its next event point; the page being
// made is not delivered and no message is shown.
TEST_F(Form1Use, ClosingTheWindowDuringARunStopsIt) {
  const fs::path pages = temp / "pages";
  fs::create_directories(pages);
  std::string records;
  for (int index = 0; index < 400; ++index) records += "fiche-" + std::to_string(index) + ";x\r\n";
  write_bytes(temp / "records.txt", records);
  write_bytes(temp / "modele.htm",
              "<html>\r\n<title>t</title>\r\n<!--tag1-->\r\n<!--/tag1-->\r\n</html>\r\n");
  write_settings({{"Source", (temp / "records.txt").string()},
                  {"Modele", (temp / "modele.htm").string()},
                  {"Destination", folder_text(pages)}});
  start();
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (file_names(pages).size() >= 3) form->close();
  });
  closer.start();
  click("Command1");
  closer.stop();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(beeps, 0);
  const std::vector<std::string> made = file_names(pages);
  EXPECT_GE(made.size(), 2u);  // three files at the close, one maybe the page being made
  EXPECT_LT(made.size(), 400u);
  for (const std::string& name : made) {
    EXPECT_TRUE(read_bytes(pages / name).ends_with("</html>\r\n")) << name;
  }
}

}  // namespace
}  // namespace corvella::testing
