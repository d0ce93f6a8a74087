// CTRParser.cpp - join text and FROM clause from a query's table relations.
#include "relations/CTRParser.h"

#include <climits>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>

#include "contracts/basis30/CRelationsAnalyser.h"
#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/basis30/XmlUtil.h"
#include "contracts/trellis/CBaseObject.h"
#include "objects/CQueryObject.h"

namespace {

// Results of AnalyseRelations that ComposeFromClause maps to its codes.
constexpr HRESULT kAnalyserNoRelation = CRelationsAnalyser::RA_NO_RELATION;
constexpr HRESULT kAnalyserBadStart = CRelationsAnalyser::RA_START_NOT_FOUND;
constexpr HRESULT kNoRelations = 2;

// The oldest version of the Oracle family that takes ANSI outer joins.
constexpr int kFirstAnsiOracleVersion = 9;

// The integer a text starts with (blanks skipped, optional sign, digits,
// clamped to the int range); 0 when it starts with none.
int LeadingInt(const CString& text) {
  const char* p = text.GetString();
  while (*p == ' ' || *p == '\t') ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value <= INT_MAX) value = value * 10 + (*p - '0');
  }
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(negative ? -value : value);
}

const char* JoinKeyword(int mode) {
  switch (mode) {
    case 0:
      return "LEFT JOIN ";
    case 1:
      return "RIGHT JOIN ";
    case 2:
      return "INNER JOIN ";
    case 3:
      return "FULL JOIN ";
    default:
      return "";
  }
}

bool ContainsNoCase(const CStringArray& list, const CString& name) {
  for (const CString& entry : list) {
    if (entry.CompareNoCase(name) == 0) return true;
  }
  return false;
}

// The two table names of a relation, folded to lower case, smaller first:
// relations between the same two tables, either way round, share it.
std::pair<std::string, std::string> PairKey(const CString& pkTable, const CString& fkTable) {
  CString a(pkTable);
  CString b(fkTable);
  a.MakeLower();
  b.MakeLower();
  return a.str() < b.str() ? std::make_pair(a.str(), b.str()) : std::make_pair(b.str(), a.str());
}

std::string Folded(const CString& name) {
  CString folded(name);
  folded.MakeLower();
  return folded.str();
}

// The table of `tables` that stands closest to the end of `walk` (the root
// of a foreign-key chain), as the list spells it; else the list's first.
CString NearestOnWalk(const CStringArray& walk, const CStringArray& tables) {
  for (auto step = walk.rbegin(); step != walk.rend(); ++step) {
    for (const CString& entry : tables) {
      if (entry.CompareNoCase(*step) == 0) return entry;
    }
  }
  return tables.empty() ? CString() : tables.front();
}

}  // namespace

CTRParser::CTRParser(IXMLDOMNodePtr trNode) : m_pTRNode(std::move(trNode)) {
  if (m_pTRNode) BuildTableMap();
}

CTRParser::~CTRParser() = default;

IXMLDOMNodePtr CTRParser::GetTablesNode() const {
  return m_pTRNode ? m_pTRNode.selectSingleNode("Tables") : IXMLDOMNodePtr();
}

IXMLDOMNodePtr CTRParser::GetRelationsNode() const {
  return m_pTRNode ? m_pTRNode.selectSingleNode("Relations") : IXMLDOMNodePtr();
}

HRESULT CTRParser::BuildTableMap() {
  m_mapTables.clear();
  const IXMLDOMNodePtr tables = GetTablesNode();
  if (!tables) return S_OK;
  for (IXMLDOMNodePtr child = tables.firstChild(); child; child = child.nextSibling()) {
    CString alias;
    if (GetXmlNodeAttribute(child, "Alias", alias) != S_OK) continue;
    if (!IsTradNaming(alias)) alias = "[" + alias + "]";
    CQueryObject table(child);
    const HRESULT hr = table.Parse();
    if (FAILED(hr)) return hr;
    m_mapTables[alias] = table.GetExpression();
  }
  return S_OK;
}

