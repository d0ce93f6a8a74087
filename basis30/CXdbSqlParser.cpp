// CXdbSqlParser.cpp - the dataset command for one SQL statement.
#include "contracts/basis30/CXdbSqlParser.h"

#include "contracts/basis30/ResultCodes.h"

HRESULT CXdbSqlParser::GetCommands(CString& out, const char* datasetName) const {
  // Trailing separators are dropped because the command assembly appends
  // its own ";\r\n" between commands. Leading white space goes as well: a
  // statement starting with line breaks would put a blank line after " BY ",
  // and commands are split at blank lines.
  CString sql = m_strSql;
  sql.TrimRight(" \t\r\n\v\f;");
  sql.TrimLeft();
  if (sql.IsEmpty()) return B30E_EMPTY_STATEMENT;
  out = "CREATE DATASET [";
  out += datasetName;
  out += "] BY ";
  out += sql;
  return S_OK;
}
