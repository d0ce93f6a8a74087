// PostgresExecutorTest.cpp - the PostgreSQL executor of "tessel run" on a
// database of known rows: what only this engine needs (bracketed names,
// set operations applied left to right against PostgreSQL's precedence,
// repeated column names) and that the session writes nothing but its own
// temporary tables. Skipped without TESSEL_PG_URI.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tools/tessel/PostgresDatabase.h"
#include "tools/tessel/PostgresExecutor.h"

namespace {

using Cells = std::vector<std::string>;

class PostgresExecutorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* uri = std::getenv("TESSEL_PG_URI");
    if (uri == nullptr || *uri == '\0') return;
    uri_ = uri;
    database_ = "tessel_run_" + std::to_string(::getpid());
    PostgresDatabase admin;
    std::string error;
    if (!admin.Connect(uri_, error) || !admin.ExecuteScript("DROP DATABASE IF EXISTS " + database_, error) ||
        !admin.ExecuteScript("CREATE DATABASE " + database_, error)) {
      setupError_ = error;
      return;
    }
    PostgresDatabase db;
    if (!db.Connect(uri_, error, database_) ||
        !db.ExecuteScript(
            "CREATE TABLE T (name TEXT, amount DOUBLE PRECISION);"
            "INSERT INTO T VALUES ('b', 2), ('a', 1), ('c', NULL);"
            "CREATE TABLE \"Order Lines\" (\"Line No\" INTEGER);"
            "INSERT INTO \"Order Lines\" VALUES (7);"
            "CREATE SEQUENCE counter;"
            "CREATE FUNCTION bump() RETURNS INTEGER LANGUAGE sql AS "
            "'INSERT INTO T VALUES (''bumped'', 0) RETURNING 1';",
            error)) {
      setupError_ = error;
    }
  }

  static void TearDownTestSuite() {
    if (uri_.empty()) return;
    PostgresDatabase admin;
    std::string error;
    if (admin.Connect(uri_, error)) admin.ExecuteScript("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)", error);
  }

  void SetUp() override {
    if (uri_.empty()) GTEST_SKIP() << "TESSEL_PG_URI is not set: no PostgreSQL server to run on";
    ASSERT_TRUE(setupError_.empty()) << setupError_;
    std::string error;
    ASSERT_TRUE(db_.ConnectReadOnly(uri_, error, database_)) << error;
    executor_ = std::make_unique<PostgresExecutor>(db_.Handle());
  }

  // Executes `commands` and reads the final dataset's rows, NULL as "NULL".
  ::testing::AssertionResult Run(const std::string& commands, std::vector<Cells>& rows) {
    rows.clear();
    CommandExecutor::Failure failure;
    if (!executor_->Execute(commands, failure)) {
      return ::testing::AssertionFailure() << failure.message << " in " << failure.statement;
    }
    ResultTable table;
    std::string error;
    if (!executor_->Read(executor_->FinalDataset(), table, error)) return ::testing::AssertionFailure() << error;
    columns_ = table.columns;
    for (const auto& cells : table.rows) {
      Cells& row = rows.emplace_back();
      for (const ResultCell& cell : cells) row.push_back(cell.null ? "NULL" : cell.text);
    }
    return ::testing::AssertionSuccess();
  }

  // The message of the failing statement of `commands`; empty when all ran.
  std::string Refusal(const std::string& commands) {
    CommandExecutor::Failure failure;
    return executor_->Execute(commands, failure) ? "" : failure.message;
  }

  // The rows of T and the counter, read in a session of their own.
  static std::string State() {
    PostgresDatabase db;
    std::string error;
    if (!db.Connect(uri_, error, database_)) return error;
    PGresult* result =
        PQexec(db.Handle(), "SELECT string_agg(name || '=' || coalesce(amount::text, '-'), ',' ORDER BY name), "
                            "(SELECT last_value || ':' || is_called FROM counter) FROM T");
    std::string state = PQresultStatus(result) == PGRES_TUPLES_OK
                            ? std::string(PQgetvalue(result, 0, 0)) + " " + PQgetvalue(result, 0, 1)
                            : PostgresDatabase::ErrorOf(result, db.Handle());
    PQclear(result);
    return state;
  }

  static inline std::string uri_;
  static inline std::string database_;
  static inline std::string setupError_;
  PostgresDatabase db_;
  std::unique_ptr<PostgresExecutor> executor_;
  std::vector<std::string> columns_;
};

TEST_F(PostgresExecutorTest, DatasetKeepsTheOrderAndTypesOfItsQuery) {
  std::vector<Cells> rows;
  ASSERT_TRUE(Run("CREATE DATASET [Q] BY SELECT name, amount, amount > 1 AS big FROM T ORDER BY name DESC", rows));
  EXPECT_EQ(rows, (std::vector<Cells>{{"c", "NULL", "NULL"}, {"b", "2", "t"}, {"a", "1", "f"}}));
  EXPECT_EQ(columns_, (Cells{"name", "amount", "big"}));
}

