#pragma once

// A small class over one open key of the registry, kept in a store of our own
// (this platform has no registry). Every argument is checked before the store
// is touched; every failure shows "Erreur " + operation + " : " + number
// through the notifier and the operation returns normally with an empty
// result (0, empty text, empty value). QueryValue and CloseKey show nothing.
//
// Checks, in this order where an operation has several: the root key
// (30256: not one of the seven predefined roots), the subkey (30257: longer
// than 255 or starting with "\"), the access mask (30258: not exactly an
// entry of the access table), the value name (30260: longer than 255), an
// open key (30261; DeleteKey tests it before the subkey), the index (30263:
// negative), and for SaveValue the data: the default value takes only a
// text (30259), other kinds than integer, byte, text or byte array are
// refused (87), a byte array over 32,767 bytes overflows (6). QueryValue
// refuses the stored types REG_EXPAND_SZ and those above REG_DWORD (30262).
// Any other number is the store's answer, a registry code (2 not found,
// 5 access denied, 259 no more items, ...). Lengths count bytes, as the ANSI
// registry functions do.
//
// Values: REG_SZ is the text's bytes and one zero byte, and reads back
// without the zero; REG_DWORD is a 32-bit signed integer, little-endian;
// REG_BINARY the bytes as they are; REG_NONE reads as empty.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/notifier.h"
#include "registry/registry_store.h"  // the root keys and access masks

namespace corvella {

// The value a caller passes and receives: empty, a 16-bit integer, a 32-bit
// integer, a byte, a text, an array of bytes; a double only to be refused.
using RegValue = std::variant<std::monostate, std::int16_t, std::int32_t, std::uint8_t, std::string,
                              std::vector<std::uint8_t>, double>;

// The error of the last operation, as the caller's error object would hold
// it: 0 after a success. The description is the one text the program has
// for every number.
struct RegError {
  std::int32_t number = 0;
  std::string description;
};

class WinRegistry {
 public:
  // Opens (or creates) the store at `store`; a store that cannot be opened
  // makes every operation fail with the store's code.
  WinRegistry(const std::filesystem::path& store, Notifier& notifier);
  ~WinRegistry();
  WinRegistry(const WinRegistry&) = delete;
  WinRegistry& operator=(const WinRegistry&) = delete;

  void DeleteKey(const std::string& subkey);
  void OpenKey(std::uint32_t hive, const std::string& subkey, std::uint32_t access);
  // 1: created, 2: already there, 0: failed.
  std::int32_t CreateKey(std::uint32_t hive, const std::string& subkey,
                         std::uint32_t access = KEY_ALL_ACCESS, bool is_volatile = false);
  std::int32_t SubkeyCount();
  std::int32_t ValueCount();
  std::string GetSubkeyName(std::int32_t index);
  std::string GetValueName(std::int32_t index);
  void DeleteValue(const std::string& value_name);
  void SaveValue(const std::string& value_name, const RegValue& value_data);
  RegValue QueryValue(const std::string& value_name);
  void CloseKey();

  const RegError& LastError() const;

 private:
  // Filled in by the implementation.
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvella
