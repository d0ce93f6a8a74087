// DemoDatabase.h - the demo database of "tessel run": the examples' sales
// schema and rows, built in memory from SQL scripts that are compiled into
// the tool, so that it works from any directory and once installed.
#pragma once

#include <span>
#include <string>

#include "tools/tessel/SqliteDatabase.h"

class DemoDatabase {
 public:
  struct Script {
    const char* name;  // the file it was embedded from, for messages
    const char* text;
  };

  // The embedded scripts in the order they are applied (schema first).
  // Defined in a source file generated at build time from examples/*.sql.
  static std::span<const Script> Scripts();
  // The scripts that build the same database on PostgreSQL (see
  // PostgresDemo), in order; generated from examples/*.sql likewise.
  static std::span<const Script> PostgresScripts();

  // Opens `db` in memory and applies every script. False with the failing
  // script's name and SQLite's message in `error`.
  static bool Open(SqliteDatabase& db, std::string& error);

  // Applies every script to the open database `db` in one transaction:
  // all of it or, with the failing script's name and SQLite's message in
  // `error`, nothing (a database that has one of the tables already).
  static bool Create(SqliteDatabase& db, std::string& error);

  // Applies `scripts` in order to `db`, any open connection with
  // ExecuteScript(const char*, std::string&) (SQLite or PostgreSQL), in one
  // transaction: all of them or, with the failing script's name and the
  // engine's message in `error`, none.
  template <class Db>
  static bool ApplyInTransaction(Db& db, std::span<const Script> scripts, std::string& error) {
    if (!db.ExecuteScript("BEGIN", error)) return false;
    for (const Script& script : scripts) {
      if (!db.ExecuteScript(script.text, error)) {
        error = std::string(script.name) + ": " + error;
        std::string ignored;
        db.ExecuteScript("ROLLBACK", ignored);
        return false;
      }
    }
    return db.ExecuteScript("COMMIT", error);
  }
};
