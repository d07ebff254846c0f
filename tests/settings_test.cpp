#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "test_support.h"

namespace corvella::testing {
namespace {

// The fourteen values in their order, each choice as the button it selects.
Texts loaded(const fs::path& file) {
  const StoredSettings s = load_settings(file, "/opt/corvella/", "/home/anne/");
  Texts all{s.source,      s.destination, s.modele, s.lien,
            s.textesource, s.textelien,   s.tag99,  s.option1 ? "Option1" : "Option2"};
  all.insert(all.end(), s.tagf.begin(), s.tagf.end());
  all.push_back(s.titrep1 ? "Titrep1" : "Titrep2");
  return all;
}

std::string read(const fs::path& file, std::string_view key) {
  return read_key(file, kSection, key, "<default>", 100);
}

struct SettingsFile : ::testing::Test {
  TempDir dir;
  fs::path file = dir / "Corvella.ini";
};

TEST_F(SettingsFile, ValuesAreCutAtCapacityAndChoicesReadAsNumbers) {
  std::string accents;
  for (int i = 0; i < 120; ++i) accents += "é";
  write_key(file, kSection, "Source", "/" + std::string(119, 'p'));
  write_key(file, kSection, "Tag99", std::string(600, 'u'));
  write_key(file, kSection, "Modele", "a" + accents);
  write_key(file, kSection, "Destination", "/srv/d\xE9st/");
  // Never half a character; defaults never cut; a value not UTF-8 read byte for byte.
  const std::string deep = "/home/anne/" + std::string(138, 'w') + "/";
  const StoredSettings s = load_settings(file, deep, deep);
  EXPECT_EQ(std::tuple(s.source, s.tag99, s.modele, s.destination, s.lien),
            std::tuple("/" + std::string(98, 'p'), std::string(499, 'u'),
                       "a" + accents.substr(0, 98 * 2), std::string("/srv/d\xE9st/"), deep));

  // The first button is chosen by the number 1, however written.
  std::string firsts;
  for (const char* text : {" 1 ", "01", "1.0", "2", "1x", "-1"}) {
    write_key(file, kSection, "Option", text);
    write_key(file, kSection, "Titre", text);
    const StoredSettings c = load_settings(file, "", "");
    firsts += std::to_string(c.option1) + std::to_string(c.titrep1) + " ";
  }
  EXPECT_EQ(firsts, "11 11 11 00 00 00 ");
}

// A file as a user may have edited it: every key, spaces, a comment, other
// sections, a line without "=", no line end at the end. Reached through a
// link, it stays a link: the file it points to is replaced by a new file made beside it.
TEST_F(SettingsFile, LoadReadsEveryKeyAndWriteKeepsEveryOtherByteAndTheLink) {
  const std::string before =
      "; réglages de Corvella\r\n[Autre]\r\nSource=ne pas toucher\r\n\r\n[Parametres]\r\n"
      "  Source =  /data/produits.txt  \r\nDestination=/www/\r\nModele=/data/modèle.htm\r\n"
      "Lien /ailleurs/\r\nLien=/www/liens/\r\ntextesource=Tag N°4\r\nTextelien=Tag N°5\r\n"
      "Tag99=  ../fiches/ \r\nOption=2\r\nTagF0=Tag N°0\r\nTagF1=\r\nTagF2=Tag N°2\r\nTagF3= \r\n"
      "Titre=2\r\n\r\n[Fin]\r\nx=1";
  TempDir elsewhere;
  write_bytes(elsewhere / "réglages.ini", before);
  fs::create_symlink(elsewhere / "réglages.ini", file);
  EXPECT_EQ(loaded(file), (Texts{"/data/produits.txt", "/www/", "/data/modèle.htm", "/www/liens/",
                                 "Tag N°4", "Tag N°5", "../fiches/", "Option2", "Tag N°0", "",
                                 "Tag N°2", "", "", "Titrep2"}));
  write_key(file, kSection, "Source", "/nouveau/données.txt");
  write_key(file, kSection, "TagF4", "Tag N°9");
  write_key(file, "Nouvelle", "Cle", "v");
  std::string after = before;
  after.replace(after.find("/data/produits.txt  "), 20, "/nouveau/données.txt");
  after.insert(after.find("\r\n[Fin]"), "TagF4=Tag N°9\r\n");
  EXPECT_EQ(read_bytes(elsewhere / "réglages.ini"), after + "\r\n[Nouvelle]\r\nCle=v\r\n");
  EXPECT_EQ(fs::read_symlink(file), elsewhere / "réglages.ini");
  EXPECT_EQ(file_names(elsewhere.path()), Texts{"réglages.ini"});
}

TEST_F(SettingsFile, MissingOrBadFilesGiveDefaultsOrTheFirstValue) {
  const fs::path deep = dir / "config" / "corvella" / "Corvella.ini";
  EXPECT_EQ(loaded(deep),
            (Texts{"/opt/corvella/exemple_de données.txt", "/home/anne/",
                   "/opt/corvella/exemple_de modèle_HTML.htm", "/home/anne/", "Tag N°2", "Tag N°3",
                   "", "Option1", "", "", "", "", "", "Titrep1"}));
  EXPECT_FALSE(fs::exists(dir / "config"));
  // Names match without regard to case; the entry keeps its first spelling.
  write_key(deep, kSection, "textesource", "Tag N°7");
  write_key(deep, "PARAMETRES", "TEXTESOURCE", "Tag N°8");
  EXPECT_EQ(read_bytes(deep), "[Parametres]\r\ntextesource=Tag N°8\r\n");

  write_bytes(file, "Source=sans section\r\n[Parametres\r\nLien=x\r\n");
  EXPECT_EQ(read(file, "Source") + read(file, "Lien"), "<default><default>");

  // The first key of the first section wins and is the one written; a byte
  // order mark, LF and CR line ends stay, and a value never breaks a line.
  write_bytes(file,
              "\xEF\xBB\xBF[parametres]\nLien=premier\nLien=second\n[Parametres]\nOption=2\n");
  EXPECT_EQ(read(file, "Lien") + read(file, "Option"), "premier<default>");
  write_key(file, kSection, "Lien", "nouveau");
  write_key(file, kSection, "Option", "1");
  EXPECT_EQ(
      read_bytes(file),
      "\xEF\xBB\xBF[parametres]\nLien=nouveau\nLien=second\nOption=1\n[Parametres]\nOption=2\n");
  write_bytes(file, "[Parametres]\rOption=1\rLien=/a/\r");
  EXPECT_EQ(read(file, "Lien"), "/a/");
  write_key(file, kSection, "Option", "2");
  write_key(file, kSection, "Tag99", "avant\r\n[Piege]\nx=1");
  EXPECT_EQ(read_bytes(file), "[Parametres]\rOption=2\rLien=/a/\rTag99=avant\r");
  // Found by fuzz_settings: after a lone CR, a key added before an empty LF line took that LF.
  write_bytes(file, "[Parametres]\rOption=1\n\n[Autre]\r");
  write_key(file, kSection, "Titre", "2");
  EXPECT_EQ(read_bytes(file), "[Parametres]\rOption=1\nTitre=2\r\n\n[Autre]\r");
}

// Regression: two programs writing at once lost every key but their own.
TEST_F(SettingsFile, RegressionTwoWritersKeepEachOthersKeys) {
  write_bytes(file, "[Parametres]\r\n");
  const auto writer = [&](const std::string& prefix) {
    for (int round = 0; round < 20; ++round)
      for (int key = 0; key < 5; ++key)
        write_key(file, kSection, prefix + std::to_string(key), std::to_string(round));
    return 0;
  };
  const pid_t first = ::fork();
  if (first == 0) ::_exit(writer("TagF"));
  EXPECT_EQ(in_child([&] { return writer("Autre"); }), 0);
  ::waitpid(first, nullptr, 0);
  const std::string got = read_bytes(file);
  for (const char* prefix : {"TagF", "Autre"})
    for (int key = 0; key < 5; ++key)
      EXPECT_NE(got.find(prefix + std::to_string(key) + "=19\r\n"), std::string::npos) << got;
  EXPECT_EQ(got.size(), 14 + 5 * 10 + 5 * 11u) << got;  // nothing else
  EXPECT_EQ(file_names(dir.path()), Texts{"Corvella.ini"});
}

// Regression: a read-only settings file was replaced anyway, by root, by
// its owner, or by a user who owns the folder but not the file.
TEST_F(SettingsFile, RegressionReadOnlyOrUnwritableFileIsLeftAlone) {
  const std::string before = "[Parametres]\r\nSource=/ancien.txt\r\n";
  const fs::path theirs = dir / "theirs.ini", mine = dir / "mine.ini";
  for (const fs::path& path : {file, theirs, mine}) write_bytes(path, before);
  ::chmod(file.c_str(), 0444);
  write_key(file, kSection, "Source", "/nouveau.txt");
  EXPECT_EQ(read_bytes(file), before);
  ::chmod(mine.c_str(), 0444);
  ::chown(mine.c_str(), 65534, 65534);
  const auto write = [&] {
    for (const fs::path& path : {theirs, mine, dir / "new.ini"})
      write_key(path, kSection, "Source", "/nouveau.txt");
    return 0;
  };
  std::string skip;
  if (!as_unprivileged(dir.path(), write, skip)) GTEST_SKIP() << skip;
  EXPECT_EQ(read_bytes(theirs) + read_bytes(mine), before + before);
  EXPECT_EQ(read_bytes(dir / "new.ini"), "[Parametres]\r\nSource=/nouveau.txt\r\n");
}

}  // namespace
}  // namespace corvella::testing
