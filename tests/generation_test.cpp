#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <functional>

#include "generation/naming.h"
#include "generation/run.h"
#include "generation/validation.h"
#include "generation/working_copy.h"
#include "test_support.h"

namespace corvella {
namespace {

using testing::file_names;
using testing::read_bytes;
using testing::write_bytes;
using Texts = std::vector<std::string>;

TEST(Naming, PageNamesAndTagNumbers) {
  FieldTable fields;
  split_record("a;b;c;d", fields);
  EXPECT_EQ(page_name(false, {"Tag N°2", "", "", "", ""}, fields), "c.htm");
  EXPECT_EQ(page_name(false, {"Tag N°2", "", "Tag N°77", "", ""}, fields), "c_.htm");
  split_record("", fields);
  EXPECT_EQ(page_name(true, {}, fields), ".htm");
  EXPECT_EQ(tag_number("Tag N\xB0" "3"), 3);  // as a Windows-1252 settings file holds it
  EXPECT_EQ(tag_number("Tag N°100"), 100);
  EXPECT_EQ(tag_number("Tag N°101"), std::nullopt);
}

TEST(WorkingCopy, PagesStayInsideTheDestinationAndExampleImagesFollowTheExample) {
  const auto paths = page_paths("/pages/", "sub//./x.htm");
  EXPECT_EQ(std::pair(paths.value().folders, paths->name),
            std::pair(Texts{"sub"}, std::string("x.htm")));
  for (const std::string& name : {std::string("sub/../../x.htm"), std::string("a\0b.htm", 7)})
    EXPECT_FALSE(page_paths("/pages/", name)) << name;
  // A Windows-1252 field names a properly encoded UTF-8 file.
  EXPECT_EQ(page_paths("/pages/", "caf\xE9.htm")->name, "caf\xC3\xA9.htm");

  // Example images go along with the example template only.
  testing::TempDir dir, outside;
  std::filesystem::create_directory(dir / "ex");
  std::filesystem::create_directory(dir / "out");
  for (int i : {0, 1, 2, 3, 5, 6})
    write_bytes(dir / ("ex/sample" + std::to_string(i) + ".jpg"), "jpg");
  copy_example_images((dir / "ex/autre.htm").string(), dir.text() + "out/");
  EXPECT_TRUE(file_names(dir / "out").empty());
  // Regression: an image planted as a link had its target overwritten.
  write_bytes(outside / "photo.jpg", "photo");
  std::filesystem::create_symlink(outside / "photo.jpg", dir / "out/sample0.jpg");
  write_bytes(dir / "out/sample1.jpg", "protégée");
  ::chmod((dir / "out/sample1.jpg").c_str(), 0444);
  write_bytes(dir / "out/sample3.jpg", "ancienne image");
  copy_example_images((dir / "ex/EXEMPLE_DE MODÈLE_HTML.htm").string(), dir.text() + "out/");
  EXPECT_EQ(file_names(dir / "out"), (Texts{"sample0.jpg", "sample1.jpg", "sample2.jpg",
                                            "sample3.jpg", "sample5.jpg", "sample6.jpg"}));
  EXPECT_EQ(read_bytes(dir / "out/sample3.jpg"), "jpg");  // an existing image is replaced
  EXPECT_EQ(read_bytes(outside / "photo.jpg"), "photo");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "out/sample0.jpg"));
  EXPECT_EQ(read_bytes(dir / "out/sample0.jpg") + read_bytes(dir / "out/sample1.jpg"),
            "jpgprotégée");
}

