// SQLite as the host's file formats use it (resource files, design files): a file is read whole
// into a database in memory and written whole from one, so a reader never sees a file half
// written and the engine never touches the disk. Owning handles, and the guard every database
// that comes from a file gets: no triggers, views or functions from the file are trusted, texts
// and blobs are capped, and a query that runs too long (a corrupt or hostile b-tree) is stopped.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace pixmend::sqlite {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StmtFinalizer {
  void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// A prepared statement, or null when `sql` does not compile against this database.
inline Stmt prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return Stmt();
  return Stmt(st);
}

// A new, empty database in memory, or null when the engine cannot start.
inline Db openMemory() {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(raw);
    return Db();
  }
  return Db(raw);
}

// How a copy of a database file is opened in memory.
enum class Copy {
  ReadOnly,
  // Read only; a file last written in write-ahead-log mode is read as the rollback-journal file
  // its own pages make (what it held at its last checkpoint): the engine in memory reads no log.
  ReadOnlyIgnoringLog,
  Writable,  // for tests that alter a file
};

// A database in memory made from a copy of the whole file `bytes`; null when the engine cannot
// start, memory runs out, or the bytes are no database.
inline Db openCopy(const std::uint8_t* bytes, std::size_t size, Copy how) {
  Db db = openMemory();
  if (!db || size == 0) return Db();
  auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(size));
  if (copy == nullptr) return Db();
  std::memcpy(copy, bytes, size);
  // Bytes 18 and 19 of the header: 1 for a rollback journal, 2 for write-ahead logging.
  if (how == Copy::ReadOnlyIgnoringLog && size >= 20 && copy[18] == 2 && copy[19] == 2) {
    copy[18] = 1;
    copy[19] = 1;
  }
  const unsigned flags =
      SQLITE_DESERIALIZE_FREEONCLOSE |
      (how == Copy::Writable ? SQLITE_DESERIALIZE_RESIZEABLE : SQLITE_DESERIALIZE_READONLY);
  if (sqlite3_deserialize(db.get(), "main", copy, static_cast<sqlite3_int64>(size),
                          static_cast<sqlite3_int64>(size), flags) != SQLITE_OK) {
    return Db();  // the copy was freed by the engine
  }
  return db;
}

// The engine's work a guarded database may take, in units of 1000 virtual-machine steps; kept
// by the caller for as long as the database is open.
struct StepBudget {
  int limit = 0;
  int used = 0;
};

// Guards a database that came from a file (see the top of this file): texts and blobs up to
// `maxLength` bytes, statements stopped once `budget` is spent.
inline void guard(sqlite3* db, int maxLength, StepBudget* budget) {
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, maxLength);
  budget->used = 0;
  sqlite3_progress_handler(
      db, 1000,
      [](void* user) -> int {
        auto* b = static_cast<StepBudget*>(user);
        return ++b->used > b->limit ? 1 : 0;
      },
      budget);
}

// The integer a statement such as "PRAGMA user_version" gives; false when it gives none.
inline bool intPragma(sqlite3* db, const char* sql, long long* value) {
  Stmt st = prepare(db, sql);
  if (!st || sqlite3_step(st.get()) != SQLITE_ROW) return false;
  *value = sqlite3_column_int64(st.get(), 0);
  return true;
}

// Whether the database has a table (not a view) of that name.
inline bool isTable(sqlite3* db, const char* name) {
  Stmt st = prepare(db, "SELECT type FROM sqlite_schema WHERE name = ?1");
  if (!st) return false;
  sqlite3_bind_text(st.get(), 1, name, -1, SQLITE_STATIC);
  if (sqlite3_step(st.get()) != SQLITE_ROW) return false;
  const unsigned char* type = sqlite3_column_text(st.get(), 0);
  return type != nullptr && std::strcmp(reinterpret_cast<const char*>(type), "table") == 0;
}

// What a file of ours must be to be read: its kind as messages name it ("resource file"), its
// largest size, the application id in its header, the format versions read, the longest text or
// blob, and how its copy is opened.
struct FileKind {
  const char* name;
  std::size_t maxBytes;
  long long applicationId;
  long long firstVersion, lastVersion;
  int maxLength;
  Copy how;
};

// Opens a copy of a whole file's bytes as a database of that kind, guarded by `budget` (which must
// outlive it): null with the reason in *error ("not a design file", "file too large for a design
// file", "design file of an unknown format version 9") unless it is one; its version in *version.
inline Db openFile(const std::uint8_t* bytes, std::size_t size, const FileKind& kind, StepBudget* budget,
                   long long* version, std::string* error) {
  const std::string name = kind.name;
  auto refuse = [&](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return Db();
  };
  if (size > kind.maxBytes) return refuse("file too large for a " + name);
  if (size < 100 || std::memcmp(bytes, "SQLite format 3", 16) != 0) return refuse("not a " + name);
  Db db = openCopy(bytes, size, kind.how);
  if (!db) return refuse("not a " + name);
  guard(db.get(), kind.maxLength, budget);
  long long appId = 0;
  *version = 0;
  if (!intPragma(db.get(), "PRAGMA application_id", &appId) || appId != kind.applicationId) {
    return refuse("not a " + name);
  }
  if (!intPragma(db.get(), "PRAGMA user_version", version) || *version < kind.firstVersion ||
      *version > kind.lastVersion) {
    return refuse(name + " of an unknown format version " + std::to_string(*version));
  }
  return db;
}

// The whole database as the bytes of its file; false when memory runs out.
inline bool serialize(sqlite3* db, std::vector<std::uint8_t>* out) {
  sqlite3_int64 size = 0;
  unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
  if (bytes == nullptr || size <= 0) {
    sqlite3_free(bytes);
    return false;
  }
  out->assign(bytes, bytes + size);
  sqlite3_free(bytes);
  return true;
}

}  // namespace pixmend::sqlite
