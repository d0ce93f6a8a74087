// PostgresDatabase.h - an owned libpq connection for "tessel run" and
// "tessel demo-db", opened from a connection URI such as
// postgresql://user@host:5432/dbname (a Unix socket folder as the host is
// written percent-encoded: postgresql://user@%2Ftmp%2Fpg/dbname).
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <string>

class PostgresDatabase {
 public:
  // True when `target` is a PostgreSQL connection URI: it starts with
  // "postgresql://" or "postgres://".
  static bool IsUri(const std::string& target);

  // Connects to `uri`; a non-empty `database` takes the place of the URI's
  // database name. Messages of the server (notices) are not printed. False
  // with libpq's message in `error`.
  bool Connect(const std::string& uri, std::string& error, const std::string& database = "");

  // Connects as Connect does and makes every transaction of the session
  // read-only unless it asks for READ WRITE, so that only statements built
  // by the tool itself can write (and those only temporary tables).
  bool ConnectReadOnly(const std::string& uri, std::string& error, const std::string& database = "");

  // Runs `script` (one or more statements) as one simple query; false with
  // the server's message in `error`.
  bool ExecuteScript(const std::string& script, std::string& error) const;

  // `uri` for a message: a password in it is written as ***.
  static std::string Shown(const std::string& uri);

  PGconn* Handle() const { return m_conn.get(); }

  // The primary message of a failed result (or of the connection when
  // there is no result), without the "ERROR:" prefix and the position.
  static std::string ErrorOf(const PGresult* result, const PGconn* conn);

 private:
  struct Closer {
    void operator()(PGconn* conn) const { PQfinish(conn); }
  };
  std::unique_ptr<PGconn, Closer> m_conn;
};
