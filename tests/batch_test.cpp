#include "batch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sstream>
#include <thread>

#include "test_support.h"

extern char** environ;

namespace corvella {
namespace {

using testing::file_names;
using testing::read_bytes;
using testing::write_bytes;
using Texts = std::vector<std::string>;

// The exit status and what the tool wrote on its error stream (it writes
// nothing else but its usage text).
using Outcome = std::pair<int, std::string>;

Outcome batch(std::vector<std::string> args) {
  args.insert(args.begin(), "corvella-batch");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int status = batch_main(static_cast<int>(argv.size()), argv.data(), out, err);
  EXPECT_EQ(out.str(), "");
  return {status, err.str()};
}

struct BatchTool : ::testing::Test {
  void SetUp() override {
    std::filesystem::create_directory(dir / "pages");
    write_bytes(dir / "modele.htm", "<title>x</title>\r\n<!--tag2-->\r\n\r\n<!--/tag2-->\r\n");
    write_bytes(dir / "data.txt", "lyon;Lyon;Rhône\r\nnantes;Nantes;Loire-Atlantique\r\n");
  }
  std::vector<std::string> paths() {
    return {"--source", (dir / "data.txt").string(), "--modele", (dir / "modele.htm").string(),
            "--destination", (dir / "pages").string()};  // no trailing "/": one is added
  }
  testing::TempDir dir;
};

TEST_F(BatchTool, GeneratesThePagesAndSaysSo) {
  EXPECT_EQ(batch(paths()), (Outcome{0, "Traitement terminé...\n"}));
  EXPECT_EQ(read_bytes(dir / "pages/lyon.htm"), "<title>Lyon</title>\r\n<!--tag2-->\r\nRhône\r\n<!--/tag2-->\r\n");
  EXPECT_EQ(file_names(dir / "pages"), (Texts{"lyon.htm", "nantes.htm"}));
  EXPECT_EQ(batch([&] { auto a = paths(); a.push_back("--quiet"); return a; }()), (Outcome{0, ""}));
}

TEST_F(BatchTool, FailedValidationOrBadOptionsExitWith2AndOptionsNameTheTags) {
  auto args = paths();
  args[1] = (dir / "absent.txt").string();
  EXPECT_EQ(batch(args), (Outcome{2, "Le fichier source n'existe plus\n"}));
  EXPECT_EQ(batch({"--source", "", "--destination", ""}),
            (Outcome{2, "Vous devez choisir un répertoire de destination\n"}));
  EXPECT_TRUE(file_names(dir / "pages").empty());
  EXPECT_EQ(batch({"--tagf0", "Tag N°x"}),
            (Outcome{2, "corvella-batch : tag invalide pour --tagf0 : Tag N°x\n"}));
  EXPECT_EQ(batch({"--source"}).first, 2);

  args = paths();
  args.insert(args.end(), {"--option", "2", "--tagf0", "2", "--tagf1", "Tag N°0", "--titre", "2",
                           "--tagf4=Tag N°2"});
  ASSERT_EQ(batch(args).first, 0);
  EXPECT_EQ(file_names(dir / "pages"), (Texts{"Loire-Atlantique_nantes.htm", "Rhône_lyon.htm"}));
  EXPECT_EQ(read_bytes(dir / "pages/Rhône_lyon.htm").substr(0, 23), "<title>Rhône</title>\r\n");
  args = paths();
  args.insert(args.end(), {"--option", "3"});
  EXPECT_EQ(batch(args), (Outcome{2, "corvella-batch : --option vaut 1 ou 2, pas : 3\n"}));
  args.back() = "1";  // the first column, whatever the tags say
  args.insert(args.end(), {"--tagf0", "2"});
  EXPECT_EQ(batch(args), (Outcome{0, "Traitement terminé...\n"}));
  EXPECT_EQ(file_names(dir / "pages"),
            (Texts{"Loire-Atlantique_nantes.htm", "Rhône_lyon.htm", "lyon.htm", "nantes.htm"}));
}

TEST_F(BatchTool, TakesWhatIsNotGivenFromTheSettingsFile) {
  write_bytes(dir / "Corvella.ini",
              "[Parametres]\r\nSource=" + (dir / "data.txt").string() + "\r\nModele=" +
                  (dir / "modele.htm").string() + "\r\nDestination= " + dir.text() +
                  "pages/ \r\nOption=2\r\nTagF0=Tag N°2\r\n");
  EXPECT_EQ(batch({"--settings", (dir / "Corvella.ini").string(), "--quiet"}), (Outcome{0, ""}));
  EXPECT_EQ(file_names(dir / "pages"), (Texts{"Loire-Atlantique.htm", "Rhône.htm"}));
}

TEST(BatchToolDefaults, AloneItGeneratesAndLinksTheExamplePages) {
  ASSERT_EQ(batch({"--quiet", "--liens"}), (Outcome{0, ""}));
  const auto working = std::filesystem::path(std::getenv("HOME")) / "corvella";
  // The example pages link by region (tag 2), with the cheese's name (tag 3)
  // as text, in the order the folder lists them.
  const std::string carre = read_bytes(working / "carre-du-bocage.htm");
  for (const char* link : {"<a href =\"frais-de-la-baie.htm\">Frais de la Baie</a><br>\r\n",
                           "<a href =\"rond-des-pommiers.htm\">Rond des Pommiers</a><br>\r\n",
                           "<a href =\"tendre-des-falaises.htm\">Tendre des Falaises</a><br>\r\n"}) {
    EXPECT_NE(carre.find(link), std::string::npos) << link;
  }
  const auto names = file_names(working);
  EXPECT_GE(names.size(), 7u + 12u);
  EXPECT_EQ(std::ranges::count_if(names, [](const std::string& n) { return n.ends_with(".jpg"); }), 7);
  EXPECT_EQ(std::ranges::count_if(names, [](const std::string& n) { return n.starts_with("tmp_"); }), 0);
}

// The real program, stopped with Ctrl-C in the middle of a long run.
TEST(BatchToolProcess, CtrlCStopsAfterTheCurrentPage) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir / "pages");
  write_bytes(dir / "modele.htm", "<title>x</title>\r\n<!--tag1-->\r\n\r\n<!--/tag1-->\r\n");
  std::string data;
  for (int i = 0; i < 200'000; ++i) data += "p" + std::to_string(i) + ";texte " + std::to_string(i) + "\r\n";
  write_bytes(dir / "data.txt", data);

  const std::string err_path = (dir / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const std::string source = (dir / "data.txt").string(), modele = (dir / "modele.htm").string(),
                    destination = dir.text() + "pages/";
  const char* argv[] = {CORVELLA_BATCH_PROGRAM, "--source", source.c_str(), "--modele", modele.c_str(),
                        "--destination", destination.c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, CORVELLA_BATCH_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // Wait until pages are being made, then press Ctrl-C.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists(dir / "pages/p100.htm") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << "status " << status;
  EXPECT_EQ(read_bytes(err_path), "Traitement interrompu...\n");
  const auto names = file_names(dir / "pages");
  EXPECT_LT(names.size(), 200'000u);
  EXPECT_EQ(std::ranges::count_if(names, [](const std::string& n) { return n.starts_with("tmp_"); }), 0);
}

}  // namespace
}  // namespace corvella
