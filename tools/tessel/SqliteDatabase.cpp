// SqliteDatabase.cpp - opening SQLite connections and running scripts.
#include "tools/tessel/SqliteDatabase.h"

bool SqliteDatabase::Open(const std::string& name, int flags, std::string& error) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
  m_db.reset(db);  // also a failed open hands back a handle to close
  if (rc == SQLITE_OK) return true;
  error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  m_db.reset();
  return false;
}

bool SqliteDatabase::OpenMemory(std::string& error) {
  return Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
}

bool SqliteDatabase::OpenForWriting(const std::string& path, std::string& error) {
  if (!Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error)) return false;
  // As for reading: a file that is no database fails only when read.
  return ExecuteScript("SELECT count(*) FROM sqlite_schema", error);
}

bool SqliteDatabase::OpenReadOnly(const std::string& path, std::string& error) {
  if (!Open(path, SQLITE_OPEN_READONLY, error)) return false;
  // SQLite opens lazily: a file that is no database fails only when read.
  return ExecuteScript("SELECT count(*) FROM sqlite_schema", error);
}

bool SqliteDatabase::ExecuteScript(const char* script, std::string& error) {
  if (!m_db) {
    error = "no database is open";
    return false;
  }
  char* message = nullptr;
  if (sqlite3_exec(m_db.get(), script, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message != nullptr ? message : sqlite3_errmsg(m_db.get());
  sqlite3_free(message);
  return false;
}
