// E2eFixture.h - runs a query document in-process as "tessel run" does
// (document commands written for the engine, then the engine's dataset
// executor) and runs hand-written SQL on an untouched demo database of the
// same engine, so that a test can compare the two row sets.
//
// The engine is a parameter of every test: SQLite (a fresh in-memory demo
// database per run) and PostgreSQL (a new read-only session per run on the
// demo database of the server TESSEL_PG_URI names). Without that variable
// the PostgreSQL cases are skipped. The engines differ (LIKE is
// case-sensitive on PostgreSQL, numbers and dates print differently), so
// each engine is held to SQL run on itself; ForEngine picks hand-written
// SQL where the two dialects part.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "E2ePostgres.h"
#include "contracts/basis30/Messages.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "tools/tessel/DatasetExecutor.h"
#include "tools/tessel/DemoDatabase.h"
#include "tools/tessel/DocumentCommands.h"
#include "tools/tessel/PostgresExecutor.h"

namespace e2e {

using Settings = std::vector<DocumentCommands::Setting>;

enum class Engine { kSqlite, kPostgres };

inline const char* EngineName(Engine engine) { return engine == Engine::kSqlite ? "Sqlite" : "Postgres"; }

inline void PrintTo(Engine engine, std::ostream* out) { *out << EngineName(engine); }

inline auto Engines() { return ::testing::Values(Engine::kSqlite, Engine::kPostgres); }

// Test names "<Engine>_<case name>" for suites over (engine, case).
inline auto EngineAndCaseNames() {
  return [](const auto& info) {
    return std::string(EngineName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
  };
}

inline auto EngineNames() {
  return [](const ::testing::TestParamInfo<Engine>& info) { return std::string(EngineName(info.param)); };
}

inline Rows Sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The text of examples/`name`.
inline std::string Example(const std::string& name) {
  const char* dir = std::getenv("TESSEL_SOURCE_DIR");
  std::ifstream in(std::string(dir ? dir : TESSEL_SOURCE_DIR_DEFAULT) + "/examples/" + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class E2eBase : public ::testing::Test {
 protected:
  // Selects the engine of this test; skips the test when the engine is
  // PostgreSQL and no server is named, fails it when the server's demo
  // database cannot be made. Called from SetUp.
  void Start(Engine engine) {
    engine_ = engine;
    if (engine_ == Engine::kSqlite) {
      if (!pristine_) {
        pristine_ = std::make_unique<SqliteDatabase>();
        std::string error;
        if (!DemoDatabase::Open(*pristine_, error)) FAIL() << "demo database: " << error;
      }
      return;
    }
    std::string why;
    bool failed = false;
    server_ = PostgresDemoServer::Get(why, failed);
    if (failed) FAIL() << why;
    if (server_ == nullptr) GTEST_SKIP() << why;
  }

  static void TearDownTestSuite() { pristine_.reset(); }

  Engine engine() const { return engine_; }
  DSTYPE DataSourceType() const { return engine_ == Engine::kSqlite ? DSTYPE_SQLITE : DSTYPE_POSTGRESQL; }

  // `sqlite` on SQLite, `postgres` on PostgreSQL.
  std::string ForEngine(const std::string& sqlite, const std::string& postgres) const {
    return engine_ == Engine::kSqlite ? sqlite : postgres;
  }

  // Runs `xml` with `settings` on a fresh session of the demo database
  // into `rows`.
  ::testing::AssertionResult Run(const std::string& xml, Rows& rows, const Settings& settings = {}) {
    rows.clear();
    columns_.clear();
    IXMLDOMDocumentPtr document;
    if (!document.loadXML(xml.c_str())) {
      return ::testing::AssertionFailure() << "bad document: " << document.parseError().reason.GetString();
    }
    if (engine_ == Engine::kPostgres) DeclarePostgres(document);
    CString commands;
    std::string unknown;
    const HRESULT hr = DocumentCommands::Build(document, settings, commands, unknown, DataSourceType());
    commands_ = commands.GetString();
    if (hr != S_OK) {
      return ::testing::AssertionFailure() << "document commands failed: 0x" << std::hex << hr << " "
                                           << GetLastErrorInfo().message.GetString() << " " << unknown;
    }
    std::string error;
    std::unique_ptr<CommandExecutor> executor;
    if (engine_ == Engine::kSqlite) {
      if (!DemoDatabase::Open(db_, error)) return ::testing::AssertionFailure() << "demo database: " << error;
      executor = std::make_unique<DatasetExecutor>(db_.Handle());
    } else {
      if (!pg_.ConnectReadOnly(server_->Uri(), error, server_->Database())) {
        return ::testing::AssertionFailure() << "PostgreSQL: " << error;
      }
      executor = std::make_unique<PostgresExecutor>(pg_.Handle());
    }
    CommandExecutor::Failure failure;
    if (!executor->Execute(commands_, failure)) {
      return ::testing::AssertionFailure() << failure.message << " in\n" << failure.statement;
    }
    ResultTable table;
    if (!executor->Read(executor->FinalDataset(), table, error)) return ::testing::AssertionFailure() << error;
    columns_ = table.columns;
    for (const auto& cells : table.rows) {
      Row& row = rows.emplace_back();
      for (const ResultCell& cell : cells) row.push_back(cell.null ? std::nullopt : std::optional(cell.text));
    }
    return ::testing::AssertionSuccess();
  }

  // Every data source the document declares becomes a PostgreSQL one, as a
  // document written for the server declares it: the queries' own dates
  // and conditions are then composed for PostgreSQL too.
  static void DeclarePostgres(const IXMLDOMDocumentPtr& document) {
    const IXMLDOMNodeListPtr sources = IXMLDOMNodePtr(document.documentElement()).selectNodes("//Datasource");
    for (long i = 0; i < sources.length(); ++i) {
      IXMLDOMElementPtr(sources.item(i)).setAttribute("DBType", "PostgreSQL");
    }
  }

  // The rows of hand-written `sql` on the untouched demo database.
  Rows Expected(const std::string& sql) const {
    if (engine_ == Engine::kSqlite) return Select(pristine_->Handle(), sql);
    Rows rows;
    std::string error;
    if (!PgSelect(server_->Reader(), sql, rows, error)) ADD_FAILURE() << error;
    return rows;
  }

  // Every table of the demo database is still there with all its rows
  // after the last Run (on PostgreSQL with the same contents, too).
  ::testing::AssertionResult TablesIntact() const {
    if (engine_ == Engine::kPostgres) {
      Rows now;
      std::string error;
      if (!server_->Census(now, error)) return ::testing::AssertionFailure() << error;
      if (now != server_->Loaded()) return ::testing::AssertionFailure() << "the tables of the database changed";
      return ::testing::AssertionSuccess();
    }
    const std::string census =
        "SELECT name, (SELECT count(*) FROM pragma_table_info(name)) FROM main.sqlite_master "
        "WHERE type = 'table' ORDER BY name";
    const Rows before = Select(pristine_->Handle(), census);
    const Rows after = Select(db_.Handle(), census);
    if (before != after) return ::testing::AssertionFailure() << "the tables of the database changed";
    for (const Row& table : before) {
      const std::string count = "SELECT count(*) FROM main.\"" + *table[0] + "\"";
      if (Select(pristine_->Handle(), count) != Select(db_.Handle(), count)) {
        return ::testing::AssertionFailure() << "the rows of " << *table[0] << " changed";
      }
    }
    return ::testing::AssertionSuccess();
  }

  static Rows Select(sqlite3* db, const std::string& sql) {
    Rows rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
      return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
      Row& row = rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = sqlite3_column_text(statement, i);
        row.push_back(text ? std::optional<std::string>(reinterpret_cast<const char*>(text)) : std::nullopt);
      }
    }
    sqlite3_finalize(statement);
    return rows;
  }

  Engine engine_ = Engine::kSqlite;
  SqliteDatabase db_;    // the SQLite database of the last Run
  PostgresDatabase pg_;  // the PostgreSQL session of the last Run
  const PostgresDemoServer* server_ = nullptr;
  std::string commands_;              // the executed command text, for failure messages
  std::vector<std::string> columns_;  // the final dataset's column names
  static inline std::unique_ptr<SqliteDatabase> pristine_;
};

// Tests of whole documents, once per engine:
//   TEST_P(E2eTest, Name) { ... }   (instantiated once, in E2eEngines.cpp)
class E2eTest : public E2eBase, public ::testing::WithParamInterface<Engine> {
 protected:
  void SetUp() override { Start(GetParam()); }
};

// Tests over a table of cases, each case once per engine: instantiate with
// ::testing::Combine(Engines(), ::testing::ValuesIn(kCases)), and read the
// case with Case().
template <typename CaseType>
class E2eCaseTest : public E2eBase, public ::testing::WithParamInterface<std::tuple<Engine, CaseType>> {
 protected:
  void SetUp() override { Start(std::get<0>(this->GetParam())); }
  static const CaseType& Case() { return std::get<1>(E2eCaseTest::GetParam()); }
};

}  // namespace e2e
