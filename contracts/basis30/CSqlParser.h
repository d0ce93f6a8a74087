// CSqlParser.h - assembles one SELECT statement from its pieces.
//
// Layout: "SELECT [DISTINCT] columns", then "FROM tables" (or the ANSI join
// clause, which already starts with "FROM "), "WHERE", "GROUP BY", "HAVING",
// "ORDER BY", each on its own line ("\r\n" between clauses) and present only
// when its text is not empty. Each piece is trimmed, a piece of white space
// only counts as empty, and white space holding a blank line (outside
// quoted literals) is reduced to one line break: a statement never holds a
// blank line, because callers split commands at blank lines.
#pragma once

#include "platform/CString.h"
#include "platform/HResult.h"

class CSqlParser {
 public:
  // `sql` (may be null) is kept as the statement until ComposeSql runs.
  explicit CSqlParser(const char* sql = nullptr);

  void SetDistinct(bool distinct) { m_bDistinct = distinct; }
  void SetTables(const char* tables) { m_strTables = tables; }
  void SetColumns(const char* columns) { m_strColumns = columns; }
  void SetWhereClause(const char* where) { m_strWhere = where; }
  void SetGroupBy(const char* groupBy) { m_strGroupBy = groupBy; }
  void SetHavingClause(const char* having) { m_strHaving = having; }
  void SetOrderBy(const char* orderBy) { m_strOrderBy = orderBy; }
  void SetAnsiJoinClause(const char* clause) { m_strAnsiJoin = clause; }

  // Builds the statement. B30E_NO_COLUMNS when the column text is empty
  // (the statement is then left as it was). A column text that carries its
  // own condition ("expr WHERE cond": " WHERE " in any case, outside
  // parentheses and literals) has the condition moved into the WHERE
  // clause, joined to the where text with AND (a side holding the word OR
  // is parenthesised). An ANSI join clause that does not start with "FROM "
  // gets it in front.
  HRESULT ComposeSql();
  const CString& GetSql() const noexcept { return m_strSql; }

  // Merges the comma list `more` into `list`: each entry (trimmed) that is
  // not already there (FindTable) is appended with ",". The result holds
  // no blanks around entries and no empty entries (list included).
  static void AddTables(CString& list, const char* more);
  // The 0-based index of the entry of the comma list `tables` that names
  // `table`, comparing ignoring case with the whole entry and with the
  // alias (the last word) of a "table alias" entry; -1 when absent or when
  // `table` is empty. Names compare part by part without their [ ], so
  // [dbo].[T] matches dbo.T. Commas inside brackets or quotes do not split.
  static int FindTable(const char* tables, const char* table);
  // The table qualifiers of the column references in `expr`, as a comma
  // list in order of first appearance: T.c gives T, [T].[c] gives [T],
  // S.T.c gives S.T and {D}.S.T.c gives {D}.S.T. Quoted literals are
  // skipped; a name followed by "(" is a function, not a table; numbers
  // such as 1.5 name nothing; braces that qualify nothing ({? 'p'},
  // {d '...'}) are read through. Each table appears once (compared as in
  // FindTable), without blanks. `unused` is accepted for the caller's
  // signature and ignored.
  static CString GetTablesFromExpr(const char* expr, const char* unused);

 private:
  bool m_bDistinct = false;
  CString m_strTables, m_strColumns, m_strWhere, m_strGroupBy, m_strHaving, m_strOrderBy, m_strAnsiJoin;
  CString m_strSql;
};
