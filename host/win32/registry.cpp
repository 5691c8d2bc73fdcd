// The two registry stores of the win32 group (see api.h), kept in one SQLite file beside the user
// preference file: "registry.db" in the folder of MS_USERPREF. The file is read whole into a
// guarded database in memory for every call and, for a change, written whole and renamed over
// the old one, so a reader never sees half a change and a failed write leaves the store as it was.
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/sqlite.hpp"
#include "host/config/config.hpp"
#include "host/files/files.hpp"
#include "host/output/journal.hpp"
#include "host/win32/api.h"

namespace pixmend::host {
namespace {

using sqlite::Db;
using sqlite::Stmt;

constexpr int kApplicationId = 0x50584752;  // "PXGR"
constexpr int kFormatVersion = 1;
constexpr std::size_t kMaxStoreBytes = 64u << 20;
constexpr int kMaxValueBytes = 1 << 20;
constexpr int kProgressUnits = 10000;

// The store's file, or nothing when MS_USERPREF names no file.
std::optional<std::string> storePath() {
  const std::optional<std::string> prefs = expandedVariable("MS_USERPREF");
  if (!prefs || prefs->empty()) return std::nullopt;
  const std::size_t slash = prefs->rfind('/');
  return (slash == std::string::npos ? std::string(".") : prefs->substr(0, slash)) + "/registry.db";
}

// "Software/Maker\\Program\\" -> "Software\Maker\Program": one separator, none at the ends.
std::string normalKey(const char* subKey) {
  std::string key;
  for (const char* p = subKey; *p != '\0'; ++p) {
    const char c = *p == '/' ? '\\' : *p;
    if (c == '\\' && (key.empty() || key.back() == '\\')) continue;
    key += c;
  }
  if (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

bool createSchema(sqlite3* db) {
  char sql[256];
  std::snprintf(sql, sizeof sql,
                "PRAGMA application_id=%d; PRAGMA user_version=%d; "
                "CREATE TABLE IF NOT EXISTS registry(root INTEGER, key TEXT COLLATE NOCASE, "
                "name TEXT COLLATE NOCASE, type INTEGER, data BLOB, PRIMARY KEY(root, key, name))",
                kApplicationId, kFormatVersion);
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The store in memory: an empty one when there is no file yet (`writable`), nothing when the
// file cannot be read or is not a store (it is then never overwritten).
Db loadStore(const std::string& path, bool writable, sqlite::StepBudget* budget, std::string* why) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (!writable) {
      *why = "no registry yet";
      return Db();
    }
    Db db = sqlite::openMemory();
    if (!db || !createSchema(db.get())) *why = "cannot start the database engine";
    return db;
  }
  if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kMaxStoreBytes) {
    *why = path + " is not a registry file";
    return Db();
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  std::ifstream in(path, std::ios::binary);
  if (!bytes.empty()) in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size())) {
    *why = "cannot read " + path;
    return Db();
  }
  Db db = sqlite::openCopy(bytes.data(), bytes.size(), writable ? sqlite::Copy::Writable : sqlite::Copy::ReadOnly);
  long long appId = 0, version = 0;
  if (!db || !sqlite::intPragma(db.get(), "PRAGMA application_id", &appId) || appId != kApplicationId ||
      !sqlite::intPragma(db.get(), "PRAGMA user_version", &version) || version != kFormatVersion ||
      !sqlite::isTable(db.get(), "registry")) {
    *why = path + " is not a registry file";
    return Db();
  }
  sqlite::guard(db.get(), kMaxValueBytes + 4096, budget);
  return db;
}

bool rootIsValid(int root) { return root == WIN32_REGISTRY_CURRENT_USER || root == WIN32_REGISTRY_LOCAL_MACHINE; }

const char* rootName(int root) { return root == WIN32_REGISTRY_CURRENT_USER ? "current user" : "local machine"; }

}  // namespace
}  // namespace pixmend::host

