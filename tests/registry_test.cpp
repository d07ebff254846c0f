#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "registry/registry_store.h"
#include "registry/win_registry.h"
#include "test_support.h"

namespace corvella::testing {
namespace {

const std::string kAppPaths =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";

// A key made straight in the store, as programs of an earlier boot did.
RegHandle make(RegistryStore& store, RegHandle root, const std::string& name, std::uint32_t options,
               const std::string& key_class = "") {
  RegHandle key = 0;
  EXPECT_EQ(store.create_key(root, name, key_class, options, KEY_ALL_ACCESS, &key, nullptr), 0);
  return key;
}

struct RegistryTest : ::testing::Test {
  TempDir dir;
  std::filesystem::path store = dir / "data" / "registry.sqlite";  // its folder is made too
  RecordingView shown;                                             // the message boxes
};

TEST_F(RegistryTest, KeysCreatedListedByNameDeletedAtTheLimitsAndInACorruptStore) {
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
  for (const char* name : {"BETA", "alpha", "Beta"}) reg.DeleteKey(name);  // alpha has a subkey
  reg.DeleteKey(std::string(256, 'k'));
  EXPECT_EQ(names(), "alpha Zeta ");
  reg.CloseKey();
  reg.DeleteKey("\\Zeta");  // no open key comes first
  reg.OpenKey(HKEY_DYN_DATA, "", KEY_ALL_ACCESS);
  reg.DeleteKey("");  // a root key, even without subkeys, stays

  // Names of 255 characters and the last root are accepted; one more is not.
  EXPECT_EQ(reg.CreateKey(HKEY_DYN_DATA, std::string(255, 'k')), 1);
  reg.SaveValue(std::string(255, 'v'), std::int32_t{1});
  reg.SaveValue(std::string(256, 'v'), std::int32_t{1});
  EXPECT_EQ(reg.ValueCount(), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_DYN_DATA, std::string(256, 'k')), 0);
  EXPECT_EQ(reg.CreateKey(HKEY_CLASSES_ROOT - 1, "x"), 0);
  // A corrupt store fails, as start-up shows, and is left as it is.
  const std::string garbage(8192, 'G');
  write_bytes(dir / "corrupt.sqlite", garbage);
  EXPECT_EQ(WinRegistry(dir / "corrupt.sqlite", shown).CreateKey(HKEY_LOCAL_MACHINE, kAppPaths), 0);
  EXPECT_EQ(read_bytes(dir / "corrupt.sqlite"), garbage);
  EXPECT_EQ(shown.messages,
            (Texts{"Erreur GetSubkeyName : 259", "Erreur SaveValue : 5", "Erreur DeleteKey : 5",
                   "Erreur DeleteKey : 2", "Erreur DeleteKey : 30257", "Erreur DeleteKey : 30261",
                   "Erreur DeleteKey : 5", "Erreur SaveValue : 30260", "Erreur CreateKey : 30257",
                   "Erreur CreateKey : 30256", "Erreur CreateKey : 1009"}));
}

// An earlier boot left keys. Installed for all users, read by a user who may
// not write it, the store gives the install folder and nothing is written, not
// even the drop of that boot's volatile key. Writable, a volatile key is gone
// after the restart and holds only volatile keys. A buffer too small is
// answered 234 with the size needed; the class retries with room for a long
// class name.
TEST_F(RegistryTest, VolatileKeysAreGoneAfterARestartUnlessTheStoreIsReadOnly) {
  {
    RegistryStore earlier(store, {.boot_id = "boot-d-avant"});
    make(earlier, HKEY_CURRENT_USER, "Session", REG_OPTION_VOLATILE);
    make(earlier, HKEY_CURRENT_USER, "Classe", REG_OPTION_NON_VOLATILE, std::string(300, 'c'));
    const RegHandle key = make(earlier, HKEY_CURRENT_USER, "Durable", REG_OPTION_NON_VOLATILE);
    const std::uint8_t version[] = {101, 0, 0, 0}, program[] = "/opt/corvella/Corvella.exe";
    ASSERT_EQ(earlier.set_value(key, "Version", REG_DWORD, version, 4), 0);
    const RegHandle app = make(earlier, HKEY_LOCAL_MACHINE, kAppPaths, REG_OPTION_NON_VOLATILE);
    ASSERT_EQ(earlier.set_value(app, "", REG_SZ, program, sizeof program), 0);
    // "Version" needs 7 and room for its NUL, its DWORD 4; the type comes with the name.
    char value_name[8];
    std::uint8_t data[4];
    std::uint32_t value_room = 7, data_room = 3, type = 0;
    EXPECT_EQ(earlier.enum_value(key, 0, value_name, &value_room, &type, nullptr, nullptr), 234);
    value_room = 8;
    EXPECT_EQ(earlier.enum_value(key, 0, value_name, &value_room, &type, data, &data_room), 234);
    EXPECT_EQ(earlier.enum_value(key, 0, value_name, &value_room, &type, nullptr, nullptr), 0);
    EXPECT_EQ(std::tuple(std::string(value_name), type, data_room), std::tuple("Version", 4u, 4u));
    // Types the class does not read: REG_EXPAND_SZ, and above REG_DWORD.
    for (const std::uint32_t type_read : {REG_EXPAND_SZ, REG_DWORD + 3})
      ASSERT_EQ(earlier.set_value(key, "T" + std::to_string(type_read), type_read, program, 8), 0);
    // A closed handle is gone; a root key is never closed.
    EXPECT_EQ(earlier.close_key(key) * 10 + earlier.close_key(key), 6);
    EXPECT_EQ(earlier.set_value(key, "Version", REG_DWORD, version, 4), 6);
    EXPECT_EQ(earlier.close_key(HKEY_CURRENT_USER), 0);
    make(earlier, HKEY_CURRENT_USER, "Classe\\Fromages", REG_OPTION_NON_VOLATILE);
    char name[8];
    std::uint32_t short_room = 6, room = 7;  // "Classe" needs 6 and room for its NUL
    EXPECT_EQ(earlier.enum_key(HKEY_CURRENT_USER, 0, name, &short_room, nullptr, nullptr), 234);
    EXPECT_EQ(earlier.enum_key(HKEY_CURRENT_USER, 0, name, &room, nullptr, nullptr), 0);
    EXPECT_EQ(std::tuple(short_room, room, std::string(name)), std::tuple(6u, 6u, "Classe"));
  }
  const std::string before = read_bytes(store);
  ASSERT_EQ(::chmod(store.c_str(), 0444) + ::chmod(dir.path().c_str(), 0755), 0);
  const auto reader = [&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
    WinRegistry reg(store, shown);
    const bool read = reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths) == 2 &&
                      std::get<std::string>(reg.QueryValue("")) == "/opt/corvella/Corvella.exe";
    reg.SaveValue("Version", std::int32_t{101});
    reg.OpenKey(HKEY_CURRENT_USER, "Session", KEY_READ);
    return read && shown.messages == Texts{"Erreur SaveValue : 5"} ? 0 : 1;
  };
  EXPECT_EQ(in_child(reader), 0);
  EXPECT_EQ(read_bytes(store), before);

  ASSERT_EQ(::chmod(store.c_str(), 0644), 0);
  WinRegistry reg(store, shown);
  reg.OpenKey(HKEY_CURRENT_USER, "Session", KEY_READ);
  reg.OpenKey(HKEY_CURRENT_USER, "Classe", KEY_READ);
  EXPECT_EQ(reg.SubkeyCount(), 1);
  reg.OpenKey(HKEY_CURRENT_USER, "Durable", KEY_READ);
  EXPECT_EQ(std::get<std::int32_t>(reg.QueryValue("Version")), 101);
  for (const char* unread : {"T2", "T7"}) {
    EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue(unread)));
    EXPECT_EQ(reg.LastError().number, 30262) << unread;
  }
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session", KEY_ALL_ACCESS, true), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session\\Durable"), 0);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session\\Volatile", KEY_ALL_ACCESS, true), 1);
  EXPECT_EQ(shown.messages, (Texts{"Erreur OpenKey : 2", "Erreur CreateKey : 1021"}));
}

}  // namespace
}  // namespace corvella::testing
