// DemoDatabase.cpp - builds the demo database from the embedded scripts.
#include "tools/tessel/DemoDatabase.h"

bool DemoDatabase::Open(SqliteDatabase& db, std::string& error) {
  if (!db.OpenMemory(error)) return false;
  for (const Script& script : Scripts()) {
    if (!db.ExecuteScript(script.text, error)) {
      error = std::string(script.name) + ": " + error;
      return false;
    }
  }
  return true;
}

bool DemoDatabase::Create(SqliteDatabase& db, std::string& error) {
  if (!db.ExecuteScript("BEGIN", error)) return false;
  for (const Script& script : Scripts()) {
    if (!db.ExecuteScript(script.text, error)) {
      error = std::string(script.name) + ": " + error;
      std::string ignored;
      db.ExecuteScript("ROLLBACK", ignored);
      return false;
    }
  }
  return db.ExecuteScript("COMMIT", error);
}