extern "C" {

int mdlWin32_registryQueryValue(int root, const char* subKey, const char* valueName, unsigned int* typeOut, void* data,
                                unsigned int* sizeInOut) {
  using namespace pixmend::host;
  if (!rootIsValid(root) || subKey == nullptr || sizeInOut == nullptr) return MDLERR_BADARG;
  const std::optional<std::string> path = storePath();
  if (!path) return MDLERR_FILENOTFOUND;
  pixmend::sqlite::StepBudget budget{kProgressUnits};
  std::string why;
  Db db = loadStore(*path, false, &budget, &why);
  if (!db) return MDLERR_FILENOTFOUND;
  Stmt st = pixmend::sqlite::prepare(db.get(), "SELECT type, data FROM registry WHERE root=?1 AND key=?2 AND name=?3");
  if (!st) return MDLERR_FILENOTFOUND;
  const std::string key = normalKey(subKey);
  sqlite3_bind_int(st.get(), 1, root);
  sqlite3_bind_text(st.get(), 2, key.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st.get(), 3, valueName != nullptr ? valueName : "", -1, SQLITE_TRANSIENT);
  if (sqlite3_step(st.get()) != SQLITE_ROW) return MDLERR_FILENOTFOUND;
  const auto size = static_cast<unsigned int>(sqlite3_column_bytes(st.get(), 1));
  const void* bytes = sqlite3_column_blob(st.get(), 1);
  if (typeOut != nullptr) *typeOut = static_cast<unsigned int>(sqlite3_column_int(st.get(), 0));
  if (data != nullptr && size > *sizeInOut) {
    *sizeInOut = size;
    return MDLERR_TOOLARGE;
  }
  if (data != nullptr && size > 0) std::memcpy(data, bytes, size);
  *sizeInOut = size;
  return SUCCESS;
}

int mdlWin32_registrySetValue(int root, const char* subKey, const char* valueName, unsigned int type, const void* data,
                              unsigned int size) {
  using namespace pixmend::host;
  if (!rootIsValid(root) || subKey == nullptr || (data == nullptr && size > 0) ||
      size > static_cast<unsigned int>(kMaxValueBytes)) {
    return MDLERR_BADARG;
  }
  const std::optional<std::string> path = storePath();
  if (!path) {
    journal().append("win32", "cannot write the registry: MS_USERPREF names no file");
    return MDLERR_CANNOTOPENFILE;
  }
  pixmend::sqlite::StepBudget budget{kProgressUnits};
  std::string why;
  Db db = loadStore(*path, true, &budget, &why);
  if (!db) {
    journal().append("win32", "cannot write the registry: " + why);
    return MDLERR_CANNOTOPENFILE;
  }
  Stmt st = pixmend::sqlite::prepare(db.get(), "INSERT OR REPLACE INTO registry VALUES(?1, ?2, ?3, ?4, ?5)");
  const std::string key = normalKey(subKey);
  const std::string name = valueName != nullptr ? valueName : "";
  if (st) {
    sqlite3_bind_int(st.get(), 1, root);
    sqlite3_bind_text(st.get(), 2, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st.get(), 3, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st.get(), 4, static_cast<int>(type));
    sqlite3_bind_blob(st.get(), 5, size > 0 ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
  }
  std::vector<std::uint8_t> bytes;
  if (!st || sqlite3_step(st.get()) != SQLITE_DONE || !pixmend::sqlite::serialize(db.get(), &bytes)) {
    journal().append("win32", "cannot write the registry: " + std::string(sqlite3_errmsg(db.get())));
    return MDLERR_CANNOTOPENFILE;
  }
  AtomicFile file(*path);
  if (!file.write(bytes.data(), bytes.size()) || !file.commit()) {
    journal().append("win32", "cannot write the registry: " + file.error());
    return MDLERR_CANNOTOPENFILE;
  }
  journal().append("win32", std::string("registry: ") + rootName(root) + "\\" + key + " " + (name.empty() ? "(default)" : name) +
                                " set");
  return SUCCESS;
}

}  // extern "C"
