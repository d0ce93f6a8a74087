// DatasetExecutor.h - executes a document's command text on SQLite, the way
// the suite's dataset engine would, so that a query document can be held to
// the rows a real database returns.
//
// Every dataset is a temporary table of the connection: "BY <select>"
// becomes CREATE TEMP TABLE ... AS <select>, and a UMI list is created with
// its columns and filled by one compound SELECT over the member datasets.
// Tables (rather than views) keep each dataset's rows as they were when it
// was created and in the order its query gave them, and they never write
// to the database the queries read, which may be opened read-only.
//
// A merge (every member joined with MERGE) names its columns Column1,
// Column2, ... by position, as the aggregate command that follows it
// addresses them; any other combination keeps the first member's names. A
// dataset may not take the name of a table or view of the database, which
// it would hide from every later statement.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "tools/tessel/CommandExecutor.h"
#include "tools/tessel/DatasetCommand.h"
#include "tools/tessel/ResultTable.h"

class DatasetExecutor : public CommandExecutor {
 public:
  explicit DatasetExecutor(sqlite3* db) : m_db(db) {}

  // The rows of `dataset` in the order they were stored.
  bool Read(const std::string& dataset, ResultTable& table, std::string& error) const override;

 protected:
  // False with a message when `name` is already a table or view of a
  // database other than the temporary one.
  bool CheckNameIsFree(const std::string& name, std::string& error) const override;
  bool CreateDataset(const DatasetCommand& command, const std::string& target, std::string& error) override;

 private:
  bool CreateFromSelect(const DatasetCommand& command, std::string& error);
  bool CreateFromMembers(const DatasetCommand& command, const std::string& target, std::string& error);
  // The column names of dataset `name`; false when there is no such dataset.
  bool DatasetColumns(const std::string& name, std::vector<std::string>& columns, std::string& error) const;
  // Prepares and steps exactly one statement; a text holding more than
  // one is refused before anything of it runs.
  bool Run(const std::string& sql, std::string& error) const;

  sqlite3* m_db;
};
