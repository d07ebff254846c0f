#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include "registry/registry_store.h"
#include "registry/win_registry.h"
#include "test_support.h"

namespace corvella {
namespace {

using Messages = std::vector<std::string>;

const std::string kAppPaths =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";

const auto is_empty = [](const RegValue& v) { return std::holds_alternative<std::monostate>(v); };

class RegistryTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::filesystem::path store = dir / "data" / "registry.sqlite";  // its folder is made too
  testing::RecordingView shown;                                      // the message boxes
};

TEST_F(RegistryTest, ChecksComeInTheirOrder) {
  WinRegistry reg(store, shown);
  // A fresh object has no open key, and names are checked before that.
  EXPECT_EQ(reg.ValueCount(), 0);
  EXPECT_EQ(reg.GetSubkeyName(0), "");
  reg.SaveValue("v", std::string("x"));
  reg.DeleteValue(std::string(256, 'v'));
  EXPECT_TRUE(is_empty(reg.QueryValue("v")) && reg.LastError().number == 30261);
  reg.CloseKey();
  reg.OpenKey(0x80000007, "\\x", 0x3);
  reg.OpenKey(HKEY_LOCAL_MACHINE, "\\x", 0x3);
  reg.OpenKey(HKEY_LOCAL_MACHINE, "x", 0x3);
  EXPECT_EQ(reg.LastError().description, "Undefined registry return error code.");
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Software\\Corvella"), 1);
  reg.OpenKey(HKEY_CURRENT_USER, "Software\\Corvella", KEY_READ);
  EXPECT_EQ(reg.GetValueName(-1), "");
  EXPECT_EQ(shown.messages, (Messages{"Erreur GetCount : 30261", "Erreur GetSubkeyName : 30261",
                                      "Erreur SaveValue : 30261", "Erreur DeleteValue : 30260",
                                      "Erreur OpenKey : 30256", "Erreur OpenKey : 30257",
                                      "Erreur OpenKey : 30258", "Erreur GetValueName : 30263"}));
}

TEST_F(RegistryTest, KeysCreatedListedByNameDeletedAndAtTheLimits) {
  WinRegistry reg(store, shown);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE,
                          "software\\MICROSOFT\\windows\\CurrentVersion\\App Paths\\corvella.EXE"),
            2);
  reg.OpenKey(HKEY_LOCAL_MACHINE, "", KEY_READ);  // the empty subkey is the root itself
  EXPECT_EQ(reg.GetSubkeyName(0) + "|" + reg.GetSubkeyName(1), "SOFTWARE|");
  reg.OpenKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_QUERY_VALUE);
  reg.SaveValue("", std::string("/opt/corvella/corvella"));  // the handle's rights hold

  for (const char* name : {"Zeta", "alpha\\Sous", "Beta"})
    reg.CreateKey(HKEY_CURRENT_USER, std::string("Software\\Corvella\\") + name);
  reg.OpenKey(HKEY_CURRENT_USER, "Software\\Corvella", KEY_ALL_ACCESS);
  const auto names = [&] {
    std::string all;
    for (int i = 0; i < reg.SubkeyCount(); ++i) all += reg.GetSubkeyName(i) + " ";
    return all;
  };
  EXPECT_EQ(names(), "alpha Beta Zeta ");
  reg.DeleteKey("BETA");
  reg.DeleteKey("alpha");  // it has a subkey
  reg.DeleteKey("Beta");
  reg.DeleteKey(std::string(256, 'k'));
  EXPECT_EQ(names(), "alpha Zeta ");
  reg.CloseKey();
  reg.DeleteKey("\\Zeta");  // no open key comes first

  // Names of 255 characters and the last root are accepted; one more is not.
  EXPECT_EQ(reg.CreateKey(HKEY_DYN_DATA, std::string(255, 'k')), 1);
  reg.SaveValue(std::string(255, 'v'), std::int32_t{1});
  reg.SaveValue(std::string(256, 'v'), std::int32_t{1});
  EXPECT_EQ(reg.ValueCount(), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_DYN_DATA, std::string(256, 'k')), 0);
  EXPECT_EQ(reg.CreateKey(HKEY_CLASSES_ROOT - 1, "x"), 0);
  EXPECT_EQ(shown.messages,
            (Messages{"Erreur GetSubkeyName : 259", "Erreur SaveValue : 5", "Erreur DeleteKey : 5",
                      "Erreur DeleteKey : 2", "Erreur DeleteKey : 30257", "Erreur DeleteKey : 30261",
                      "Erreur SaveValue : 30260", "Erreur CreateKey : 30257",
                      "Erreur CreateKey : 30256"}));
}

