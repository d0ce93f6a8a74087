// CommandExecutor.h - what "tessel run" needs of the database engine that
// executes a document's dataset commands: execute the command text, name
// the dataset it ended with, and read a dataset's rows. The walk over the
// statements is the same for every engine and lives here; each engine
// (DatasetExecutor for SQLite, PostgresExecutor for PostgreSQL) supplies how
// a dataset is created and read, so that printing and the end-to-end suite
// do not depend on the engine.
#pragma once

#include <string>

#include "tools/tessel/DatasetCommand.h"
#include "tools/tessel/ResultTable.h"

class CommandExecutor {
 public:
  // A statement that could not be executed: the statement as it stood in
  // the command text and the reason (the engine's message where the engine
  // refused it).
  struct Failure {
    std::string statement;
    std::string message;
  };

  virtual ~CommandExecutor() = default;

  // Executes every statement of `commands` in order: each must be one of
  // the dataset command forms (DatasetCommand), and one that is not is
  // refused before the engine sees any of it. An unnamed combination gets
  // the name "result 1", "result 2", ... False with `failure` set at the
  // first statement that fails; the datasets created before it remain.
  bool Execute(const std::string& commands, Failure& failure);

  // The dataset the last executed statement created (the document's
  // result); empty before any.
  const std::string& FinalDataset() const { return m_final; }

  // The rows of `dataset` in the order they were stored.
  virtual bool Read(const std::string& dataset, ResultTable& table, std::string& error) const = 0;

 protected:
  // False with a message when `name` is already a table or view of the
  // database, which a dataset of that name would hide.
  virtual bool CheckNameIsFree(const std::string& name, std::string& error) const = 0;
  // Creates dataset `target` from `command` ("BY <select>" or a UMI list).
  virtual bool CreateDataset(const DatasetCommand& command, const std::string& target, std::string& error) = 0;

 private:
  bool ExecuteStatement(const std::string& statement, std::string& error);

  std::string m_final;
  int m_unnamed = 0;
};
