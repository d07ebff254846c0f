#include "registry/win_registry.h"

#include <array>
#include <cstring>

#include "registry/registry_store.h"

namespace corvella {

namespace {

constexpr std::int32_t kInvalidHive = 30256;
constexpr std::int32_t kInvalidSubkey = 30257;
constexpr std::int32_t kInvalidAccess = 30258;
constexpr std::int32_t kDefaultValueNotText = 30259;
constexpr std::int32_t kInvalidValueName = 30260;
constexpr std::int32_t kNoKeyOpen = 30261;
constexpr std::int32_t kInvalidValueType = 30262;
constexpr std::int32_t kNegativeIndex = 30263;
constexpr std::int32_t kUnsupportedData = 87;
constexpr std::int32_t kOverflow = 6;

constexpr std::size_t kLongestName = 255;
constexpr std::uint32_t kBufferSize = 256;
constexpr std::size_t kLargestArray = 32767;

}  // namespace

struct WinRegistry::Impl {
  Impl(const std::filesystem::path& path, Notifier& shown_to) : store(path), notifier(shown_to) {}

  RegistryStore store;
  Notifier& notifier;
  RegHandle CurrentKey = 0;
  std::array<std::uint32_t, 11> AccessTable{};
  RegError last_error;

  bool InvalidHive(std::uint32_t hive) const {
    return hive < HKEY_CLASSES_ROOT || hive > HKEY_DYN_DATA;
  }
  bool InvalidSubkey(const std::string& subkey) const {
    return subkey.size() > kLongestName || (!subkey.empty() && subkey.front() == '\\');
  }
  bool InvalidValueName(const std::string& name) const { return name.size() > kLongestName; }
  bool InvalidAccess(std::uint32_t access) const {
    for (const std::uint32_t allowed : AccessTable) {
      if (allowed == access) return false;
    }
    return true;
  }
  bool InvalidValueType(std::uint32_t type) const {
    return type == REG_EXPAND_SZ || type > REG_DWORD;
  }

  // The program carries no texts for its numbers, so every number gets the
  // text of a missing one.
  static std::string ErrTxt(std::int32_t) { return "Undefined registry return error code."; }

  void fail(std::int32_t number) { last_error = RegError{number, ErrTxt(number)}; }

  // Records the error and shows it.
  void report(const char* operation, std::int32_t number) {
    fail(number);
    notifier.message_box(std::string("Erreur ") + operation + " : " + std::to_string(number),
                         MessageIcon::None);
  }

  void begin() { last_error = RegError{}; }

  void close() {
    if (CurrentKey != 0) store.close_key(CurrentKey);
    CurrentKey = 0;
  }

