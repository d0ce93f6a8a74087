// CommandExecutor.cpp - the walk over a command text's statements, shared
// by the engines.
#include "tools/tessel/CommandExecutor.h"

#include "tools/tessel/CommandText.h"

bool CommandExecutor::Execute(const std::string& commands, Failure& failure) {
  for (const std::string& statement : CommandText::SplitStatements(commands)) {
    std::string error;
    if (!ExecuteStatement(statement, error)) {
      failure = {statement, error};
      return false;
    }
  }
  return true;
}

bool CommandExecutor::ExecuteStatement(const std::string& statement, std::string& error) {
  DatasetCommand command;
  if (!command.Parse(CommandText::StripDataSourceQualifiers(statement), error)) return false;
  std::string target = command.Target();
  if (target.empty()) target = "result " + std::to_string(++m_unnamed);
  if (!CheckNameIsFree(target, error)) return false;
  if (!CreateDataset(command, target, error)) return false;
  m_final = target;
  return true;
}
