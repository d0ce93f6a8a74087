// PostgresExecutor.h - executes a document's command text on PostgreSQL,
// with the same dataset semantics as the SQLite executor (DatasetExecutor).
//
// Every dataset is a temporary table of the session. The statement's query
// is first described (prepared, not run) to learn its columns and their
// types; the table is then created with them and filled by
// INSERT INTO ... <query> inside a transaction that has been made read-only
// after the CREATE, so the query itself can write nothing but that
// temporary table. A UMI list is filled the same way from one compound
// query over its members, each set operation applied to everything before
// it (PostgreSQL would otherwise bind INTERSECT tighter). INTERSET is
// INTERSECT, MINUS is EXCEPT, a merge keeps every row in order (UNION ALL)
// and names its columns by position as an unquoted Column1, Column2, ...
// is stored (column1, column2, ...), so that the commands addressing them
// find them.
//
// Bracketed names in the query ([Order Lines]) become quoted identifiers;
// literals and comments are left as they are. Repeated column names get
// ":1", ":2", ... as SQLite gives them. A dataset may not take the name of
// a table or view of the database (compared ignoring case), which it would
// hide from every later statement.
#pragma once

#include <libpq-fe.h>

#include <string>
#include <vector>

#include "tools/tessel/CommandExecutor.h"
#include "tools/tessel/DatasetCommand.h"

class PostgresExecutor : public CommandExecutor {
 public:
  // `conn` is an open session; best opened with
  // PostgresDatabase::ConnectReadOnly.
  explicit PostgresExecutor(PGconn* conn) : m_conn(conn) {}

  // The rows in the order they were inserted; numbers (integer, floating
  // point and numeric types) are marked as such.
  bool Read(const std::string& dataset, ResultTable& table, std::string& error) const override;

 protected:
  // Compared ignoring case with the database's tables and views.
  bool CheckNameIsFree(const std::string& name, std::string& error) const override;
  bool CreateDataset(const DatasetCommand& command, const std::string& target, std::string& error) override;

 private:
  struct Column {
    std::string name;
    std::string type;  // as format_type gives it
  };

  // The query that fills the dataset of a UMI list.
  static std::string CombinedQuery(const DatasetCommand& command);
  // Creates temporary table `target` with the columns of `query` and fills
  // it with the query's rows; all or nothing.
  bool CreateAndFill(const std::string& target, const std::string& query, bool positionalNames, std::string& error);
  // The columns of `query`, which is prepared but not executed. False when
  // the server refuses it or it returns no rows.
  bool Describe(const std::string& query, std::vector<Column>& columns, std::string& error) const;
  // Executes one command of the tool's own; false with the server's message.
  bool Command(const std::string& sql, std::string& error) const;

  PGconn* m_conn;
};
