// PostgresDemo.h - the demo database of "tessel run" on PostgreSQL: the
// examples' sales schema and rows created in a database the user names
// ("tessel demo-db --db postgresql://..."), so that documents can be run
// on PostgreSQL against the same rows as on the built-in SQLite copy.
#pragma once

#include <string>

#include "tools/tessel/PostgresDatabase.h"

class PostgresDemo {
 public:
  // Creates the demo tables and rows in `db`, all in one transaction.
  // Refused, with nothing changed, when any of the tables is there already
  // (looked up as unqualified names are). False with the failing script's
  // name and the server's message in `error`.
  static bool Create(const PostgresDatabase& db, std::string& error);

 private:
  // False with a message naming the first demo table the database has.
  static bool CheckTablesAbsent(const PostgresDatabase& db, std::string& error);
};
