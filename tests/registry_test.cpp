#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "registry/registry_store.h"
#include "registry/win_registry.h"
#include "test_support.h"

namespace corvella {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;

constexpr const char* kAppPaths =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Corvella.exe";

class RecordingNotifier : public Notifier {
 public:
  std::vector<std::string> messages;
  void message_box(const std::string& text, MessageIcon) override { messages.push_back(text); }
  void beep() override {}
  // The messages since the last call.
  std::vector<std::string> take() { return std::exchange(messages, {}); }
};

using Messages = std::vector<std::string>;

class RegistryTest : public ::testing::Test {
 protected:
  TempDir dir;
  // In a folder that does not exist yet.
  fs::path store = dir / "data" / "registry.sqlite";
  RecordingNotifier shown;
};

TEST_F(RegistryTest, ChecksComeInTheirOrder) {
  WinRegistry reg(store, shown);
  reg.OpenKey(0x80000007, "\\x", 0x3);
  reg.OpenKey(HKEY_LOCAL_MACHINE, "\\x", 0x3);
  reg.OpenKey(HKEY_LOCAL_MACHINE, "x", 0x3);
  reg.OpenKey(HKEY_LOCAL_MACHINE, std::string(256, 'k'), KEY_READ);
  EXPECT_EQ(reg.CreateKey(0x7FFFFFFF, "x"), 0);
  EXPECT_EQ(shown.take(),
            (Messages{"Erreur OpenKey : 30256", "Erreur OpenKey : 30257", "Erreur OpenKey : 30258",
                      "Erreur OpenKey : 30257", "Erreur CreateKey : 30256"}));
  EXPECT_EQ(reg.LastError().number, 30256);
  EXPECT_EQ(reg.LastError().description, "Undefined registry return error code.");

  // Without an open key: 30261, except where a name is checked first.
  reg.DeleteKey("\\x");
  EXPECT_EQ(reg.SubkeyCount(), 0);
  EXPECT_EQ(reg.ValueCount(), 0);
  EXPECT_EQ(reg.GetSubkeyName(0), "");
  EXPECT_EQ(reg.GetValueName(-1), "");
  reg.DeleteValue(std::string(256, 'v'));
  reg.DeleteValue("v");
  reg.SaveValue("v", std::string("x"));
  EXPECT_EQ(shown.take(), (Messages{"Erreur DeleteKey : 30261", "Erreur GetCount : 30261",
                                    "Erreur GetCount : 30261", "Erreur GetSubkeyName : 30261",
                                    "Erreur GetValueName : 30261", "Erreur DeleteValue : 30260",
                                    "Erreur DeleteValue : 30261", "Erreur SaveValue : 30261"}));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("v")));
  EXPECT_EQ(reg.LastError().number, 30261);
  reg.CloseKey();
  EXPECT_EQ(shown.take(), Messages{});

  // A failed check leaves the open key open; a failed open closes it.
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Software\\Corvella", KEY_ALL_ACCESS), 1);
  reg.OpenKey(HKEY_CURRENT_USER, "Software", 0x3);
  EXPECT_EQ(reg.GetValueName(-1), "");
  EXPECT_EQ(reg.ValueCount(), 0);
  reg.OpenKey(HKEY_CURRENT_USER, "Software\\Absent", KEY_READ);
  EXPECT_EQ(reg.ValueCount(), 0);
  EXPECT_EQ(shown.take(), (Messages{"Erreur OpenKey : 30258", "Erreur GetValueName : 30263",
                                    "Erreur OpenKey : 2", "Erreur GetCount : 30261"}));
}

