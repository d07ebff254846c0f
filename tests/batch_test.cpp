#include "batch.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "test_support.h"
#include "version.h"

extern char** environ;

namespace corvella {
namespace {

namespace fs = std::filesystem;
using testing::file_names;
using testing::read_bytes;
using testing::write_bytes;
using Texts = std::vector<std::string>;

// The exit status and what the tool wrote on its error stream.
using Outcome = std::pair<int, std::string>;

// The tool writes nothing on standard output but its help and version.
Outcome batch(std::vector<std::string> args, std::string* out = nullptr) {
  args.insert(args.begin(), "corvella-batch");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out_stream, err;
  const int status = batch_main(static_cast<int>(argv.size()), argv.data(), out_stream, err);
  if (out)
    *out = out_stream.str();
  else
    EXPECT_EQ(out_stream.str(), "");
  return {status, err.str()};
}

std::string summary(int made, int refilled, int skipped, int linked = 0, int links = 0,
                    int unchanged = 0) {
  return "corvella-batch : pages créées : " + std::to_string(made) +
         ", remplies : " + std::to_string(refilled) +
         ", inchangées : " + std::to_string(unchanged) +
         ", non traitées : " + std::to_string(skipped) +
         " ; pages liées : " + std::to_string(linked) +
         ", liens écrits : " + std::to_string(links) + "\n";
}

std::string warning(int skipped) {
  return "corvella-batch : Traitement terminé, mais " + std::to_string(skipped) +
         " pages n'ont pas pu être créées ou liées.\n";
}

constexpr const char* kTemplate =
    "<html>\r\n<title>x</title>\r\n<h1>\r\n<!--tag1-->\r\n\r\n<!--/tag1-->\r\n</h1>\r\n"
    "<!--tag2-->\r\n\r\n<!--/tag2-->\r\n<!--tag99-->\r\n<!--/tag99-->\r\n</html>\r\n";

// The page the fixture's template makes, with `links` in its region 99.
std::string page_of(const std::string& title, const std::string& city, const std::string& region,
                    const std::string& links = "\r\n") {
  return "<html>\r\n<title>" + title + "</title>\r\n<h1>\r\n<!--tag1-->\r\n" + city +
         "\r\n<!--/tag1-->\r\n</h1>\r\n<!--tag2-->\r\n" + region +
         "\r\n<!--/tag2-->\r\n<!--tag99-->\r\n" + links + "<!--/tag99-->\r\n</html>\r\n";
}

struct BatchTool : ::testing::Test {
  void SetUp() override {
    fs::create_directory(dir / "pages");
    write_bytes(dir / "modele.htm", kTemplate);
    write_bytes(
        dir / "data.txt",
        "lyon;Lyon;Rhône\r\nnantes;Nantes;Loire-Atlantique\r\nvilleurbanne;Villeurbanne;Rhône\r\n");
  }
  std::vector<std::string> paths(std::vector<std::string> more = {}) {
    std::vector<std::string> args{
        "--source",      (dir / "data.txt").string(), "--modele", (dir / "modele.htm").string(),
        "--destination", (dir / "pages").string()};  // no trailing "/": one is added
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::string page(const std::string& name) { return read_bytes(dir / "pages" / name); }

  // Runs the tool in a forked child once `prepare` succeeds there, then
  // `after` in the child. Nothing when the kernel refuses `prepare`.
  std::optional<Outcome> in_child(
      const std::function<bool()>& prepare, const std::vector<std::string>& args,
      const std::function<void()>& after = [] {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (!prepare()) ::_exit(77);
      const Outcome outcome = batch(args);
      after();
      write_bytes(dir / "child-err.txt", outcome.second);
      ::_exit(outcome.first);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) return std::nullopt;
    return Outcome{WEXITSTATUS(status), read_bytes(dir / "child-err.txt")};
  }
  // An unprivileged user whose only access is what "other" is given.
  std::optional<Outcome> as_nobody(const std::vector<std::string>& args) {
    fs::permissions(dir.path(), fs::perms::all);
    return in_child(
        [] { return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0; },
        args);
  }

  testing::TempDir dir;
};

TEST_F(BatchTool, OnAPipeARunPrintsOnlyItsSummary) {
  EXPECT_EQ(batch(paths()), (Outcome{0, summary(3, 0, 0)}));
  EXPECT_EQ(page("lyon.htm"), page_of("Lyon", "Lyon", "Rhône"));
  EXPECT_EQ(file_names(dir / "pages"), (Texts{"lyon.htm", "nantes.htm", "villeurbanne.htm"}));
  EXPECT_EQ(batch(paths({"--quiet"})), (Outcome{0, ""}));

  // Asked for, the progress line comes first and the end message before the summary.
  const auto [status, err] = batch(paths({"--progress"}));
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(err.starts_with("\rcorvella-batch : Génération des pages HTML en cours...")) << err;
  EXPECT_TRUE(err.ends_with("\r\x1b[Kcorvella-batch : Traitement terminé...\n" + summary(0, 0, 0, 0, 0, 3)))
      << err;

  // Help and version on standard output.
  std::string out;
  EXPECT_EQ(batch({"--help"}, &out), (Outcome{0, ""}));
  EXPECT_TRUE(out.starts_with("Usage : corvella-batch [options]\n")) << out;
  for (const char* option : {"--version", "-V"}) {
    EXPECT_EQ(batch({option}, &out), (Outcome{0, ""}));
    EXPECT_EQ(out, "corvella-batch " + std::string(kVersion) + "\n");
  }
}

TEST_F(BatchTool, AFolderAnotherRunHoldsIsRefusedWithoutWriting) {
  const testing::ForeignLock other_run(dir / "pages");
  EXPECT_EQ(batch(paths()),
            (Outcome{1, "corvella-batch : Un autre traitement est en cours dans le répertoire de "
                        "destination\n" + summary(0, 0, 0)}));
  EXPECT_TRUE(file_names(dir / "pages").empty());
}

TEST_F(BatchTool, UsageErrorsAndFailedValidationExitWith2WritingNothing) {
  const std::string again = "corvella-batch : essayez « corvella-batch --help ».\n";
  fs::create_directory(dir / "réglages");
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"--vite"}, "corvella-batch : option inconnue : --vite\n" + again},
      {{"--source"}, "corvella-batch : valeur manquante après --source\n" + again},
      {{"site/"}, "corvella-batch : argument inattendu : site/\n" + again},
      {paths({"--", "--liens"}), "corvella-batch : argument inattendu : --liens\n" + again},
      {{"--no-pages", "--no-liens", "--quiet"},
       "corvella-batch : rien à faire : ni pages (--no-pages) ni liens (--liens)\n" + again},
      {paths({"--settings", (dir / "absent.ini").string()}),
       "corvella-batch : --settings : " + (dir / "absent.ini").string() +
           " : No such file or directory\n"},
      {paths({"--settings", (dir / "réglages").string()}),
       "corvella-batch : --settings : " + (dir / "réglages").string() + " : Is a directory\n"},
      {paths({"--tagf0", "Tag N°x"}), "corvella-batch : tag invalide pour --tagf0 : Tag N°x\n"},
      {paths({"--liens", "--lien", dir.text(), "--textesource", "deux"}),
       "corvella-batch : tag invalide pour --textesource : deux\n"},
      {paths({"--titre", "3"}), "corvella-batch : --titre vaut 1 ou 2, pas : 3\n"},
      {paths({"--option", "3"}), "corvella-batch : --option vaut 1 ou 2, pas : 3\n"},
      {paths({"--quiet", "--source", (dir / "absent.txt").string()}),
       "corvella-batch : Le fichier source n'existe plus\n"},
      {{"--source", "", "--destination", ""},
       "corvella-batch : Vous devez choisir un répertoire de destination\n"},
  };
  for (const auto& [args, err] : cases) EXPECT_EQ(batch(args), (Outcome{2, err})) << args.front();
  EXPECT_TRUE(file_names(dir / "pages").empty());
}

