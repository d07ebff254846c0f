// What the user chooses in the window: the pickers by mouse and keyboard, the
// naming and title options with their example, the help, the enabling rules
// of the pass boxes and what each setting writes to the settings file, when.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>

#include "window/picker_lists.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

using Form1Choices = FoldersTest;

// Typing that starts a new keyboard search.
void type(QWidget* list, const char* text) {
  QTest::qWait(QApplication::keyboardInputInterval() + 50);
  QTest::keyClicks(list, text);
}

TEST_F(Form1Choices, PickersByMouseAndKeyboard) {
  start();
  click("Option2");
  double_click("source");
  auto* ficdir = find<window::FolderList>("ficdir");
  auto* ficsource = find<QListWidget>("ficsource");
  const auto current = [&] { return ficdir->currentItem()->text().toStdString(); };
  ficdir->setFocus();
  type(ficdir, "don");
  std::string found = current();
  QTest::keyClick(ficdir, Qt::Key_Return);
  // The next entry that starts with the letters, whatever their case.
  for (int count = 0; count < 2; ++count, found += " " + current()) type(ficdir, "a");
  EXPECT_EQ(found, "donnees Anciens archives");
  EXPECT_EQ(ficsource->count(), 3);  // not ".cache"
  // A file is chosen by Enter, not by moving to it; the name tags come back.
  type(ficsource, "a");
  type(ficsource, "c");
  QTest::keyClick(ficsource, Qt::Key_Enter);
  EXPECT_EQ(stored("Source"), (root / "donnees" / "catalogue.txt").string());
  EXPECT_TRUE(!shown("ficdir") && shown("nomdufichierhtm(0)") && shown("exemplenom"));

  // Backspace: the parent folder, from the file list or the folder list.
  double_click("source");
  QTest::keyClick(ficsource, Qt::Key_Backspace);
  EXPECT_EQ(current() + " " + std::to_string(ficsource->count()), "root 0");
  QTest::keyClick(ficdir, Qt::Key_Backspace);
  EXPECT_EQ(current(), temp.path().filename().string());
  // Another drive moves the folder list there.
  auto* drive = find<window::DriveList>("Drive1");
  drive->setFocus();
  QTest::keyClick(drive, Qt::Key_Down);
  EXPECT_EQ(ficdir->folder(), drive->current_folder());
  // Back on the first drive, which holds the current folder: the list goes there.
  const fs::path working = fs::current_path();
  fs::current_path(root / "donnees");
  QTest::keyClick(drive, Qt::Key_Up);
  fs::current_path(working);
  EXPECT_EQ(ficdir->folder().toStdString(), (root / "donnees").string());
  double_click_entry("ficsource", "autres.txt");
  EXPECT_EQ(stored("Source"), (root / "donnees" / "autres.txt").string());

  // Template files end in ".htm", whatever their case.
  double_click("fichiermodele");
  EXPECT_FALSE(enabled("source"));
  double_click_entry("Dirmodele", (root / "modeles").string());
  EXPECT_EQ(find<QListWidget>("ficmodele")->count(), 2);
  double_click_entry("ficmodele", "ANCIEN.HTM");
  EXPECT_EQ(stored("Modele"), (root / "modeles" / "ANCIEN.HTM").string());
  EXPECT_TRUE(!shown("ficmodele") && enabled("source") && shown("source") && shown("destination") &&
              shown("Option2"));

  // "Ok" waits for a change of folder.
  double_click("destination");
  EXPECT_TRUE(shown("fichiermodele") && !enabled("fichiermodele") && !enabled("source"));
  double_click_entry("dirdestination", (root / "modeles").string());
  click("validedestination");
  EXPECT_EQ(caption("destination") + "|" + stored("Destination"), modeles + "|" + modeles);
  EXPECT_TRUE(!shown("dirdestination") && enabled("Command1"));
  // A move by Backspace is a change too. Without the page pass the folder is
  // shown but not remembered, and Command1 is left as it was. (The box is
  // unticked while the picker is open, as its click would disable the picker.)
  double_click("destination");
  ASSERT_FALSE(enabled("validedestination"));
  QTest::keyClick(find("dirdestination"), Qt::Key_Backspace);
  find<QCheckBox>("Check1")->setChecked(false);
  find("Command1")->setEnabled(false);
  click("validedestination");
  EXPECT_EQ(caption("destination") + "|" + stored("Destination"),
            folder_text(root) + "|" + modeles);
  EXPECT_FALSE(enabled("Command1"));
  // The root of the file system is written with one "/".
  double_click("destination");
  double_click_entry("dirdestination", "/");
  click("validedestination");
  EXPECT_EQ(caption("destination"), "/");
  EXPECT_EQ(window::join_folder("/", "fromages.txt").toStdString(), "/fromages.txt");
}

