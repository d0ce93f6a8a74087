// CommandExecutor.h - what "tessel run" needs of the database engine that
// executes a document's dataset commands: execute the command text, name
// the dataset it ended with, and read a dataset's rows. One implementation
// per engine (DatasetExecutor for SQLite, PostgresExecutor for PostgreSQL),
// so that printing and the end-to-end suite do not depend on the engine.
#pragma once

#include <string>

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

  // Executes every statement of `commands` in order. False with `failure`
  // set at the first statement that fails; the datasets created before it
  // remain.
  virtual bool Execute(const std::string& commands, Failure& failure) = 0;

  // The dataset the last executed statement created (the document's
  // result); empty before any.
  virtual const std::string& FinalDataset() const = 0;

  // The rows of `dataset` in the order they were stored.
  virtual bool Read(const std::string& dataset, ResultTable& table, std::string& error) const = 0;
};