TEST_F(RegistryTest, KeysAreCreatedOpenedListedAndDeleted) {
  WinRegistry reg(store, shown);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_ALL_ACCESS, false), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE,
                          "software\\MICROSOFT\\windows\\CurrentVersion\\"
                          "App Paths\\corvella.EXE"),
            2);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                          "App Paths\\Autre.exe"),
            1);

  // The empty subkey is the root itself.
  reg.OpenKey(HKEY_LOCAL_MACHINE, "", KEY_READ);
  EXPECT_EQ(reg.SubkeyCount(), 1);
  EXPECT_EQ(reg.GetSubkeyName(0), "SOFTWARE");
  EXPECT_EQ(reg.GetSubkeyName(1), "");
  EXPECT_EQ(shown.take(), Messages{"Erreur GetSubkeyName : 259"});

  reg.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
              KEY_ALL_ACCESS);
  EXPECT_EQ(reg.SubkeyCount(), 2);
  EXPECT_EQ(reg.GetSubkeyName(0), "Autre.exe");
  EXPECT_EQ(reg.GetSubkeyName(1), "Corvella.exe");
  reg.DeleteKey("Autre.exe");
  reg.DeleteKey("Autre.exe");
  EXPECT_EQ(reg.SubkeyCount(), 1);
  EXPECT_EQ(shown.take(), Messages{"Erreur DeleteKey : 2"});

  // A key with subkeys stays, as on Windows.
  reg.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft", KEY_ALL_ACCESS);
  reg.DeleteKey("Windows");
  EXPECT_EQ(shown.take(), Messages{"Erreur DeleteKey : 5"});

  // The handle's rights hold: a read-only key refuses writes.
  reg.OpenKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_QUERY_VALUE);
  reg.SaveValue("", std::string("/opt/corvella/corvella"));
  EXPECT_EQ(shown.take(), Messages{"Erreur SaveValue : 5"});

  // A volatile key takes no lasting subkey.
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Volatile", KEY_ALL_ACCESS, true), 1);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Volatile\\Durable", KEY_ALL_ACCESS, false), 0);
  EXPECT_EQ(shown.take(), Messages{"Erreur CreateKey : 1021"});
}

TEST_F(RegistryTest, ValuesAreWrittenAndReadByKind) {
  WinRegistry reg(store, shown);
  reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths);
  // No default value yet: empty, and nothing shown.
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("")));
  EXPECT_EQ(reg.LastError().number, 0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("Absent")));
  EXPECT_EQ(reg.LastError().number, 2);

  reg.SaveValue("", std::string("abc"));
  EXPECT_EQ(std::get<std::string>(reg.QueryValue("")), "abc");
  reg.SaveValue("", std::int32_t{5});
  reg.SaveValue("Nombre", 2.5);
  reg.SaveValue("Vide", RegValue());
  reg.SaveValue("Gros", std::vector<std::uint8_t>(40000, 1));
  EXPECT_EQ(shown.take(), (Messages{"Erreur SaveValue : 30259", "Erreur SaveValue : 87",
                                    "Erreur SaveValue : 87", "Erreur SaveValue : 6"}));

  reg.SaveValue("Mot", std::int16_t{-2});
  EXPECT_EQ(std::get<std::int32_t>(reg.QueryValue("Mot")), -2);
  reg.SaveValue("Octet", std::uint8_t{200});
  EXPECT_EQ(std::get<std::int32_t>(reg.QueryValue("octet")), 200);
  reg.SaveValue("Nombre", std::int32_t{-123456789});
  EXPECT_EQ(std::get<std::int32_t>(reg.QueryValue("Nombre")), -123456789);
  const std::vector<std::uint8_t> bytes{0, 1, 0xFE, 0xFF, 0};
  reg.SaveValue("Octets", bytes);
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(reg.QueryValue("Octets")), bytes);
  // Longer than the first buffer: read on the second try.
  const std::string long_text(300, 'x');
  reg.SaveValue("Long", long_text);
  EXPECT_EQ(std::get<std::string>(reg.QueryValue("Long")), long_text);
  EXPECT_EQ(reg.ValueCount(), 6);
  reg.DeleteValue("Long");
  reg.DeleteValue("Long");
  EXPECT_EQ(reg.ValueCount(), 5);
  EXPECT_EQ(shown.take(), Messages{"Erreur DeleteValue : 2"});
}

TEST_F(RegistryTest, StoredTypesItDoesNotHandleReadAsEmpty) {
  {
    RegistryStore planted(store);
    RegHandle key = 0;
    ASSERT_EQ(planted.create_key(HKEY_CURRENT_USER, "Env", "", REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, &key, nullptr),
              0);
    const std::uint8_t path[] = "%HOME%\\bin";
    ASSERT_EQ(planted.set_value(key, "Path", REG_EXPAND_SZ, path, sizeof path), 0);
    ASSERT_EQ(planted.set_value(key, "Multi", 7, path, sizeof path), 0);
    ASSERT_EQ(planted.set_value(key, "Rien", REG_NONE, nullptr, 0), 0);
  }
  WinRegistry reg(store, shown);
  reg.OpenKey(HKEY_CURRENT_USER, "Env", KEY_READ);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("Path")));
  EXPECT_EQ(reg.LastError().number, 30262);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("Multi")));
  EXPECT_EQ(reg.LastError().number, 30262);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("Rien")));
  EXPECT_EQ(reg.LastError().number, 0);
  EXPECT_EQ(shown.take(), Messages{});
}

