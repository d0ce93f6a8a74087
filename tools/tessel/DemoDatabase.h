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
};