// Each case changes valid settings; the last failing check gives the message.
TEST(Validation, LastFailingCheckGivesTheMessage) {
  testing::TempDir dir;
  write_bytes(dir / "d.txt", "a");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  RunSettings valid;
  valid.source = valid.modele = (dir / "d.txt").string();
  valid.destination = dir.text();
  const auto links = [&](const std::string& lien, const std::string& tag) {
    return [=](RunSettings& s) {
      s.check1 = false;
      s.source.clear();  // not looked at
      s.check2 = true;
      s.textesource = "Tag N°2";
      s.lien = lien;
      s.textelien = tag;
    };
  };
  const std::pair<std::function<void(RunSettings&)>, std::optional<std::string>> cases[] = {
      {[](RunSettings&) {}, std::nullopt},
      {[](RunSettings& s) { s = {}; }, "Vous devez choisir un répertoire de destination"},
      {[&](RunSettings& s) { s.source = dir.text() + "absent"; },
       "Le fichier source n'existe plus"},
      {[](RunSettings& s) { s.source.clear(); }, "Vous devez choisir un fichier source"},
      {[](RunSettings& s) { s.modele.clear(); }, "Vous devez choisir un fichier modèle"},
      {[&](RunSettings& s) { s.modele = dir.text() + ".d"; }, "Le fichier modèle n'existe plus"},
      {[&](RunSettings& s) { s.destination += "fifo"; },
       "Le répertoire de destination n'existe plus"},
      {links("", "Tag N°3"), "Le répertoire contenant les fichiers à traiter n'existe plus"},
      {links(dir.text(), ""), "Vous devez choisir un Tag"},
      {links(dir.text() + "gone/", "Tag N°3"),
       "Le répertoire contenant les fichiers à traiter n'existe plus"},
      {links((dir / "d.txt").string(), "Tag N°3"), std::nullopt},  // an existing file is accepted
  };
  for (const auto& [change, message] : cases) {
    RunSettings s = valid;
    change(s);
    EXPECT_EQ(p_controle(s), message) << message.value_or("");
  }
}

// A realistic folder as a Linux editor writes it: a French data file (LF
// lines, the last without a line end), a template, an empty destination.
struct PagePass : ::testing::Test {
  void SetUp() override {
    std::filesystem::create_directory(dir / "pages");
    write_bytes(dir / "modele.htm", modele);
    write_bytes(dir / "données.txt",
                "comte;Comté;Jura\nbrie;Brie de Meaux;Île-de-France\nroquefort;Roquefort;Aveyron");
    view.settings.source = (dir / "données.txt").string();
    view.settings.modele = (dir / "modele.htm").string();
    view.settings.destination = dir.text() + "pages/";
  }
  std::string page(const std::string& name) { return read_bytes(dir / "pages" / name); }

  const std::string modele =
      "<html>\n<head>\n<title>Modèle</title>\n</head>\n<body>\n<h1>\n<!--tag1-->\n\n<!--/tag1-->\n"
      "</h1>\n<p>\n<!--tag2-->\n\n<!--/tag2-->\n</p>\n</body>\n</html>\n";
  testing::TempDir dir;
  testing::RecordingView view;
};