HRESULT CTRParser::ComposeFromClause(const char* tableList, CString& joinText, CString* fromClause) {
  joinText.Empty();
  m_strAddedTables.Empty();
  CStringArray tables;
  for (int i = 0;; ++i) {
    CString table = GetField(tableList, i, ',');
    table.Trim(' ');
    if (table.IsEmpty()) break;
    tables.push_back(table);
  }
  if (tables.size() < 2) return S_FALSE;

  CString lead;
  int nestCount = 0;
  const std::size_t given = tables.size();
  const HRESULT analysed = AnalyseRelations(joinText, tables, lead, nestCount);
  for (std::size_t i = given; i < tables.size(); ++i) {
    // The FROM list needs the table itself, not only its name: a relation
    // may spell the name in other letter case than the table's entry.
    CString entry = TableWithExpression(tables[i]);
    for (const auto& [name, expression] : m_mapTables) {
      if (entry == tables[i] && name.CompareNoCase(tables[i]) == 0) entry = expression + " " + name;
    }
    m_strAddedTables += m_strAddedTables.IsEmpty() ? "" : ",";
    m_strAddedTables += entry;
  }
  if (FAILED(analysed) && analysed != TPE_ANALYSER_DISCONNECTED) return analysed;
  joinText.Replace("\r\n\t", " ");
  joinText.Replace("\r\n", " ");
  switch (analysed) {
    case TPE_ANALYSER_DISCONNECTED:
      return TPE_TABLES_DISCONNECTED;
    case kAnalyserNoRelation:
      return TPE_RELATION_CYCLE;
    case kNoRelations:
      return TPE_NO_RELATIONS;
    case kAnalyserBadStart:
      return TPE_START_TABLE;
    default:
      break;
  }

  // The analyser leaves loop-closing relations out of the join; a loop that
  // runs through two or more of the joined tables is still reported, so
  // that the host can tell the user which relation was dropped. Only loops
  // through the joined tables are looked for: loops elsewhere in the model,
  // however many, can neither hide one nor cost a search.
  HRESULT result = S_OK;
  CRelationsAnalyser analyser;
  analyser.SetRelationsNode(GetRelationsNode());
  std::vector<CStringArray> cycles;
  analyser.GetCycleInfo(cycles, tables);
  for (const CStringArray& cycle : cycles) {
    if (!CycleTouchesTables(cycle, tables)) continue;
    result = TPE_RELATION_CYCLE;
    break;
  }

  if (!lead.IsEmpty() && fromClause != nullptr) {
    CString opening = TableWithExpression(lead);
    if (nestCount > 0) opening.Insert(0, CString('(', nestCount));
    *fromClause = "FROM " + opening;
  }
  return result;
}

bool CTRParser::CycleTouchesTables(const CStringArray& cycle, const CStringArray& tables) {
  int count = 0;
  for (const CString& table : cycle) {
    for (const CString& entry : tables) {
      if (table.CompareNoCase(entry) == 0 && ++count >= 2) return true;
    }
  }
  return false;
}

CStringArray CTRParser::WalkToRoot(const IXMLDOMNodePtr& relations) {
  IXMLDOMElementPtr first(relations.selectSingleNode("Relation[@ConnectMode='0']"));
  if (!first) first = relations.selectSingleNode("Relation[@ConnectMode='1']");
  if (!first) return {};

  // For each foreign-key table, the primary-key table of its first relation
  // in document order: one step towards the root of the chain.
  std::unordered_map<std::string, CString> parentOf;
  for (IXMLDOMNodePtr child = relations.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr relation(child);
    if (!relation || relation.tagName() != "Relation") continue;
    parentOf.emplace(relation.getAttribute("FkTable").str(), relation.getAttribute("PkTable"));
  }

  // The walk ends at a table without a parent, or at any table met before:
  // a chain may run into a loop that does not pass through its start.
  CStringArray walk{first.getAttribute("PkTable")};
  std::unordered_set<std::string> visited{walk.back().str()};
  for (;;) {
    const auto parent = parentOf.find(walk.back().str());
    if (parent == parentOf.end()) break;
    walk.push_back(parent->second);
    if (!visited.insert(parent->second.str()).second) break;
  }
  return walk;
}

CString CTRParser::NearestListedTable(const IXMLDOMNodePtr& relations, const CString& from,
                                      const CStringArray& tables) {
  // Breadth-first over the relations in document order, either way round.
  std::unordered_map<std::string, std::vector<CString>> neighbours;
  for (IXMLDOMNodePtr child = relations.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr relation(child);
    if (!relation || relation.tagName() != "Relation") continue;
    const CString pk = relation.getAttribute("PkTable");
    const CString fk = relation.getAttribute("FkTable");
    neighbours[Folded(pk)].push_back(fk);
    neighbours[Folded(fk)].push_back(pk);
  }
  std::unordered_set<std::string> seen{Folded(from)};
  std::deque<CString> queue{from};
  while (!queue.empty()) {
    const CString table = queue.front();
    queue.pop_front();
    for (const CString& entry : tables) {
      if (entry.CompareNoCase(table) == 0) return entry;
    }
    for (const CString& next : neighbours[Folded(table)]) {
      if (seen.insert(Folded(next)).second) queue.push_back(next);
    }
  }
  return tables.empty() ? CString() : tables.front();
}

