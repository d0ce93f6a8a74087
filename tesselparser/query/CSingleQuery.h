// CSingleQuery.h - one "Query" element of a query document.
//
// Finds, and on request creates, the sections of a query: its query
// objects, sort objects, WHERE and HAVING conditions and table relations.
// The sections live below the query's own element, or, for a query that
// refers to another object, below the referenced object; the node they are
// read from is resolved on first use and kept. ProcessTableAlias reduces a
// table list to the names under which its tables are referred to, which is
// what the relation parser (relations/CTRParser) compares relations with.
// The composition of the query's SQL text builds on these accessors.
#pragma once

#include "TesselParserExport.h"
#include "contracts/trellis/CBaseObject.h"

class TESSEL_API CSingleQuery : public CBaseObject {
 public:
  CSingleQuery(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  // Copies share the query's element and its resolved section node.
  CSingleQuery(const CSingleQuery& other) = default;
  CSingleQuery& operator=(const CSingleQuery& other) = default;
  ~CSingleQuery() override;

  // Section accessors. Each returns the query's section, looked up below
  // the section node:
  //   GetQueryObjects   the "QueryObjects" child
  //   GetSortObjects    the "SortObjects" child
  //   GetWhereClause    the "Condition" child whose "ExType" is "WhereClause"
  //   GetHavingClause   the "Condition" child whose "ExType" is "HavingClause"
  //   GetTableRelations the "TableRelations" child
  // When the section is missing: null with `bCreate` false; with `bCreate`
  // true a new element of that tag is appended to the section node (the
  // two conditions get their "ExType") and returned, so a second call finds
  // it. The section node is the referenced object for a referring query
  // (created sections then go there), else the query's element.
  // Throws `_com_error(E_POINTER)` when there is no section node: a query
  // without an element, or a reference that does not resolve.
  IXMLDOMNodePtr GetQueryObjects(bool bCreate);
  IXMLDOMNodePtr GetSortObjects(bool bCreate);
  IXMLDOMNodePtr GetWhereClause(bool bCreate);
  IXMLDOMNodePtr GetHavingClause(bool bCreate);
  IXMLDOMNodePtr GetTableRelations(bool bCreate);

  // Composes the query: its columns, tables and grouping from the query
  // objects, WHERE and HAVING from the condition trees, ORDER BY from the
  // sort objects (single-group queries only), joins from the table
  // relations, and per-table constraints; one statement per source group.
  // Writes "Sql" (the statements joined by ";\r\n"), "Command" (the
  // dataset commands joined by ";\r\n\r\n", with the merge commands of a
  // split query) and "MultiSQL" ("True" for a split query, else removed).
  // Returns 0; 1 when the query already has a command and ExistGRS is off
  // (nothing is written); or a failure: a reference's code,
  // TPE_NO_QUERY_OBJECTS, TPE_REFERENCE_CYCLE (the query reaches itself
  // again through sub-queries or references), E_FAIL without a statement,
  // a part's code. A failing relation composition is returned after the
  // texts are written. Earlier steps' writes (the sort list, the relation
  // expression, the objects' expressions) stay on failure.
  long Parse();
  // The stored "Command" or "Sql" text, parsing first when it is empty;
  // "" when the query does not parse.
  CString GetCommand();
  CString GetSql();

 protected:
  // Reduces the comma list `tables` ("table alias" or "table" entries) to
  // the names the tables go by: the alias (the second blank-separated word,
  // blanks inside [...] or quotes not splitting) where there is one, else
  // the whole entry, each trimmed of blanks, joined with "," and no blanks.
  // The list ends at its first empty entry ("a,,b" gives "a"). Writes
  // nothing into the document.
  CString ProcessTableAlias(const char* tables);
  // The names of ProcessTableAlias one by one, before the "," joins them.
  static CStringArray TableAliases(const char* tables);

  // The node whose children hold the sections; null until first resolved.
  IXMLDOMNodePtr m_pSectionNode;

 private:
  // Resolves m_pSectionNode when it is still null (it stays null when a
  // reference does not resolve, so the next call tries again).
  const IXMLDOMNodePtr& ResolveSectionNode();
  // The accessor behind the five public ones: `xpath` selects the section,
  // `tag` names a created one, a non-null `exType` is set on it.
  IXMLDOMNodePtr GetSection(const char* xpath, const char* tag, const char* exType, bool bCreate);
  // The sections a composition reads, found in one walk over the children
  // of the section node (each null when absent).
  struct Sections {
    IXMLDOMNodePtr objects, sort, where, having, relations;
  };
  Sections ReadSections();
  long Compose(const Sections& sections);
  static void AppendMergeCommands(CString& command, const CString& name, int groups, int keys);
};
