#include <gtest/gtest.h>

#include <string>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "test_support.h"

namespace corvella {
namespace {

namespace fs = std::filesystem;

using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

constexpr const char* kInstall = "/opt/corvella/";
constexpr const char* kWorking = "/home/anne/corvella/";

std::string read(const fs::path& file, std::string_view key, std::size_t capacity = 100) {
  return read_key(file, kSection, key, "<default>", capacity);
}

TEST(SettingsFile, FirstStartGivesTheDefaultsAndCreatesNothing) {
  TempDir dir;
  const fs::path file = dir / "config" / "Corvella.ini";
  const StoredSettings loaded = load_settings(file, kInstall, kWorking);
  EXPECT_EQ(loaded.source, "/opt/corvella/exemple_de données.txt");
  EXPECT_EQ(loaded.modele, "/opt/corvella/exemple_de modèle_HTML.htm");
  EXPECT_EQ(loaded.destination, kWorking);
  EXPECT_EQ(loaded.lien, kWorking);
  EXPECT_EQ(loaded.textesource, "Tag N°2");
  EXPECT_EQ(loaded.textelien, "Tag N°3");
  EXPECT_EQ(loaded.tag99, "");
  EXPECT_TRUE(loaded.option1);
  EXPECT_TRUE(loaded.titrep1);
  for (const std::string& tag : loaded.tagf) EXPECT_EQ(tag, "");
  EXPECT_FALSE(fs::exists(dir / "config"));
}

TEST(SettingsFile, WriteCreatesFolderFileSectionAndKey) {
  TempDir dir;
  const fs::path file = dir / "config" / "corvella" / "Corvella.ini";
  write_key(file, kSection, "Destination", "/home/anne/pages/");
  EXPECT_EQ(read_bytes(file), "[Parametres]\r\nDestination=/home/anne/pages/\r\n");
  write_key(file, kSection, "Lien", "/home/anne/pages/");
  EXPECT_EQ(read_bytes(file),
            "[Parametres]\r\nDestination=/home/anne/pages/\r\nLien=/home/anne/pages/\r\n");
  EXPECT_EQ(testing::file_names(file.parent_path()), std::vector<std::string>{"Corvella.ini"});
}

TEST(SettingsFile, NamesMatchWithoutCase) {
  TempDir dir;
  const fs::path file = dir / "Corvella.ini";
  write_key(file, kSection, "textesource", "Tag N°7");
  EXPECT_EQ(read(file, "Textesource"), "Tag N°7");
  write_key(file, "PARAMETRES", "TEXTESOURCE", "Tag N°8");
  // One entry, spelt as first written.
  EXPECT_EQ(read_bytes(file), "[Parametres]\r\ntextesource=Tag N°8\r\n");
  EXPECT_EQ(load_settings(file, kInstall, kWorking).textesource, "Tag N°8");
}

TEST(SettingsFile, ValuesAreCutAtCapacity) {
  TempDir dir;
  const fs::path file = dir / "Corvella.ini";
  const std::string path120 = "/" + std::string(119, 'p');
  write_key(file, kSection, "Source", path120);
  EXPECT_EQ(read(file, "Source"), path120.substr(0, 99));
  const std::string tag300(300, 't');
  write_key(file, kSection, "Tag99", tag300);
  EXPECT_EQ(load_settings(file, kInstall, kWorking).tag99, tag300);
  write_key(file, kSection, "Tag99", std::string(600, 'u'));
  EXPECT_EQ(load_settings(file, kInstall, kWorking).tag99, std::string(499, 'u'));

  // Characters, not bytes, and never half a character.
  std::string accents;
  for (int i = 0; i < 120; ++i) accents += "é";
  write_key(file, kSection, "Modele", "a" + accents);
  const std::string modele = read(file, "Modele");
  EXPECT_EQ(modele, "a" + accents.substr(0, 98 * 2));
  // Bytes that are not UTF-8 are cut as bytes.
  write_key(file, kSection, "Lien", std::string(120, '\xE9'));
  EXPECT_EQ(read(file, "Lien"), std::string(99, '\xE9'));
}

TEST(SettingsFile, OptionAndTitreSelectTheFirstButtonOnlyForOne) {
  TempDir dir;
  const fs::path file = dir / "Corvella.ini";
  const std::pair<const char*, bool> cases[] = {
      {"1", true},   {" 1 ", true},  {"01", true}, {"1.0", true}, {"+1", true},
      {"2", false},  {"abc", false}, {"", false},  {"1x", false}, {"0", false},
      {"-1", false}, {"\t1", true},  // the profile reading strips tabs around values too
  };
  for (const auto& [text, first] : cases) {
    write_key(file, kSection, "Option", text);
    write_key(file, kSection, "Titre", text);
    const StoredSettings loaded = load_settings(file, kInstall, kWorking);
    EXPECT_EQ(loaded.option1, first) << '"' << text << '"';
    EXPECT_EQ(loaded.titrep1, first) << '"' << text << '"';
  }
}

TEST(SettingsFile, LoadTrimsSpacesAndReadsEveryKey) {
  TempDir dir;
  const fs::path file = dir / "Corvella.ini";
  write_bytes(file,
              "[Parametres]\n"
              "Source=  /data/produits.txt  \n"
              "Destination=/www/\n"
              "Modele=/data/modèle.htm\n"
              "Lien=/www/liens/\n"
              "textesource=Tag N°4\n"
              "Textelien=Tag N°5\n"
              "Tag99=  ../fiches/ \n"
              "Option=2\n"
              "TagF0=Tag N°0\nTagF1=\nTagF2=Tag N°2\nTagF3= \nTagF4=Tag N°9\n"
              "Titre=2\n");
  const StoredSettings loaded = load_settings(file, kInstall, kWorking);
  EXPECT_EQ(loaded.source, "/data/produits.txt");
  EXPECT_EQ(loaded.destination, "/www/");
  EXPECT_EQ(loaded.modele, "/data/modèle.htm");
  EXPECT_EQ(loaded.lien, "/www/liens/");
  EXPECT_EQ(loaded.textesource, "Tag N°4");
  EXPECT_EQ(loaded.textelien, "Tag N°5");
  EXPECT_EQ(loaded.tag99, "../fiches/");
  EXPECT_FALSE(loaded.option1);
  EXPECT_FALSE(loaded.titrep1);
  EXPECT_EQ(loaded.tagf, (std::array<std::string, 5>{"Tag N°0", "", "Tag N°2", "", "Tag N°9"}));
}

TEST(SettingsFile, WriteKeepsEveryOtherLineByteForByte) {
  TempDir dir;
  const fs::path file = dir / "Corvella.ini";
  const std::string before =
      "; réglages de Corvella\r\n"
      "[Autre]\r\n"
      "Source=ne pas toucher\r\n"
      "\r\n"
      "[Parametres]\r\n"
      "  Source =  /ancien/chemin.txt   \r\n"
      "Inconnu=garde-moi\r\n"
      "ligne sans egal\r\n"
      "\r\n"
      "[Fin]\r\n"
      "x=1";
  write_bytes(file, before);
  write_key(file, kSection, "Source", "/nouveau/données.txt");
  write_key(file, kSection, "Destination", "/www/");
  write_key(file, "Nouvelle", "Cle", "v");
  EXPECT_EQ(read_bytes(file),
            "; réglages de Corvella\r\n"
            "[Autre]\r\n"
            "Source=ne pas toucher\r\n"
            "\r\n"
            "[Parametres]\r\n"
            "  Source =  /nouveau/données.txt\r\n"
            "Inconnu=garde-moi\r\n"
            "ligne sans egal\r\n"
            "Destination=/www/\r\n"
            "\r\n"
            "[Fin]\r\n"
            "x=1\r\n"
            "[Nouvelle]\r\n"
            "Cle=v\r\n");
  EXPECT_EQ(read(file, "Source"), "/nouveau/données.txt");
}

TEST(SettingsFile, WriteUsesTheLineEndsOfTheFile) {
  TempDir dir;
  const fs::path lf = dir / "lf.ini";
  write_bytes(lf, "[Parametres]\nOption=1\n");
  write_key(lf, kSection, "Titre", "2");
  EXPECT_EQ(read_bytes(lf), "[Parametres]\nOption=1\nTitre=2\n");

  const fs::path cr = dir / "cr.ini";
  write_bytes(cr, "[Parametres]\rOption=1\rLien=/a/\r");
  EXPECT_EQ(read(cr, "Lien"), "/a/");
  write_key(cr, kSection, "Option", "2");
  EXPECT_EQ(read_bytes(cr), "[Parametres]\rOption=2\rLien=/a/\r");

  // A value never breaks a line apart.
  write_key(lf, kSection, "Tag99", "avant\r\n[Piege]\nx=1");
  EXPECT_EQ(read_bytes(lf), "[Parametres]\nOption=1\nTitre=2\nTag99=avant\n");
}

TEST(SettingsFile, SavingRules) {
  // Source, Destination, Modele: Check1 and all three paths.
  EXPECT_TRUE(may_save_generation_paths(true, "/d.txt", "/www/", "/m.htm"));
  EXPECT_FALSE(may_save_generation_paths(false, "/d.txt", "/www/", "/m.htm"));
  EXPECT_FALSE(may_save_generation_paths(true, "", "/www/", "/m.htm"));
  EXPECT_FALSE(may_save_generation_paths(true, "/d.txt", "", "/m.htm"));
  EXPECT_FALSE(may_save_generation_paths(true, "/d.txt", "/www/", ""));
  // Lien on a change: Check1, not Check2.
  EXPECT_TRUE(may_save_lien_on_change(true, "/www/"));
  EXPECT_FALSE(may_save_lien_on_change(false, "/www/"));
  EXPECT_FALSE(may_save_lien_on_change(true, ""));
  // Lien on the picker's "Ok": no check box, the link tag must be there.
  EXPECT_TRUE(may_save_lien_on_confirm("/www/", "Tag N°2"));
  EXPECT_FALSE(may_save_lien_on_confirm("", "Tag N°2"));
  EXPECT_FALSE(may_save_lien_on_confirm("/www/", ""));
  // textesource, Textelien, Tag99: Check2 and a text.
  EXPECT_TRUE(may_save_link_setting(true, "Tag N°3"));
  EXPECT_FALSE(may_save_link_setting(false, "Tag N°3"));
  EXPECT_FALSE(may_save_link_setting(true, ""));
}

TEST(SettingsFile, BadFilesGiveDefaultsOrTheFirstValue) {
  TempDir dir;
  const fs::path file = dir / "Corvella.ini";

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 37 + 11) % 256));
  write_bytes(file, binary);
  EXPECT_EQ(read(file, "Source"), "<default>");
  write_key(file, kSection, "Source", "/d.txt");
  EXPECT_EQ(read_bytes(file).substr(0, binary.size()), binary);
  EXPECT_EQ(read(file, "Source"), "/d.txt");

  write_bytes(file, "Source=sans section\r\n[Parametres\r\nLien=x\r\n");
  EXPECT_EQ(read(file, "Source"), "<default>");
  EXPECT_EQ(read(file, "Lien"), "<default>");

  write_bytes(file, "\xEF\xBB\xBF[Parametres]\r\nLien=/www/\r\n");
  EXPECT_EQ(read(file, "Lien"), "/www/");

  write_bytes(file,
              "[parametres]\nLien=premier\nLien=second\n[Parametres]\nLien=troisieme\nOption=2\n");
  EXPECT_EQ(read(file, "Lien"), "premier");
  EXPECT_EQ(read(file, "Option"), "2");
  write_key(file, kSection, "Lien", "nouveau");
  write_key(file, kSection, "Titre", "2");
  EXPECT_EQ(read_bytes(file),
            "[parametres]\nLien=nouveau\nLien=second\nTitre=2\n[Parametres]\nLien=troisieme\n"
            "Option=2\n");

  // Too large to be a settings file: not read, not rewritten.
  const std::string huge = "[Parametres]\nSource=x\n" + std::string(17u << 20, ';');
  write_bytes(file, huge);
  EXPECT_EQ(read(file, "Source"), "<default>");
  write_key(file, kSection, "Source", "y");
  EXPECT_EQ(fs::file_size(file), huge.size());

  // Unreadable: a folder in its place.
  const fs::path folder = dir / "dossier.ini";
  fs::create_directory(folder);
  EXPECT_EQ(read(folder, "Source"), "<default>");
  write_key(folder, kSection, "Source", "y");
  EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace corvella