namespace {

// The "Relation" elements below `node`, in document order.
void NestedRelations(const IXMLDOMNodePtr& node, std::vector<IXMLDOMElementPtr>& out) {
  for (IXMLDOMNodePtr child = node.firstChild(); child; child = child.nextSibling()) {
    if (child.nodeType() != NODE_ELEMENT) continue;
    if (child.nodeName() == "Relation") out.emplace_back(child);
    NestedRelations(child, out);
  }
}

}  // namespace

// The relations are read from the document as the analyser ordered them,
// each turned round where the analyser says so. A "Relation" nested inside
// a relation (which no editor writes) follows it as it stands, as it would
// in the analyser's text.
CTRParser::LinkList CTRParser::ReadLinks(const std::vector<CRelationsAnalyser::JoinStep>& steps) {
  LinkList list;
  auto add = [&list](const CRelationsAnalyser::JoinStep& step) {
    const auto attribute = [&step](const char* name) { return CRelationsAnalyser::StepAttribute(step, name); };
    Link link;
    link.node = step.relation;
    link.pkTable = attribute("PkTable");
    link.pkColumn = attribute("PkColumn");
    link.fkTable = attribute("FkTable");
    link.fkColumn = attribute("FkColumn");
    link.sign = attribute("ConnectSign");
    link.expr = attribute("ConnectExpr");
    link.mode = LeadingInt(attribute("ConnectMode"));
    list.byPair[PairKey(link.pkTable, link.fkTable)].push_back(list.links.size());
    list.links.push_back(std::move(link));
  };
  for (const CRelationsAnalyser::JoinStep& step : steps) {
    add(step);
    std::vector<IXMLDOMElementPtr> nested;
    NestedRelations(step.relation, nested);
    for (const IXMLDOMElementPtr& relation : nested) add({relation, false});
  }
  return list;
}

HRESULT CTRParser::AnalyseRelations(CString& joinText, CStringArray& tables, CString& lead, int& nestCount) {
  lead.Empty();
  if (tables.size() < 2) return S_OK;
  const IXMLDOMNodePtr relations = GetRelationsNode();
  if (!relations || !relations.hasChildNodes()) return kNoRelations;

  // The data-source name is read from the first table; the master table,
  // when there is one, opens the FROM clause.
  CString datasource;
  CString masterName;  // the master's name in relations
  bool first = true;
  const IXMLDOMNodePtr tablesNode = GetTablesNode();
  for (IXMLDOMNodePtr child = tablesNode ? tablesNode.firstChild() : IXMLDOMNodePtr(); child;
       child = child.nextSibling()) {
    IXMLDOMElementPtr table(child);
    if (!table) continue;
    if (first) datasource = table.getAttribute("Datasource");
    first = false;
    if (table.getAttribute("IsMaster") != "True") continue;
    CQueryObject master(child);
    const HRESULT hr = master.Parse();
    if (FAILED(hr)) return hr;
    lead = master.GetExpression();
    if (lead.IsEmpty()) break;
    masterName = table.getAttribute("Alias");
    if (masterName.IsEmpty()) masterName = lead;
    else if (!IsTradNaming(masterName)) masterName = "[" + masterName + "]";
    break;
  }
  CStringArray walk;
  if (lead.IsEmpty()) {
    walk = WalkToRoot(relations);
    if (!walk.empty()) lead = walk.back();
  }

  CRelationsAnalyser analyser;
  analyser.SetRelationsNode(relations);
  std::vector<CRelationsAnalyser::JoinStep> steps;
  HRESULT analysed = analyser.GetJoinOrder(tables, steps, lead);
  if (analysed == kAnalyserBadStart) {
    // The master, or the root of the chain, is a table of the model that
    // this query does not use. The join then starts from the query's table
    // nearest to it: for the root, the one closest to the root on the walk;
    // for the master, the one fewest relations away; else the first table.
    lead = masterName.IsEmpty() ? NearestOnWalk(walk, tables) : NearestListedTable(relations, masterName, tables);
    analysed = analyser.GetJoinOrder(tables, steps, lead);
  }
  if (analysed == kAnalyserBadStart || analysed == kAnalyserNoRelation) return analysed;
  const LinkList links = ReadLinks(steps);

  // Joins that are all inner need no outer-join syntax: the older form
  // serves every data source. Older Oracle versions know no ANSI joins.
  bool older = true;
  for (const Link& link : links.links) {
    if (link.mode != 2 && link.mode != 4) older = false;
  }
  nestCount = 0;
  const int type = GetDatasourceType(datasource);
  if (type == DSTYPE_DATASET) nestCount = -1;
  if (type == DSTYPE_ORACLE && LeadingInt(m_strDBVersion) < kFirstAnsiOracleVersion) older = true;

  HRESULT composed = S_OK;
  if (older) {
    composed = ComposeOuterJoinConditions(links, tables, joinText);
    lead.Empty();
  } else {
    composed = ComposeAnsiJoins(links, tables, joinText, lead, nestCount);
  }
  return FAILED(analysed) ? analysed : composed;
}