TEST_F(Form1Choices, NamingAndTitleChoices) {
  start();
  click("Option2");
  EXPECT_FALSE(tag(1)->isEnabled());
  choose(tag(0), 0);
  choose(tag(1), 2);
  // A title tag sets the title column and leaves the example alone.
  click("titrep2");
  choose(tag(4), 12);
  EXPECT_EQ(caption("exemplenom"), "Exemple: Ivo Brasset_disponible.htm");
  EXPECT_EQ(form->run().title_index(), 12);
  for (int index = 0; const int entry : {4, 1, 3, 0}) choose(tag(index++), entry);
  EXPECT_EQ(caption("exemplenom"), "Exemple: reggae_5489_140F_Ivo Brasset.htm");
  // A new data file: its first line, Windows-1252 bytes shown as their text.
  write_bytes(temp / "cp1252.txt", "Cr\xE8me br\xFBl\xE9\x65;12;x;y\r\n");
  set_text("source", temp / "cp1252.txt");
  choose(tag(0), 0);
  EXPECT_EQ(caption("exemplenom"), "Exemple: Crème brûlée_12_y_Crème brûlée.htm");

  // Option1 clears the name tags and writes all five; titrep1 empties the title tag.
  click("Option1");
  for (int index = 0; index < 4; ++index)
    EXPECT_TRUE(tag(index)->isHidden() && tag(index)->currentText().isEmpty()) << index;
  EXPECT_FALSE(shown("exemplenom"));
  EXPECT_EQ(stored("Option") + stored("TagF0") + "|" + stored("TagF4"), "1|Tag N°12");
  click("titrep1");
  EXPECT_TRUE(tag(4)->isHidden() && tag(4)->currentText().isEmpty());
  EXPECT_EQ(stored("Titre") + "|" + stored("TagF4"), "1|");
  // Names from tags but no first tag: quitting remembers Option1.
  click("Option2");
  ASSERT_EQ(stored("Option"), "2");
  click("Command2");
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_FALSE(form->isVisible());
}

// Help lasts 30 seconds from its latest display; the rule does not depend on it.
TEST_F(Form1Choices, HelpLastsFromItsLatestDisplay) {
  const int duration = 2000;
  start(std::chrono::milliseconds(duration));
  click("source");
  QTest::qWait(duration / 2);
  click("destination");
  QElapsedTimer since_latest;
  since_latest.start();
  QTRY_VERIFY_WITH_TIMEOUT(!shown("Aide"), 10000);
  EXPECT_GE(since_latest.elapsed(), duration - 5);
  EXPECT_TRUE(caption("Aide").empty() && !shown("idee"));
}

TEST_F(Form1Choices, EnablingRulesOfThePassBoxesAndTheLinkFolder) {
  start();
  // A click on a pass box: its group follows the tick, Command1 is as given.
  const auto click_box = [&](const char* box, bool command1) {
    click(box);
    EXPECT_EQ(enabled(box[5] == '1' ? "Frame2" : "Frame4"), find<QCheckBox>(box)->isChecked());
    EXPECT_EQ(enabled("Command1"), command1) << box;
  };
  click_box("Check1", false);  // both passes unticked
  click_box("Check1", true);
  find<QLineEdit>("source")->clear();  // no data file
  click_box("Check1", false);
  click_box("Check1", false);
  click_box("Check2", true);  // the link pass, whatever the page pass
  click_box("Check1", true);  // unticking the page pass leaves Command1
  // The page pass ticked with the link pass lacking a tag.
  set_text("source", "/donnees.txt");
  find<QComboBox>("sourcelien")->setEditText(QString());
  click_box("Check1", false);

  // The link folder enables Command1 only with a link tag, and is then
  // remembered (with Check1 unticked, the change of the field alone is not).
  click_box("Check1", false);
  double_click("hyperdir");
  EXPECT_TRUE(shown("Dirlist") && !shown("sourcelien"));
  double_click_entry("Dirlist", (root / "modeles").string());
  click("Command3");
  EXPECT_EQ(caption("hyperdir") + "|" + stored("Lien"),
            modeles + "|" + folder_text(locations.working_folder));
  EXPECT_TRUE(!shown("Dirlist") && shown("sourcelien") && !enabled("Command1"));
  choose(find<QComboBox>("sourcelien"), 4);
  click("Command3");  // still enabled
  EXPECT_TRUE(enabled("Command1") && stored("Lien") == modeles);
}

TEST_F(Form1Choices, LinkSettingsAreRememberedWhileTheLinkPassIsTicked) {
  start();
  const std::string first_start = read_bytes(locations.settings_file);
  click("Check2");
  choose(find<QComboBox>("sourcelien"), 100);
  choose(find<QComboBox>("Textelien"), 7);
  find("Tag99")->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(find("Tag99"), "/f\b\b");  // an emptied field is not written
  const std::string remembered =
      first_start + "textesource=Tag N°100\r\nTextelien=Tag N°7\r\nTag99=/\r\n";
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);

  // Unticked: the group is disabled and nothing more is written.
  click("Check2");
  EXPECT_TRUE(!enabled("Frame4") && enabled("Command1"));
  choose(find<QComboBox>("sourcelien"), 4);
  choose(find<QComboBox>("Textelien"), 5);
  find<QLineEdit>("Tag99")->setText("/g");
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);
  // The paths of the page pass are written only while all three are filled.
  find<QLineEdit>("destination")->clear();
  find("source")->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(find("source"), "x");
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);
  click("Check2");
  find("hyperdir")->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(find("hyperdir"), "x");
  EXPECT_EQ(stored("Lien"), "x" + folder_text(locations.working_folder));
}

}  // namespace
}  // namespace corvella::testing
