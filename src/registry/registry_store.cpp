#include "registry/registry_store.h"

#include <sqlite3.h>

#include <cstring>
#include <map>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/files.h"

namespace corvella {

namespace {

namespace fs = std::filesystem;

// Roots are the rows 1 to 7, in the order of their handles.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  class BLOB NOT NULL,
  boot TEXT);
CREATE UNIQUE INDEX IF NOT EXISTS reg_keys_child ON reg_keys(parent, folded);
CREATE TABLE IF NOT EXISTS reg_values(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  key INTEGER NOT NULL,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS reg_values_name ON reg_values(key, folded);
INSERT OR IGNORE INTO reg_keys(id, parent, name, folded, class) VALUES
  (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root', ''),
  (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user', ''),
  (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine', ''),
  (4, NULL, 'HKEY_USERS', 'hkey_users', ''),
  (5, NULL, 'HKEY_PERFORMANCE_DATA', 'hkey_performance_data', ''),
  (6, NULL, 'HKEY_CURRENT_CONFIG', 'hkey_current_config', ''),
  (7, NULL, 'HKEY_DYN_DATA', 'hkey_dyn_data', '');
)sql";

long from_sqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return regcode::kSuccess;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_SCHEMA:
      return regcode::kBadDatabase;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return regcode::kBusy;
    case SQLITE_FULL:
      return regcode::kDiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return regcode::kAccessDenied;
    case SQLITE_CANTOPEN:
      return regcode::kCantOpen;
    default:
      return regcode::kIoFailed;
  }
}

std::string fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string running_boot() {
  std::optional<std::string> id = read_file("/proc/sys/kernel/random/boot_id");
  if (!id) return "unknown";
  while (!id->empty() && (id->back() == '\n' || id->back() == ' ')) id->pop_back();
  return id->empty() ? "unknown" : *id;
}

// "a\b\c" as its names; one trailing "\" is allowed, an empty name inside is
// not.
std::optional<std::vector<std::string_view>> split_path(std::string_view path) {
  std::vector<std::string_view> names;
  if (path.empty()) return names;
  if (path.back() == '\\') path.remove_suffix(1);
  for (;;) {
    const std::size_t slash = path.find('\\');
    const std::string_view name = path.substr(0, slash);
    if (name.empty()) return std::nullopt;
    names.push_back(name);
    if (slash == std::string_view::npos) return names;
    path.remove_prefix(slash + 1);
  }
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    rc_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, std::int64_t number) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(statement_, index, number);
    return *this;
  }
  Statement& bind(int index, std::string_view bytes) {
    // A zero-length blob must still not be NULL.
    if (rc_ == SQLITE_OK) {
      rc_ = sqlite3_bind_blob64(statement_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                                SQLITE_TRANSIENT);
    }
    return *this;
  }
  Statement& bind_text(int index, const std::string& text) {
    if (rc_ == SQLITE_OK) {
      rc_ = sqlite3_bind_text(statement_, index, text.c_str(), -1, SQLITE_TRANSIENT);
    }
    return *this;
  }

  // SQLITE_ROW, SQLITE_DONE or the error.
  int step() {
    if (rc_ != SQLITE_OK && rc_ != SQLITE_ROW) return rc_;
    rc_ = sqlite3_step(statement_);
    return rc_;
  }

  std::int64_t number(int column) { return sqlite3_column_int64(statement_, column); }
  bool is_null(int column) { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  std::string bytes(int column) {
    const void* data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int rc_ = SQLITE_OK;
};

// One transaction; rolled back unless committed.
class Transaction {
 public:
  Transaction(sqlite3* db, bool write) : db_(db) {
    rc_ = sqlite3_exec(db_, write ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
    open_ = rc_ == SQLITE_OK;
  }
  ~Transaction() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  long begun() const { return from_sqlite(rc_); }
  long commit() {
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) open_ = false;
    return from_sqlite(rc);
  }

 private:
  sqlite3* db_;
  int rc_;
  bool open_ = false;
};

// Copies a name and its terminating zero into a buffer of `*length` bytes.
long give_name(const std::string& name, char* buffer, std::uint32_t* length) {
  if (length == nullptr) return regcode::kSuccess;
  if (buffer == nullptr || *length <= name.size()) {
    *length = static_cast<std::uint32_t>(name.size());
    return buffer == nullptr ? regcode::kSuccess : regcode::kMoreData;
  }
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *length = static_cast<std::uint32_t>(name.size());
  return regcode::kSuccess;
}

long give_data(const std::string& data, std::uint8_t* buffer, std::uint32_t* length) {
  if (length == nullptr) return buffer == nullptr ? regcode::kSuccess : regcode::kInvalidParameter;
  const bool fits = *length >= data.size();
  *length = static_cast<std::uint32_t>(data.size());
  if (buffer == nullptr) return regcode::kSuccess;
  if (!fits) return regcode::kMoreData;
  if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
  return regcode::kSuccess;
}

struct KeyRow {
  std::int64_t id = 0;
  bool is_volatile = false;
};

}  // namespace

struct RegistryStore::Impl {
  struct OpenHandle {
    std::int64_t key;
    std::uint32_t access;
  };