TEST_F(BatchTool, NamingTitlesAndLinksFromTheOptions) {
  // A tag of a pass that does not run is not looked at.
  ASSERT_EQ(batch(paths({"--option", "2", "--tagf0", "2", "--tagf1", "Tag N°0", "--titre", "2",
                         "--tagf4=Tag N°2", "--textesource", "x"}))
                .first,
            0);
  EXPECT_EQ(file_names(dir / "pages"),
            (Texts{"Loire-Atlantique_nantes.htm", "Rhône_lyon.htm", "Rhône_villeurbanne.htm"}));
  EXPECT_EQ(page("Rhône_lyon.htm"), page_of("Rhône", "Lyon", "Rhône"));
  // --option 1: the first column, whatever the tags say.
  EXPECT_EQ(batch(paths({"--option", "1", "--tagf0", "2", "--quiet"})), (Outcome{0, ""}));
  EXPECT_EQ(file_names(dir / "pages"),
            (Texts{"Loire-Atlantique_nantes.htm", "Rhône_lyon.htm", "Rhône_villeurbanne.htm",
                   "lyon.htm", "nantes.htm", "villeurbanne.htm"}));

  // --titre 1 is the second column whatever --tagf4 says; then the links,
  // by region, with the city as text and the given prefix.
  fs::remove_all(dir / "pages");
  fs::create_directory(dir / "pages");
  EXPECT_EQ(
      batch(paths({"--titre", "1", "--tagf4", "2", "--liens", "--lien", (dir / "pages").string(),
                   "--textesource", "Tag N°2", "--textelien", "1", "--tag99", "/villes/"})),
      (Outcome{0, summary(3, 0, 0, 2, 2)}));
  EXPECT_EQ(page("lyon.htm"),
            page_of("Lyon", "Lyon", "Rhône",
                    "<a href =\"/villes/villeurbanne.htm\">Villeurbanne</a><br>\r\n"));
  EXPECT_EQ(page("villeurbanne.htm"), page_of("Villeurbanne", "Villeurbanne", "Rhône",
                                              "<a href =\"/villes/lyon.htm\">Lyon</a><br>\r\n"));
  EXPECT_EQ(page("nantes.htm"), page_of("Nantes", "Nantes", "Loire-Atlantique"));
  // By city, nothing matches: the links stay as they are.
  EXPECT_EQ(batch({"--no-pages", "--liens", "--lien", (dir / "pages").string(), "--destination",
                   (dir / "pages").string(), "--textesource", "1", "--textelien", "1"}),
            (Outcome{0, summary(0, 0, 0)}));

  // The rest from the settings file.
  write_bytes(dir / "Corvella.ini", "[Parametres]\r\nSource=" + (dir / "data.txt").string() +
                                        "\r\nModele=" + (dir / "modele.htm").string() +
                                        "\r\nDestination= " + dir.text() +
                                        "pages/ \r\nOption=2\r\nTagF0=Tag N°2\r\n");
  EXPECT_EQ(batch({"--settings", (dir / "Corvella.ini").string(), "--quiet"}), (Outcome{0, ""}));
  EXPECT_EQ(page("Loire-Atlantique.htm"), page_of("Nantes", "Nantes", "Loire-Atlantique"));
}

