// DemoDatabase.cpp - builds the demo database from the embedded scripts.
#include "tools/tessel/DemoDatabase.h"

bool DemoDatabase::Open(SqliteDatabase& db, std::string& error) {
  return db.OpenMemory(error) && ApplyInTransaction(db, Scripts(), error);
}

bool DemoDatabase::Create(SqliteDatabase& db, std::string& error) { return ApplyInTransaction(db, Scripts(), error); }
