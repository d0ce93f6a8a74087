// SqliteDatabase.h - an owned SQLite connection for "tessel run": opened
// in memory (for the demo database) or on a database file, read-only.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

class SqliteDatabase {
 public:
  // A private in-memory database. False with `error` set on failure.
  bool OpenMemory(std::string& error);
  // `path` opened read-only: what a document runs creates only temporary
  // tables, and the user's file is never changed. A missing file is an
  // error, not a new empty database.
  bool OpenReadOnly(const std::string& path, std::string& error);
  // `path` opened for writing, created when missing.
  bool OpenForWriting(const std::string& path, std::string& error);
  // Runs a script of statements; false with SQLite's message in `error`.
  bool ExecuteScript(const char* script, std::string& error);

  sqlite3* Handle() const { return m_db.get(); }

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
  };
  bool Open(const std::string& name, int flags, std::string& error);

  std::unique_ptr<sqlite3, Closer> m_db;
};
