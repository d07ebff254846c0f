#include "batch.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <csignal>
#include <sstream>

#include "test_support.h"
#include "version.h"

namespace corvella::testing {
namespace {

using Outcome = std::pair<int, std::string>;  // the exit status and the error stream

// An error stream that raises the signal once it shows the caption, as a
// user stopping the run would.
struct SignallingStream : std::stringbuf {
  std::pair<int, std::string> stop;
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    if (stop.first != 0 && std::string_view(text, size).find(stop.second) != std::string::npos)
      std::raise(std::exchange(stop.first, 0));
    return std::stringbuf::xsputn(text, size);
  }
};

std::string printed;  // the standard output of the last call

Outcome batch(const Texts& args, std::pair<int, std::string> stop = {}) {
  std::vector<const char*> argv{"corvella-batch"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  SignallingStream err_buffer;
  err_buffer.stop = std::move(stop);
  std::ostream err(&err_buffer);
  const int status = batch_main(static_cast<int>(argv.size()), argv.data(), out, err);
  printed = out.str();
  return {status, err_buffer.str()};
}

std::string said(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += "corvella-batch : " + line + "\n";
  return text;
}

std::string summary(int made = 0, int refilled = 0, int unchanged = 0, int skipped = 0,
                    int linked = 0, int links = 0) {
  std::ostringstream line;
  line << "pages créées : " << made << ", remplies : " << refilled << ", inchangées : " << unchanged
       << ", non traitées : " << skipped << " ; pages liées : " << linked
       << ", liens écrits : " << links;
  return said({line.str()});
}

struct BatchTool : ::testing::Test {
  BatchTool() {
    fs::create_directory(pages);
    write_bytes(dir / "modele.htm", fiche("", "", "", "x"));
    write_bytes(
        dir / "data.txt",
        "lyon;Lyon;Rhône\r\nnantes;Nantes;Loire-Atlantique\r\nvilleurbanne;Villeurbanne;Rhône\r\n");
  }
  Texts paths(Texts more = {}) const {  // the destination without its "/": one is added
    more.insert(more.begin(), {"--source", (dir / "data.txt").string(), "--modele",
                               (dir / "modele.htm").string(), "--destination", pages.string()});
    return more;
  }
  std::string page(const std::string& name) const { return read_bytes(pages / name); }

  // The tool in a forked child, then `after` there; its error stream comes back through a file.
  int child_run(const Texts& args, const std::function<void()>& after = {}) {
    const Outcome outcome = batch(args);
    if (after) after();
    write_bytes(dir / "err.txt", outcome.second);
    return outcome.first;
  }
  // Nothing when the child could not prepare (77) or drop its privileges (99).
  std::optional<Outcome> outcome(std::optional<int> status) {
    if (!status || *status == 77 || *status == 99) return std::nullopt;
    return Outcome{*status, read_bytes(dir / "err.txt")};
  }
  // As a user who owns the test folder and none of the files in it.
  std::optional<Outcome> as_nobody(const Texts& args) {
    std::string skip;
    return outcome(as_unprivileged(
        dir.path(), [&] { return child_run(args); }, skip));
  }

  TempDir dir;
  const fs::path pages = dir / "pages";
};

TEST_F(BatchTool, OnAPipeARunPrintsOnlyItsSummary) {
  EXPECT_EQ(batch(paths()), (Outcome{0, summary(3, 0, 0, 0)}));
  EXPECT_EQ(printed, "");
  EXPECT_EQ(page("lyon.htm"), fiche("Lyon", "Rhône"));
  EXPECT_EQ(file_names(pages), (Texts{"lyon.htm", "nantes.htm", "villeurbanne.htm"}));
  EXPECT_EQ(batch(paths({"--quiet"})), (Outcome{0, ""}));

  // Asked for, the progress line comes first and the end message before the summary.
  const auto [status, err] = batch(paths({"--progress"}));
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(err.starts_with("\rcorvella-batch : Génération des pages HTML en cours...")) << err;
  EXPECT_TRUE(err.ends_with("\r\x1b[K" + said({"Traitement terminé..."}) + summary(0, 0, 3, 0)))
      << err;

  EXPECT_EQ(batch({"--help"}), (Outcome{0, ""}));
  EXPECT_TRUE(printed.starts_with("Usage : corvella-batch [options]\n")) << printed;
  for (const char* option : {"--version", "-V"}) {
    EXPECT_EQ(batch({option}), (Outcome{0, ""}));
    EXPECT_EQ(printed, "corvella-batch " + std::string(kVersion) + "\n");
  }
}

TEST_F(BatchTool, UsageErrorsAndFailedValidationExitWith2WritingNothing) {
  const std::string again = "essayez « corvella-batch --help ».",
                    absent = (dir / "absent.ini").string();
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--vite"}, said({"option inconnue : --vite", again})},
      {{"--source"}, said({"valeur manquante après --source", again})},
      {paths({"--", "--liens"}), said({"argument inattendu : --liens", again})},
      {{"--no-pages", "--no-liens", "--quiet"},
       said({"rien à faire : ni pages (--no-pages) ni liens (--liens)", again})},
      {paths({"--settings", absent}),
       said({"--settings : " + absent + " : No such file or directory"})},
      {paths({"--liens", "--lien", dir.text(), "--textesource", "deux"}),
       said({"tag invalide pour --textesource : deux"})},
      {paths({"--titre", "3"}), said({"--titre vaut 1 ou 2, pas : 3"})},
      {paths({"--quiet", "--source", (dir / "absent.txt").string()}),
       said({"Le fichier source n'existe plus"})},
  };
  for (const auto& [args, err] : cases) EXPECT_EQ(batch(args), (Outcome{2, err})) << args.front();
  // A folder another run holds: status 1 in either pass, and nothing written.
  for (const char* name : {"a.htm", "b.htm"}) write_bytes(pages / name, fiche(name, "Rhône"));
  const ForeignLock other_run(pages);
  const Outcome busy{
      1, said({"Un autre traitement est en cours dans le répertoire de destination"}) + summary()};
  for (const auto& args :
       {paths(), paths({"--no-pages", "--liens", "--lien", pages.string(), "--textesource", "2"})})
    EXPECT_EQ(batch(args), busy);
  EXPECT_EQ(file_names(pages), (Texts{"a.htm", "b.htm"}));
  EXPECT_EQ(page("b.htm"), fiche("b.htm", "Rhône"));
}

TEST_F(BatchTool, NamingTitlesAndLinksFromTheOptions) {
  EXPECT_EQ(batch(paths({"--option", "2", "--tagf0", "2", "--tagf1", "Tag N°0", "--titre", "2",
                         "--tagf4=Tag N°2", "--liens", "--lien", pages.string(), "--textesource",
                         "Tag N°2", "--textelien", "1", "--tag99", "/villes/"})),
            (Outcome{0, summary(3, 0, 0, 0, 2, 2)}));
  EXPECT_EQ(
      page("Rhône_lyon.htm"),
      fiche("Lyon", "Rhône", link("/villes/Rhône_villeurbanne.htm", "Villeurbanne"), "Rhône"));
  EXPECT_EQ(page("Loire-Atlantique_nantes.htm"),
            fiche("Nantes", "Loire-Atlantique", "\r\n", "Loire-Atlantique"));

  // The paths from a settings file; --option 1 and --titre 1 take the first and second
  // columns whatever the tags say; a tag of a pass that does not run is not looked at.
  write_bytes(dir / "Corvella.ini", "[Parametres]\r\nSource=" + (dir / "data.txt").string() +
                                        "\r\nModele=" + (dir / "modele.htm").string() +
                                        "\r\nDestination= " + dir.text() +
                                        "pages/ \r\nOption=2\r\nTagF0=Tag N°2\r\n");
  EXPECT_EQ(batch({"--settings", (dir / "Corvella.ini").string(), "--option", "1", "--titre", "1",
                   "--tagf4", "2", "--textesource", "x", "-q"}),
            (Outcome{0, ""}));
  EXPECT_EQ(page("nantes.htm"), fiche("Nantes", "Loire-Atlantique"));
}

// Each page that cannot be made (a template or a folder it cannot read or
// write) is one line and the run exits with 3 (--quiet hides the lines, not
// the status); a link folder that cannot be read ends the run with 1.
TEST_F(BatchTool, SkippedPagesAndUnreadableFilesAsAnUnprivilegedUser) {
  write_bytes(dir / "data.txt", "../evasion;x\r\nlyon;Lyon;Rhône\r\nnantes;Nantes;Loire\r\n");
  write_bytes(pages / "lyon.htm", fiche("Lyon", "ancien"));
  fs::permissions(pages, fs::perms::all);
  ::chmod((dir / "modele.htm").c_str(), 0600);
  const std::optional<Outcome> template_refused = as_nobody(paths());
  if (!template_refused) GTEST_SKIP() << "this test cannot drop its privileges";
  const std::string refused =
      said({"../evasion.htm : nom de page refusé", "nantes.htm : Permission denied",
            "Traitement terminé, mais 2 pages n'ont pas pu être créées ou liées."});
  EXPECT_EQ(*template_refused, (Outcome{3, refused + summary(0, 1, 0, 2)}));
  EXPECT_EQ(file_names(pages), Texts{"lyon.htm"});
  EXPECT_EQ(as_nobody(paths({"-q"})), (Outcome{3, ""}));
  ::chmod((dir / "modele.htm").c_str(), 0644);
  ::chmod(pages.c_str(), 0555);
  EXPECT_EQ(as_nobody(paths()), (Outcome{3, refused + summary(0, 0, 1, 2)}));  // lyon unchanged
  fs::permissions(pages, fs::perms::all);
  fs::create_directory(dir / "liens");
  fs::permissions(dir / "liens", fs::perms::owner_all);
  EXPECT_EQ(as_nobody(paths({"--no-pages", "--liens", "--lien", (dir / "liens").string(),
                             "--textesource", "2", "--textelien", "1"})),
            (Outcome{1, said({"Le répertoire contenant les fichiers à traiter ne peut pas être lu "
                              ": Permission denied"}) +
                            summary()}));
  EXPECT_EQ(page("lyon.htm"), fiche("Lyon", "Rhône"));
}

// A destination on a 64 KiB file system fills up: the pass stops there,
// every page already delivered is kept whole and the run fails.
TEST_F(BatchTool, AFullDiskStopsThePassAndKeepsThePagesMade) {
  std::string data;
  for (int i = 0; i < 100; ++i) data += "p" + std::to_string(i) + ";P;Rhône\r\n";
  write_bytes(dir / "data.txt", data);
  const fs::path kept = dir / "kept";
  const std::optional<Outcome> full = outcome(in_child([&] {
    const bool mounted = ::unshare(CLONE_NEWNS) == 0 &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount("corvella-test", pages.c_str(), "tmpfs", 0, "size=64k") == 0;
    return mounted ? child_run(paths(), [&] { fs::copy(pages, kept); }) : 77;
  }));
  if (!full) GTEST_SKIP() << "the kernel does not let this test mount a small file system";
  const Texts names = file_names(kept);
  ASSERT_TRUE(names.size() > 0 && names.size() < 100) << names.size();
  for (const std::string& name : names)
    EXPECT_EQ(read_bytes(kept / name), fiche("P", "Rhône")) << name;
  EXPECT_EQ(*full,
            (Outcome{1, said({"p" + std::to_string(names.size()) + ".htm : No space left on device",
                              "Le disque de destination est plein"}) +
                            summary(static_cast<int>(names.size()), 0, 0, 1)}));
}

TEST(BatchToolDefaults, AloneItGeneratesAndLinksTheExamplePages) {
  ASSERT_EQ(batch({"--quiet", "--liens"}), (Outcome{0, ""}));
  // The example pages link by region (tag 2), with the cheese's name (tag 3) as text.
  EXPECT_NE(read_bytes(fs::path(std::getenv("HOME")) / "corvella/carre-du-bocage.htm")
                .find("<a href =\"frais-de-la-baie.htm\">Frais de la Baie</a><br>\r\n"),
            std::string::npos);
}

// Stopped by a signal in either pass: 128 + the signal, the pages delivered
// before it whole, no working copy left, and a summary that counts exactly
// what is on disk.
TEST_F(BatchTool, StopSignalsInBothPasses) {
  std::ostringstream data;  // a page that cannot be made half-way, told at once
  for (int i = 0; i < 500; ++i) data << "p" << i << (i == 250 ? "/;x\r\n" : ";P;groupe 5\r\n");
  write_bytes(dir / "data.txt", data.str());
  // What the tool shows before the signal comes: a page it cannot make, or the link pass.
  const std::string skip = ".htm : ", links = "liens hypertexte";
  const std::pair<int, std::string> cases[] = {
      {SIGINT, skip}, {SIGTERM, skip}, {SIGHUP, skip}, {SIGTERM, links}, {SIGHUP, links}};
  for (const auto& stop : cases) {
    SCOPED_TRACE(std::string(strsignal(stop.first)) + " after " + stop.second);
    for (const std::string& name : file_names(pages)) fs::remove(pages / name);
    const auto [status, err] = batch(paths({"--progress", "--liens", "--lien", pages.string(),
                                            "--textesource", "2", "--textelien", "0"}),
                                     stop);
    const Texts names = file_names(pages);
    int linked = 0;
    for (const std::string& name : names) {
      const std::string page = read_bytes(pages / name);
      EXPECT_TRUE(name.ends_with(".htm") && page.ends_with("<!--/tag99-->\r\n</html>\r\n")) << name;
      linked += page.find("<a href") != std::string::npos;
    }
    const int made = static_cast<int>(names.size());
    EXPECT_EQ(made, stop.second == skip ? 250 : 499);
    EXPECT_EQ(status, 128 + stop.first);
    EXPECT_TRUE(err.ends_with(said({"Traitement interrompu..."}) +
                              summary(made, 0, 0, 1, linked, linked * (made - 1))))
        << err;
  }
}

}  // namespace
}  // namespace corvella::testing
