// DatasetFuzzer.cpp - the tool's command cutter and dataset executor on an
// in-memory SQLite database holding the demo schema and rows.
//
// Properties: every statement that is none of the dataset command forms is
// refused before SQLite sees any of it; SQLite never runs anything but what
// the executor writes itself (temporary tables, their rows and reads); and
// nothing is ever written to the database's own tables.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "tools/tessel/CommandText.h"
#include "tools/tessel/DatasetCommand.h"
#include "tools/tessel/DatasetExecutor.h"
#include "tools/tessel/DemoDatabase.h"
#include "tools/tessel/SqliteDatabase.h"

namespace {

struct Watch {
  size_t statements = 0;
  std::string lastSql;
};

int Trace(unsigned, void* context, void* statement, void*) {
  auto* watch = static_cast<Watch*>(context);
  ++watch->statements;
  const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
  watch->lastSql = sql ? sql : "";
  const bool ours = watch->lastSql.rfind("CREATE TEMP TABLE ", 0) == 0 || watch->lastSql.rfind("INSERT INTO temp.", 0) == 0 ||
                    watch->lastSql.rfind("SELECT ", 0) == 0 || watch->lastSql.rfind("PRAGMA ", 0) == 0 ||
                    watch->lastSql.rfind("INSERT INTO ", 0) == 0;
  fuzz::Check(ours, "SQLite runs only statements the executor writes", watch->lastSql);
  return 0;
}

// Writes are allowed to the temporary database only.
int Authorize(void*, int action, const char* a, const char*, const char* database, const char*) {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_PRAGMA:
      return SQLITE_OK;
    case SQLITE_CREATE_TEMP_TABLE:
      return SQLITE_OK;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
      fuzz::Check(database != nullptr && std::string(database) == "temp",
                  "nothing is written to the database's own tables", a ? a : "");
      return SQLITE_OK;
    default:
      fuzz::Fail("the executor asks SQLite for nothing but temporary tables and reads", std::to_string(action));
  }
}

sqlite3* DemoDatabaseHandle() {
  static SqliteDatabase database;
  static bool ready = false;
  if (!ready) {
    std::string error;
    if (!DemoDatabase::Open(database, error)) fuzz::Fail("the demo database loads", error);
    ready = true;
  }
  return database.Handle();
}

// The next input starts from the demo database alone: whatever temporary
// table the rollback did not take away is dropped.
void DropTemporaryTables(sqlite3* db) {
  std::vector<std::string> names;
  sqlite3_stmt* list = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_temp_master WHERE type = 'table'", -1, &list, nullptr) == SQLITE_OK) {
    while (sqlite3_step(list) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
  }
  sqlite3_finalize(list);
  for (const std::string& name : names) {
    std::string quoted = "\"";
    for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    sqlite3_exec(db, ("DROP TABLE temp." + quoted + "\"").c_str(), nullptr, nullptr, nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string commands(reinterpret_cast<const char*>(data), size);
  sqlite3* db = DemoDatabaseHandle();
  sqlite3_exec(db, "SAVEPOINT fuzz", nullptr, nullptr, nullptr);
  Watch watch;
  sqlite3_set_authorizer(db, Authorize, nullptr);
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, Trace, &watch);
  DatasetExecutor executor(db);
  for (const std::string& statement : CommandText::SplitStatements(commands)) {
    // Each statement is executed on its own, so that what reaches SQLite
    // can be laid at its door; that needs it to be one statement alone.
    const std::vector<std::string> alone = CommandText::SplitStatements(statement);
    if (alone.size() != 1 || alone.front() != statement) continue;
    DatasetCommand command;
    std::string error;
    const bool form = command.Parse(CommandText::StripDataSourceQualifiers(statement), error);
    const size_t before = watch.statements;
    DatasetExecutor::Failure failure;
    const bool ran = executor.Execute(statement, failure);
    if (!form) {
      fuzz::Check(!ran && watch.statements == before, "a statement of no dataset command form is refused before it runs",
                  statement);
    }
    if (!ran) break;
  }
  sqlite3_trace_v2(db, 0, nullptr, nullptr);
  sqlite3_set_authorizer(db, nullptr, nullptr);
  sqlite3_exec(db, "ROLLBACK TO fuzz; RELEASE fuzz", nullptr, nullptr, nullptr);
  DropTemporaryTables(db);
  return 0;
}