  std::int32_t GetCount(bool subkeys_wanted) {
    begin();
    if (CurrentKey == 0) {
      report("GetCount", kNoKeyOpen);
      return 0;
    }
    std::string key_class(kBufferSize, '\0');
    std::uint32_t class_length = kBufferSize;
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
    long code =
        store.query_info_key(CurrentKey, key_class.data(), &class_length, &subkeys, &values);
    if (code == regcode::kMoreData) {
      key_class.assign(class_length + 1, '\0');
      class_length += 1;
      code = store.query_info_key(CurrentKey, key_class.data(), &class_length, &subkeys, &values);
    }
    if (code != regcode::kSuccess) {
      report("GetCount", static_cast<std::int32_t>(code));
      return 0;
    }
    return static_cast<std::int32_t>(subkeys_wanted ? subkeys : values);
  }
};

WinRegistry::WinRegistry(const std::filesystem::path& store, Notifier& notifier)
    : impl_(std::make_unique<Impl>(store, notifier)) {
  // Class_Initialize: the masks OpenKey and CreateKey accept.
  impl_->AccessTable = {
      KEY_ALL_ACCESS,     KEY_QUERY_VALUE,        KEY_SET_VALUE,   KEY_WRITE,  KEY_READ,
      KEY_CREATE_SUB_KEY, KEY_ENUMERATE_SUB_KEYS, KEY_QUERY_VALUE, KEY_NOTIFY, KEY_CREATE_LINK,
      KEY_EXECUTE};
}

WinRegistry::~WinRegistry() {
  impl_->close();
}

const RegError& WinRegistry::LastError() const {
  return impl_->last_error;
}

void WinRegistry::DeleteKey(const std::string& subkey) {
  impl_->begin();
  if (impl_->CurrentKey == 0) return impl_->report("DeleteKey", kNoKeyOpen);
  if (impl_->InvalidSubkey(subkey)) return impl_->report("DeleteKey", kInvalidSubkey);
  const long code = impl_->store.delete_key(impl_->CurrentKey, subkey);
  if (code != regcode::kSuccess) impl_->report("DeleteKey", static_cast<std::int32_t>(code));
}

void WinRegistry::OpenKey(std::uint32_t hive, const std::string& subkey, std::uint32_t access) {
  impl_->begin();
  if (impl_->InvalidHive(hive)) return impl_->report("OpenKey", kInvalidHive);
  if (impl_->InvalidSubkey(subkey)) return impl_->report("OpenKey", kInvalidSubkey);
  if (impl_->InvalidAccess(access)) return impl_->report("OpenKey", kInvalidAccess);
  impl_->close();
  RegHandle opened = 0;
  const long code = impl_->store.open_key(hive, subkey, access, &opened);
  if (code != regcode::kSuccess) return impl_->report("OpenKey", static_cast<std::int32_t>(code));
  impl_->CurrentKey = opened;
}

std::int32_t WinRegistry::CreateKey(std::uint32_t hive, const std::string& subkey,
                                    std::uint32_t access, bool is_volatile) {
  impl_->begin();
  const char* const operation = "CreateKey";
  if (impl_->InvalidHive(hive)) return impl_->report(operation, kInvalidHive), 0;
  if (impl_->InvalidSubkey(subkey)) return impl_->report(operation, kInvalidSubkey), 0;
  if (impl_->InvalidAccess(access)) return impl_->report(operation, kInvalidAccess), 0;
  impl_->close();
  RegHandle created = 0;
  std::uint32_t disposition = 0;
  const long code = impl_->store.create_key(
      hive, subkey, "", is_volatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE, access,
      &created, &disposition);
  if (code != regcode::kSuccess) {
    impl_->report(operation, static_cast<std::int32_t>(code));
    return 0;
  }
  impl_->CurrentKey = created;
  return static_cast<std::int32_t>(disposition);
}

std::int32_t WinRegistry::SubkeyCount() {
  return impl_->GetCount(true);
}

std::int32_t WinRegistry::ValueCount() {
  return impl_->GetCount(false);
}

std::string WinRegistry::GetSubkeyName(std::int32_t index) {
  impl_->begin();
  if (impl_->CurrentKey == 0) return impl_->report("GetSubkeyName", kNoKeyOpen), std::string();
  if (index < 0) return impl_->report("GetSubkeyName", kNegativeIndex), std::string();
  std::string name(kBufferSize, '\0');
  std::string key_class(kBufferSize, '\0');
  std::uint32_t name_length = kBufferSize;
  std::uint32_t class_length = kBufferSize;
  const long code =
      impl_->store.enum_key(impl_->CurrentKey, static_cast<std::uint32_t>(index), name.data(),
                            &name_length, key_class.data(), &class_length);
  if (code != regcode::kSuccess) {
    impl_->report("GetSubkeyName", static_cast<std::int32_t>(code));
    return {};
  }
  name.resize(name_length);
  return name;
}

std::string WinRegistry::GetValueName(std::int32_t index) {
  impl_->begin();
  if (impl_->CurrentKey == 0) return impl_->report("GetValueName", kNoKeyOpen), std::string();
  if (index < 0) return impl_->report("GetValueName", kNegativeIndex), std::string();
  std::string name(kBufferSize, '\0');
  std::vector<std::uint8_t> data(kBufferSize);
  std::uint32_t name_length = kBufferSize;
  std::uint32_t data_length = kBufferSize;
  std::uint32_t type = 0;
  const auto position = static_cast<std::uint32_t>(index);
  long code = impl_->store.enum_value(impl_->CurrentKey, position, name.data(), &name_length, &type,
                                      data.data(), &data_length);
  if (code == regcode::kMoreData) {
    // The data did not fit: once more with room for all of it.
    data.assign(data_length, 0);
    name_length = kBufferSize;
    code = impl_->store.enum_value(impl_->CurrentKey, position, name.data(), &name_length, &type,
                                   data.data(), &data_length);
  }
  if (code != regcode::kSuccess) {
    impl_->report("GetValueName", static_cast<std::int32_t>(code));
    return {};
  }
  name.resize(name_length);
  return name;
}

void WinRegistry::DeleteValue(const std::string& value_name) {
  impl_->begin();
  if (impl_->InvalidValueName(value_name)) return impl_->report("DeleteValue", kInvalidValueName);
  if (impl_->CurrentKey == 0) return impl_->report("DeleteValue", kNoKeyOpen);
  const long code = impl_->store.delete_value(impl_->CurrentKey, value_name);
  if (code != regcode::kSuccess) impl_->report("DeleteValue", static_cast<std::int32_t>(code));
}

void WinRegistry::SaveValue(const std::string& value_name, const RegValue& value_data) {
  impl_->begin();
  const char* const operation = "SaveValue";
  if (impl_->InvalidValueName(value_name)) return impl_->report(operation, kInvalidValueName);
  if (impl_->CurrentKey == 0) return impl_->report(operation, kNoKeyOpen);

  const auto* text = std::get_if<std::string>(&value_data);
  if (value_name.empty() && text == nullptr) return impl_->report(operation, kDefaultValueNotText);

  std::uint32_t type = REG_NONE;
  std::vector<std::uint8_t> bytes;
  const auto as_dword = [&](std::int32_t number) {
    type = REG_DWORD;
    const auto raw = static_cast<std::uint32_t>(number);
    bytes = {static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
             static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)};
  };
  if (text != nullptr) {
    type = REG_SZ;
    bytes.assign(text->begin(), text->end());
    bytes.push_back(0);
  } else if (const auto* word = std::get_if<std::int16_t>(&value_data)) {
    as_dword(*word);
  } else if (const auto* dword = std::get_if<std::int32_t>(&value_data)) {
    as_dword(*dword);
  } else if (const auto* byte = std::get_if<std::uint8_t>(&value_data)) {
    as_dword(*byte);
  } else if (const auto* array = std::get_if<std::vector<std::uint8_t>>(&value_data)) {
    // The byte count is held in a 16-bit integer.
    if (array->size() > kLargestArray) return impl_->report(operation, kOverflow);
    type = REG_BINARY;
    bytes = *array;
  } else {
    return impl_->report(operation, kUnsupportedData);
  }
  const long code = impl_->store.set_value(impl_->CurrentKey, value_name, type, bytes.data(),
                                           static_cast<std::uint32_t>(bytes.size()));
  if (code != regcode::kSuccess) impl_->report(operation, static_cast<std::int32_t>(code));
}

