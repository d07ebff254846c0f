// A press of "Lancer" in the window: both passes from the example files,
// the validation, and a stop pressed during a run.

#include <QTimer>

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

TEST_F(Form1Run, StopPressedDuringARun) {
  // 400 records of the example data under new first columns, so the run lasts.
  const std::string first = read_bytes(kExamples / kExampleData).substr(0, 400);
  const std::string rest = first.substr(first.find(';'), first.find('\r') - first.find(';'));
  std::string records;
  for (int index = 0; index < 400; ++index)
    records += "fiche-" + std::to_string(index) + rest + "\r\n";
  write_bytes(temp / "records.txt", records);
  start_with(temp / "records.txt");
  click("Check2");  // the link pass must not run after a stop

  // Events are handled between records: the press lands there once three
  // pages are delivered, as a user's click during the run would.
  std::string caption_while_running;
  QTimer presser;
  presser.setInterval(0);
  QObject::connect(&presser, &QTimer::timeout, [&] {
    if (pages_on_disk().size() < 3 || !caption_while_running.empty()) return;
    caption_while_running = caption("Command1");
    EXPECT_FALSE(enabled("Command2") || enabled("Frame2"));
    click("Command1");
  });
  presser.start();
  click("Command1");
  presser.stop();

  EXPECT_EQ(caption_while_running, "Arrêter");
  EXPECT_EQ(messages, std::vector<std::string>{"information: Traitement interrompu..."});
  EXPECT_EQ(beeps, 1);
  expect_idle("");
  // The pages made before the stop are kept, whole; no working copy is left.
  const std::vector<std::string> names = pages_on_disk();
  EXPECT_GE(names.size(), 3u);
  for (const std::string& name : file_names(pages)) EXPECT_FALSE(name.starts_with("tmp_"));
  const std::string page = read_bytes(pages / names.front());
  EXPECT_TRUE(page.ends_with("</html>\r\n"));
  EXPECT_EQ(page.find("<a href ="), std::string::npos);
}

}  // namespace
}  // namespace corvella::testing
