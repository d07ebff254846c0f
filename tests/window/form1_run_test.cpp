// A press of "Lancer": validation, both passes from the example files, the
// end message when pages were skipped, and a run stopped by a press or SIGTERM.

#include <QTimer>
#include <csignal>

#include "window/stop_signals.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

class Form1Run : public WindowTest {
 protected:
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
  const fs::path pages = locations.working_folder;
};

TEST_F(Form1Run, ValidationThenBothPassesFromTheExampleFiles) {
  start();
  find<QLineEdit>("destination")->clear();
  click("Command1");
  EXPECT_EQ(messages, Texts{"critical: Vous devez choisir un répertoire de destination"});
  EXPECT_TRUE(beeps == 0 && pages_on_disk().empty());

  set_text("destination", folder_text(pages));
  // Names and titles from tags but no tag chosen: the run settles both back.
  click("Option2");
  click("titrep2");
  click("Check2");
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
}

TEST_F(Form1Run, StopPressedOrSigtermDuringARun) {
  start_with(400, "fiche-");
  click("Check2");  // the link pass must not run after a stop
  during_run([&] {
    EXPECT_EQ(caption("Command1"), "Arrêter");
    EXPECT_FALSE(enabled("Command2") || enabled("Frame2"));
    click("Command1");
  });
  EXPECT_EQ(messages, Texts{"information: Traitement interrompu..."});
  expect_idle("");

  // SIGTERM: the same stop, no message box, then the window closes.
  fs::remove_all(pages);
  fs::create_directories(pages);
  window::StopSignals stop_signals(*form);
  during_run([] { std::raise(SIGTERM); });
  EXPECT_EQ(stop_signals.received(), SIGTERM);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace corvella::testing
