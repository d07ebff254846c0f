// A press of "Lancer" in the window: the run from the example files, its
// validation, a stop pressed at an event point, and the link pass.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <fstream>

#include "window_fixture.h"

namespace corvella::testing {
namespace {

class RunTest : public WindowTest {
 protected:
  RunTest() {
    pages = temp / "pages";
    fs::create_directories(pages);
  }

  // Starts with the example files and the pages folder as destination.
  void start_with(const fs::path& data) {
    write_settings({{"Source", data.string()},
                    {"Modele", (examples() / kExampleTemplate).string()},
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

  void press() { QTest::mouseClick(find<QPushButton>("Command1"), Qt::LeftButton); }

  // The window as the end step and the stop request leave it.
  void expect_idle_window(const char* frame1) {
    EXPECT_EQ(find<QGroupBox>("Frame1")->title().toStdString(), frame1);
    EXPECT_EQ(find<QLabel>("temps")->text().toStdString(), "Terminé!");
    EXPECT_EQ(find<QLabel>("progressbar1")->text().toStdString(), "");
    EXPECT_EQ(find<QLabel>("Progressbar2")->text().toStdString(), "");
    EXPECT_EQ(find<QWidget>("pictotal")->width(), 0);
    EXPECT_EQ(find<QWidget>("piccours")->width(), 0);
    EXPECT_EQ(find<QPushButton>("Command1")->text().toStdString(), "Lancer");
    EXPECT_TRUE(find<QWidget>("Command2")->isEnabled());
    EXPECT_TRUE(find<QWidget>("Frame2")->isEnabled());
    // Enabled whatever the state of Check2.
    EXPECT_TRUE(find<QWidget>("Frame4")->isEnabled());
    EXPECT_FALSE(form->run().running());
  }

  fs::path pages;
};

// Records of the example data under new first columns, so a run lasts.
void write_records(const fs::path& path, int count) {
  const std::string first_line = read_bytes(examples() / kExampleData).substr(0, 400);
  const std::string rest =
      first_line.substr(first_line.find(';'), first_line.find('\r') - first_line.find(';'));
  std::string bytes;
  for (int index = 0; index < count; ++index) {
    bytes += "fiche-" + std::to_string(100 + index) + rest + "\r\n";
  }
  write_bytes(path, bytes);
}

TEST_F(RunTest, RunFromTheExampleFiles) {
  start_with(examples() / kExampleData);
  // Names and titles from tags, but no tag chosen: the run settles both back,
  // as clicks on Option1 and titrep1 would.
  QTest::mouseClick(find<QWidget>("Option2"), Qt::LeftButton);
  QTest::mouseClick(find<QWidget>("titrep2"), Qt::LeftButton);
  press();
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"information: Traitement terminé..."});
  EXPECT_EQ(notifier.beeps, 1);
  expect_idle_window("Génération terminée");
  const std::vector<std::string> names = pages_on_disk();
  ASSERT_EQ(names.size(), 16u);
  EXPECT_EQ(names.front(), "bleu-des-plateaux.htm");
  const std::string page = read_bytes(pages / "tomme-des-combes.htm");
  EXPECT_NE(page.find("\r\nTomme des Combes, la douceur des alpages\r\n"), std::string::npos);
  EXPECT_EQ(stored("Option"), "1");
  EXPECT_EQ(stored("Titre"), "1");
  EXPECT_TRUE(find<QWidget>("nomdufichierhtm(0)")->isHidden());
  EXPECT_TRUE(find<QWidget>("nomdufichierhtm(4)")->isHidden());
}

TEST_F(RunTest, ValidationFailureShowsTheLastFailingCheck) {
  start_with(examples() / kExampleData);
  find<QLineEdit>("source")->clear();
  find<QLineEdit>("destination")->clear();
  press();
  EXPECT_EQ(notifier.messages,
            std::vector<std::string>{"critical: Vous devez choisir un répertoire de destination"});
  EXPECT_EQ(notifier.beeps, 0);
  EXPECT_TRUE(pages_on_disk().empty());
  EXPECT_EQ(find<QPushButton>("Command1")->text().toStdString(), "Lancer");
  EXPECT_TRUE(find<QWidget>("Frame2")->isEnabled());
  EXPECT_FALSE(find<QWidget>("Frame4")->isEnabled());
}

TEST_F(RunTest, StopPressedAtAnEventPoint) {
  write_records(temp / "records.txt", 400);
  start_with(temp / "records.txt");
  // The link pass must not run after a stop.
  QTest::mouseClick(find<QCheckBox>("Check2"), Qt::LeftButton);
  ASSERT_TRUE(find<QCheckBox>("Check2")->isChecked());

  // Window events are handled once per record: the press lands there once
  // three pages are delivered, as a user's click during the run would.
  QString caption_while_running;
  QTimer presser;
  presser.setInterval(0);
  QObject::connect(&presser, &QTimer::timeout, [&] {
    if (pages_on_disk().size() < 3 || !caption_while_running.isEmpty()) return;
    caption_while_running = find<QPushButton>("Command1")->text();
    EXPECT_FALSE(find<QWidget>("Command2")->isEnabled());
    EXPECT_FALSE(find<QWidget>("Frame2")->isEnabled());
    press();
  });
  presser.start();
  press();
  presser.stop();

  EXPECT_EQ(caption_while_running.toStdString(), "Arrêter");
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"information: Traitement interrompu..."});
  EXPECT_EQ(notifier.beeps, 1);
  expect_idle_window("");
  const std::vector<std::string> names = pages_on_disk();
  EXPECT_GE(names.size(), 3u);
  EXPECT_LT(names.size(), 400u);
  for (const std::string& name : file_names(pages)) {
    EXPECT_FALSE(name.starts_with("tmp_")) << name;
  }
  EXPECT_EQ(read_bytes(pages / names.front()).find("<a href ="), std::string::npos);
}

TEST_F(RunTest, LinkPassFollowsThePagePass) {
  start_with(examples() / kExampleData);
  QTest::mouseClick(find<QCheckBox>("Check2"), Qt::LeftButton);
  find<QLineEdit>("Tag99")->setText("https://fromages.example/");
  press();
  EXPECT_EQ(notifier.messages, std::vector<std::string>{"information: Traitement terminé..."});
  expect_idle_window("Génération terminée");
  // Same region (tag 2), text from the name (tag 3).
  const std::string page = read_bytes(pages / "tomme-des-combes.htm");
  EXPECT_NE(page.find("<a href =\"https://fromages.example/chevre-des-cimes.htm\">Chèvre des "
                      "Cimes</a><br>\r\n<a href =\"https://fromages.example/grand-alpage.htm\">"
                      "Grand Alpage</a><br>"),
            std::string::npos);
}

}  // namespace
}  // namespace corvella::testing