// The time of each record comes from the clock: one minute, an eighth of a
// second across midnight, no time at all. French decimal separator.
TEST_F(PagePass, FirstRunMakesEveryPageShowingItsProgressAndARefillKeepsHandEdits) {
  ASSERT_NE(std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"), nullptr) << "scripts/install-deps makes it";
  testing::ScriptedClock clock;
  clock.readings = {100, 160, 86399.875, 0, 7, 7};
  EXPECT_EQ(corvella::Run(view, clock).press(), PressOutcome::Finished);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(file_names(dir / "pages"), (Texts{"brie.htm", "comte.htm", "roquefort.htm"}));
  const auto brie = [](const std::string& note, const std::string& region) {
    return "<html>\n<head>\n<title>Brie de Meaux</title>\n</head>\n<body>\n" + note +
           "<h1>\n<!--tag1-->\nBrie de Meaux\n<!--/tag1-->\n</h1>\n<p>\n<!--tag2-->\n" + region +
           "\n<!--/tag2-->\n</p>\n</body>\n</html>\n";
  };
  EXPECT_EQ(page("brie.htm"), brie("", "Île-de-France"));
  EXPECT_EQ(view.progressbar2, (Texts{"1 sur 3", "2 sur 3", "3 sur 3", ""}));
  EXPECT_EQ(view.pictotal, (std::vector<int>{1650, 3350, 5000, 0}));
  EXPECT_EQ(view.temps, (Texts{"60,00s/fichier - Total restant:1 mn.",
                               "0,13s/fichier - Total restant: moins d'une minute",
                               "0,00s/fichier - Total restant: moins d'une minute", "Terminé!"}));
  // Each page of 17 lines: emptied, then line by line; the end step empties all.
  const auto& bar = view.progressbar1;
  ASSERT_EQ(bar.size(), 3 * 18 + 1u);
  EXPECT_EQ((Texts{bar[1], bar[16], bar[17], bar[18], bar.back()}),
            (Texts{"1", "16", "17", "", ""}));
  const auto& pic = view.piccours;
  EXPECT_EQ((std::vector<int>{pic[0], pic[1], pic[2], pic[17], pic.back()}),
            (std::vector<int>{0, 300, 550, 4700, 0}));
  EXPECT_EQ(view.messages, Texts{"information: Traitement terminé..."});
  EXPECT_EQ(view.beeps, 1);

  // A refill keeps a hand edit; a page it gives its own bytes back is not written at all.
  write_bytes(dir / "pages/brie.htm", brie("<p>Note du fromager</p>\n", "Île-de-France"));
  const testing::DatedBack comte = testing::date_back(dir / "pages/comte.htm");
  write_bytes(dir / "données.txt", "comte;Comté;Jura\nbrie;Brie de Meaux;Seine-et-Marne\n");
  EXPECT_EQ(corvella::Run(view).press(), PressOutcome::Finished);
  EXPECT_EQ(page("brie.htm"), brie("<p>Note du fromager</p>\n", "Seine-et-Marne"));
  EXPECT_TRUE(testing::dated_back(dir / "pages/comte.htm", comte));
  EXPECT_EQ(read_bytes(dir / "modele.htm"), modele);
}

// The link pass looks at its box when the page pass is over, not at the press.
TEST_F(PagePass, LinkPassRunsAsCheck2StandsWhenItIsReached) {
  view.settings.lien = view.settings.destination;
  view.settings.textesource = "Tag N°2";
  view.settings.textelien = "Tag N°1";
  const Texts pages{"Génération des pages HTML en cours...", "Génération terminée"};
  const Texts both{pages[0], "Génération des liens hypertexte en cours...", pages[1]};
  for (const bool ticked_later : {true, false}) {
    view.frame1.clear();
    view.settings.check2 = !ticked_later;
    view.on_event = [&](int) { view.settings.check2 = ticked_later; };
    EXPECT_EQ(corvella::Run(view).press(), PressOutcome::Finished);
    EXPECT_EQ(view.frame1, ticked_later ? both : pages);
  }
}

TEST_F(PagePass, DataFileThatFailsPartWayEndsTheRun) {
  write_bytes(dir / "données.txt",
              "comte;Comté;Jura\r\nbrie;" + std::string(100'000, 'b') + "\r\nroquefort;R;A\r\n");
  // The disk fails after the first record: the file's descriptor now reads a folder.
  view.on_event = [&](int event) {
    if (event != 1) return;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      if (std::filesystem::read_symlink(fd, error) != dir / "données.txt") continue;
      const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
      ASSERT_GE(::dup2(folder, std::stoi(fd.path().filename())), 0);
      ::close(folder);
    }
  };
  corvella::Run run(view);
  EXPECT_EQ(run.press(), PressOutcome::Failed);
  EXPECT_EQ(view.messages, Texts{"critical: Le fichier source ne peut plus être lu"});
  EXPECT_EQ(file_names(dir / "pages"), Texts{"comte.htm"});
  EXPECT_FALSE(view.running || run.running());
}

// Option2 with no first tag runs as Option1, the title from column 2.
TEST_F(PagePass, Option2WithNoFirstTagNamesByTheFirstColumn) {
  view.settings.option1 = view.settings.titrep1 = false;
  view.settings.tagf = {"", "Tag N°1", "", "", ""};
  EXPECT_EQ(corvella::Run(view).press(), PressOutcome::Finished);
  EXPECT_TRUE(view.settings.option1 && view.settings.titrep1);
  EXPECT_NE(page("brie.htm").find("<title>Brie de Meaux</title>"), std::string::npos);
}

// Each record that cannot be written is skipped and told; nothing outside the
// destination changes. Regressions: planted links and a linked sub-folder led
// outside; a FIFO page hung the run; under `ulimit -f` SIGXFSZ killed it.
TEST_F(PagePass, RecordsThatCannotBeWrittenAreSkippedAndNothingOutsideChanges) {
  namespace fs = std::filesystem;
  testing::TempDir outside;
  write_bytes(outside / "secret.txt", "ne pas toucher\n");
  write_bytes(outside / "lié.txt", "lien dur\n");
  fs::create_hard_link(outside / "lié.txt", dir / "pages/brie.htm");
  fs::create_symlink(outside / "secret.txt", dir / "pages/roquefort.htm");
  fs::create_directory_symlink(outside.path(), dir / "pages/lien");
  fs::create_directory(dir / "pages/sub");
  ASSERT_EQ(::mkfifo((dir / "pages/fifo.htm").c_str(), 0644), 0);
  write_bytes(dir / "pages/lecture-seule.htm", "<title>ancien</title>\r\n");
  ::chmod((dir / "pages/lecture-seule.htm").c_str(), 0444);
  const std::string too_long(300, 'n');
  write_bytes(dir / "données.txt",
              "../evasion;x\r\nbrie;Brie\r\nroquefort;Roquefort\r\nlien/q;Q\r\nlien/../r;R\r\n"
              "sub/../s;S\r\nsub/fiche;Fiche\r\nabsent/z;z\r\nlecture-seule;w\r\nfifo;F\r\n"
              "doublon;premier\r\ndoublon;second\r\n" +
                  too_long + ";long\r\ngros;" + std::string(9000, 'g') + "\r\n");
  rlimit unlimited{};
  ::getrlimit(RLIMIT_FSIZE, &unlimited);
  const rlimit limited{4096, unlimited.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limited);
  const PressOutcome outcome = corvella::Run(view).press();
  ::setrlimit(RLIMIT_FSIZE, &unlimited);
  EXPECT_EQ(outcome, PressOutcome::Finished);
  const Texts skipped{
      "../evasion.htm : nom de page refusé",       "lien/q.htm : nom de page refusé",
      "lien/../r.htm : nom de page refusé",        "absent/z.htm : No such file or directory",
      "lecture-seule.htm : page en lecture seule", "fifo.htm : Invalid argument",
      too_long + ".htm : File name too long",      "gros.htm : File too large"};
  EXPECT_EQ(view.skipped, skipped);
  EXPECT_EQ(view.messages,
            Texts{"warning: Traitement terminé, mais 8 pages n'ont pas pu être créées ou liées."});
  std::string details;
  for (const std::string& line : skipped) details += line + "\n";
  EXPECT_EQ(view.details.back(), details);
  EXPECT_EQ(file_names(outside.path()), (Texts{"lié.txt", "secret.txt"}));
  EXPECT_EQ(read_bytes(outside / "secret.txt") + read_bytes(outside / "lié.txt"),
            "ne pas toucher\nlien dur\n");
  EXPECT_EQ(file_names(dir / "pages"),
            (Texts{"brie.htm", "doublon.htm", "fifo.htm", "lecture-seule.htm", "lien",
                   "roquefort.htm", "s.htm", "sub"}));
  EXPECT_NE(page("sub/fiche.htm").find("<title>Fiche</title>"), std::string::npos);
  EXPECT_NE(page("doublon.htm").find("<title>second</title>"), std::string::npos);
  // A page that was a link is now a page made from the template.
  EXPECT_FALSE(fs::is_symlink(dir / "pages/roquefort.htm"));
  EXPECT_NE(page("roquefort.htm").find("<title>Roquefort</title>"), std::string::npos);
}

// As root, then as an unprivileged user who owns the folder and its files.
TEST_F(PagePass, RegressionTmpNamesHiddenReadOnlyPagesAndLeftoversKeepTheirRules) {
  // "tmp_a" then "a": two pages; tmp_b.htm is a page of its own. A read-only
  // leftover of a killed run must not make new pages read-only.
  write_bytes(dir / "données.txt", "tmp_a;Premier\r\na;Second\r\nb;Bé\r\n.cachée;Cachée\r\n");
  const std::pair<std::string, mode_t> files[] = {{".cachée.htm", 0444},
                                                  {".corvella-00000000deadbeef-0.tmp", 0444},
                                                  {"b.htm", 0604},
                                                  {"tmp_b.htm", 0644}};
  const mode_t umask = ::umask(027);
  for (const bool unprivileged : {false, true}) {
    std::filesystem::remove_all(dir / "pages");
    std::filesystem::create_directory(dir / "pages");
    for (const auto& [name, mode] : files) {
      write_bytes(dir / "pages" / name, "<title>" + name + "</title>\r\n");
      ::chmod((dir / "pages" / name).c_str(), mode);
      EXPECT_TRUE(!unprivileged || ::chown((dir / "pages" / name).c_str(), 65534, 65534) == 0);
    }
    EXPECT_TRUE(!unprivileged || ::chown((dir / "pages").c_str(), 65534, 65534) == 0);
    std::string skip;
    const auto press = [&] { return static_cast<int>(corvella::Run(view).press()); };
    const std::optional<int> status =
        unprivileged ? testing::as_unprivileged(dir.path(), press, skip) : press();
    if (!status) GTEST_SKIP() << skip;
    EXPECT_EQ(status, static_cast<int>(PressOutcome::Finished));
    EXPECT_EQ(file_names(dir / "pages"),
              (Texts{".cachée.htm", "a.htm", "b.htm", "tmp_a.htm", "tmp_b.htm"}));
    EXPECT_NE(page("tmp_a.htm").find("<title>Premier</title>"), std::string::npos);
    EXPECT_NE(page("a.htm").find("<title>Second</title>"), std::string::npos);
    EXPECT_EQ(page("tmp_b.htm") + page("b.htm") + page(".cachée.htm"),
              "<title>tmp_b.htm</title>\r\n<title>Bé</title>\r\n<title>.cachée.htm</title>\r\n");
    // A new page: 0666 & ~027; a page that was there keeps its mode.
    EXPECT_EQ(std::pair(std::filesystem::status(dir / "pages/a.htm").permissions(),
                        std::filesystem::status(dir / "pages/b.htm").permissions()),
              std::pair(std::filesystem::perms(0640), std::filesystem::perms(0604)));
  }
  ::umask(umask);
}

TEST_F(PagePass, StopLostDestinationEmptyDataAndNoPassEachEndTheRun) {
  corvella::Run run(view);
  view.on_event = [&](int event) {
    if (event == 2) {
      EXPECT_EQ(run.press(), PressOutcome::StopRequest) << "Arrêter";
    }
  };
  EXPECT_EQ(run.press(), PressOutcome::Stopped);
  // The page of the record in progress is not made at all.
  EXPECT_EQ(file_names(dir / "pages"), Texts{"comte.htm"});
  EXPECT_EQ(view.messages, Texts{"information: Traitement interrompu..."});
  EXPECT_FALSE(view.running || run.running());

  // A destination removed during the run: every record left would fail, so
  // the pass ends there as a failure.
  view.messages.clear();
  view.events = 0;
  view.on_event = [&](int event) {
    if (event == 2) std::filesystem::remove_all(dir / "pages");
  };
  EXPECT_EQ(run.press(), PressOutcome::Failed);
  EXPECT_EQ(view.skipped, Texts{"brie.htm : No such file or directory"});
  EXPECT_EQ(view.messages, Texts{"critical: Le répertoire de destination n'existe plus"});
  EXPECT_FALSE(view.running || std::filesystem::exists(dir / "pages"));

  // An empty data file makes no page and divides by nothing; with no pass
  // ticked, a press goes straight to the end step.
  std::filesystem::create_directory(dir / "pages");
  write_bytes(dir / "données.txt", "");
  EXPECT_EQ(run.press(), PressOutcome::Finished);
  view.settings.check1 = false;
  EXPECT_EQ(run.press(), PressOutcome::Finished);
  EXPECT_TRUE(file_names(dir / "pages").empty());
}

}  // namespace
}  // namespace corvella