// Each page that cannot be made is one line and the run exits with 3
// (--quiet hides the lines, not the status); data or a link folder that
// cannot be read ends the run with 1. Run as an unprivileged user, whose
// only access is what the system gives "other".
TEST_F(BatchTool, SkippedPagesAndUnreadableFilesAsAnUnprivilegedUser) {
  write_bytes(dir / "data.txt", "../evasion;x\r\nlyon;Lyon;Rhône\r\nnantes;Nantes;Loire\r\n");
  write_bytes(dir / "pages/lyon.htm", page_of("Lyon", "Lyon", "ancien"));
  fs::permissions(dir / "pages", fs::perms::all);
  ::chmod((dir / "modele.htm").c_str(), 0600);
  const std::optional<Outcome> template_refused = as_nobody(paths());
  if (!template_refused) GTEST_SKIP() << "the kernel does not let this test drop its privileges";
  EXPECT_EQ(*template_refused, (Outcome{3,
                                        "corvella-batch : ../evasion.htm : nom de page refusé\n"
                                        "corvella-batch : nantes.htm : Permission denied\n" +
                                            warning(2) + summary(0, 1, 2)}));
  EXPECT_EQ(file_names(dir / "pages"), Texts{"lyon.htm"});
  EXPECT_EQ(page("lyon.htm"), page_of("Lyon", "Lyon", "Rhône"));
  EXPECT_EQ(as_nobody(paths({"-q"})), (Outcome{3, ""}));

  ::chmod((dir / "modele.htm").c_str(), 0644);
  ::chmod((dir / "pages").c_str(), 0555);
  EXPECT_EQ(as_nobody(paths()), (Outcome{3,
                                         "corvella-batch : ../evasion.htm : nom de page refusé\n"
                                         "corvella-batch : nantes.htm : Permission denied\n" +
                                             warning(2) + summary(0, 0, 2, 0, 0, 1)}));
  fs::permissions(dir / "pages", fs::perms::all);
  fs::create_directory(dir / "liens");
  fs::permissions(dir / "liens", fs::perms::owner_all);
  EXPECT_EQ(
      as_nobody(paths({"--no-pages", "--liens", "--lien", (dir / "liens").string(), "--textesource",
                       "2", "--textelien", "1"})),
      (Outcome{
          1,
          "corvella-batch : Le répertoire contenant les fichiers à traiter ne peut pas être lu : "
          "Permission denied\n" +
              summary(0, 0, 0)}));
  ::chmod((dir / "data.txt").c_str(), 0600);
  EXPECT_EQ(
      as_nobody(paths()),
      (Outcome{1, "corvella-batch : Le fichier source ne peut pas être lu\n" + summary(0, 0, 0)}));
  EXPECT_EQ(page("lyon.htm"), page_of("Lyon", "Lyon", "Rhône"));
}

