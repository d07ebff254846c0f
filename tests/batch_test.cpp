#include "batch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fcntl.h>
#include <sstream>
#include <thread>

#include "test_support.h"

extern char** environ;

namespace corvella {
namespace {

using testing::read_bytes;
using testing::write_bytes;

struct Result {
  int status;
  std::string out, err;
};

Result batch(std::vector<std::string> args) {
  args.insert(args.begin(), "corvella-batch");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int status = batch_main(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

class BatchTool : public ::testing::Test {
 protected:
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
  const Result result = batch(paths());
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "Traitement terminé...\n");
  EXPECT_EQ(read_bytes(dir / "pages/lyon.htm"), "<title>Lyon</title>\r\n<!--tag2-->\r\nRhône\r\n<!--/tag2-->\r\n");
  EXPECT_EQ(testing::file_names(dir / "pages"), (std::vector<std::string>{"lyon.htm", "nantes.htm"}));
  EXPECT_EQ(batch([&] { auto a = paths(); a.push_back("--quiet"); return a; }()).err, "");
}

TEST_F(BatchTool, OptionsNameTheTagsAndTheChoices) {
  auto args = paths();
  args.insert(args.end(), {"--option", "2", "--tagf0", "2", "--tagf1", "Tag N°0", "--titre", "2",
                           "--tagf4=Tag N°2"});
  ASSERT_EQ(batch(args).status, 0);
  EXPECT_EQ(testing::file_names(dir / "pages"),
            (std::vector<std::string>{"Loire-Atlantique_nantes.htm", "Rhône_lyon.htm"}));
  EXPECT_EQ(read_bytes(dir / "pages/Rhône_lyon.htm").substr(0, 23), "<title>Rhône</title>\r\n");

  const Result bad = batch({"--tagf0", "Tag N°x"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "corvella-batch : tag invalide pour --tagf0 : Tag N°x\n");
  EXPECT_EQ(batch({"--source"}).status, 2);
}

TEST_F(BatchTool, ValidationFailsWithItsMessageAndWritesNothing) {
  auto args = paths();
  args[1] = (dir / "absent.txt").string();
  const Result result = batch(args);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "Le fichier source n'existe plus\n");
  EXPECT_TRUE(testing::file_names(dir / "pages").empty());

  const Result empty = batch({"--source", "", "--destination", ""});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.err, "Vous devez choisir un répertoire de destination\n");
}

TEST_F(BatchTool, TakesWhatIsNotGivenFromTheSettingsFile) {
  write_bytes(dir / "Corvella.ini",
              "[Parametres]\r\nSource=" + (dir / "data.txt").string() + "\r\nModele=" +
                  (dir / "modele.htm").string() + "\r\nDestination= " + dir.text() +
                  "pages/ \r\nOption=2\r\nTagF0=Tag N°2\r\n");
  const Result result = batch({"--settings", (dir / "Corvella.ini").string(), "--quiet"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(testing::file_names(dir / "pages"),
            (std::vector<std::string>{"Loire-Atlantique.htm", "Rhône.htm"}));
}

TEST(BatchToolDefaults, AloneItGeneratesTheExamplePages) {
  const Result result = batch({"--quiet"});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto working = std::filesystem::path(std::getenv("HOME")) / "corvella";
  const auto names = testing::file_names(working);
  EXPECT_GE(names.size(), 7u + 12u);
  EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.ends_with(".jpg"); }), 7);
  EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.starts_with("tmp_"); }), 0);
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
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_EQ(read_bytes(err_path), "Traitement interrompu...\n");
  const auto names = testing::file_names(dir / "pages");
  EXPECT_LT(names.size(), 200'000u);
  for (const std::string& name : names) {
    ASSERT_FALSE(name.starts_with("tmp_")) << name;
  }
}

}  // namespace
}  // namespace corvella