// A volatile key lasts until the machine restarts and holds only volatile
// keys. A buffer too small is answered 234 with the size needed; the class
// retries with room for a long class name.
TEST_F(RegistryTest, VolatileKeysAreGoneAfterARestartAndLongClassesAreRead) {
  {
    RegistryStore earlier_boot(store, {.boot_id = "boot-d-avant"});
    RegHandle key = 0;
    const auto make = [&](const char* name, const std::string& key_class, std::uint32_t options) {
      ASSERT_EQ(earlier_boot.create_key(HKEY_CURRENT_USER, name, key_class, options,
                                        KEY_ALL_ACCESS, &key, nullptr), 0);
    };
    make("Session", "", REG_OPTION_VOLATILE);
    make("Classe", std::string(300, 'c'), REG_OPTION_NON_VOLATILE);
    make("Durable", "", REG_OPTION_NON_VOLATILE);
    const std::uint8_t version[] = {101, 0, 0, 0};
    ASSERT_EQ(earlier_boot.set_value(key, "Version", REG_DWORD, version, 4), 0);
    make("Classe\\Fromages", "", REG_OPTION_NON_VOLATILE);
    char name[8];
    std::string answers;
    for (std::uint32_t room : {3, 6, 7}) {  // "Classe" needs 6 and room for its NUL
      std::uint32_t length = room;
      answers += std::to_string(
          earlier_boot.enum_key(HKEY_CURRENT_USER, 0, name, &length, nullptr, nullptr));
      answers += " " + std::to_string(length) + ", ";
    }
    EXPECT_EQ(answers + name, "234 6, 234 6, 0 6, Classe");
  }
  WinRegistry reg(store, shown);
  reg.OpenKey(HKEY_CURRENT_USER, "Session", KEY_READ);
  reg.OpenKey(HKEY_CURRENT_USER, "Classe", KEY_READ);
  EXPECT_EQ(reg.SubkeyCount(), 1);
  reg.OpenKey(HKEY_CURRENT_USER, "Durable", KEY_READ);
  EXPECT_EQ(std::get<std::int32_t>(reg.QueryValue("Version")), 101);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session", KEY_ALL_ACCESS, true), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session\\Durable"), 0);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session\\Volatile", KEY_ALL_ACCESS, true), 1);
  EXPECT_EQ(shown.messages, (Messages{"Erreur OpenKey : 2", "Erreur CreateKey : 1021"}));
}

TEST_F(RegistryTest, ValuesAreWrittenAndReadByKind) {
  WinRegistry reg(store, shown);
  reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths);
  EXPECT_TRUE(is_empty(reg.QueryValue("")) && reg.LastError().number == 0);  // nothing shown
  reg.SaveValue("", std::string("abc"));
  EXPECT_EQ(std::get<std::string>(reg.QueryValue("")), "abc");
  reg.SaveValue("", std::int32_t{5});
  reg.SaveValue("Nombre", 2.5);
  reg.SaveValue("Gros", std::vector<std::uint8_t>(40000, 1));
  const std::vector<std::uint8_t> bytes{0, 1, 0xFE, 0xFF, 0};
  reg.SaveValue("Octets", bytes);
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(reg.QueryValue("octets")), bytes);
  // Another program wrote a kind this class does not read.
  RegistryStore planted(store);
  RegHandle key = 0;
  ASSERT_EQ(planted.open_key(HKEY_LOCAL_MACHINE, kAppPaths, KEY_ALL_ACCESS, &key), 0);
  const std::uint8_t path[] = "%HOME%\\bin";
  ASSERT_EQ(planted.set_value(key, "Path", REG_EXPAND_SZ, path, sizeof path), 0);
  EXPECT_TRUE(is_empty(reg.QueryValue("Path")) && reg.LastError().number == 30262);
  // More than the first buffer holds: read, and named, on the second try.
  reg.SaveValue("Long", std::string(300, 'x'));
  EXPECT_EQ(std::get<std::string>(reg.QueryValue("Long")), std::string(300, 'x'));
  EXPECT_EQ(std::to_string(reg.ValueCount()) + reg.GetValueName(3) + "|" + reg.GetValueName(4),
            "4Long|");
  EXPECT_EQ(shown.messages, (Messages{"Erreur SaveValue : 30259", "Erreur SaveValue : 87",
                                      "Erreur SaveValue : 6", "Erreur GetValueName : 259"}));
}