// A destination on a 64 KiB file system fills up: the pass stops there,
// every page already delivered is kept whole and the run fails.
TEST_F(BatchTool, AFullDiskStopsThePassAndKeepsThePagesMade) {
  std::string data;
  for (int i = 0; i < 100; ++i) data.append("p").append(std::to_string(i)).append(";P;Rhône\r\n");
  write_bytes(dir / "data.txt", data);
  const fs::path pages = dir / "pages", kept = dir / "kept";
  const std::optional<Outcome> outcome = in_child(
      [&] {
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("corvella-test", pages.c_str(), "tmpfs", 0, "size=64k") == 0;
      },
      paths(), [&] { fs::copy(pages, kept); });
  if (!outcome) GTEST_SKIP() << "the kernel does not let this test mount a small file system";
  const Texts names = file_names(kept);
  ASSERT_GT(names.size(), 0u);
  ASSERT_LT(names.size(), 100u);
  for (const std::string& name : names)
    EXPECT_EQ(read_bytes(kept / name), page_of("P", "P", "Rhône")) << name;
  const std::string next = "p" + std::to_string(names.size());
  EXPECT_EQ(*outcome, (Outcome{1, "corvella-batch : " + next +
                                      ".htm : No space left on device\n"
                                      "corvella-batch : Le disque de destination est plein\n" +
                                      summary(static_cast<int>(names.size()), 0, 1)}));
}

TEST(BatchToolDefaults, AloneItGeneratesAndLinksTheExamplePages) {
  ASSERT_EQ(batch({"--quiet", "--liens"}), (Outcome{0, ""}));
  const auto working = fs::path(std::getenv("HOME")) / "corvella";
  // The example pages link by region (tag 2), with the cheese's name (tag 3)
  // as text; the example images go along.
  EXPECT_NE(read_bytes(working / "carre-du-bocage.htm")
                .find("<a href =\"frais-de-la-baie.htm\">Frais de la Baie</a><br>\r\n"),
            std::string::npos);
  EXPECT_EQ(std::ranges::count_if(file_names(working),
                                  [](const std::string& n) { return n.ends_with(".jpg"); }),
            7);
}

// The real program, stopped by a signal in either pass: 128 + the signal,
// the pages delivered before it whole, no working copy left, and a summary
// that counts exactly what is on disk.
TEST(BatchToolProcess, StopSignalsInBothPasses) {
  const struct {
    int signal;
    const char* pass;  // the caption awaited before signalling
  } cases[] = {{SIGINT, "pages HTML"},
               {SIGTERM, "pages HTML"},
               {SIGHUP, "pages HTML"},
               {SIGTERM, "liens hypertexte"},
               {SIGHUP, "liens hypertexte"}};
  std::ostringstream data;
  for (int i = 0; i < 5'000; ++i) data << "p" << i << ";P;groupe " << i % 50 << "\r\n";
  for (const auto& [signal, pass] : cases) {
    SCOPED_TRACE(std::string(strsignal(signal)) + " during " + pass);
    testing::TempDir dir;
    fs::create_directory(dir / "pages");
    write_bytes(dir / "modele.htm", kTemplate);
    write_bytes(dir / "data.txt", data.str());

    const std::string err_path = (dir / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const std::string pages = dir.text() + "pages/";
    const std::vector<std::string> args{CORVELLA_BATCH_PROGRAM,
                                        "--progress",
                                        "--source",
                                        (dir / "data.txt").string(),
                                        "--modele",
                                        (dir / "modele.htm").string(),
                                        "--destination",
                                        pages,
                                        "--liens",
                                        "--lien",
                                        pages,
                                        "--textesource",
                                        "2",
                                        "--textelien",
                                        "0"};
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (read_bytes(err_path).find(pass) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << "status " << status;

    const Texts names = file_names(dir / "pages");
    int linked = 0;
    for (const std::string& name : names) {
      EXPECT_FALSE(name.starts_with("tmp_"));
      const std::string page = read_bytes(dir / "pages" / name);
      EXPECT_TRUE(page.ends_with("<!--/tag99-->\r\n</html>\r\n")) << name;
      linked += page.find("<a href") != std::string::npos;
    }
    const std::string err = read_bytes(err_path);
    const std::string end = err.substr(err.rfind("\r\x1b[K") + 4);
    const int made = static_cast<int>(names.size());
    EXPECT_EQ(end, "corvella-batch : Traitement interrompu...\n" +
                       summary(made, 0, 0, linked, linked * 99));
    EXPECT_EQ(made == 5'000, std::string(pass) == "liens hypertexte");
  }
}

}  // namespace
}  // namespace corvella