int CTRParser::GetDatasourceType(const char* name) {
  m_strDBVersion.Empty();
  if (!m_pTRNode || name == nullptr || *name == '\0') return DSTYPE_NONE;
  const IXMLDOMNodePtr datasources = m_pTRNode.selectSingleNode("Datasources");
  if (!datasources) return DSTYPE_NONE;
  CBaseObject source(CBaseObject(datasources).GetChildObject(name, false));
  if (source.IsNull()) return DSTYPE_NONE;
  IXMLDOMElementPtr element = source.IsReferring() ? IXMLDOMElementPtr(source.GetRefObject(false))
                                                   : source.GetElement();
  if (!element) return DSTYPE_NONE;
  m_strDBVersion = element.getAttribute("DBVersion");
  return GetDSType(element);
}

CString CTRParser::ColumnReference(const CString& table, const CString& column) {
  if (IsTradNaming(column) || column.Find('[') == 0) return table + "." + column;
  // A "]" inside brackets is written twice, so that it cannot end the name.
  CString escaped(column);
  escaped.Replace("]", "]]");
  return table + ".[" + escaped + "]";
}

CString CTRParser::TableWithExpression(const CString& table) const {
  const auto entry = m_mapTables.find(table);
  return entry == m_mapTables.end() ? table : entry->second + " " + table;
}

HRESULT CTRParser::ComposeAnsiJoins(const LinkList& relations, CStringArray& tables, CString& joinText,
                                    CString& lead, int& nestCount) {
  CStringArray joined;
  RelationIds used;
  for (std::size_t i = 0; i < relations.links.size(); ++i) {
    const Link& link = relations.links[i];
    if (used.count(link.node) != 0) continue;
    if (!joinText.IsEmpty() && nestCount >= 0) {
      joinText += ")";
      ++nestCount;
    }
    used.insert(link.node);
    if (i == 0) {
      lead = link.pkTable;
      joined.push_back(link.pkTable);
    }

    const CString& table = ContainsNoCase(joined, link.fkTable) ? link.pkTable : link.fkTable;
    CString fragment = JoinKeyword(link.mode) + TableWithExpression(table) + " ON (";
    joined.push_back(table);
    if (!ContainsNoCase(tables, table)) tables.push_back(table);

    if (link.pkColumn.IsEmpty() && link.fkColumn.IsEmpty()) {
      fragment = link.expr;
    } else {
      fragment += ColumnReference(link.pkTable, link.pkColumn) + " " + link.sign + " " +
                  ColumnReference(link.fkTable, link.fkColumn) + AppendParallelRelations(relations, i, used) + ")";
    }
    joinText += "\r\n\t" + fragment;
  }
  return S_OK;
}

CString CTRParser::AppendParallelRelations(const LinkList& relations, std::size_t index, RelationIds& used) const {
  const Link& base = relations.links[index];
  CString extra;
  const auto pair = relations.byPair.find(PairKey(base.pkTable, base.fkTable));
  if (pair == relations.byPair.end()) return extra;
  for (std::size_t k : pair->second) {
    const Link& link = relations.links[k];
    if (k <= index || used.count(link.node) != 0) continue;
    if (link.pkColumn.IsEmpty() && link.fkColumn.IsEmpty()) continue;
    used.insert(link.node);
    extra += " AND " + ColumnReference(link.pkTable, link.pkColumn) + " " + link.sign + " " +
             ColumnReference(link.fkTable, link.fkColumn);
  }
  return extra;
}

HRESULT CTRParser::ComposeOuterJoinConditions(const LinkList& relations, CStringArray& tables,
                                              CString& joinText) const {
  for (const Link& link : relations.links) {
    CString condition;
    if (!link.pkColumn.IsEmpty() || !link.fkColumn.IsEmpty()) {
      condition = ColumnReference(link.pkTable, link.pkColumn);
      if (link.mode == 1 || link.mode == 3) condition += "(+)";
      condition += " " + link.sign + " " + ColumnReference(link.fkTable, link.fkColumn);
      if (link.mode == 0 || link.mode == 3) condition += "(+)";
    } else {
      condition = link.expr;
    }
    joinText += " AND " + condition;
    // Each table joins the list once, whatever its letter case: a repeated
    // entry would make a loop through one of the query's tables count as
    // touching two of them.
    for (const CString* table : {&link.pkTable, &link.fkTable}) {
      if (!table->IsEmpty() && !ContainsNoCase(tables, *table)) tables.push_back(*table);
    }
  }
  if (joinText.Find(" AND ") == 0) joinText = joinText.Mid(5);
  return S_OK;
}