RegValue WinRegistry::QueryValue(const std::string& value_name) {
  impl_->begin();
  // Failures here are recorded, never shown.
  if (impl_->InvalidValueName(value_name)) return impl_->fail(kInvalidValueName), RegValue();
  if (impl_->CurrentKey == 0) return impl_->fail(kNoKeyOpen), RegValue();

  std::vector<std::uint8_t> data(kBufferSize);
  std::uint32_t data_length = kBufferSize;
  std::uint32_t type = REG_NONE;
  long code =
      impl_->store.query_value(impl_->CurrentKey, value_name, &type, data.data(), &data_length);
  if (code == regcode::kFileNotFound && value_name.empty()) return RegValue();
  if (code == regcode::kMoreData) {
    data.assign(data_length, 0);
    code =
        impl_->store.query_value(impl_->CurrentKey, value_name, &type, data.data(), &data_length);
  }
  if (code != regcode::kSuccess) return impl_->fail(static_cast<std::int32_t>(code)), RegValue();
  if (impl_->InvalidValueType(type)) return impl_->fail(kInvalidValueType), RegValue();

  switch (type) {
    case REG_SZ: {
      // The text without its terminating zero.
      const std::size_t length = data_length > 0 ? data_length - 1 : 0;
      return std::string(reinterpret_cast<const char*>(data.data()), length);
    }
    case REG_BINARY:
      return std::vector<std::uint8_t>(data.begin(), data.begin() + data_length);
    case REG_DWORD: {
      // Four bytes from a buffer of at least 256, so short data reads as
      // zeros beyond its end.
      std::int32_t number = 0;
      const std::uint32_t raw =
          static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
          (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
      std::memcpy(&number, &raw, sizeof number);
      return number;
    }
    default:  // REG_NONE
      return RegValue();
  }
}

void WinRegistry::CloseKey() {
  impl_->close();
}

}  // namespace corvella
