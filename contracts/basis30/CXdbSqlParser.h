// CXdbSqlParser.h - turns a SQL statement into a dataset command.
//
// The command language: "CREATE DATASET [name] BY <select>". The command
// assembly of a whole document relies on every command holding
// "CREATE DATASET ", then " BY ", then the SELECT.
#pragma once

#include "platform/CString.h"
#include "platform/HResult.h"

class CXdbSqlParser {
 public:
  explicit CXdbSqlParser(const char* sql) : m_strSql(sql ? sql : "") {}

  // `out` = "CREATE DATASET [" + name + "] BY " + the SQL text with
  // leading white space and trailing white space and ';' removed (so that
  // no blank line follows " BY "). B30E_EMPTY_STATEMENT (out
  // untouched) when the SQL text is empty.
  HRESULT GetCommands(CString& out, const char* datasetName) const;

 private:
  CString m_strSql;
};