TEST_F(PostgresExecutorTest, BracketedNamesAreQuotedIdentifiers) {
  std::vector<Cells> rows;
  ASSERT_TRUE(Run("CREATE DATASET [Lines] BY SELECT [Order Lines].[Line No], '[not a name]' AS t "
                  "FROM {Sales}.[Order Lines]",
                  rows));
  EXPECT_EQ(rows, (std::vector<Cells>{{"7", "[not a name]"}}));
}

TEST_F(PostgresExecutorTest, RepeatedColumnNamesAreNumbered) {
  std::vector<Cells> rows;
  ASSERT_TRUE(Run("CREATE DATASET [Q] BY SELECT name, name, 1, 2 FROM T WHERE name = 'a'", rows));
  EXPECT_EQ(columns_, (Cells{"name", "name:1", "?column?", "?column?:1"}));
}

// PostgreSQL binds INTERSECT tighter than UNION; the dataset commands
// apply each operation to everything before it.
TEST_F(PostgresExecutorTest, UmiOperationsCombineDatasetsLeftToRight) {
  const std::string members =
      "CREATE DATASET [A] BY SELECT 1 AS n;\r\n\r\nCREATE DATASET [B] BY SELECT 2 AS n;\r\n\r\n"
      "CREATE DATASET [C] BY SELECT 2 AS n UNION ALL SELECT 3;\r\n\r\n";
  std::vector<Cells> rows;
  ASSERT_TRUE(Run(members + "CREATE DATASET BY UMI [A] UNION [B] INTERSET [C]", rows));
  EXPECT_EQ(rows, (std::vector<Cells>{{"2"}}));
  EXPECT_EQ(executor_->FinalDataset(), "result 1");
  ASSERT_TRUE(Run("CREATE DATASET BY UMI [C] MINUS [B] UNION ALL [A] UNION ALL [A]", rows));
  EXPECT_EQ(rows, (std::vector<Cells>{{"3"}, {"1"}, {"1"}}));
  ASSERT_TRUE(Run("CREATE DATASET [M] BY UMI [C] MERGE [A] MERGE [B]", rows));
  EXPECT_EQ(rows, (std::vector<Cells>{{"2"}, {"3"}, {"1"}, {"2"}}));
  EXPECT_EQ(columns_, (Cells{"column1"}));
}

TEST_F(PostgresExecutorTest, DatasetMayNotHideATable) {
  EXPECT_NE(Refusal("CREATE DATASET [t] BY SELECT 1"), "");
  EXPECT_NE(Refusal("CREATE DATASET [ORDER LINES] BY SELECT 1").find("would hide"), std::string::npos);
}

// The document's query runs in a read-only transaction: it cannot write
// through a function, a sequence or a statement of its own, and the
// statement it was part of creates nothing.
TEST_F(PostgresExecutorTest, QueriesCannotChangeTheDatabase) {
  const std::string before = State();
  const struct {
    const char* commands;
    const char* message;
  } cases[] = {
      {"CREATE DATASET [Q] BY SELECT bump()", "read-only transaction"},
      {"CREATE DATASET [Q] BY SELECT nextval('counter')", "read-only transaction"},
      {"CREATE DATASET [Q] BY SELECT set_config('transaction_read_only', 'off', true), bump()",
       "read-write mode must be set before any query"},
      {"CREATE DATASET [Q] BY SELECT 1; DELETE FROM T", "cannot insert multiple commands"},
      {"CREATE DATASET [Q] BY DELETE FROM T RETURNING name", "syntax error"},
      {"CREATE DATASET [Q] BY UPDATE T SET amount = 0", "returns rows"},
      {"CREATE DATASET [Q] BY SELECT 1 AS x; COMMIT; DELETE FROM T; SELECT 1", "cannot insert multiple commands"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(Refusal(c.commands).find(c.message), std::string::npos) << c.commands << ": " << Refusal(c.commands);
    // The failed statement left no dataset behind.
    std::vector<Cells> rows;
    EXPECT_TRUE(Run("CREATE DATASET [Q] BY SELECT 1 AS x", rows)) << c.commands;
    db_ = PostgresDatabase();
    std::string error;
    ASSERT_TRUE(db_.ConnectReadOnly(uri_, error, database_)) << error;
    executor_ = std::make_unique<PostgresExecutor>(db_.Handle());
  }
  EXPECT_EQ(State(), before);
  EXPECT_EQ(State(), "a=1,b=2,c=- 1:false");
}

TEST_F(PostgresExecutorTest, ReportsTheFailingStatementAndTheServersMessage) {
  CommandExecutor::Failure failure;
  EXPECT_FALSE(executor_->Execute("CREATE DATASET [A] BY SELECT 1 AS x;\r\n\r\nCREATE DATASET [B] BY SELECT y FROM A",
                                  failure));
  EXPECT_EQ(failure.statement, "CREATE DATASET [B] BY SELECT y FROM A");
  EXPECT_EQ(failure.message, "relation \"a\" does not exist");
  EXPECT_EQ(executor_->FinalDataset(), "A");
}

}  // namespace
