// The window as a first start leaves it: its captions, places and the
// settings file it writes; and CentreForm.

#include <tuple>

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

// A settings file written in Windows-1252: its values are shown as text and
// go to the run and back to the file as their own bytes.
TEST_F(Form1Start, ValuesThatAreNotUtf8PassThroughByteForByte) {
  const std::string file =
      "[Parametres]\r\nDestination=/srv/d\xE9st/\r\nLien=/srv/d\xE9st/\r\n"
      "textesource=Tag N\xB0" "4\r\nTag99=/caves/B\xFB" "che/\r\n";
  fs::create_directories(locations.settings_file.parent_path());
  write_bytes(locations.settings_file, file);
  start();
  EXPECT_EQ(caption("destination"), "/srv/dést/");
  EXPECT_EQ(caption("sourcelien"), "Tag N°4");
  EXPECT_EQ(caption("Tag99"), "/caves/Bûche/");
  const RunSettings run = form->read_settings();
  EXPECT_EQ(std::vector({run.destination, run.lien, run.textesource, run.tag99}),
            std::vector<std::string>({"/srv/d\xE9st/", "/srv/d\xE9st/", "Tag N\xB0" "4",
                                      "/caves/B\xFB" "che/"}));
  // Start-up writes Destination and Lien back: the same bytes.
  EXPECT_EQ(read_bytes(locations.settings_file), file);
  // A text the user types is written as UTF-8.
  find<QLineEdit>("hyperdir")->setText(QString::fromUtf8("/srv/dès/"));
  EXPECT_EQ(stored("Lien"), "/srv/d\xC3\xA8s/");
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
