// CSingleQuery.cpp - the sections of a query and its table alias list.
#include "query/CSingleQuery.h"

#include <string_view>
#include <utility>

#include "contracts/basis30/CSqlParser.h"
#include "contracts/basis30/CXdbSqlParser.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/trellis/CFrameCI.h"
#include "document/CDSContext.h"
#include "expr/CExprParser.h"
#include "objects/CObjectNesting.h"
#include "objects/CQueryObject.h"
#include "objects/CQueryObjects.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "query/CSortObjects.h"
#include "relations/CTRParser.h"

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

namespace {

// Where each section stands below the query.
constexpr const char* kObjectsPath = "QueryObjects";
constexpr const char* kSortPath = "SortObjects";
constexpr const char* kWherePath = "Condition[@ExType='WhereClause']";
constexpr const char* kHavingPath = "Condition[@ExType='HavingClause']";
constexpr const char* kRelationsPath = "TableRelations";

}  // namespace

IXMLDOMNodePtr CSingleQuery::GetQueryObjects(bool bCreate) {
  return GetSection(kObjectsPath, "QueryObjects", nullptr, bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetSortObjects(bool bCreate) { return GetSection(kSortPath, "SortObjects", nullptr, bCreate); }

IXMLDOMNodePtr CSingleQuery::GetWhereClause(bool bCreate) {
  return GetSection(kWherePath, "Condition", "WhereClause", bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetHavingClause(bool bCreate) {
  return GetSection(kHavingPath, "Condition", "HavingClause", bCreate);
}

IXMLDOMNodePtr CSingleQuery::GetTableRelations(bool bCreate) {
  return GetSection(kRelationsPath, "TableRelations", nullptr, bCreate);
}

CSingleQuery::Sections CSingleQuery::ReadSections() {
  const IXMLDOMNodePtr& sections = ResolveSectionNode();
  if (!sections) throw _com_error(E_POINTER, "the query has no node that holds its sections");
  auto [objects, sort, where, having, relations] =
      sections.selectFirstOfEach({kObjectsPath, kSortPath, kWherePath, kHavingPath, kRelationsPath});
  return {std::move(objects), std::move(sort), std::move(where), std::move(having), std::move(relations)};
}

CStringArray CSingleQuery::TableAliases(const char* tables) {
  CStringArray names;
  const std::string_view list(tables != nullptr ? tables : "");
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) comma = list.size();
    CString field(list.substr(start, comma - start));
    start = comma + 1;
    field.Trim(' ');
    if (field.IsEmpty()) break;
    CString alias = GetFieldEx(field, 1, ' ');
    names.push_back(alias.IsEmpty() ? std::move(field) : std::move(alias));
  }
  return names;
}

CString CSingleQuery::ProcessTableAlias(const char* tables) {
  CString result;
  for (const CString& name : TableAliases(tables)) {
    result += ",";
    result += name;
  }
  result.TrimLeft(',');
  return result;
}

namespace {

// Attributes a referring query keeps as its own when it is refreshed from
// the query it refers to. Besides its identity these are its kind in the
// document ("ExType": a union member stays one even when its target is the
// main query) and its results: the query is composed under its own name, so
// the target's statement and command are not its own.
constexpr const char* kKeepOnRefresh =
    "GUID,ID,Name,Description,RefObject,AccessType,DatasourceGUID,ShowName,Value,Attachments,Distinct,"
    "ExType,Sql,Command,MultiSQL";

bool HasOr(const CString& text) { return FindStringNoCase(text, " OR ", 0) >= 0; }

CString Wrapped(const CString& text) { return HasOr(text) ? "(" + text + ")" : text; }

// The expression of a condition section ("Condition" with an expression
// tree); empty when the section or its tree is missing or empty.
HRESULT ReadCondition(const IXMLDOMNodePtr& section, CString* tables, CString& text) {
  text.Empty();
  if (!section) return S_OK;
  IXMLDOMNodePtr info = CVelObject(section).GetExprBuildInfo(false);
  if (!info || !info.hasChildNodes()) return S_OK;
  CExprParser parser(info);
  const HRESULT rc = parser.Parse(nullptr, tables);
  if (rc < 0) return rc;
  text = parser.GetExpression();
  return S_OK;
}

// The tables of the sort keys of `section`, as each key names them.
CString SortTables(const IXMLDOMNodePtr& section) {
  CString tables;
  for (IXMLDOMNodePtr key = section.firstChild(); key; key = key.nextSibling()) {
    if (key.nodeType() == NODE_ELEMENT) CSqlParser::AddTables(tables, CQueryObject(key).GetTable());
  }
  return tables;
}

// The per-table constraints whose table is among `tables`, joined by AND.
HRESULT ReadConstraints(const IXMLDOMNodePtr& relations, const CString& tables, CString& constraints) {
  constraints.Empty();
  if (!relations) return S_OK;
  IXMLDOMNodeListPtr list = relations.selectNodes("TableConstrains/TableConstrain");
  for (long i = 0; i < list.length(); ++i) {
    CVelObject constraint(list.item(i));
    if (CSqlParser::FindTable(tables, constraint.GetAttribute("Alias")) < 0) continue;
    IXMLDOMNodePtr info = constraint.GetExprBuildInfo(false);
    if (!info) continue;
    CExprParser parser(info);
    const HRESULT rc = parser.Parse(nullptr, nullptr);
    if (rc < 0) return rc;
    const CString c = Wrapped(parser.GetExpression());
    constraints += constraints.IsEmpty() ? c : " AND " + c;
  }
  return S_OK;
}

}  // namespace

long CSingleQuery::Parse() {
  if (IsReferring()) {
    const HRESULT rc = GetRefObject(m_pSectionNode, true);
    if (rc < 0) return rc;
    UpdateFromObject(m_pSectionNode, kKeepOnRefresh, false);
  }
  CDSContext context(GetDSType(GetElement()));
  // A query that reaches itself again (a sub-query object or condition term
  // naming it, directly or through others) would recurse without end.
  CObjectNesting nesting(ResolveSectionNode(), CObjectNesting::QUERY);
  if (!nesting.Entered()) {
    SetErrorInfo(FormatMsg(TPE_REFERENCE_CYCLE, GetName()), nullptr);
    return TPE_REFERENCE_CYCLE;
  }
  // A composition reads all the sections: they are found together.
  const Sections sections = ReadSections();
  // Comments and processing instructions are no objects.
  if (!sections.objects || !sections.objects.selectSingleNode("*")) return TPE_NO_QUERY_OBJECTS;
  if (!CFrameCI::ExistGRS() && !GetAttribute("Command").IsEmpty()) return 1;
  return Compose(sections);
}

long CSingleQuery::Compose(const Sections& sections) {
  const CString name = GetName();
  CQueryObjects objects(sections.objects);
  HRESULT rc = objects.ComposeSqls();
  if (rc < 0) return rc;
  const int groups = objects.GetSqlCount();
  if (groups < 1) return E_FAIL;

  HRESULT deferred = S_OK;
  CString orderBy, documentWhere, whereTables, having, havingTables, joinText, fromText, sqlText, command;
  for (int g = 0; g < groups; ++g) {
    CString tables = objects.GetSqlTables(g);
    const CString columns = objects.GetSqlColumns(g);
    const CString objectWhere = objects.GetSqlWhere(g);
    CString groupBy = objects.GetSqlGroupBy(g);

    if (groups == 1) {
      const IXMLDOMNodePtr& sortSection = sections.sort;
      if (sortSection && sortSection.hasChildNodes()) {
        CSortObjects sort(sortSection);
        rc = sort.Parse();
        if (rc < 0) return rc;
        orderBy = sort.GetOrderBy();
        // The keys name their tables as the columns do ("Orders O"); the
        // qualifiers of the ORDER BY text alone would be bare aliases.
        CSqlParser::AddTables(tables, SortTables(sortSection));
      }
    }
    if (g == 0) {
      rc = ReadCondition(sections.where, &whereTables, documentWhere);
      if (rc < 0) return rc;
      // HAVING is read as WHERE is: its operands bring their tables as
      // they name them, and a sub-select in it keeps its tables to itself.
      rc = ReadCondition(sections.having, &havingTables, having);
      if (rc < 0) return rc;
    }
    // Every group filters with the query's WHERE and HAVING, so every group
    // needs the tables they name, not only the first.
    CSqlParser::AddTables(tables, whereTables);
    CString where = documentWhere;
    if (!having.IsEmpty()) {
      // HAVING filters groups: without a GROUP BY every column groups. When
      // the columns are aggregates already the whole result is one group
      // and no database takes an aggregate in GROUP BY, so none is added.
      if (groupBy.IsEmpty() && !CQueryObject::IsAggregationExpr(columns)) groupBy = columns;
      CSqlParser::AddTables(tables, havingTables);
    }

    const IXMLDOMNodePtr& relations = sections.relations;
    const bool joined = relations && relations.selectSingleNode("Tables/Table");
    if (joined) {
      CTRParser parser(relations);
      rc = parser.ComposeFromClause(TableAliases(tables), joinText, &fromText);
      if (rc < 0 && deferred >= 0) deferred = rc;
      // Tables the join brought in (those that connect the query's tables)
      // enter the list with their expressions first: the join text names
      // them by alias only.
      CSqlParser::AddTables(tables, parser.GetAddedTables());
      CSqlParser::AddTables(tables, CSqlParser::GetTablesFromExpr(joinText, nullptr));
    }
    // The relations keep the join text as their "Expression": the ANSI
    // form with its FROM clause when there is one, else the join text.
    // It is written once, when it is known, so that a composition run
    // again finds it in place.
    CString constraints;
    rc = RunOrOnFailure([&] { return ReadConstraints(relations, tables, constraints); },
                        [&] {
                          if (joined) CVelObject(relations).SetExpression(joinText);
                        });
    if (rc < 0) return rc;

    if (!objectWhere.IsEmpty()) {
      where = where.IsEmpty() ? objectWhere : Wrapped(where) + " AND " + Wrapped(objectWhere);
    }
    if (!constraints.IsEmpty()) {
      if (where.IsEmpty()) where = constraints;
      else if (HasOr(where)) where = "(" + where + ") AND " + constraints;
      else where += " AND " + constraints;
    }
    CString ansiJoin;
    if (!joinText.IsEmpty()) {
      if (!fromText.IsEmpty()) {
        ansiJoin = fromText + " " + joinText;
      } else {
        where = where.IsEmpty() ? joinText : Wrapped(where) + " AND " + joinText;
      }
    }
    if (joined) CVelObject(relations).SetExpression(ansiJoin.IsEmpty() ? joinText : ansiJoin);

    CSqlParser statement(nullptr);
    statement.SetTables(tables);
    statement.SetColumns(columns);
    statement.SetGroupBy(groupBy);
    statement.SetOrderBy(orderBy);
    statement.SetWhereClause(where);
    statement.SetHavingClause(having);
    statement.SetDistinct(GetAttribute("Distinct") == "True");
    statement.SetAnsiJoinClause(ansiJoin);
    rc = statement.ComposeSql();
    if (rc < 0) return rc;
    const CString& sql = statement.GetSql();
    if (!sqlText.IsEmpty()) sqlText += ";\r\n";
    sqlText += sql;

    CString dataset = name;
    if (groups > 1) dataset.Format("%s_MQ%d", name.GetString(), g + 1);
    CString groupCommand;
    rc = CXdbSqlParser(sql).GetCommands(groupCommand, dataset);
    if (rc < 0) return rc;
    if (command.IsEmpty()) {
      command = std::move(groupCommand);
    } else {
      command += ";\r\n\r\n";
      command += groupCommand;
    }
  }

  if (groups < 2) {
    SetAttribute("MultiSQL", "");
  } else {
    SetAttribute("MultiSQL", "True");
    AppendMergeCommands(command, name, groups, objects.m_nPlainCount);
  }
  SetAttribute("Sql", sqlText);
  SetAttribute("Command", command);
  return deferred < 0 ? deferred : S_OK;
}

// The datasets of the groups are merged by position into "<name>_MQ" and
// aggregated under the query's own name: the key columns grouped, the value
// column of each group summed (every other group holds a zero there).
void CSingleQuery::AppendMergeCommands(CString& command, const CString& name, int groups, int keys) {
  CString merge;
  merge.Format("CREATE DATASET [%s_MQ] BY UMI", name.GetString());
  for (int i = 1; i <= groups; ++i) {
    CString reference;
    reference.Format("[%s_MQ%d]", name.GetString(), i);
    merge += (i == 1 ? " " : " MERGE ") + reference;
  }
  command += ";\r\n\r\n" + merge;

  CString selectList, groupList;
  for (int c = 1; c <= keys + groups; ++c) {
    CString column;
    column.Format("[%s_MQ].Column%d", name.GetString(), c);
    if (c == 1) {
      selectList = groupList = column;
    } else if (c <= keys) {
      selectList += ", " + column;
      groupList += ", " + column;
    } else {
      selectList += ", SUM(" + column + ")";
    }
  }
  CString aggregate;
  aggregate.Format("CREATE DATASET [%s] BY SELECT %s FROM [%s_MQ] GROUP BY %s", name.GetString(),
                   selectList.GetString(), name.GetString(), groupList.GetString());
  command += ";\r\n\r\n" + aggregate;
}

CString CSingleQuery::GetCommand() {
  if (GetAttribute("Command").IsEmpty()) Parse();
  return GetAttribute("Command");
}

CString CSingleQuery::GetSql() {
  if (GetAttribute("Sql").IsEmpty()) Parse();
  return GetAttribute("Sql");
}