TEST_F(RegistryTest, EnumerationRetriesForLargeData) {
  {
    // A class name longer than the first buffer makes the count retry.
    RegistryStore planted(store);
    RegHandle key = 0;
    ASSERT_EQ(planted.create_key(HKEY_CURRENT_USER, "Classe", std::string(300, 'c'), 0,
                                 KEY_ALL_ACCESS, &key, nullptr),
              0);
  }
  WinRegistry reg(store, shown);
  reg.OpenKey(HKEY_CURRENT_USER, "Classe", KEY_ALL_ACCESS);
  reg.SaveValue("Petit", std::string("a"));
  reg.SaveValue("Grand", std::vector<std::uint8_t>(1000, 7));
  reg.SaveValue("Dernier", std::int32_t{1});
  EXPECT_EQ(reg.ValueCount(), 3);
  EXPECT_EQ(reg.GetValueName(0), "Petit");
  EXPECT_EQ(reg.GetValueName(1), "Grand");
  EXPECT_EQ(reg.GetValueName(2), "Dernier");
  EXPECT_EQ(reg.GetValueName(3), "");
  EXPECT_EQ(shown.take(), Messages{"Erreur GetValueName : 259"});
}

// Runs `body` in a child process; true when it exited with 0.
template <typename Body>
bool in_child(Body body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body() ? 0 : 1);
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

TEST_F(RegistryTest, ValuesLastAcrossObjectsAndProcesses) {
  EXPECT_TRUE(in_child([&] {
    RecordingNotifier quiet;
    WinRegistry reg(store, quiet);
    reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths);
    reg.SaveValue("", std::string("/opt/Corvella/corvella.exe"));
    reg.CreateKey(HKEY_CURRENT_USER, "Session", KEY_ALL_ACCESS, true);
    return quiet.messages.empty();
  }));
  {
    WinRegistry reg(store, shown);
    reg.OpenKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_READ);
    EXPECT_EQ(std::get<std::string>(reg.QueryValue("")), "/opt/Corvella/corvella.exe");
    reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths);
    reg.SaveValue("Version", std::int32_t{101});
    // Volatile keys live as long as the machine's boot.
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Session"), 2);
  }
  EXPECT_TRUE(in_child([&] {
    RecordingNotifier quiet;
    WinRegistry reg(store, quiet);
    reg.OpenKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_READ);
    const RegValue version = reg.QueryValue("Version");
    return quiet.messages.empty() && std::holds_alternative<std::int32_t>(version) &&
           std::get<std::int32_t>(version) == 101;
  }));

  // After a restart of the machine the volatile key is gone.
  RegistryStore next_boot(store, RegistryStore::Options{std::chrono::milliseconds(1000), "other"});
  RegHandle key = 0;
  EXPECT_EQ(next_boot.open_key(HKEY_CURRENT_USER, "Session", KEY_READ, &key), 2);
  EXPECT_EQ(next_boot.open_key(HKEY_LOCAL_MACHINE, kAppPaths, KEY_READ, &key), 0);
}

TEST_F(RegistryTest, CorruptStoreFailsWithoutHarm) {
  fs::create_directories(store.parent_path());
  const std::string garbage(8192, 'G');
  testing::write_bytes(store, garbage);
  WinRegistry reg(store, shown);
  EXPECT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE, kAppPaths), 0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(reg.QueryValue("")));
  reg.OpenKey(HKEY_LOCAL_MACHINE, kAppPaths, KEY_READ);
  EXPECT_EQ(shown.take(), (Messages{"Erreur CreateKey : 1009", "Erreur OpenKey : 1009"}));
  EXPECT_EQ(testing::read_bytes(store), garbage);
}

TEST_F(RegistryTest, LockedStoreFailsThenRecovers) {
  { WinRegistry(store, shown).CreateKey(HKEY_CURRENT_USER, "Avant"); }
  // Another program holds the whole file locked until we close the pipe.
  int ready[2];
  int release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(release[1]);
    const int fd = ::open(store.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0;
    char byte = locked ? 'y' : 'n';
    (void)!::write(ready[1], &byte, 1);
    (void)!::read(release[0], &byte, 1);
    ::_exit(0);
  }
  ASSERT_GT(child, 0);
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  WinRegistry reg(store, shown);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Pendant"), 0);
  EXPECT_EQ(shown.take(), Messages{"Erreur CreateKey : 170"});
  ::close(release[1]);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Apres"), 1);
  EXPECT_EQ(shown.take(), Messages{});
  for (const int fd : {ready[0], ready[1], release[0]}) ::close(fd);
}

}  // namespace
}  // namespace corvella
