// Databases read from files: a copy in memory that the file's own content cannot turn against us
// (a runaway query is stopped, a view does not pass for a table), and the bytes written back
// read as the same database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/sqlite.hpp"

namespace pixmend {
namespace {

std::vector<std::uint8_t> fileOf(const char* sql) {
  sqlite::Db db = sqlite::openMemory();
  EXPECT_TRUE(db);
  EXPECT_EQ(sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db.get());
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(sqlite::serialize(db.get(), &bytes));
  return bytes;
}

TEST(Sqlite, ACopyReadsAsTheFileAndStaysReadOnly) {
  const auto bytes = fileOf(
      "PRAGMA user_version=7; CREATE TABLE t(x INTEGER); INSERT INTO t VALUES(42);"
      "CREATE VIEW v AS SELECT x FROM t;");
  sqlite::Db db = sqlite::openCopy(bytes.data(), bytes.size(), sqlite::Copy::ReadOnly);
  ASSERT_TRUE(db);
  long long version = 0;
  EXPECT_TRUE(sqlite::intPragma(db.get(), "PRAGMA user_version", &version));
  EXPECT_EQ(version, 7);
  EXPECT_TRUE(sqlite::isTable(db.get(), "t"));
  EXPECT_FALSE(sqlite::isTable(db.get(), "v"));
  EXPECT_FALSE(sqlite::isTable(db.get(), "missing"));
  EXPECT_NE(sqlite3_exec(db.get(), "INSERT INTO t VALUES(1)", nullptr, nullptr, nullptr), SQLITE_OK);

  sqlite::Db writable = sqlite::openCopy(bytes.data(), bytes.size(), sqlite::Copy::Writable);
  ASSERT_TRUE(writable);
  EXPECT_EQ(sqlite3_exec(writable.get(), "INSERT INTO t VALUES(1)", nullptr, nullptr, nullptr), SQLITE_OK);
  std::vector<std::uint8_t> changed;
  ASSERT_TRUE(sqlite::serialize(writable.get(), &changed));
  sqlite::Db again = sqlite::openCopy(changed.data(), changed.size(), sqlite::Copy::ReadOnly);
  long long rows = 0;
  EXPECT_TRUE(sqlite::intPragma(again.get(), "SELECT count(*) FROM t", &rows));
  EXPECT_EQ(rows, 2);
}

TEST(Sqlite, BytesThatAreNoDatabaseGiveNone) {
  const std::vector<std::uint8_t> junk(4096, 0x5A);
  sqlite::Db db = sqlite::openCopy(junk.data(), junk.size(), sqlite::Copy::ReadOnly);
  long long value = 0;
  EXPECT_TRUE(!db || !sqlite::intPragma(db.get(), "SELECT count(*) FROM sqlite_schema", &value));
  EXPECT_FALSE(sqlite::openCopy(junk.data(), 0, sqlite::Copy::ReadOnly));
}

TEST(Sqlite, AWriteAheadLogFileReadsAsItsOwnPages) {
  auto bytes = fileOf("CREATE TABLE t(x); INSERT INTO t VALUES(1);");
  ASSERT_GE(bytes.size(), 20u);
  bytes[18] = bytes[19] = 2;  // as a file last written in write-ahead-log mode
  sqlite::Db db = sqlite::openCopy(bytes.data(), bytes.size(), sqlite::Copy::ReadOnlyIgnoringLog);
  ASSERT_TRUE(db);
  long long rows = 0;
  EXPECT_TRUE(sqlite::intPragma(db.get(), "SELECT count(*) FROM t", &rows));
  EXPECT_EQ(rows, 1);
}

TEST(Sqlite, AGuardedQueryStopsWhenItsBudgetIsSpent) {
  const auto bytes = fileOf("CREATE TABLE t(x);");
  sqlite::StepBudget budget{50};
  sqlite::Db db = sqlite::openCopy(bytes.data(), bytes.size(), sqlite::Copy::ReadOnly);
  ASSERT_TRUE(db);
  sqlite::guard(db.get(), 1 << 20, &budget);
  long long value = 0;
  // A query that would count for ever, as a hostile schema could make one.
  EXPECT_FALSE(sqlite::intPragma(db.get(),
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                                 "SELECT max(i) FROM n",
                                 &value));
  EXPECT_GT(budget.used, budget.limit);
  // Texts longer than the cap are refused, not allocated.
  sqlite::guard(db.get(), 100, &budget);
  EXPECT_FALSE(sqlite::intPragma(db.get(), "SELECT length(zeroblob(1000))", &value));
}

}  // namespace
}  // namespace pixmend
