// PostgresDemo.cpp - creating the demo tables and rows on PostgreSQL.
#include "tools/tessel/PostgresDemo.h"

#include <memory>

#include "tools/tessel/DemoDatabase.h"

namespace {

struct ResultClear {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClear>;

const char* const kTables[] = {"customers", "products", "orders", "orderlines", "archivedrevenue"};

}  // namespace

bool PostgresDemo::CheckTablesAbsent(const PostgresDatabase& db, std::string& error) {
  for (const char* table : kTables) {
    const char* values[] = {table};
    const Result found(PQexecParams(db.Handle(), "SELECT pg_catalog.to_regclass($1) IS NOT NULL", 1, nullptr, values,
                                    nullptr, nullptr, 0));
    if (!found || PQresultStatus(found.get()) != PGRES_TUPLES_OK) {
      error = PostgresDatabase::ErrorOf(found.get(), db.Handle());
      return false;
    }
    if (std::string(PQgetvalue(found.get(), 0, 0)) == "t") {
      error = std::string("the database already has a table named ") + table;
      return false;
    }
  }
  return true;
}

bool PostgresDemo::Create(const PostgresDatabase& db, std::string& error) {
  if (!db.Handle()) {
    error = "no database is open";
    return false;
  }
  if (!CheckTablesAbsent(db, error)) return false;
  return DemoDatabase::ApplyInTransaction(db, DemoDatabase::PostgresScripts(), error);
}
