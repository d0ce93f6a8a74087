// DemoDbCommand.cpp - "tessel demo-db --db TARGET": creates the demo
// database of "tessel run" (the examples' sales tables and rows) in a
// PostgreSQL database (a connection URI) or a SQLite file (created when
// missing), so that documents can be run there with "tessel run --db".
// Nothing is changed when any of the tables is there already.
#include <iostream>
#include <string>

#include "tools/tessel/DemoDatabase.h"
#include "tools/tessel/PostgresDatabase.h"
#include "tools/tessel/PostgresDemo.h"
#include "tools/tessel/SqliteDatabase.h"
#include "tools/tessel/Tool.h"

namespace {

int RunDemoDb(const ParsedArgs& args) {
  if (!args.Has("--db")) return UsageError("demo-db needs --db (a postgresql:// URI or a SQLite file)");
  const std::string target = args.Get("--db");
  const bool postgres = PostgresDatabase::IsUri(target);
  const std::string shown = postgres ? PostgresDatabase::Shown(target) : target;
  std::string error;
  if (postgres) {
    PostgresDatabase db;
    if (!db.Connect(target, error)) {
      std::cerr << shown << ": cannot connect to the database: " << error << "\n";
      return kExitUsage;
    }
    if (!PostgresDemo::Create(db, error)) {
      std::cerr << shown << ": the demo database was not created: " << error << "\n";
      return kExitFailure;
    }
  } else {
    SqliteDatabase db;
    if (!db.OpenForWriting(target, error)) {
      std::cerr << shown << ": cannot open the database: " << error << "\n";
      return kExitUsage;
    }
    if (!DemoDatabase::Create(db, error)) {
      std::cerr << shown << ": the demo database was not created: " << error << "\n";
      return kExitFailure;
    }
  }
  std::cerr << shown << ": the demo tables and rows were created\n";
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "demo-db",
    .summary = "create the demo sales tables and rows in a database",
    .options = {{.name = "--db",
                 .takesValue = true,
                 .valueName = "URI|FILE",
                 .help = "a PostgreSQL URI postgresql://[user@]host[:port]/dbname, or a SQLite file (created)"}},
    .details = "Creates the tables and rows that tessel run uses without --db, in one transaction.\n"
               "Nothing is changed when the database has one of the tables already.",
    .examples = {"tessel demo-db --db postgresql://me@localhost/sales",
                 "tessel run --db postgresql://me@localhost/sales examples/sales.xml",
                 "tessel demo-db --db sales.sqlite"},
    .run = RunDemoDb,
});

}  // namespace
