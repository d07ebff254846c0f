// The real Form1 on Qt's offscreen platform, every fixed location in the
// test's own folder, its message boxes and beeps recorded, its controls driven
// by name: start-up, a press of "Lancer", the user's choices, and the window on
// a desktop (fonts and DPIs, keyboard, screen readers, command line).

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest/QTest>
#include <sstream>

#include "registry/win_registry.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "test_support.h"
#include "version.h"
#include "window/command_line.h"
#include "window/form1.h"
#include "window/module1.h"
#include "window/picker_lists.h"
#include "window/stop_signals.h"

namespace corvella::testing {
namespace {

const fs::path kExamples = CORVELLA_EXAMPLES;

// Its RecordingView half is only the notifier: message boxes and beeps.
class WindowTest : public ::testing::Test, public RecordingView {
 protected:
  ~WindowTest() override {
    form.reset();
    QApplication::processEvents();
  }
  void start(std::chrono::milliseconds help_duration = std::chrono::seconds(30)) {
    form = std::make_unique<window::Form1>(window::Form1Seams{
        .locations = locations, .notifier = this, .help_duration = help_duration});
    form->show();
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
  void double_click_entry(const char* list_name, const char* entry) const {
    auto* list = find<QListWidget>(list_name);
    const QList<QListWidgetItem*> items = list->findItems(entry, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << entry << " in " << list_name;
    const QPoint centre = list->visualItemRect(items.front()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
  }
  void set_text(const char* name, const fs::path& text) const {
    find<QLineEdit>(name)->setText(QString::fromStdString(text.string()));
  }
  // `count` records named `prefix`N, then a good one, for the working folder.
  void start_with(int count, const std::string& prefix) {
    std::string lines;
    for (int index = 0; index < count; ++index)
      lines += prefix + std::to_string(index) + ";Tomme des Combes;Savoie;Tomme;Lait cru\r\n";
    write_bytes(temp / "records.txt", lines + "fiche-bonne;Bonne\r\n");
    write_settings({{"Source", (temp / "records.txt").string()}});
    start();
  }
  Texts pages_on_disk() const {
    Texts names = file_names(pages);
    std::erase_if(names, [](const std::string& name) { return !name.ends_with(".htm"); });
    return names;
  }
  // Once three pages are made, `act` runs at the next event point, as a
  // click during the run would land; the pages made are kept, whole.
  void during_run(const std::function<void()>& act) {
    bool done = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (pages_on_disk().size() >= 3 && !std::exchange(done, true)) act();
    });
    timer.start(0);
    click("Command1");
    const Texts names = pages_on_disk();
    EXPECT_TRUE(names.size() >= 3 && names.size() < 400);
    for (const std::string& name : file_names(pages)) EXPECT_FALSE(name.ends_with(".tmp")) << name;
    const std::string page = read_bytes(pages / names.front());
    EXPECT_TRUE(page.ends_with("</html>\r\n") && page.find("<a href =") == std::string::npos);
  }
  void expect_idle(const char* frame) const {
    EXPECT_EQ(caption("Frame1") + "|" + caption("temps") + "|" + caption("Command1"),
              frame + std::string("|Terminé!|Lancer"));
    EXPECT_TRUE(enabled("Command2") && enabled("Frame2") && enabled("Frame4") && !shown("Aide"));
    EXPECT_EQ(beeps, 1);
  }
  // The named controls that take the focus from Check1 round to it again.
  std::string tab_stops() const {
    find("Check1")->setFocus(Qt::TabFocusReason);
    std::string stops = "Check1";
    for (int count = 0; count < 60; ++count) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* widget = QApplication::focusWidget();
      while (widget && (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")))
        widget = widget->parentWidget();
      if (!widget || widget->objectName() == "Check1") break;
      stops += " " + widget->objectName().toStdString();
    }
    return stops;
  }
  TempDir temp;
  Locations locations{temp / "config" / "Corvella.ini", temp / "corvella", temp / "root",
                      temp / "registry.sqlite", kExamples};
  std::unique_ptr<window::Form1> form;
  const fs::path pages = locations.working_folder;
};

// What the user chooses, in a root folder as users fill it: data files (one
// hidden), templates among other files, and folders to move through.
class Form1Choices : public WindowTest {
 protected:
  Form1Choices() {
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

using Form1Start = WindowTest;

// A first start without settings; the folder of the program's file in the
// registry store holds the examples. Windows-1252 values are shown as text and
// go to the run and back to the file as their own bytes; a typed text is
// written as UTF-8. The naming and title choices are restored each on its own.
TEST_F(Form1Start, FirstStartInstallFolderAndRestoredValuesAndChoices) {
  const std::string app_paths =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";
  start();  // makes the key, lasting, for an installer to fill
  const std::string working = folder_text(locations.working_folder);
  EXPECT_EQ(caption("source") + "|" + caption("fichiermodele") + "|" + caption("destination") +
                "|" + caption("hyperdir") + "|" + caption("Textelien"),
            folder_text(kExamples) + kExampleData + "|" + folder_text(kExamples) +
                kExampleTemplate + "|" + working + "|" + working + "|Tag N°3");
  EXPECT_FALSE(shown("Aide"));
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

  const std::string file =
      "[Parametres]\r\nDestination=/srv/d\xE9st/\r\nLien=/srv/d\xE9st/\r\n"
      "textesource=Tag N\2604\r\nTag99=/caves/B\373che/\r\n";
  write_bytes(locations.settings_file, file);
  start();
  EXPECT_EQ(caption("destination") + caption("sourcelien") + caption("Tag99"),
            "/srv/dést/Tag N°4/caves/Bûche/");
  const RunSettings run = form->read_settings();
  EXPECT_EQ(run.destination + run.lien + run.textesource + run.tag99,
            "/srv/d\xE9st//srv/d\xE9st/Tag N\2604/caves/B\373che/");
  // Chosen again, the link tag is saved under its own spelling of the key, as its bytes.
  find("Check2")->setProperty("checked", true);
  choose(find<QComboBox>("sourcelien"), 4);
  EXPECT_EQ(read_bytes(locations.settings_file), file);
  find<QLineEdit>("hyperdir")->setText(QString::fromUtf8("/srv/dès/"));
  EXPECT_EQ(stored("Lien"), "/srv/d\xC3\xA8s/");

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

using Form1Run = WindowTest;

TEST_F(Form1Run, ValidationThenBothPassesFromTheExampleFiles) {
  start();
  // The bars paint their own colours over the frame's.
  for (const auto& [name, colour] : {std::pair("pictotal", "#0000ff"), {"piccours", "#8080ff"}}) {
    QWidget* bar = find(name);
    bar->resize(40, bar->height());
    bar->show();
    const QImage shot = bar->parentWidget()->grab(bar->geometry()).toImage();
    EXPECT_EQ(shot.pixelColor(20, bar->height() / 2).name().toStdString(), colour) << name;
  }
  find<QLineEdit>("destination")->clear();
  click("Command1");
  EXPECT_EQ(messages, Texts{"critical: Vous devez choisir un répertoire de destination"});
  EXPECT_TRUE(beeps == 0 && pages_on_disk().empty());

  set_text("destination", folder_text(pages));
  // Names and titles from tags but no tag chosen: the run settles both back.
  for (const char* name : {"Option2", "titrep2", "Check2"}) click(name);
  find<QLineEdit>("Tag99")->setText("https://fromages.example/");
  click("source");  // its help, which the run clears
  click("Command1");
  EXPECT_EQ(messages.back(), "information: Traitement terminé...");
  expect_idle("Génération terminée");
  EXPECT_EQ(stored("Option") + stored("Titre"), "11");
  ASSERT_EQ(pages_on_disk().size(), 16u);
  const std::string page = read_bytes(pages / "tomme-des-combes.htm");
  EXPECT_NE(page.find("\r\nTomme des Combes, la douceur des alpages\r\n"), std::string::npos);
  // Linked by region (tag 2), each link showing the page's name (tag 3).
  EXPECT_NE(page.find("<a href =\"https://fromages.example/chevre-des-cimes.htm\">Chèvre des "
                      "Cimes</a><br>\r\n<a href =\"https://fromages.example/grand-alpage.htm\">"
                      "Grand Alpage</a><br>"),
            std::string::npos);
}

TEST_F(Form1Run, EndMessageNamesThePagesThatCouldNotBeMade) {
  start_with(101, "../fiche-");  // names that would leave the folder
  click("Command1");
  EXPECT_EQ(
      messages,
      Texts{"warning: Traitement terminé, mais 101 pages n'ont pas pu être créées ou liées."});
  std::string listed;
  for (int index = 0; index < 100; ++index)
    listed += "../fiche-" + std::to_string(index) + ".htm : nom de page refusé\n";
  EXPECT_EQ(details.back(), listed + "...\n");
  expect_idle("Génération terminée");
  EXPECT_EQ(pages_on_disk(), Texts{"fiche-bonne.htm"});
  write_bytes(temp / "records.txt", "../seule;Seule\r\n");
  click("Command1");
  EXPECT_EQ(messages.back(),
            "warning: Traitement terminé, mais 1 page n'a pas pu être créée ou liée.");
}

TEST_F(Form1Run, StopPressedOrSigtermDuringARun) {
  start_with(400, "fiche-");
  click("Check2");  // links elsewhere, so in a pass of their own that must not run after a stop
  set_text("hyperdir", temp.text());
  during_run([&] {
    EXPECT_EQ(caption("Command1"), "Arrêter");
    EXPECT_FALSE(enabled("Command2") || enabled("Frame2"));
    click("Command1");
  });
  EXPECT_EQ(messages, Texts{"information: Traitement interrompu..."});
  expect_idle("");

  // SIGTERM: the same stop, no message box, then the window closes.
  for (const std::string& name : pages_on_disk()) fs::remove(pages / name);
  window::StopSignals stop_signals(*form);
  during_run([] { std::raise(SIGTERM); });
  EXPECT_EQ(stop_signals.received(), SIGTERM);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(form->isVisible());
}

// Each tag entry hints at its column of the first record of the chosen data
// file, as plain text cut at 60 characters; a shorter or missing first line
// leaves no hint.
TEST_F(Form1Choices, PickersByMouseAndKeyboardAndTheTagHintsOfTheChosenFile) {
  start();
  const auto type = [](QWidget* list, const char* text) {  // a new keyboard search
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(list, text);
  };
  const auto hints = [&](const char* list, std::initializer_list<int> rows) {
    std::string texts;
    for (int row : rows)
      texts += find<QComboBox>(list)->itemData(row, Qt::ToolTipRole).toString().toStdString() + "|";
    return texts;
  };
  click("Option2");
  double_click("source");
  EXPECT_EQ(tab_stops(), "Check1 Check2 Drive1 ficdir ficsource titrep1 Command1 Command2");
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
  for (const char* text : {"a", "c"}) type(ficsource, text);
  QTest::keyClick(ficsource, Qt::Key_Enter);
  EXPECT_EQ(stored("Source"), (root / "donnees" / "catalogue.txt").string());
  EXPECT_TRUE(!shown("ficdir") && shown("nomdufichierhtm(0)") && shown("exemplenom"));
  EXPECT_EQ(hints("sourcelien", {0, 2, 3, 5, 100}) + hints("nomdufichierhtm(4)", {1}),
            "Ivo Brasset|<p style=\"white-space:pre\">&lt;b&gt;disponible&lt;/b&gt;</p>|"
            "Édition remasterisée de l'album enregistré à Kingston en 197|||5489|");

  // Backspace: the parent folder, from the file list or the folder list.
  double_click("source");
  QTest::keyClick(ficsource, Qt::Key_Backspace);
  EXPECT_EQ(current() + " " + std::to_string(ficsource->count()), "root 0");
  QTest::keyClick(ficdir, Qt::Key_Backspace);
  EXPECT_EQ(current(), temp.path().filename().string());
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
  EXPECT_EQ(hints("Textelien", {0, 1, 2, 4}), "Autres|12|||");

  // Template files end in ".htm", whatever their case.
  double_click("fichiermodele");
  EXPECT_FALSE(enabled("source"));
  double_click_entry("Dirmodele", "modeles");
  EXPECT_EQ(find<QListWidget>("ficmodele")->count(), 2);
  double_click_entry("ficmodele", "ANCIEN.HTM");
  EXPECT_EQ(stored("Modele"), (root / "modeles" / "ANCIEN.HTM").string());
  EXPECT_TRUE(!shown("ficmodele") && enabled("source") && shown("source") && shown("destination") &&
              shown("Option2"));

  // "Ok" waits for a change of folder; the field's text is not selected.
  double_click("destination");
  EXPECT_TRUE(shown("fichiermodele") && !enabled("fichiermodele") && !enabled("source"));
  EXPECT_FALSE(find<QLineEdit>("destination")->hasSelectedText());
  double_click_entry("dirdestination", "modeles");
  click("validedestination");
  EXPECT_EQ(caption("destination") + "|" + stored("Destination"), modeles + "|" + modeles);
  EXPECT_TRUE(!shown("dirdestination") && enabled("Command1"));
  // A move by Backspace is a change too. Without the page pass (unticked while the picker
  // is open: a click would disable it) the folder is shown, not remembered, Command1 left.
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
  set_text("source", "/nulle/part.txt");
  EXPECT_EQ(hints("nomdufichierhtm(0)", {0}), "|");
}

TEST_F(Form1Choices, NamingAndTitleChoices) {
  start();
  click("Option2");
  EXPECT_FALSE(tag(1)->isEnabled());
  for (int index = 0; const int entry : {0, 2}) choose(tag(index++), entry);
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
  EXPECT_FALSE(shown("exemplenom"));
  EXPECT_EQ(stored("Option") + stored("TagF0") + "|" + stored("TagF4"), "1|Tag N°12");
  click("titrep1");
  EXPECT_EQ(stored("Titre") + "|" + stored("TagF4"), "1|");
  for (int index = 0; index < 5; ++index)
    EXPECT_TRUE(tag(index)->isHidden() && tag(index)->currentText().isEmpty()) << index;
  // Names from tags but no first tag: quitting remembers Option1.
  click("Option2");
  ASSERT_EQ(stored("Option"), "2");
  click("Command2");
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_FALSE(form->isVisible());
}

// Help lasts 30 seconds from its latest display; the rule does not depend on it.
TEST_F(Form1Choices, HelpLastsFromItsLatestDisplayAndNotOnFocusComingBack) {
  const int duration = 2000;
  start(std::chrono::milliseconds(duration));
  click("source");
  QTest::qWait(duration / 2);
  click("destination");
  const auto latest = std::chrono::steady_clock::now();
  QTRY_VERIFY_WITH_TIMEOUT(!shown("Aide"), 10000);
  EXPECT_GE(std::chrono::steady_clock::now() - latest, std::chrono::milliseconds(duration - 5));
  click("Check2");  // focus back from another window or a list's popup: no help
  find("sourcelien")->setFocus(Qt::ActiveWindowFocusReason);
  find("Textelien")->setFocus(Qt::PopupFocusReason);
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
  // The page pass ticked, then the link pass ticked again, with the link pass lacking a tag.
  set_text("source", "/donnees.txt");
  find<QComboBox>("sourcelien")->setEditText(QString());
  for (const char* box : {"Check1", "Check2", "Check2"}) click_box(box, false);

  // The link folder enables Command1 only with a link tag, and is then
  // remembered (with Check1 unticked, the change of the field alone is not).
  click_box("Check1", false);
  double_click("hyperdir");
  EXPECT_TRUE(shown("Dirlist") && !shown("sourcelien"));
  double_click_entry("Dirlist", "modeles");
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
  QTest::keyClicks(find("source"), "x");
  EXPECT_EQ(read_bytes(locations.settings_file), remembered);
  click("Check2");
  QTest::keyClicks(find("hyperdir"), "x");
  EXPECT_EQ(stored("Lien"), "x" + folder_text(locations.working_folder));
}

// What the caption of a control needs, asked of the control and its style.
QSize caption_need(const QWidget* control) {
  const QStyle* style = control->style();
  const auto* label = qobject_cast<const QLabel*>(control);
  if (label && label->text().isEmpty() && label->pixmap().isNull()) return {0, 0};
  if (label && label->wordWrap())
    return {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
  if (label || qobject_cast<const QCheckBox*>(control)) return control->sizeHint();
  if (const auto* radio = qobject_cast<const QRadioButton*>(control)) {
    const int beside = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    const QRect room(0, 0, radio->width() - beside, 10000);
    return {0, radio->fontMetrics().boundingRect(room, Qt::TextWordWrap, radio->text()).height()};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    return {button->fontMetrics().horizontalAdvance(button->text()) +
                2 * style->pixelMetric(QStyle::PM_ButtonMargin),
            button->sizeHint().height()};
  }
  if (qobject_cast<const QGroupBox*>(control)) return {control->minimumSizeHint().width(), 0};
  if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control))
    return {0, control->sizeHint().height()};
  return {0, 0};
}

void expect_captions_whole(const QWidget& form, const std::string& when) {
  for (const QWidget* control : form.findChildren<QWidget*>()) {
    const QString name = control->objectName();
    if (name.isEmpty() || name.startsWith("qt_") || control->isHidden()) continue;
    const QSize need = caption_need(control);
    EXPECT_TRUE(need.width() <= control->width() && need.height() <= control->height() &&
                control->parentWidget()->rect().contains(control->geometry()))
        << when << ": " << name.toStdString() << " needs " << need.width() << "x" << need.height()
        << " inside its group, has " << control->width() << "x" << control->height();
  }
}

// Run again at 120 and 144 DPI by tests/window/CMakeLists.txt.
class Form1FontFit : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Form1FontFit, CaptionsWholeHelpTextsExactLabelsTiedAndTabTopToBottom) {
  write_bytes(temp / "regions.txt", "Region 0;page12920;Côte d'Azur;Hôtel;juin\n");
  write_settings({{"Source", (temp / "regions.txt").string()}});
  const QFont system_font = QApplication::font();
  QApplication::setFont(QFont(GetParam()));
  start();
  QApplication::setFont(system_font);
  ASSERT_EQ(QFontInfo(form->font()).family().toStdString(), GetParam())
      << "scripts/install-deps installs the font";
  ASSERT_EQ(form->logicalDpiY(), std::max(96, qEnvironmentVariableIntValue("CORVELLA_TEST_DPI")));
  EXPECT_EQ(tab_stops(),
            "Check1 Check2 source fichiermodele destination Option1 titrep1 Command1 Command2");
  click("Option2");
  expect_captions_whole(*form, "at start");
  EXPECT_EQ(find("nomdufichierhtm(1)")->accessibleName().toStdString(), "Tag 2 du nom des pages");

  for (int index = 0; const int entry : {0, 1}) choose(tag(index++), entry);
  ASSERT_EQ(caption("exemplenom"), "Exemple: Region 0_page12920.htm");
  click("titrep2");
  find<QPushButton>("Command1")->setText("Arrêter");
  expect_captions_whole(*form, "naming from tags, during a run");
  // Each field's label and help text, on a click or, for the link settings, on Tab.
  click("Check2");
  EXPECT_EQ(tab_stops(),
            "Check1 Check2 source fichiermodele destination Option2 nomdufichierhtm(0) "
            "nomdufichierhtm(1) nomdufichierhtm(2) titrep2 nomdufichierhtm(4) hyperdir sourcelien "
            "Textelien Tag99 Command1 Command2");
  std::string texts;
  const std::pair<const char*, const char*> fields[] = {
      {"source", "Label4"},   {"fichiermodele", "Label7"}, {"destination", "Label5"},
      {"hyperdir", "Label8"}, {"sourcelien", "Label6"},    {"Textelien", "Label9"},
      {"Tag99", "Label10"}};
  for (int index = 0; const auto& [name, label] : fields) {
    index++ < 4 ? click(name) : QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    texts += caption("Aide") + "|";
    EXPECT_TRUE(shown("Aide") && shown("idee")) << name;
    EXPECT_EQ(find<QLabel>(label)->buddy(), find(name)) << label;
    EXPECT_EQ(find(name)->accessibleName().toStdString(), caption(label)) << name;
    expect_captions_whole(*form, std::string("help of ") + name);
  }
  const std::string address = window::kWebAddress;
  EXPECT_EQ(texts,
            "Double-cliquez dans le champ pour choisir le fichier contenant les données. Ce "
            "fichier doit être au format ASCII et chaque colonne doit être séparée par un "
            "point-virgule.\nExemple : Ivo Brasset;5489;disponible;140F;reggae|Double-cliquez dans "
            "le champ pour choisir le fichier HTML modèle.\nCelui-ci doit au préalable contenir "
            "des 'tags' qui correspondront aux colonnes du fichier de données.\nExemple: "
            "<!--tag2--> (ligne vide) <!--/tag2-->|Double-cliquez dans le champ pour choisir le "
            "répertoire où seront crées les pages HTML.|Double-cliquez dans le champ pour choisir "
            "le répertoire où se trouvent les pages HTML à traiter.|Choisissez le tag à rechercher "
            "dans toutes les pages HTML.\nLe tag sélectionné sera cherché dans toutes les pages et "
            "toute page ayant le même contenu sera liée.|Choisissez le tag dont le contenu sera "
            "placé sur chaque lien.\nLe contenu du tag sera lu dans chaque fichier lié et placé "
            "comme texte visible de lien.|Choisissez le texte à placer avant le lien "
            "hypertexte.\nExemple : si vous écrivez " +
                address + ", le lien complet sera :\n<a href=\"" + address +
                "tag de lien\">tag de texte</a><br>|");
  for (const char* name : {"destination", "hyperdir"}) double_click(name);
  expect_captions_whole(*form, "two pickers open");
  EXPECT_EQ(tab_stops(),
            "Check1 Check2 Drive3 dirdestination nomdufichierhtm(0) nomdufichierhtm(1) "
            "nomdufichierhtm(2) titrep2 nomdufichierhtm(4) Drive4 Dirlist Command3 Command1 "
            "Command2");
}

INSTANTIATE_TEST_SUITE_P(Fonts, Form1FontFit,
                         ::testing::Values("Noto Sans", "DejaVu Sans", "Liberation Sans"));

TEST(Form1CommandLine, HelpVersionAndWrongArguments) {
  const std::string help =
      "Usage : corvella [--help | --version]\n"
      "Ouvre la fenêtre de Corvella, le générateur de pages HTML : une page par\n"
      "ligne d'un fichier de données (colonnes séparées par ;), faite à partir\n"
      "d'un modèle HTML, puis des liens entre les pages dont un même tag a le\n"
      "même contenu.\n\n"
      "Pour générer les pages sans fenêtre, utilisez corvella-batch\n"
      "(corvella-batch --help).\n\n"
      "  --help     cette aide\n"
      "  --version  la version du programme\n\n"
      "Les choix faits dans la fenêtre sont enregistrés dans\n  " +
      std::string(std::getenv("XDG_CONFIG_HOME")) + "/corvella/Corvella.ini\n";
  const std::string wrong = "corvella : argument inconnu : ";
  const std::string again = "\nEssayez « corvella --help ».\n";
  const std::tuple<std::vector<const char*>, std::optional<int>, std::string> cases[] = {
      {{"corvella", "--help"}, 0, help + "|"},
      {{"corvella", "--version"}, 0, std::string("corvella ") + kVersion + "\n|"},
      {{"corvella", "-h"}, 2, "|" + wrong + "-h" + again},
      {{"corvella", "--version", "données.txt"}, 2, "|" + wrong + "données.txt" + again},
      {{"corvella"}, std::nullopt, "|"},  // the window opens
  };
  for (const auto& [argv, status, out_err] : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(window::answer_command_line(static_cast<int>(argv.size()), argv.data(), out, err),
              status);
    EXPECT_EQ(out.str() + "|" + err.str(), out_err);
  }
}

}  // namespace
}  // namespace corvella::testing

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
