#pragma once

// The registry of this platform: a persistent tree of keys with typed values,
// kept in an SQLite database, offered through operations shaped like the
// registry functions (open, create, query info, enumerate, query, set,
// delete, close) so that the code above it reads as it would over the real
// registry.
//
// - Seven root keys, whose handles are the predefined values 0x80000000 to
//   0x80000006, always open with every right.
// - A subkey path is a "\"-separated list of names under a handle's key; an
//   empty path means that key itself. Names match without regard to ASCII
//   letter case and keep the case they were created with.
// - Every operation returns a Windows-style code: 0 success, 2 not found,
//   5 access denied (also: deleting a root or a key that has subkeys),
//   6 unknown handle, 87 invalid parameter, 234 a supplied buffer is too
//   small (the needed size is given back), 259 no more items, 1018 the key of
//   the handle has been deleted, 1021 a volatile key cannot get a lasting
//   subkey; a store that cannot be used answers 1009 (corrupt or not a
//   store), 170 (locked by another program past the busy timeout), 112 (disk
//   full), 1011 (cannot be opened or created) or 1016 (any other failure).
//   Opening the database is retried by every operation until it succeeds.
// - A handle lets through what its access mask allows: values are read and
//   keys' information queried with KEY_QUERY_VALUE, written and deleted with
//   KEY_SET_VALUE, subkeys listed with KEY_ENUMERATE_SUB_KEYS, created under
//   it with KEY_CREATE_SUB_KEY.
// - Subkeys are listed in the order of their folded names; values in the
//   order they were first set.
// - Volatile keys (and their values) are gone after a restart of the
//   machine: each is recorded with the boot it was made in, and the keys of
//   other boots are dropped when the store is first used.
// - Every change is one transaction: a crash leaves the change whole or not
//   made at all. Several programs may use the same store at once.
// - A store the user may only read is opened for reading: nothing is written
//   to it (no schema, no removal of old volatile keys), reads work, creating
//   a key that exists opens it, and every change answers 5.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace corvella {

using RegHandle = std::uint32_t;

namespace regcode {
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kDiskFull = 112;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kBusy = 170;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;
inline constexpr long kBadDatabase = 1009;
inline constexpr long kCantOpen = 1011;
inline constexpr long kIoFailed = 1016;
inline constexpr long kKeyDeleted = 1018;
inline constexpr long kChildMustBeVolatile = 1021;
}  // namespace regcode

// The seven root keys and the access masks, as the registry numbers them.
inline constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr std::uint32_t HKEY_USERS = 0x80000003;
inline constexpr std::uint32_t HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr std::uint32_t HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr std::uint32_t HKEY_DYN_DATA = 0x80000006;

inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x1;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x2;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x4;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x8;
inline constexpr std::uint32_t KEY_NOTIFY = 0x10;
inline constexpr std::uint32_t KEY_CREATE_LINK = 0x20;
inline constexpr std::uint32_t KEY_EXECUTE = 0x20019;

inline constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr std::uint32_t REG_OPTION_VOLATILE = 1;
inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

class RegistryStore {
 public:
  struct Options {
    // How long an operation waits for another program's lock.
    std::chrono::milliseconds busy_timeout{1000};
    // The machine's boot, for volatile keys; empty: the running boot.
    std::string boot_id;
  };

  // Nothing is opened yet: the first operation opens (and, when missing,
  // creates) the database and its folder.
  explicit RegistryStore(std::filesystem::path database);
  RegistryStore(std::filesystem::path database, Options options);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Buffers follow the registry functions: `*length` gives the buffer's
  // size in bytes on the way in and the size used on the way out. A name
  // needs room for its terminating zero and is given back without it; data
  // is given back as stored. When a buffer is too small the answer is 234
  // and `*length` holds the size needed (for a name, without the zero).
  // A null data buffer only asks for the size. What the answer does not
  // concern is left as it was.

  long open_key(RegHandle key, std::string_view subkey, std::uint32_t access, RegHandle* result);
  long create_key(RegHandle key, std::string_view subkey, std::string_view key_class,
                  std::uint32_t options, std::uint32_t access, RegHandle* result,
                  std::uint32_t* disposition);
  long query_info_key(RegHandle key, char* key_class, std::uint32_t* class_length,
                      std::uint32_t* subkeys, std::uint32_t* values);
  long enum_key(RegHandle key, std::uint32_t index, char* name, std::uint32_t* name_length,
                char* key_class, std::uint32_t* class_length);
  long enum_value(RegHandle key, std::uint32_t index, char* name, std::uint32_t* name_length,
                  std::uint32_t* type, std::uint8_t* data, std::uint32_t* data_length);
  long query_value(RegHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* data_length);
  long set_value(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                 std::uint32_t data_length);
  // Deletes the subkey (the handle's own key when `subkey` is empty).
  long delete_key(RegHandle key, std::string_view subkey);
  long delete_value(RegHandle key, std::string_view name);
  long close_key(RegHandle key);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvella
