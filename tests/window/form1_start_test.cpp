// The window as a first start leaves it: every control and the settings
// file it writes; and CentreForm.

#include <tuple>

#include "window/module1.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

using Form1Start = WindowTest;

// Every control by name, sorted, "-" after those hidden, "!" after those
// disabled in themselves (whatever their group's state), "*" after those ticked.
constexpr const char* kControls =
    "Aide- Check1* Check2 Command1 Command2 Command3! Dirlist- Dirmodele- Drive1- Drive2- Drive3- "
    "Drive4- Frame1 Frame2 Frame4! Label1 Label10 Label12 Label13 Label2 Label3 Label4 Label5 "
    "Label6 Label7 Label8 Label9 Option1* Option2 Picture1 Progressbar2 Tag99 Text1! Text2! "
    "Textelien boutons destination dirdestination- exemplenom- ficdir- fichiermodele ficmodele- "
    "ficsource- hyperdir idee- internet nomdufichierhtm(0)- nomdufichierhtm(1)-! "
    "nomdufichierhtm(2)-! nomdufichierhtm(3)-! nomdufichierhtm(4)- nompage piccours- pictotal- "
    "progressbar1 source sourcelien temps titrep1* titrep2 validedestination-";

TEST_F(Form1Start, FirstStartWithoutSettings) {
  start();
  QStringList controls;
  for (const QWidget* widget : form->findChildren<QWidget*>()) {
    if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
    controls << widget->objectName() + (widget->isHidden() ? "-" : "") +
                    (widget->isEnabledTo(widget->parentWidget()) ? "" : "!") +
                    (widget->property("checked").toBool() ? "*" : "");
  }
  controls.sort();
  EXPECT_EQ(controls.join(' ').toStdString(), kControls);
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
  EXPECT_EQ(form->windowTitle().toStdString(), "Corvella 1.01 - Générateur de pages HTML");
  EXPECT_EQ(find<QComboBox>("sourcelien")->count(), 101);

  // Places in twips, a sample; start-up sets the heights of the picker lists.
  EXPECT_NEAR(form->height(), px(6525), 1);
  for (const auto& [name, left, top, width, height] :
       std::vector<std::tuple<const char*, int, int, int, int>>{
           {"Frame4", 5520, 720, 5415, 2775}, {"ficsource", 2280, 600, 3015, 2000}}) {
    const QRect place = find(name)->geometry();
    EXPECT_NEAR(place.left(), px(left), 1) << name;
    EXPECT_NEAR(place.top(), px(top), 1) << name;
    EXPECT_NEAR(place.width(), px(width), 1) << name;
    EXPECT_NEAR(place.height(), px(height), 1) << name;
  }

  EXPECT_EQ(read_bytes(locations.settings_file),
            "[Parametres]\r\nDestination=" + working + "\r\nLien=" + working + "\r\n");
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