// Installed for all users, read by a user who may not write it: the install
// folder is found and nothing is written, not even the drop of an earlier
// boot's volatile key.
TEST_F(RegistryTest, ReadOnlyStoreIsReadAndNeverWritten) {
  {
    RegistryStore setup(store, RegistryStore::Options{std::chrono::milliseconds(1000), "old-boot"});
    RegHandle key = 0, other = 0;
    ASSERT_EQ(setup.create_key(HKEY_LOCAL_MACHINE, kAppPaths, "", 0, KEY_ALL_ACCESS, &key, nullptr), 0);
    const std::uint8_t program[] = "/opt/corvella/Corvella.exe";
    ASSERT_EQ(setup.set_value(key, "", REG_SZ, program, sizeof program), 0);
    ASSERT_EQ(setup.create_key(HKEY_CURRENT_USER, "Session", "", REG_OPTION_VOLATILE,
                               KEY_ALL_ACCESS, &other, nullptr), 0);
  }
  const std::string before = testing::read_bytes(store);
  ASSERT_EQ(::chmod(store.c_str(), 0444) + ::chmod(dir.path().c_str(), 0755), 0);
  EXPECT_EQ(testing::in_child([&] {
              if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
              WinRegistry reg(store, shown);
              const bool read = reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths) == 2 &&
                                std::get<std::string>(reg.QueryValue("")) == "/opt/corvella/Corvella.exe";
              reg.SaveValue("Version", std::int32_t{101});
              reg.OpenKey(HKEY_CURRENT_USER, "Session", KEY_READ);
              return read && shown.messages == Messages{"Erreur SaveValue : 5"} ? 0 : 1;
            }),
            0);
  EXPECT_EQ(testing::read_bytes(store), before);
}

// A store another program is writing fails then recovers, and a change is
// undone when another program reads the store at its commit; a corrupt one
// fails and is left as it is.
TEST_F(RegistryTest, LockedOrCorruptStoreFailsWithoutHarm) {
  {
    WinRegistry reg(store, shown);
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Avant"), 1);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Pendant"), 0);
    ASSERT_EQ(sqlite3_exec(other, "COMMIT; BEGIN; SELECT count(*) FROM reg_keys", nullptr,
                           nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Lecture"), 0);
    sqlite3_close(other);
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Apres"), 1);
    reg.OpenKey(HKEY_CURRENT_USER, "Lecture", KEY_READ);
  }
  const std::string garbage(8192, 'G');
  testing::write_bytes(dir / "corrupt.sqlite", garbage);
  WinRegistry reg(dir / "corrupt.sqlite", shown);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths), 0);
  reg.OpenKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_READ);
  EXPECT_EQ(shown.messages,
            (Messages{"Erreur CreateKey : 170", "Erreur CreateKey : 170", "Erreur OpenKey : 2",
                      "Erreur CreateKey : 1009", "Erreur OpenKey : 1009"}));
  EXPECT_EQ(testing::read_bytes(dir / "corrupt.sqlite"), garbage);
}

}  // namespace
}  // namespace corvella
