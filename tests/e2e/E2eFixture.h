// E2eFixture.h - runs a query document in-process as "tessel run" does
// (document commands, then the dataset executor on a fresh demo database)
// and runs hand-written SQL on an untouched copy of the demo database, so
// that a test can compare the two row sets.
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
#include <vector>

#include "contracts/basis30/Messages.h"
#include "tools/tessel/DatasetExecutor.h"
#include "tools/tessel/DemoDatabase.h"
#include "tools/tessel/DocumentCommands.h"

namespace e2e {

using Row = std::vector<std::optional<std::string>>;  // nullopt for NULL
using Rows = std::vector<Row>;
using Settings = std::vector<DocumentCommands::Setting>;

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

class E2eTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pristine_ = std::make_unique<SqliteDatabase>();
    std::string error;
    if (!DemoDatabase::Open(*pristine_, error)) FAIL() << "demo database: " << error;
  }
  static void TearDownTestSuite() { pristine_.reset(); }

  // Runs `xml` with `settings` on a fresh demo database into `rows`.
  ::testing::AssertionResult Run(const std::string& xml, Rows& rows, const Settings& settings = {}) {
    rows.clear();
    columns_.clear();
    std::string error;
    if (!DemoDatabase::Open(db_, error)) return ::testing::AssertionFailure() << "demo database: " << error;
    IXMLDOMDocumentPtr document;
    if (!document.loadXML(xml.c_str())) {
      return ::testing::AssertionFailure() << "bad document: " << document.parseError().reason.GetString();
    }
    CString commands;
    std::string unknown;
    const HRESULT hr = DocumentCommands::Build(document, settings, commands, unknown);
    commands_ = commands.GetString();
    if (hr != S_OK) {
      return ::testing::AssertionFailure() << "document commands failed: 0x" << std::hex << hr << " "
                                           << GetLastErrorInfo().message.GetString() << " " << unknown;
    }
    DatasetExecutor executor(db_.Handle());
    DatasetExecutor::Failure failure;
    if (!executor.Execute(commands_, failure)) {
      return ::testing::AssertionFailure() << failure.message << " in\n" << failure.statement;
    }
    ResultTable table;
    if (!executor.Read(executor.FinalDataset(), table, error)) return ::testing::AssertionFailure() << error;
    columns_ = table.columns;
    for (const auto& cells : table.rows) {
      Row& row = rows.emplace_back();
      for (const ResultCell& cell : cells) row.push_back(cell.null ? std::nullopt : std::optional(cell.text));
    }
    return ::testing::AssertionSuccess();
  }

  // The rows of hand-written `sql` on the untouched demo database.
  static Rows Expected(const std::string& sql) { return Select(pristine_->Handle(), sql); }

  // Every table of the demo database is still there with all its rows
  // after the last Run.
  ::testing::AssertionResult TablesIntact() {
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

  SqliteDatabase db_;                 // the database of the last Run
  std::string commands_;              // the executed command text, for failure messages
  std::vector<std::string> columns_;  // the final dataset's column names
  static inline std::unique_ptr<SqliteDatabase> pristine_;
};

}  // namespace e2e
