// Naming and title choices with their example, the help display, the
// enabling rules of the pass boxes, the link settings and Command2.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

#include "window_fixture.h"

namespace corvella::testing {
namespace {

constexpr const char* kIvo = "Ivo Brasset;5489;disponible;140F;reggae\r\nsecond;record\r\n";

class ChoicesTest : public WindowTest {
 protected:
  void start_with_data(std::string_view first_lines) {
    write_bytes(temp / "data.txt", first_lines);
    write_settings({{"Source", (temp / "data.txt").string()}});
    start();
  }

  QComboBox* tag(int index) {
    return find<QComboBox>(("nomdufichierhtm(" + std::to_string(index) + ")").c_str());
  }
  std::string example() { return find<QLabel>("exemplenom")->text().toStdString(); }
  void click(const char* name) { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }
  bool command1_enabled() { return find<QWidget>("Command1")->isEnabled(); }
};

TEST_F(ChoicesTest, ExampleNameFromTheFirstLineOfTheDataFile) {
  start_with_data(kIvo);
  click("Option2");
  EXPECT_EQ(stored("Option"), "2");
  EXPECT_FALSE(tag(0)->isHidden());
  EXPECT_FALSE(tag(1)->isEnabled());

  choose(tag(0), 0);
  EXPECT_TRUE(tag(1)->isEnabled());
  choose(tag(1), 2);
  EXPECT_EQ(example(), "Exemple: Ivo Brasset_disponible.htm");
  EXPECT_EQ(stored("TagF1"), "Tag N°2");

  choose(tag(0), 4);
  choose(tag(1), 1);
  choose(tag(2), 3);
  choose(tag(3), 0);
  EXPECT_EQ(example(), "Exemple: reggae_5489_140F_Ivo Brasset.htm");
  EXPECT_EQ(stored("TagF3"), "Tag N°0");

  // A box without a choice adds nothing; the next one still counts.
  choose(tag(0), 0);
  tag(1)->setCurrentIndex(-1);
  tag(1)->setEditText(QString());
  choose(tag(2), 2);
  tag(3)->setCurrentIndex(-1);
  tag(3)->setEditText(QString());
  choose(tag(2), 2);
  EXPECT_EQ(example(), "Exemple: Ivo Brasset_disponible.htm");
  // Enabling is one-way.
  EXPECT_TRUE(tag(3)->isEnabled());

  // A title tag sets the title column index and leaves the example alone.
  click("titrep2");
  choose(tag(4), 12);
  EXPECT_EQ(form->run().title_index(), 12);
  EXPECT_EQ(example(), "Exemple: Ivo Brasset_disponible.htm");
  EXPECT_EQ(stored("TagF4"), "Tag N°12");

  // A new data file: its first line, Windows-1252 bytes shown as their text.
  write_bytes(temp / "cp1252.txt", "Cr\xE8me br\xFBl\xE9\x65;12\r\n");
  find<QLineEdit>("source")->setText(QString::fromStdString((temp / "cp1252.txt").string()));
  choose(tag(0), 1);
  EXPECT_EQ(example(), "Exemple: 12_disponible.htm");
  choose(tag(0), 0);
  EXPECT_EQ(example(), "Exemple: Crème brûlée_disponible.htm");
}

TEST_F(ChoicesTest, Option1ClearsTheNameTagsAndTitrep1TheTitleTag) {
  start_with_data(kIvo);
  click("Option2");
  choose(tag(0), 4);
  choose(tag(1), 1);
  click("titrep2");
  EXPECT_EQ(stored("Titre"), "2");
  EXPECT_FALSE(tag(4)->isHidden());
  choose(tag(4), 7);

  click("Option1");
  for (int index = 0; index < 4; ++index) {
    EXPECT_TRUE(tag(index)->isHidden());
    EXPECT_EQ(tag(index)->currentText().toStdString(), "");
  }
  EXPECT_TRUE(find<QWidget>("exemplenom")->isHidden());
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_EQ(stored("TagF0"), "");
  EXPECT_EQ(stored("TagF3"), "");
  EXPECT_EQ(stored("TagF4"), "Tag N°7");

  // Back to tags: empty boxes, the last example until the next choice.
  click("Option2");
  EXPECT_FALSE(tag(0)->isHidden());
  EXPECT_EQ(tag(0)->currentText().toStdString(), "");
  EXPECT_EQ(example(), "Exemple: reggae_5489.htm");

  click("titrep1");
  EXPECT_TRUE(tag(4)->isHidden());
  EXPECT_EQ(tag(4)->currentText().toStdString(), "");
  EXPECT_EQ(stored("Titre"), "1");
  EXPECT_EQ(stored("TagF4"), "");
}

TEST_F(ChoicesTest, HelpTexts) {
  start();
  click("Check2");
  QApplication::setActiveWindow(form.get());
  const auto aide = [&] { return find<QLabel>("Aide")->text().toStdString(); };

  QTest::mouseClick(find<QWidget>("source"), Qt::LeftButton);
  EXPECT_EQ(
      aide(),
      "Double-cliquez dans le champ pour choisir le fichier contenant les données. Ce fichier "
      "doit être au format ASCII et chaque colonne doit être séparée par un point-virgule.\n"
      "Exemple : Ivo Brasset;5489;disponible;140F;reggae");
  EXPECT_FALSE(find<QWidget>("Aide")->isHidden());
  EXPECT_FALSE(find<QWidget>("idee")->isHidden());
  QTest::mouseClick(find<QWidget>("fichiermodele"), Qt::LeftButton);
  EXPECT_EQ(aide(),
            "Double-cliquez dans le champ pour choisir le fichier HTML modèle.\n"
            "Celui-ci doit au préalable contenir des 'tags' qui correspondront aux colonnes du "
            "fichier de données.\nExemple: <!--tag2--> (ligne vide) <!--/tag2-->");
  // Any button.
  QTest::mouseClick(find<QWidget>("destination"), Qt::MiddleButton);
  EXPECT_EQ(aide(),
            "Double-cliquez dans le champ pour choisir le répertoire où seront crées les pages "
            "HTML.");
  QTest::mouseClick(find<QWidget>("hyperdir"), Qt::LeftButton);
  EXPECT_EQ(aide(),
            "Double-cliquez dans le champ pour choisir le répertoire où se trouvent les pages "
            "HTML à traiter.");
  find<QWidget>("sourcelien")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(aide(),
            "Choisissez le tag à rechercher dans toutes les pages HTML.\nLe tag sélectionné sera "
            "cherché dans toutes les pages et toute page ayant le même contenu sera liée.");
  find<QWidget>("Textelien")->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(aide(),
            "Choisissez le tag dont le contenu sera placé sur chaque lien.\nLe contenu du tag "
            "sera lu dans chaque fichier lié et placé comme texte visible de lien.");
  find<QWidget>("Tag99")->setFocus(Qt::TabFocusReason);
  const std::string address = window::kWebAddress;
  EXPECT_EQ(aide(),
            "Choisissez le texte à placer avant le lien hypertexte.\nExemple : si vous "
            "écrivez " +
                address + ", le lien complet sera :\n<a href=\"" + address +
                "tag de lien\">tag de texte</a><br>");
  EXPECT_EQ(address.back(), '/');

  // A press of "Lancer" clears the help at once.
  find<QLineEdit>("source")->clear();
  click("Command1");
  EXPECT_EQ(aide(), "");
  EXPECT_TRUE(find<QWidget>("Aide")->isHidden());
  EXPECT_TRUE(find<QWidget>("idee")->isHidden());
}

TEST_F(ChoicesTest, HelpDisappearsAfterTheLatestDisplay) {
  // The real duration is 30 seconds; the rule does not depend on it.
  const int duration = 400;
  start(std::chrono::milliseconds(duration));
  auto* aide = find<QLabel>("Aide");
  QTest::mouseClick(find<QWidget>("source"), Qt::LeftButton);
  QTest::qWait(duration / 2);
  QTest::mouseClick(find<QWidget>("destination"), Qt::LeftButton);
  QElapsedTimer since_latest;
  since_latest.start();
  EXPECT_TRUE(aide->text().startsWith("Double-cliquez dans le champ pour choisir le répertoire"));

  // Meanwhile the window stays usable.
  find<QLineEdit>("Tag99")->setText("https://exemple.fr/");
  QTRY_VERIFY_WITH_TIMEOUT(aide->isHidden(), 10000);
  EXPECT_GE(since_latest.elapsed(), duration - 5);
  EXPECT_EQ(aide->text().toStdString(), "");
  EXPECT_TRUE(find<QWidget>("idee")->isHidden());
}

TEST_F(ChoicesTest, EnablingRulesOfThePassBoxes) {
  start();
  // Unticking both passes disables Command1.
  click("Check1");
  EXPECT_FALSE(find<QWidget>("Frame2")->isEnabled());
  EXPECT_FALSE(command1_enabled());
  // Ticking the page pass with its three paths filled enables it.
  click("Check1");
  EXPECT_TRUE(find<QWidget>("Frame2")->isEnabled());
  EXPECT_TRUE(command1_enabled());

  // Ticking the link pass with its three settings filled enables it, even
  // when the page pass lacks its paths.
  find<QLineEdit>("source")->clear();
  click("Check1");
  EXPECT_FALSE(command1_enabled());
  click("Check1");
  EXPECT_FALSE(command1_enabled());
  click("Check2");
  EXPECT_TRUE(find<QWidget>("Frame4")->isEnabled());
  EXPECT_TRUE(command1_enabled());

  // Unticking the page pass while the link pass is ticked leaves Command1.
  click("Check1");
  EXPECT_FALSE(find<QWidget>("Frame2")->isEnabled());
  EXPECT_TRUE(command1_enabled());

  // The paths filled but the text tag empty: ticking the page pass with the
  // link pass ticked disables Command1.
  find<QLineEdit>("source")->setText("/donnees.txt");
  find<QComboBox>("Textelien")->setEditText(QString());
  click("Check1");
  EXPECT_FALSE(command1_enabled());
  click("Check2");
  EXPECT_FALSE(find<QWidget>("Frame4")->isEnabled());
  EXPECT_FALSE(command1_enabled());
}

TEST_F(ChoicesTest, LinkSettingsAreRememberedOnlyWithTheLinkPass) {
  start();
  auto* tag99 = find<QLineEdit>("Tag99");
  tag99->setText("https://avant.example/");
  choose(find<QComboBox>("sourcelien"), 6);
  EXPECT_EQ(stored("Tag99"), "<absent>");
  EXPECT_EQ(stored("textesource"), "<absent>");

  click("Check2");
  tag99->clear();
  tag99->setFocus();
  QTest::keyClicks(tag99, "h");
  EXPECT_EQ(stored("Tag99"), "h");
  QTest::keyClicks(tag99, "t");
  EXPECT_EQ(stored("Tag99"), "ht");
  // Emptied: the last value stays.
  tag99->clear();
  EXPECT_EQ(stored("Tag99"), "ht");

  choose(find<QComboBox>("sourcelien"), 6);
  EXPECT_EQ(stored("Textesource"), "Tag N°6");
  choose(find<QComboBox>("Textelien"), 9);
  EXPECT_EQ(stored("Textelien"), "Tag N°9");
  // A typed text is not a choice from the list.
  QTest::keyClicks(find<QComboBox>("Textelien")->lineEdit(), "1");
  EXPECT_EQ(stored("Textelien"), "Tag N°9");
}

TEST_F(ChoicesTest, QuittingSettlesTheNamingChoices) {
  start_with_data(kIvo);
  click("Option2");
  click("titrep2");
  ASSERT_EQ(stored("Option"), "2");
  click("Command2");
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_EQ(stored("Titre"), "1");
  EXPECT_EQ(stored("TagF0"), "");
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace corvella::testing
