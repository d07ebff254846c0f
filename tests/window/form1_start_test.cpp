// The window as start-up leaves it: its controls, the remembered settings
// put back, the install folder, and CentreForm.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "registry/win_registry.h"
#include "window/module1.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

QString caption_of(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* field = qobject_cast<const QLineEdit*>(widget)) return field->text();
  if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->currentText();
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  return {};
}

struct Expected {
  const char* name;
  const char* kind;
  const char* caption;  // nullptr: not looked at
  bool shown;
  bool enabled;  // the control's own state, whatever its group's
};

TEST_F(WindowTest, ControlsAfterAFirstStart) {
  start();
  const std::string working = folder_text(locations.working_folder);
  const std::string template_path = folder_text(examples()) + kExampleTemplate;
  const std::string data_path = folder_text(examples()) + kExampleData;
  const Expected expected[] = {
      {"Picture1", "QLabel", nullptr, true, true},
      {"idee", "QLabel", nullptr, false, true},
      {"Command1", "QPushButton", "Lancer", true, true},
      {"Command2", "QPushButton", "Quitter", true, true},
      {"Aide", "QLabel", "Aide en ligne", false, true},
      {"Text2", "QLineEdit", "Tag lien\">Tag texte</a><br>", true, false},
      {"Text1", "QLineEdit", "<a href=\"", true, false},
      {"Dirlist", "QListWidget", nullptr, false, true},
      {"Textelien", "QComboBox", "Tag N°3", true, true},
      {"Tag99", "QLineEdit", "", true, true},
      {"hyperdir", "QLineEdit", working.c_str(), true, true},
      {"Command3", "QPushButton", "Ok", true, false},
      {"sourcelien", "QComboBox", "Tag N°2", true, true},
      {"Drive4", "QComboBox", nullptr, false, true},
      {"Label10", "QLabel", "Code HTML à insérer pour chaque lien :", true, true},
      {"Label9", "QLabel", "Tag de texte :", true, true},
      {"Label8", "QLabel", "Emplacement des fichiers HTML :", true, true},
      {"Label6", "QLabel", "Tag de lien :", true, true},
      {"Check1", "QCheckBox", "Générer les pages HTML", true, true},
      {"Check2", "QCheckBox", "Créer les liens hypertexte", true, true},
      {"nomdufichierhtm(4)", "QComboBox", "", false, true},
      {"titrep2", "QRadioButton", "Composition à partir d'un tag", true, true},
      {"titrep1", "QRadioButton", "Deuxième colonne du fichier des données", true, true},
      {"fichiermodele", "QLineEdit", template_path.c_str(), true, true},
      {"Dirmodele", "QListWidget", nullptr, false, true},
      {"ficmodele", "QListWidget", nullptr, false, true},
      {"validedestination", "QPushButton", "Ok", false, true},
      {"destination", "QLineEdit", working.c_str(), true, true},
      {"dirdestination", "QListWidget", nullptr, false, true},
      {"source", "QLineEdit", data_path.c_str(), true, true},
      {"ficsource", "QListWidget", nullptr, false, true},
      {"Option2", "QRadioButton", "Composition à partir de Tags", true, true},
      {"Option1", "QRadioButton", "Première colonne du fichier des données", true, true},
      {"nomdufichierhtm(0)", "QComboBox", "", false, true},
      {"nomdufichierhtm(1)", "QComboBox", "", false, false},
      {"nomdufichierhtm(2)", "QComboBox", "", false, false},
      {"nomdufichierhtm(3)", "QComboBox", "", false, false},
      {"Label12", "QLabel", "Méthode de création du nom des pages :", true, true},
      {"exemplenom", "QLabel", "", false, true},
      {"Drive1", "QComboBox", nullptr, false, true},
      {"ficdir", "QListWidget", nullptr, false, true},
      {"Drive2", "QComboBox", nullptr, false, true},
      {"Drive3", "QComboBox", nullptr, false, true},
      {"Label13", "QLabel", "Méthode de création du titre des pages :", true, true},
      {"Label7", "QLabel", "Fichier HTML modèle :", true, true},
      {"Label5", "QLabel", "Destination des pages à créer :", true, true},
      {"Label4", "QLabel", "Fichier contenant les données à importer :", true, true},
      {"pictotal", "QFrame", nullptr, false, true},
      {"piccours", "QFrame", nullptr, false, true},
      {"Progressbar2", "QLabel", "", true, true},
      {"progressbar1", "QLabel", "", true, true},
      {"Label1", "QLabel", "Fichier en cours :", true, true},
      {"Label2", "QLabel", "Total fichiers :", true, true},
      {"Label3", "QLabel", "Temps estimé :", true, true},
      {"temps", "QLabel", "...", true, true},
      {"internet", "QLabel", window::kWebAddress, true, true},
      {"Frame2", "QGroupBox", "Paramètres de génération de pages HTML", true, true},
      {"Frame4", "QGroupBox", "Paramètres des liens hypertexte", true, false},
      {"Frame1", "QGroupBox", "", true, true},
  };
  for (const Expected& control : expected) {
    SCOPED_TRACE(control.name);
    const QWidget* widget = find<QWidget>(control.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(control.kind)) << widget->metaObject()->className();
    if (control.caption) {
      EXPECT_EQ(caption_of(widget).toStdString(), control.caption);
    }
    EXPECT_EQ(!widget->isHidden(), control.shown);
    EXPECT_EQ(widget->isEnabledTo(widget->parentWidget()), control.enabled);
  }
  // The groups without a border are plain widgets.
  EXPECT_FALSE(find<QWidget>("nompage")->inherits("QGroupBox"));
  EXPECT_FALSE(find<QWidget>("boutons")->inherits("QGroupBox"));

  EXPECT_EQ(form->windowTitle().toStdString(), "Corvella 1.01 - Générateur de pages HTML");
  EXPECT_TRUE(find<QCheckBox>("Check1")->isChecked());
  EXPECT_FALSE(find<QCheckBox>("Check2")->isChecked());
  EXPECT_TRUE(find<QRadioButton>("Option1")->isChecked());
  EXPECT_TRUE(find<QRadioButton>("titrep1")->isChecked());
  EXPECT_EQ(find<QWidget>("pictotal")->width(), 0);
  EXPECT_EQ(find<QWidget>("piccours")->width(), 0);
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(WindowTest, PlacesFollowTheLayoutInTwips) {
  start();
  const auto expect_place = [&](const char* name, int left, int top, int width, int height) {
    SCOPED_TRACE(name);
    const QRect place = find<QWidget>(name)->geometry();
    EXPECT_NEAR(place.left(), px(left), 1);
    EXPECT_NEAR(place.top(), px(top), 1);
    EXPECT_NEAR(place.width(), px(width), 1);
    EXPECT_NEAR(place.height(), px(height), 1);
  };
  EXPECT_NEAR(form->height(), px(6525), 1);
  expect_place("Frame4", 5520, 720, 5415, 2775);
  expect_place("nompage", 120, 2400, 5175, 1335);
  expect_place("Command1", 7200, 480, 1815, 465);
  expect_place("Tag99", 1020, 2400, 1740, 285);
  expect_place("nomdufichierhtm(3)", 3960, 720, 1095, 315);
  expect_place("Label1", 360, 360, 1215, 255);
  // Start-up sets the heights of the picker lists.
  expect_place("ficsource", 2280, 600, 3015, 2000);
  expect_place("Dirmodele", 120, 1560, 2055, 1500);

  // No caption is clipped at this font.
  for (const QWidget* widget : form->findChildren<QWidget*>()) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    const bool one_line = (label && !label->wordWrap()) || qobject_cast<const QCheckBox*>(widget);
    if (!one_line || widget->objectName() == "exemplenom") continue;
    EXPECT_LE(widget->sizeHint().width(), widget->width()) << widget->objectName().toStdString();
  }
}

