// RunDatabase.cpp - opening the database of a run and its executor.
#include "tools/tessel/RunDatabase.h"

#include <iostream>

#include "tools/tessel/DatasetExecutor.h"
#include "tools/tessel/DemoDatabase.h"
#include "tools/tessel/PostgresExecutor.h"
#include "tools/tessel/Tool.h"

DSTYPE RunDatabase::TypeOf(const std::string& target) {
  return PostgresDatabase::IsUri(target) ? DSTYPE_POSTGRESQL : DSTYPE_SQLITE;
}

int RunDatabase::Open(const std::string& target, bool given) {
  std::string error;
  if (!given) {
    if (!DemoDatabase::Open(m_sqlite, error)) {
      std::cerr << "error: cannot build the demo database: " << error << "\n";
      return kExitFailure;
    }
    m_executor = std::make_unique<DatasetExecutor>(m_sqlite.Handle());
    return -1;
  }
  if (PostgresDatabase::IsUri(target)) {
    if (!m_postgres.ConnectReadOnly(target, error)) {
      std::cerr << PostgresDatabase::Shown(target) << ": cannot connect to the database: " << error << "\n";
      return kExitUsage;
    }
    m_executor = std::make_unique<PostgresExecutor>(m_postgres.Handle());
    return -1;
  }
  if (!m_sqlite.OpenReadOnly(target, error)) {
    std::cerr << target << ": cannot open the database: " << error << "\n";
    return kExitUsage;
  }
  m_executor = std::make_unique<DatasetExecutor>(m_sqlite.Handle());
  return -1;
}
