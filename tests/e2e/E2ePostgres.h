// E2ePostgres.h - the PostgreSQL side of the end-to-end suite: a demo
// database of its own on the server that TESSEL_PG_URI names (a libpq
// connection URI; scripts/test.sh starts a throwaway cluster and sets it),
// created once per test program and dropped when the program ends.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/tessel/CommandText.h"
#include "tools/tessel/PostgresDatabase.h"
#include "tools/tessel/PostgresDemo.h"

namespace e2e {

using Row = std::vector<std::optional<std::string>>;  // nullopt for NULL
using Rows = std::vector<Row>;

// The rows of `sql` on `conn` as texts; false with the server's message.
inline bool PgSelect(PGconn* conn, const std::string& sql, Rows& rows, std::string& error) {
  rows.clear();
  PGresult* result = PQexec(conn, sql.c_str());
  if (PQresultStatus(result) != PGRES_TUPLES_OK) {
    error = PostgresDatabase::ErrorOf(result, conn) + " in " + sql;
    PQclear(result);
    return false;
  }
  for (int r = 0; r < PQntuples(result); ++r) {
    Row& row = rows.emplace_back();
    for (int c = 0; c < PQnfields(result); ++c) {
      row.push_back(PQgetisnull(result, r, c) ? std::nullopt : std::optional<std::string>(PQgetvalue(result, r, c)));
    }
  }
  PQclear(result);
  return true;
}

class PostgresDemoServer {
 public:
  // The server's demo database, created on first use; nullptr with the
  // reason in `why` when TESSEL_PG_URI is not set (`failed` false) or the
  // database could not be made (`failed` true).
  static PostgresDemoServer* Get(std::string& why, bool& failed) {
    static std::string error;
    static bool broken = false;
    static std::unique_ptr<PostgresDemoServer> server = Start(error, broken);
    why = error;
    failed = broken;
    return server.get();
  }

  const std::string& Uri() const { return uri_; }
  const std::string& Database() const { return database_; }
  // A session on the demo database that nothing but this suite uses to
  // read the rows of hand-written SQL.
  PGconn* Reader() const { return reader_.Handle(); }

  // Each table of the demo database with its column count, row count and a
  // digest of its rows.
  bool Census(Rows& census, std::string& error) const {
    Rows tables;
    if (!PgSelect(Reader(),
                  "SELECT c.relname, (SELECT count(*) FROM pg_attribute a WHERE a.attrelid = c.oid AND a.attnum > 0 "
                  "AND NOT a.attisdropped) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                  "WHERE n.nspname = 'public' AND c.relkind = 'r' ORDER BY 1",
                  tables, error)) {
      return false;
    }
    census.clear();
    for (const Row& table : tables) {
      Rows digest;
      const std::string quoted = CommandText::QuotedIdentifier(*table[0]);
      if (!PgSelect(Reader(),
                    "SELECT count(*), md5(coalesce(string_agg(t::text, E'\\n' ORDER BY t::text), '')) FROM public." +
                        quoted + " t",
                    digest, error)) {
        return false;
      }
      census.push_back({table[0], table[1], digest[0][0], digest[0][1]});
    }
    return true;
  }

  // The census taken right after the demo rows were loaded.
  const Rows& Loaded() const { return loaded_; }

 private:
  static std::unique_ptr<PostgresDemoServer> Start(std::string& error, bool& failed) {
    const char* uri = std::getenv("TESSEL_PG_URI");
    if (uri == nullptr || *uri == '\0') {
      error = "TESSEL_PG_URI is not set: no PostgreSQL server to run on (scripts/test.sh starts one)";
      return nullptr;
    }
    failed = true;
    auto server = std::unique_ptr<PostgresDemoServer>(new PostgresDemoServer(uri));
    PostgresDatabase admin;
    if (!admin.Connect(server->uri_, error) ||
        !admin.ExecuteScript("DROP DATABASE IF EXISTS " + server->database_, error) ||
        !admin.ExecuteScript("CREATE DATABASE " + server->database_ + " TEMPLATE template0 ENCODING 'UTF8'", error)) {
      error = "cannot create the demo database on " + PostgresDatabase::Shown(server->uri_) + ": " + error;
      return nullptr;
    }
    // The name is kept before the exit handler is registered, so that it
    // outlives the handler's run.
    Created() = server->uri_ + "\n" + server->database_;
    std::atexit(&Drop);
    PostgresDatabase loader;
    if (!loader.Connect(server->uri_, error, server->database_) || !PostgresDemo::Create(loader, error) ||
        !server->reader_.ConnectReadOnly(server->uri_, error, server->database_) ||
        !server->Census(server->loaded_, error)) {
      error = "cannot load the demo database: " + error;
      return nullptr;
    }
    failed = false;
    return server;
  }

  // Set once the database exists: "uri\nname", for Drop.
  static std::string& Created() {
    static std::string created;
    return created;
  }

  static void Drop() {
    const std::string& created = Created();
    const size_t cut = created.find('\n');
    if (cut == std::string::npos) return;
    PostgresDatabase admin;
    std::string error;
    if (admin.Connect(created.substr(0, cut), error)) {
      admin.ExecuteScript("DROP DATABASE IF EXISTS " + created.substr(cut + 1) + " WITH (FORCE)", error);
    }
  }

  explicit PostgresDemoServer(std::string uri)
      : uri_(std::move(uri)), database_("tessel_e2e_" + std::to_string(::getpid())) {}

  std::string uri_;
  std::string database_;
  PostgresDatabase reader_;
  Rows loaded_;
};

}  // namespace e2e