TEST_F(WindowTest, FirstStartWritesOnlyDestinationAndLien) {
  start();
  const std::string working = folder_text(locations.working_folder);
  EXPECT_TRUE(fs::is_directory(locations.working_folder));
  EXPECT_EQ(settings_bytes(),
            "[Parametres]\r\nDestination=" + working + "\r\nLien=" + working + "\r\n");

  const auto* sourcelien = find<QComboBox>("sourcelien");
  ASSERT_EQ(sourcelien->count(), 101);
  EXPECT_EQ(sourcelien->itemText(0).toStdString(), "Tag N°0");
  EXPECT_EQ(sourcelien->itemText(100).toStdString(), "Tag N°100");
  ASSERT_EQ(find<QComboBox>("nomdufichierhtm(4)")->count(), 99);
  EXPECT_EQ(find<QComboBox>("nomdufichierhtm(4)")->itemText(98).toStdString(), "Tag N°98");
}

TEST_F(WindowTest, StartRestoresNamingAndTitleChoices) {
  write_settings({{"Option", "2"},
                  {"Titre", "2"},
                  {"TagF0", "Tag N°0"},
                  {"TagF2", "Tag N°2"},
                  {"TagF4", "Tag N°7"},
                  {"textesource", "Tag N°5"}});
  start();
  for (const char* name : {"nomdufichierhtm(0)", "nomdufichierhtm(1)", "nomdufichierhtm(2)",
                           "nomdufichierhtm(3)", "nomdufichierhtm(4)", "exemplenom"}) {
    EXPECT_FALSE(find<QWidget>(name)->isHidden()) << name;
  }
  EXPECT_TRUE(find<QRadioButton>("Option2")->isChecked());
  EXPECT_TRUE(find<QRadioButton>("titrep2")->isChecked());
  EXPECT_EQ(find<QComboBox>("nomdufichierhtm(2)")->currentText().toStdString(), "Tag N°2");
  EXPECT_EQ(find<QComboBox>("nomdufichierhtm(4)")->currentText().toStdString(), "Tag N°7");
  EXPECT_EQ(find<QComboBox>("sourcelien")->currentText().toStdString(), "Tag N°5");
  // Only the boxes holding a text are enabled.
  EXPECT_TRUE(find<QWidget>("nomdufichierhtm(2)")->isEnabledTo(form.get()));
  EXPECT_FALSE(find<QWidget>("nomdufichierhtm(1)")->isEnabledTo(form.get()));
  EXPECT_FALSE(find<QWidget>("nomdufichierhtm(3)")->isEnabledTo(form.get()));
  EXPECT_EQ(find<QLabel>("exemplenom")->text().toStdString(), "");
  // Selecting the buttons wrote their choice again; the tags stay as stored.
  EXPECT_EQ(stored("Option"), "2");
  EXPECT_EQ(stored("Titre"), "2");
  EXPECT_EQ(stored("TagF2"), "Tag N°2");
}

