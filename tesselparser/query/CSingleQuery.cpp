// CSingleQuery.cpp - the sections of a query and its table alias list.
#include "query/CSingleQuery.h"

#include "contracts/basis30/TextUtil.h"

CSingleQuery::CSingleQuery(IXMLDOMNodePtr node) : CBaseObject(node) {}

CSingleQuery::~CSingleQuery() = default;

const IXMLDOMNodePtr& CSingleQuery::ResolveSectionNode() {
  if (m_pSectionNode) return m_pSectionNode;
  m_pSectionNode = IsReferring() ? GetRefObject(true) : GetNode();
  return m_pSectionNode;
}

IXMLDOMNodePtr CSingleQuery::GetSection(const char* xpath, const char* tag, const char* exType, bool bCreate) {
  const IXMLDOMNodePtr& sections = ResolveSectionNode();
  if (!sections) throw _com_error(E_POINTER, "the query has no node that holds its sections");
  IXMLDOMNodePtr section = sections.selectSingleNode(xpath);
  if (section || !bCreate) return section;

  IXMLDOMElementPtr created = sections.ownerDocument().createElement(tag);
  if (exType != nullptr) CVelObject(created).SetExType(exType);
  return sections.appendChild(created);
}

IXMLDOMNodePtr CSingleQuery::GetQueryObjects(bool bCreate) {
  return GetSection("QueryObjects", "QueryObjects", nullptr, bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetSortObjects(bool bCreate) {
  return GetSection("SortObjects", "SortObjects", nullptr, bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetWhereClause(bool bCreate) {
  return GetSection("Condition[@ExType='WhereClause']", "Condition", "WhereClause", bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetHavingClause(bool bCreate) {
  return GetSection("Condition[@ExType='HavingClause']", "Condition", "HavingClause", bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetTableRelations(bool bCreate) {
  return GetSection("TableRelations", "TableRelations", nullptr, bCreate);
}

CString CSingleQuery::ProcessTableAlias(const char* tables) {
  CString result;
  for (int i = 0;; ++i) {
    CString field = GetField(tables, i, ',');
    field.Trim(' ');
    if (field.IsEmpty()) break;
    const CString alias = GetFieldEx(field, 1, ' ');
    result += ",";
    result += alias.IsEmpty() ? field : alias;
  }
  result.TrimLeft(',');
  return result;
}