  fs::path database;
  Options options;
  sqlite3* db = nullptr;
  bool ready = false;
  // The user may only read the store: it is used as it is.
  bool read_only = false;
  std::map<RegHandle, OpenHandle> handles;
  RegHandle next_handle = 1;

  ~Impl() {
    if (db != nullptr) sqlite3_close(db);
  }

  long ensure_ready() {
    if (ready) return regcode::kSuccess;
    if (db == nullptr) {
      std::error_code error;
      if (database.has_parent_path()) fs::create_directories(database.parent_path(), error);
      const int rc = sqlite3_open_v2(database.c_str(), &db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
      if (rc != SQLITE_OK) {
        sqlite3_close(db);
        db = nullptr;
        return from_sqlite(rc);
      }
      sqlite3_busy_timeout(db, static_cast<int>(options.busy_timeout.count()));
    }
    // SQLite falls back to reading a file it may not write. Neither the
    // schema nor the purge of old volatile keys can be written then.
    if (sqlite3_db_readonly(db, "main") == 1) {
      read_only = true;
      ready = true;
      return regcode::kSuccess;
    }
    Transaction transaction(db, true);
    if (const long code = transaction.begun()) return code;
    if (const int rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr)) return from_sqlite(rc);
    // Volatile keys of an earlier boot: their subkeys are volatile too, of
    // the same boot, so one pass takes the whole branches.
    const std::string boot = options.boot_id.empty() ? running_boot() : options.boot_id;
    options.boot_id = boot;
    Statement values(db,
                     "DELETE FROM reg_values WHERE key IN "
                     "(SELECT id FROM reg_keys WHERE boot IS NOT NULL AND boot <> ?)");
    if (const int rc = values.bind_text(1, boot).step(); rc != SQLITE_DONE) return from_sqlite(rc);
    Statement keys(db, "DELETE FROM reg_keys WHERE boot IS NOT NULL AND boot <> ?");
    if (const int rc = keys.bind_text(1, boot).step(); rc != SQLITE_DONE) return from_sqlite(rc);
    if (const long code = transaction.commit()) return code;
    ready = true;
    return regcode::kSuccess;
  }

  // The start of every operation on an open key: the store ready, a
  // transaction begun, and the key's id for the access it needs.
  long begin(RegHandle handle, std::uint32_t needed, bool write,
             std::optional<Transaction>& transaction, std::int64_t* key) {
    if (const long code = ensure_ready()) return code;
    // In a store that can only be read, a change fails at its first write
    // (5), and a key that already exists can still be "created" (opened).
    transaction.emplace(db, write && !read_only);
    if (const long code = transaction->begun()) return code;
    return resolve(handle, needed, key);
  }

  // Row `index` of a listing of the key's subkeys or values (`sql` binds the
  // key's id, then the index as the offset); 259 past the last row.
  long listed_row(RegHandle handle, std::uint32_t needed, const char* sql, std::uint32_t index,
                  std::optional<Transaction>& transaction, std::optional<Statement>& row) {
    std::int64_t key = 0;
    if (const long code = begin(handle, needed, false, transaction, &key)) return code;
    row.emplace(db, sql);
    const int rc = row->bind(1, key).bind(2, static_cast<std::int64_t>(index)).step();
    if (rc == SQLITE_DONE) return regcode::kNoMoreItems;
    return rc == SQLITE_ROW ? regcode::kSuccess : from_sqlite(rc);
  }

