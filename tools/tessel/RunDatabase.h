// RunDatabase.h - the database "tessel run" executes a document on, chosen
// by the --db value: a PostgreSQL connection URI (postgresql://... or
// postgres://...), a SQLite database file, or, without --db, the demo
// database built in memory. Owns the connection and the executor of the
// dataset commands for that engine.
#pragma once

#include <memory>
#include <string>

#include "contracts/basis30/Basis30Types.h"
#include "tools/tessel/CommandExecutor.h"
#include "tools/tessel/PostgresDatabase.h"
#include "tools/tessel/SqliteDatabase.h"

class RunDatabase {
 public:
  // The data-source type whose literals the database named by `target`
  // reads: PostgreSQL for a connection URI, else SQLite.
  static DSTYPE TypeOf(const std::string& target);

  // Opens the database: `given` false means the demo database; a URI is
  // connected to with a session that is read-only apart from temporary
  // tables; a file is opened read-only. Returns -1 when it is open, else
  // the exit code, with the reason printed on standard error (2 for a
  // database that cannot be opened, 1 when the demo database cannot be
  // built).
  int Open(const std::string& target, bool given);

  // The executor of the open database; only after a successful Open.
  CommandExecutor& Executor() const { return *m_executor; }

 private:
  SqliteDatabase m_sqlite;
  PostgresDatabase m_postgres;
  std::unique_ptr<CommandExecutor> m_executor;
};