// The App Paths value gives the install folder (its name found without
// regard to case); a value without the program's name does not.
TEST_F(WindowTest, InstallFolderComesFromTheAppPathsValue) {
  const auto start_with_value = [&](const char* value) {
    WinRegistry registry(locations.registry_store, notifier);
    registry.CreateKey(HKEY_LOCAL_MACHINE,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe");
    registry.SaveValue("", std::string(value));
    registry.CloseKey();
    start();
  };
  start_with_value("/opt/Outils/CORVELLA.EXE");
  EXPECT_EQ(form->install_folder(), "/opt/Outils/");
  EXPECT_EQ(find<QLineEdit>("source")->text().toStdString(), "/opt/Outils/exemple_de données.txt");
  fs::remove(locations.settings_file);
  start_with_value("/opt/autre/programme");
  EXPECT_EQ(form->install_folder(), folder_text(examples()));
  EXPECT_TRUE(notifier.messages.empty());
}

TEST(CentreForm, PlacesLowerEqualAndHigherWindows) {
  using window::Module1::centre_place;
  const auto lower = centre_place(1001, 801, 600, 400);
  EXPECT_EQ(lower.left, 200);
  EXPECT_EQ(lower.top, 200);
  const auto equal = centre_place(1000, 800, 600, 800);
  EXPECT_EQ(equal.top, 0);
  // Higher: the bottom edge on the screen's bottom, the top above the screen.
  const auto higher = centre_place(1000, 800, 1200, 1000);
  EXPECT_EQ(higher.left, -100);
  EXPECT_EQ(higher.top, -200);
  // dH = -101: -101 / 2 + (-202) / 4, each dropping its fraction towards zero.
  EXPECT_EQ(centre_place(1000, 800, 600, 901).top, -100);
}

}  // namespace
}  // namespace corvella::testing