  // The key of a handle, when the handle allows `needed`.
  long resolve(RegHandle handle, std::uint32_t needed, std::int64_t* key) {
    if (handle >= HKEY_CLASSES_ROOT && handle <= HKEY_DYN_DATA) {
      *key = static_cast<std::int64_t>(handle - HKEY_CLASSES_ROOT) + 1;
      return regcode::kSuccess;
    }
    const auto found = handles.find(handle);
    if (found == handles.end()) return regcode::kInvalidHandle;
    if ((found->second.access & needed) != needed) return regcode::kAccessDenied;
    Statement exists(db, "SELECT 1 FROM reg_keys WHERE id = ?");
    const int rc = exists.bind(1, found->second.key).step();
    if (rc == SQLITE_DONE) return regcode::kKeyDeleted;
    if (rc != SQLITE_ROW) return from_sqlite(rc);
    *key = found->second.key;
    return regcode::kSuccess;
  }

  // The child named `name` of `parent`: 2 when there is none.
  long child(std::int64_t parent, std::string_view name, KeyRow* row) {
    Statement find(db, "SELECT id, boot FROM reg_keys WHERE parent = ? AND folded = ?");
    const int rc = find.bind(1, parent).bind(2, fold(name)).step();
    if (rc == SQLITE_DONE) return regcode::kFileNotFound;
    if (rc != SQLITE_ROW) return from_sqlite(rc);
    row->id = find.number(0);
    row->is_volatile = !find.is_null(1);
    return regcode::kSuccess;
  }

  long is_volatile(std::int64_t key, bool* result) {
    Statement find(db, "SELECT boot FROM reg_keys WHERE id = ?");
    const int rc = find.bind(1, key).step();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? regcode::kKeyDeleted : from_sqlite(rc);
    *result = !find.is_null(0);
    return regcode::kSuccess;
  }

  long walk(std::int64_t start, std::string_view path, std::int64_t* key) {
    const auto names = split_path(path);
    if (!names) return regcode::kInvalidParameter;
    KeyRow row{start, false};
    for (const std::string_view name : *names) {
      if (const long code = child(row.id, name, &row)) return code;
    }
    *key = row.id;
    return regcode::kSuccess;
  }

