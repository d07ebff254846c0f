// A press of "Lancer" in the window: both passes from the example files,
// the validation, the end message when pages were skipped, and a run
// stopped by a press or by SIGTERM.

#include <QTimer>
#include <csignal>

#include "window/stop_signals.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

class Form1Run : public WindowTest {
 protected:
  void start_with(const fs::path& data) {
    fs::create_directories(pages);
    write_settings({{"Source", data.string()},
                    {"Modele", (kExamples / kExampleTemplate).string()},
                    {"Destination", folder_text(pages)},
                    {"Lien", folder_text(pages)}});
    start();
  }
  std::vector<std::string> pages_on_disk() const {
    std::vector<std::string> names;
    for (const std::string& name : file_names(pages)) {
      if (name.ends_with(".htm") && !name.starts_with("tmp_")) names.push_back(name);
    }
    return names;
  }
  // `count` records of the example data under new first columns `prefix`N,
  // so a run lasts.
  fs::path records(int count, const std::string& prefix) {
    const std::string first = read_bytes(kExamples / kExampleData).substr(0, 400);
    const std::string rest = first.substr(first.find(';'), first.find('\r') - first.find(';'));
    std::string lines;
    for (int index = 0; index < count; ++index)
      lines += prefix + std::to_string(index) + rest + "\r\n";
    write_bytes(temp / "records.txt", lines);
    return temp / "records.txt";
  }
  // Once three pages are delivered, `act` runs at the next event point, as
  // a user's click during the run would land.
  void during_run(const std::function<void()>& act) {
    bool done = false;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (pages_on_disk().size() < 3 || done) return;
      done = true;
      act();
    });
    timer.start();
    click("Command1");
  }
  // The pages made before a stop are kept, whole; no working copy is left.
  void expect_whole_pages() const {
    const std::vector<std::string> names = pages_on_disk();
    EXPECT_GE(names.size(), 3u);
    EXPECT_LT(names.size(), 400u);
    for (const std::string& name : file_names(pages)) EXPECT_FALSE(name.starts_with("tmp_"));
    const std::string page = read_bytes(pages / names.front());
    EXPECT_TRUE(page.ends_with("</html>\r\n"));
    EXPECT_EQ(page.find("<a href ="), std::string::npos);
  }
  // The window as the end of a press leaves it.
  void expect_idle(const char* frame1) const {
    EXPECT_EQ(caption("Frame1") + "|" + caption("temps") + "|" + caption("Command1"),
              frame1 + std::string("|Terminé!|Lancer"));
    // Frame4 whatever the state of Check2.
    EXPECT_TRUE(enabled("Command2") && enabled("Frame2") && enabled("Frame4"));
  }

  const fs::path pages = temp / "pages";
};

TEST_F(Form1Run, ValidationThenBothPassesFromTheExampleFiles) {
  start_with(kExamples / kExampleData);
  find<QLineEdit>("destination")->clear();
  click("Command1");
  EXPECT_EQ(messages,
            std::vector<std::string>{"critical: Vous devez choisir un répertoire de destination"});
  EXPECT_EQ(beeps, 0);
  EXPECT_TRUE(pages_on_disk().empty());

  find<QLineEdit>("destination")->setText(QString::fromStdString(folder_text(pages)));
  // Names and titles from tags but no tag chosen: the run settles both back.
  click("Option2");
  click("titrep2");
  click("Check2");
  find<QLineEdit>("Tag99")->setText("https://fromages.example/");
  click("Command1");
  EXPECT_EQ(messages.back(), "information: Traitement terminé...");
  EXPECT_EQ(beeps, 1);
  expect_idle("Génération terminée");
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_EQ(stored("Titre"), "1");
  const std::vector<std::string> names = pages_on_disk();
  ASSERT_EQ(names.size(), 16u);
  const std::string page = read_bytes(pages / "tomme-des-combes.htm");
  EXPECT_NE(page.find("\r\nTomme des Combes, la douceur des alpages\r\n"), std::string::npos);
  // Linked by region (tag 2), each link showing the page's name (tag 3).
  EXPECT_NE(page.find("<a href =\"https://fromages.example/chevre-des-cimes.htm\">Chèvre des "
                      "Cimes</a><br>\r\n<a href =\"https://fromages.example/grand-alpage.htm\">"
                      "Grand Alpage</a><br>"),
            std::string::npos);
}

TEST_F(Form1Run, EndMessageNamesThePagesThatCouldNotBeMade) {
  // 101 names that would leave the destination folder, and one page made.
  start_with(records(101, "../fiche-"));
  std::string lines = read_bytes(temp / "records.txt");
  write_bytes(temp / "records.txt", lines + "fiche-bonne;Bonne\r\n");
  click("Command1");
  EXPECT_EQ(messages, std::vector<std::string>{
                          "warning: Traitement terminé, mais 101 pages n'ont pas pu être créées ou liées."});
  std::string listed;
  for (int index = 0; index < 100; ++index)
    listed += "../fiche-" + std::to_string(index) + ".htm : nom de page refusé\n";
  EXPECT_EQ(details.back(), listed + "...\n");
  EXPECT_EQ(beeps, 1);
  expect_idle("Génération terminée");
  EXPECT_EQ(pages_on_disk(), std::vector<std::string>{"fiche-bonne.htm"});
}

TEST_F(Form1Run, StopPressedOrSigtermDuringARun) {
  start_with(records(400, "fiche-"));
  click("Check2");  // the link pass must not run after a stop

  std::string caption_while_running;
  during_run([&] {
    caption_while_running = caption("Command1");
    EXPECT_FALSE(enabled("Command2") || enabled("Frame2"));
    click("Command1");
  });
  EXPECT_EQ(caption_while_running, "Arrêter");
  EXPECT_EQ(messages, std::vector<std::string>{"information: Traitement interrompu..."});
  EXPECT_EQ(beeps, 1);
  expect_idle("");
  expect_whole_pages();

  // SIGTERM: the same stop, no message box, then the window closes.
  fs::remove_all(pages);
  fs::create_directories(pages);
  window::StopSignals stop_signals(*form);
  during_run([] { std::raise(SIGTERM); });
  EXPECT_EQ(stop_signals.received(), SIGTERM);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(form->isVisible());
  expect_whole_pages();
}

}  // namespace
}  // namespace corvella::testing
