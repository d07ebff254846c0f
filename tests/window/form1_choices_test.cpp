// What the user chooses in the window: the four built-in pickers, the naming
// and title options with their example, the help display, the enabling rules
// of the pass boxes and Command2.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>

#include "window_fixture.h"

namespace corvella::testing {
namespace {

class Form1Choices : public WindowTest {
 protected:
  Form1Choices() {
    for (const char* folder : {"donnees", "modeles"}) fs::create_directories(root / folder);
    write_bytes(root / "donnees" / "data.txt", "Ivo Brasset;5489;disponible;140F;reggae\r\n");
    write_bytes(root / "donnees" / "autres.txt", "Autres;1\r\n");
    write_bytes(root / "donnees" / ".cache", "hidden\r\n");
    for (const char* name : {"fiche.htm", "ANCIEN.HTM", "page.html", "notes.txt"}) {
      write_bytes(root / "modeles" / name, "<html></html>\r\n");
    }
    write_settings({{"Source", (root / "donnees" / "data.txt").string()}});
  }
  static QString path(const fs::path& folder) { return QString::fromStdString(folder.string()); }

  const fs::path root = locations.root_folder;
};

TEST_F(Form1Choices, DataFileTemplateAndDestinationPickers) {
  start();
  double_click("source");
  EXPECT_TRUE(shown("ficsource") && !shown("destination"));
  double_click_entry("ficdir", path(root / "donnees"));
  EXPECT_EQ(find<QListWidget>("ficsource")->count(), 2);  // not ".cache"
  double_click_entry("ficsource", "autres.txt");
  EXPECT_EQ(caption("source"), (root / "donnees" / "autres.txt").string());
  EXPECT_EQ(stored("Source"), (root / "donnees" / "autres.txt").string());
  EXPECT_TRUE(!shown("ficsource") && shown("destination"));

  // Template files end in ".htm", whatever their case.
  double_click("fichiermodele");
  EXPECT_FALSE(enabled("source"));
  double_click_entry("Dirmodele", path(root / "modeles"));
  EXPECT_EQ(find<QListWidget>("ficmodele")->count(), 2);
  double_click_entry("ficmodele", "ANCIEN.HTM");
  EXPECT_EQ(caption("fichiermodele"), (root / "modeles" / "ANCIEN.HTM").string());
  EXPECT_EQ(stored("Modele"), (root / "modeles" / "ANCIEN.HTM").string());
  EXPECT_TRUE(!shown("ficmodele") && enabled("source"));

  // "Ok" waits for a change of folder.
  double_click("destination");
  EXPECT_FALSE(enabled("validedestination"));
  double_click_entry("dirdestination", path(root / "modeles"));
  EXPECT_TRUE(enabled("validedestination"));
  click("validedestination");
  const std::string modeles = folder_text(root / "modeles");
  EXPECT_EQ(caption("destination"), modeles);
  EXPECT_EQ(stored("Destination"), modeles);
  EXPECT_TRUE(!shown("dirdestination") && shown("destination") && enabled("Command1"));
  // Without the page pass the folder is written but not remembered, and
  // Command1 is left as it was. (The box is unticked while the picker is
  // open, as its click would disable the picker's group.)
  double_click("destination");
  double_click_entry("dirdestination", path(root));
  find<QCheckBox>("Check1")->setChecked(false);
  find("Command1")->setEnabled(false);
  click("validedestination");
  EXPECT_EQ(caption("destination"), folder_text(root));
  EXPECT_EQ(stored("Destination"), modeles);
  EXPECT_FALSE(enabled("Command1"));
}

TEST_F(Form1Choices, NamingAndTitleChoices) {
  start();
  click("Option2");
  EXPECT_FALSE(tag(1)->isEnabled());
  choose(tag(0), 0);
  choose(tag(1), 2);
  EXPECT_EQ(caption("exemplenom"), "Exemple: Ivo Brasset_disponible.htm");
  // A title tag sets the title column and leaves the example alone.
  click("titrep2");
  choose(tag(4), 12);
  EXPECT_EQ(form->run().title_index(), 12);
  EXPECT_EQ(caption("exemplenom"), "Exemple: Ivo Brasset_disponible.htm");

  // A start with names and titles from tags shows every tag, enabling those
  // holding a text.
  form.reset();
  start();
  EXPECT_TRUE(find<QRadioButton>("Option2")->isChecked() &&
              find<QRadioButton>("titrep2")->isChecked());
  for (int index = 0; index < 5; ++index) {
    EXPECT_FALSE(tag(index)->isHidden()) << index;
    EXPECT_EQ(tag(index)->isEnabled(), index != 2 && index != 3) << index;
  }
  EXPECT_EQ(caption("nomdufichierhtm(1)"), "Tag N°2");
  EXPECT_EQ(caption("nomdufichierhtm(4)"), "Tag N°12");
  EXPECT_TRUE(shown("exemplenom") && caption("exemplenom").empty());

  choose(tag(0), 4);
  choose(tag(1), 1);
  choose(tag(2), 3);
  choose(tag(3), 0);
  EXPECT_EQ(caption("exemplenom"), "Exemple: reggae_5489_140F_Ivo Brasset.htm");
  // A new data file: its first line, Windows-1252 bytes shown as their text.
  write_bytes(temp / "cp1252.txt", "Cr\xE8me br\xFBl\xE9\x65;12;x;y\r\n");
  find<QLineEdit>("source")->setText(path(temp / "cp1252.txt"));
  choose(tag(0), 0);
  EXPECT_EQ(caption("exemplenom"), "Exemple: Crème brûlée_12_y_Crème brûlée.htm");

  // Option1 clears the name tags and writes all five; titrep1 empties the title tag.
  click("Option1");
  for (int index = 0; index < 4; ++index) {
    EXPECT_TRUE(tag(index)->isHidden() && tag(index)->currentText().isEmpty()) << index;
  }
  EXPECT_FALSE(shown("exemplenom"));
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_EQ(stored("TagF0"), "");
  EXPECT_EQ(stored("TagF4"), "Tag N°12");
  click("titrep1");
  EXPECT_TRUE(tag(4)->isHidden() && tag(4)->currentText().isEmpty());
  EXPECT_EQ(stored("Titre"), "1");
  EXPECT_EQ(stored("TagF4"), "");

  // Names from tags but no first tag: quitting remembers Option1.
  click("Option2");
  ASSERT_EQ(stored("Option"), "2");
  click("Command2");
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Form1Choices, HelpIsReplacedAndHiddenAfterTheLatestDisplay) {
  // The real duration is 30 seconds; the rule does not depend on it.
  const int duration = 400;
  start(std::chrono::milliseconds(duration));
  click("source");
  EXPECT_EQ(caption("Aide"),
            "Double-cliquez dans le champ pour choisir le fichier contenant les données. Ce "
            "fichier doit être au format ASCII et chaque colonne doit être séparée par un "
            "point-virgule.\nExemple : Ivo Brasset;5489;disponible;140F;reggae");
  EXPECT_TRUE(shown("Aide") && shown("idee"));
  QTest::qWait(duration / 2);
  click("destination");
  QElapsedTimer since_latest;
  since_latest.start();
  EXPECT_EQ(caption("Aide"),
            "Double-cliquez dans le champ pour choisir le répertoire où seront crées les pages "
            "HTML.");
  QTRY_VERIFY_WITH_TIMEOUT(!shown("Aide"), 10000);
  EXPECT_GE(since_latest.elapsed(), duration - 5);
  EXPECT_TRUE(caption("Aide").empty() && !shown("idee"));
}

TEST_F(Form1Choices, EnablingRulesOfThePassBoxesAndTheLinkFolder) {
  start();
  // A click on a pass box: its group follows the tick, Command1 is as given.
  const auto click_box = [&](const char* box, bool command1) {
    click(box);
    EXPECT_EQ(enabled(box == std::string("Check1") ? "Frame2" : "Frame4"),
              find<QCheckBox>(box)->isChecked());
    EXPECT_EQ(enabled("Command1"), command1) << box;
  };
  click_box("Check1", false);  // both passes unticked
  click_box("Check1", true);   // the page pass with its three paths
  // Without a data file, ticking the page pass does not enable Command1.
  find<QLineEdit>("source")->clear();
  click_box("Check1", false);
  click_box("Check1", false);
  click_box("Check2", true);  // the link pass with its settings, whatever the page pass
  click_box("Check1", true);  // unticking the page pass leaves Command1
  // The page pass ticked with the link pass lacking a tag.
  find<QLineEdit>("source")->setText("/donnees.txt");
  find<QComboBox>("sourcelien")->setEditText(QString());
  click_box("Check1", false);

  // The link folder enables Command1 only with a link tag, and is then
  // remembered (with Check1 unticked, the change of the field alone is not).
  click_box("Check1", false);
  double_click("hyperdir");
  EXPECT_TRUE(shown("Dirlist") && !shown("sourcelien"));
  double_click_entry("Dirlist", path(root / "modeles"));
  click("Command3");
  const std::string modeles = folder_text(root / "modeles");
  EXPECT_EQ(caption("hyperdir"), modeles);
  EXPECT_NE(stored("Lien"), modeles);
  EXPECT_TRUE(!shown("Dirlist") && shown("sourcelien") && !enabled("Command1"));
  // Command3 stays enabled: a second press, now with a link tag.
  choose(find<QComboBox>("sourcelien"), 4);
  click("Command3");
  EXPECT_TRUE(enabled("Command1"));
  EXPECT_EQ(stored("Lien"), modeles);
}

}  // namespace
}  // namespace corvella::testing