  RegHandle add_handle(std::int64_t key, std::uint32_t access) {
    // Handles stay below the predefined ones; a handle still open is never
    // given out again.
    RegHandle handle = next_handle;
    do {
      handle = next_handle++;
      if (next_handle >= HKEY_CLASSES_ROOT) next_handle = 1;
    } while (handles.count(handle) != 0);
    handles[handle] = OpenHandle{key, access};
    return handle;
  }
};

RegistryStore::RegistryStore(std::filesystem::path database)
    : RegistryStore(std::move(database), Options{}) {}

RegistryStore::RegistryStore(std::filesystem::path database, Options options)
    : impl_(std::make_unique<Impl>()) {
  impl_->database = std::move(database);
  impl_->options = std::move(options);
}

RegistryStore::~RegistryStore() = default;

long RegistryStore::open_key(RegHandle key, std::string_view subkey, std::uint32_t access,
                             RegHandle* result) {
  if (result == nullptr) return regcode::kInvalidParameter;
  std::optional<Transaction> transaction;
  std::int64_t start = 0;
  if (const long code = impl_->begin(key, 0, false, transaction, &start)) return code;
  std::int64_t found = 0;
  if (const long code = impl_->walk(start, subkey, &found)) return code;
  *result = impl_->add_handle(found, access);
  return regcode::kSuccess;
}

long RegistryStore::create_key(RegHandle key, std::string_view subkey, std::string_view key_class,
                               std::uint32_t options, std::uint32_t access, RegHandle* result,
                               std::uint32_t* disposition) {
  if (result == nullptr) return regcode::kInvalidParameter;
  const auto names = split_path(subkey);
  if (!names) return regcode::kInvalidParameter;
  std::optional<Transaction> transaction;
  std::int64_t start = 0;
  if (const long code = impl_->begin(key, 0, true, transaction, &start)) return code;
  sqlite3* db = impl_->db;
  KeyRow row{start, false};
  if (const long code = impl_->is_volatile(start, &row.is_volatile)) return code;

  const bool make_volatile = (options & REG_OPTION_VOLATILE) != 0;
  bool created = false;
  for (std::size_t i = 0; i < names->size(); ++i) {
    const std::string_view name = (*names)[i];
    const long code = impl_->child(row.id, name, &row);
    if (code == regcode::kSuccess) continue;
    if (code != regcode::kFileNotFound) return code;
    if (!created) {
      // Only the handle's own key needs the right to make subkeys.
      if (key < HKEY_CLASSES_ROOT || key > HKEY_DYN_DATA) {
        std::int64_t unused = 0;
        if (const long denied = impl_->resolve(key, KEY_CREATE_SUB_KEY, &unused)) return denied;
      }
    }
    if (row.is_volatile && !make_volatile) return regcode::kChildMustBeVolatile;
    Statement insert(db,
                     "INSERT INTO reg_keys(parent, name, folded, class, boot) "
                     "VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, row.id).bind(2, name).bind(3, fold(name));
    insert.bind(4, i + 1 == names->size() ? key_class : std::string_view());
    if (make_volatile) {
      insert.bind_text(5, impl_->options.boot_id);
    }
    if (const int rc = insert.step(); rc != SQLITE_DONE) return from_sqlite(rc);
    row.id = sqlite3_last_insert_rowid(db);
    row.is_volatile = make_volatile;
    created = true;
  }
  if (const long code = transaction->commit()) return code;
  *result = impl_->add_handle(row.id, access);
  if (disposition != nullptr) {
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return regcode::kSuccess;
}

long RegistryStore::query_info_key(RegHandle key, char* key_class, std::uint32_t* class_length,
                                   std::uint32_t* subkeys, std::uint32_t* values) {
  std::optional<Transaction> transaction;
  std::int64_t id = 0;
  if (const long code = impl_->begin(key, KEY_QUERY_VALUE, false, transaction, &id)) return code;
  sqlite3* db = impl_->db;
  Statement info(db,
                 "SELECT class, (SELECT count(*) FROM reg_keys WHERE parent = ?1), "
                 "(SELECT count(*) FROM reg_values WHERE key = ?1) FROM reg_keys WHERE id = ?1");
  if (const int rc = info.bind(1, id).step(); rc != SQLITE_ROW) {
    return rc == SQLITE_DONE ? regcode::kKeyDeleted : from_sqlite(rc);
  }
  if (const long code = give_name(info.bytes(0), key_class, class_length)) return code;
  if (subkeys != nullptr) *subkeys = static_cast<std::uint32_t>(info.number(1));
  if (values != nullptr) *values = static_cast<std::uint32_t>(info.number(2));
  return regcode::kSuccess;
}

long RegistryStore::enum_key(RegHandle key, std::uint32_t index, char* name,
                             std::uint32_t* name_length, char* key_class,
                             std::uint32_t* class_length) {
  if (name == nullptr || name_length == nullptr) return regcode::kInvalidParameter;
  std::optional<Transaction> transaction;
  std::optional<Statement> row;
  const char* const sql =
      "SELECT name, class FROM reg_keys WHERE parent = ? ORDER BY folded, id LIMIT 1 OFFSET ?";
  const long listed = impl_->listed_row(key, KEY_ENUMERATE_SUB_KEYS, sql, index, transaction, row);
  if (listed != regcode::kSuccess) return listed;
  if (const long code = give_name(row->bytes(0), name, name_length)) return code;
  return give_name(row->bytes(1), key_class, class_length);
}

long RegistryStore::enum_value(RegHandle key, std::uint32_t index, char* name,
                               std::uint32_t* name_length, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* data_length) {
  if (name == nullptr || name_length == nullptr) return regcode::kInvalidParameter;
  std::optional<Transaction> transaction;
  std::optional<Statement> row;
  const char* const sql =
      "SELECT name, type, data FROM reg_values WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?";
  const long listed = impl_->listed_row(key, KEY_QUERY_VALUE, sql, index, transaction, row);
  if (listed != regcode::kSuccess) return listed;
  // Check both buffers before filling either, so a 234 changes nothing else.
  const std::string value_name = row->bytes(0);
  const std::string value_data = row->bytes(2);
  if (*name_length <= value_name.size()) {
    *name_length = static_cast<std::uint32_t>(value_name.size());
    return regcode::kMoreData;
  }
  if (data != nullptr && (data_length == nullptr || *data_length < value_data.size())) {
    if (data_length == nullptr) return regcode::kInvalidParameter;
    *data_length = static_cast<std::uint32_t>(value_data.size());
    return regcode::kMoreData;
  }
  give_name(value_name, name, name_length);
  if (type != nullptr) *type = static_cast<std::uint32_t>(row->number(1));
  if (data_length != nullptr) give_data(value_data, data, data_length);
  return regcode::kSuccess;
}

long RegistryStore::query_value(RegHandle key, std::string_view name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* data_length) {
  std::optional<Transaction> transaction;
  std::int64_t id = 0;
  if (const long code = impl_->begin(key, KEY_QUERY_VALUE, false, transaction, &id)) return code;
  Statement find(impl_->db, "SELECT type, data FROM reg_values WHERE key = ? AND folded = ?");
  const int rc = find.bind(1, id).bind(2, fold(name)).step();
  if (rc == SQLITE_DONE) return regcode::kFileNotFound;
  if (rc != SQLITE_ROW) return from_sqlite(rc);
  if (type != nullptr) *type = static_cast<std::uint32_t>(find.number(0));
  return give_data(find.bytes(1), data, data_length);
}

long RegistryStore::set_value(RegHandle key, std::string_view name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t data_length) {
  if (data == nullptr && data_length != 0) return regcode::kInvalidParameter;
  std::optional<Transaction> transaction;
  std::int64_t id = 0;
  if (const long code = impl_->begin(key, KEY_SET_VALUE, true, transaction, &id)) return code;
  sqlite3* db = impl_->db;
  const std::string_view bytes(reinterpret_cast<const char*>(data), data_length);
  // An existing value keeps its place in the listing and its spelling.
  Statement update(db, "UPDATE reg_values SET type = ?, data = ? WHERE key = ? AND folded = ?");
  update.bind(1, static_cast<std::int64_t>(type)).bind(2, bytes).bind(3, id).bind(4, fold(name));
  if (const int rc = update.step(); rc != SQLITE_DONE) return from_sqlite(rc);
  if (sqlite3_changes(db) == 0) {
    Statement insert(
        db, "INSERT INTO reg_values(key, name, folded, type, data) VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, id).bind(2, name).bind(3, fold(name));
    insert.bind(4, static_cast<std::int64_t>(type)).bind(5, bytes);
    if (const int rc = insert.step(); rc != SQLITE_DONE) return from_sqlite(rc);
  }
  return transaction->commit();
}

long RegistryStore::delete_key(RegHandle key, std::string_view subkey) {
  std::optional<Transaction> transaction;
  std::int64_t start = 0;
  if (const long code = impl_->begin(key, 0, true, transaction, &start)) return code;
  sqlite3* db = impl_->db;
  std::int64_t target = 0;
  if (const long code = impl_->walk(start, subkey, &target)) return code;
  if (target <= static_cast<std::int64_t>(HKEY_DYN_DATA - HKEY_CLASSES_ROOT) + 1)
    return regcode::kAccessDenied;
  Statement children(db, "SELECT 1 FROM reg_keys WHERE parent = ? LIMIT 1");
  const int rc = children.bind(1, target).step();
  if (rc == SQLITE_ROW) return regcode::kAccessDenied;
  if (rc != SQLITE_DONE) return from_sqlite(rc);
  Statement values(db, "DELETE FROM reg_values WHERE key = ?");
  if (const int done = values.bind(1, target).step(); done != SQLITE_DONE) return from_sqlite(done);
  Statement remove(db, "DELETE FROM reg_keys WHERE id = ?");
  if (const int done = remove.bind(1, target).step(); done != SQLITE_DONE) return from_sqlite(done);
  return transaction->commit();
}

long RegistryStore::delete_value(RegHandle key, std::string_view name) {
  std::optional<Transaction> transaction;
  std::int64_t id = 0;
  if (const long code = impl_->begin(key, KEY_SET_VALUE, true, transaction, &id)) return code;
  sqlite3* db = impl_->db;
  Statement remove(db, "DELETE FROM reg_values WHERE key = ? AND folded = ?");
  if (const int rc = remove.bind(1, id).bind(2, fold(name)).step(); rc != SQLITE_DONE) {
    return from_sqlite(rc);
  }
  if (sqlite3_changes(db) == 0) return regcode::kFileNotFound;
  return transaction->commit();
}

long RegistryStore::close_key(RegHandle key) {
  if (key >= HKEY_CLASSES_ROOT && key <= HKEY_DYN_DATA) return regcode::kSuccess;
  return impl_->handles.erase(key) == 1 ? regcode::kSuccess : regcode::kInvalidHandle;
}

}  // namespace corvella
