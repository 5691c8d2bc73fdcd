// Resource files on disk: SQLite databases read whole into memory, built whole in memory and
// written through the host's AtomicFile (see rscfile.hpp).
#include "host/resource/rscfile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "common/sqlite.hpp"
#include "host/files/files.hpp"

namespace pixmend::host {
namespace {

// 'PXMR' in the database header marks a Pixmend resource file; the version is the layout of
// the tables below.
constexpr int kApplicationId = 0x50584D52;
constexpr int kFormatVersion = 1;

// A hostile file could make a query run for very long (a deep or corrupt b-tree); every
// statement gets this many virtual-machine steps (in units of 1000) before it is stopped.
constexpr int kProgressUnits = 20000;

bool gWriteFault = false;

using sqlite::Db;
using sqlite::prepare;
using sqlite::Stmt;

bool fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

bool fillDatabase(sqlite3* db, const ResourceData& data, std::string* error) {
  char pragmas[160];
  std::snprintf(pragmas, sizeof pragmas,
                "PRAGMA application_id=%d; "
                "PRAGMA user_version=%d;",
                kApplicationId, kFormatVersion);
  const char* schema =
      "BEGIN;"
      "CREATE TABLE info(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
      "CREATE TABLE resources(type INTEGER NOT NULL, id INTEGER NOT NULL, data BLOB NOT NULL,"
      " PRIMARY KEY(type, id)) WITHOUT ROWID;";
  if (sqlite3_exec(db, pragmas, nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, schema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    return fail(error, std::string("cannot create tables: ") + sqlite3_errmsg(db));
  }
  Stmt info = prepare(db, "INSERT INTO info(key, value) VALUES('description', ?1)");
  if (!info) return fail(error, sqlite3_errmsg(db));
  sqlite3_bind_text(info.get(), 1, data.description.c_str(), static_cast<int>(data.description.size()),
                    SQLITE_STATIC);
  if (sqlite3_step(info.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  Stmt insert = prepare(db, "INSERT INTO resources(type, id, data) VALUES(?1, ?2, ?3)");
  if (!insert) return fail(error, sqlite3_errmsg(db));
  for (const auto& [key, bytes] : data.resources) {
    sqlite3_reset(insert.get());
    sqlite3_bind_int64(insert.get(), 1, key.first);
    sqlite3_bind_int64(insert.get(), 2, key.second);
    // A zero-length blob must still be a blob, not NULL.
    static const std::uint8_t kEmpty = 0;
    sqlite3_bind_blob(insert.get(), 3, bytes.empty() ? &kEmpty : bytes.data(), static_cast<int>(bytes.size()),
                      SQLITE_STATIC);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) return fail(error, sqlite3_errmsg(db));
  }
  if (sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) return fail(error, sqlite3_errmsg(db));
  return true;
}

}  // namespace

std::string typeName(ResourceType type) {
  std::string chars;
  bool printable = type != 0;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>((type >> shift) & 0xff);
    if (c == 0 && chars.empty()) continue;  // "VXR" packs into three bytes
    if (c < 0x20 || c > 0x7e) printable = false;
    chars += static_cast<char>(c);
  }
  if (printable) return "'" + chars + "'";
  return std::to_string(type);
}

bool parseResourceFile(const std::uint8_t* bytes, std::size_t size, ResourceData* out, std::string* error) {
  *out = ResourceData();
  sqlite::StepBudget budget{kProgressUnits};  // outlives the database it guards
  const sqlite::FileKind kind{"resource file", kMaxResourceFileBytes, kApplicationId, kFormatVersion, kFormatVersion,
                              static_cast<int>(kMaxResourceBytes), sqlite::Copy::ReadOnly};
  long long version = 0;
  Db db = sqlite::openFile(bytes, size, kind, &budget, &version, error);
  if (!db) return false;
  if (!sqlite::isTable(db.get(), "info") || !sqlite::isTable(db.get(), "resources")) {
    return fail(error, "damaged resource file");
  }

  ResourceData data;
  {
    Stmt st = prepare(db.get(), "SELECT value FROM info WHERE key = 'description'");
    if (!st) return fail(error, "damaged resource file");
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(st.get(), 0);
      if (text != nullptr) data.description = reinterpret_cast<const char*>(text);
    } else if (rc != SQLITE_DONE) {
      return fail(error, "damaged resource file");
    }
  }
  Stmt st = prepare(db.get(), "SELECT type, id, data FROM resources");
  if (!st) return fail(error, "damaged resource file");
  std::size_t total = 0;
  for (;;) {
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) return fail(error, "damaged resource file");
    const sqlite3_int64 type = sqlite3_column_int64(st.get(), 0);
    const sqlite3_int64 id = sqlite3_column_int64(st.get(), 1);
    if (sqlite3_column_type(st.get(), 0) != SQLITE_INTEGER || sqlite3_column_type(st.get(), 1) != SQLITE_INTEGER ||
        type < 0 || type > 0xffffffffLL || id < INT32_MIN || id > INT32_MAX) {
      return fail(error, "damaged resource file: bad resource key");
    }
    const int n = sqlite3_column_bytes(st.get(), 2);
    const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(st.get(), 2));
    if (n < 0 || static_cast<std::size_t>(n) > kMaxResourceBytes) return fail(error, "damaged resource file");
    total += static_cast<std::size_t>(n);
    if (total > kMaxResourceFileBytes) return fail(error, "damaged resource file");
    auto key = std::make_pair(static_cast<ResourceType>(type), static_cast<ResourceId>(id));
    if (data.resources.count(key) != 0) return fail(error, "damaged resource file: duplicate resource");
    data.resources[key] = n > 0 && blob != nullptr ? std::vector<std::uint8_t>(blob, blob + n)
                                                   : std::vector<std::uint8_t>();
  }
  *out = std::move(data);
  return true;
}

bool readResourceFile(const std::string& path, ResourceData* out, std::string* error) {
  *out = ResourceData();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail(error, "cannot open " + path + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail(error, path + " is not a file");
  if (static_cast<unsigned long long>(st.st_size) > kMaxResourceFileBytes) {
    return fail(error, path + ": file too large for a resource file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot open " + path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  if (!bytes.empty()) in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size())) return fail(error, "cannot read " + path);
  std::string why;
  if (!parseResourceFile(bytes.data(), bytes.size(), out, &why)) return fail(error, path + ": " + why);
  return true;
}

bool writeResourceFile(const std::string& path, const ResourceData& data, std::string* error) {
  // The complete new database is built in memory, then replaces the file in one rename.
  Db db = sqlite::openMemory();
  if (!db) return fail(error, "cannot write " + path + ": cannot start the database engine");
  std::string why;
  if (!fillDatabase(db.get(), data, &why)) return fail(error, "cannot write " + path + ": " + why);
  std::vector<std::uint8_t> bytes;
  if (!sqlite::serialize(db.get(), &bytes)) return fail(error, "cannot write " + path + ": out of memory");
  AtomicFile file(path);
  if (!file.write(bytes.data(), bytes.size()))
    return fail(error, "cannot write " + path + ": " + file.error());
  // As if the process died here: the target is untouched.
  if (gWriteFault) return fail(error, "cannot write " + path + ": write interrupted (test fault)");
  if (!file.commit()) return fail(error, "cannot write " + path + ": " + file.error());
  return true;
}

bool resourceFileIsReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  // Writing replaces the file, so its folder must take a new entry as well.
  return !canReplaceFile(path);
}

void setResourceWriteFaultForTesting(bool fail) { gWriteFault = fail; }

}  // namespace pixmend::host
