// CQueryObjects.h - the query-objects list of one query: its column, table,
// GROUP BY and WHERE texts, split into source groups where needed.
//
// Built on the list element whose children are the query objects. When two
// or more objects carry a condition of their own, the list is composed once
// per such object (a source group): each group statement holds every
// object without a condition, its own conditional object, and a zero
// placeholder in the place of every other conditional object, so that all
// group statements have the same columns in the same order and can be
// merged by position. The group statements are kept on the list element as
// "Sql0", "Sql1", ...; their pieces are kept for the query's assembly.
// Internal to the library; the single-query composition uses it.
#pragma once

#include <map>
#include <vector>

#include "contracts/basis30/CVelObject.h"
#include "platform/IXMLDOMNodeListPtr.h"

class CQueryObjects : public CVelObject {
 public:
  explicit CQueryObjects(IXMLDOMNodePtr node);
  ~CQueryObjects() override;

  // Composes the statements and stores them ("Sql<i>" attributes of the
  // list element, the last ones, in order; every other "Sql<number>"
  // attribute removed, all of them on failure) and their pieces. Returns 0
  // or:
  //   TPE_OBJECT_FAILED    an object fails to parse (message recorded);
  //   TPE_ALL_CONDITIONAL  a split is needed but every object has a
  //                        condition of its own;
  //   an object's parse code during a split, or the statement builder's.
  // The objects' "Expression" and "WhereClause" are written; a split sets
  // "Aggregation" on conditional objects that had none and leaves the
  // objects without a condition first. On failure (or a DOM exception) the
  // list is restored to its original order, with no "WithWhereObjs" holder
  // and no placeholder left.
  HRESULT ComposeSqls();
  // The number of consecutive non-empty "Sql0", "Sql1", ... attributes.
  int GetSqlCount() const;
  CString GetSqlTables(int index) const { return Piece(m_mapSqlTables, index); }
  CString GetSqlColumns(int index) const { return Piece(m_mapSqlColumns, index); }
  CString GetSqlGroupBy(int index) const { return Piece(m_mapSqlGroupBy, index); }
  CString GetSqlWhere(int index) const { return Piece(m_mapSqlWhere, index); }

  // Objects without a condition of their own, counted by a split (the key
  // columns of the merge); 0 when the list was not split.
  int m_nPlainCount = 0;

 protected:
  // One SELECT over the current children of the list element; accumulates
  // the pieces into the members below. Returns 0 and the statement, or a
  // failure code.
  HRESULT ComposeSelect(CString& sql);
  // Removes every "Sql<number>" attribute but `keep` (none when null).
  void ClearSqlAttributes(const char* keep);
  void SetSql(int index, const char* text);
  void StorePieces(int index, const CQueryObjects& from);

  CString m_strTables;
  CString m_strColumns;
  CString m_strGroupBy;
  CString m_strWhere;
  std::map<int, CString> m_mapSqlTables;
  std::map<int, CString> m_mapSqlColumns;
  std::map<int, CString> m_mapSqlGroupBy;
  std::map<int, CString> m_mapSqlWhere;

 private:
  static CString Piece(const std::map<int, CString>& map, int index);
  HRESULT Split(const IXMLDOMNodeListPtr& conditional);
  HRESULT ComposeGroups(const IXMLDOMElementPtr& holder, std::vector<IXMLDOMNodePtr>& placeholders);
};
