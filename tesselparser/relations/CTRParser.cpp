// CTRParser.cpp - join text and FROM clause from a query's table relations.
#include "relations/CTRParser.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "contracts/basis30/CRelationsAnalyser.h"
#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
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
  return m_pTRNode ? m_pTRNode.firstChildNamed("Tables") : IXMLDOMNodePtr();
}

IXMLDOMNodePtr CTRParser::GetRelationsNode() const {
  return m_pTRNode ? m_pTRNode.firstChildNamed("Relations") : IXMLDOMNodePtr();
}

HRESULT CTRParser::BuildTableMap() {
  m_mapTables.clear();
  m_strDatasource.Empty();
  m_master = MasterTable();
  const IXMLDOMNodePtr tables = GetTablesNode();
  if (!tables) return S_OK;
  HRESULT result = S_OK;
  bool first = true;
  for (IXMLDOMNodePtr child = tables.firstChild(); child; child = child.nextSibling()) {
    const IXMLDOMElementPtr table(child);
    if (!table) continue;
    CString expression;
    bool parsed = false;
    if (result == S_OK && table.hasAttribute("Alias")) {
      const HRESULT hr = MapTable(table, expression);
      parsed = SUCCEEDED(hr);
      if (!parsed) result = hr;
    }
    // Read after the table's parse, which refreshes a table that refers to
    // another object from that object. The data-source name is read from
    // the first table; the master table opens the FROM clause.
    if (first) m_strDatasource = table.getAttribute("Datasource");
    first = false;
    if (!m_master.element && table.getAttribute("IsMaster") == "True") m_master = {table, parsed, expression};
  }
  return result;
}

HRESULT CTRParser::MapTable(const IXMLDOMElementPtr& table, CString& expression) {
  CString alias = table.getAttribute("Alias");
  alias = SqlName(alias);
  CQueryObject object(table);
  const HRESULT hr = object.Parse();
  if (FAILED(hr)) return hr;
  expression = object.GetExpression();
  m_mapTables[alias] = expression;
  return hr;
}

HRESULT CTRParser::ReadMaster(CString& expression, CString& name) const {
  expression.Empty();
  name.Empty();
  if (!m_master.element) return S_OK;
  expression = m_master.expression;
  if (!m_master.parsed) {
    CQueryObject master(m_master.element);
    const HRESULT hr = master.Parse();
    if (FAILED(hr)) return hr;
    expression = master.GetExpression();
  }
  if (expression.IsEmpty()) return S_OK;
  name = m_master.element.getAttribute("Alias");
  if (name.IsEmpty()) {
    name = expression;
  } else {
    name = SqlName(name);
  }
  return S_OK;
}

HRESULT CTRParser::ComposeFromClause(const char* tableList, CString& joinText, CString* fromClause) {
  CStringArray tables;
  const std::string_view list(tableList != nullptr ? tableList : "");
  for (std::size_t start = 0;;) {
    const std::size_t comma = list.find(',', start);
    tables.emplace_back(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return ComposeFromClause(std::move(tables), joinText, fromClause);
}

HRESULT CTRParser::ComposeFromClause(CStringArray tables, CString& joinText, CString* fromClause) {
  joinText.Empty();
  m_strAddedTables.Empty();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    tables[i].Trim(' ');
    if (!tables[i].IsEmpty()) continue;
    tables.resize(i);
    break;
  }
  if (tables.size() < 2) return S_FALSE;

  // The relations are read here once: the join and the search for loops
  // below both work from this reading.
  const CRelationModel relations(GetRelationsNode());
  CString lead;
  int nestCount = 0;
  const std::size_t given = tables.size();
  const HRESULT analysed = AnalyseRelations(relations, joinText, tables, lead, nestCount);
  for (std::size_t i = given; i < tables.size(); ++i) {
    // The FROM list needs the table itself, not only its name, in whatever
    // letter case the relation spells it (see AppendTableWithExpression).
    m_strAddedTables += m_strAddedTables.IsEmpty() ? "" : ",";
    AppendTableWithExpression(m_strAddedTables, tables[i]);
  }
  if (FAILED(analysed) && analysed != TPE_ANALYSER_DISCONNECTED) return analysed;
  // The join is one line: line breaks that a relation's own text (its
  // "ConnectExpr") carries become blanks.
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
  std::vector<CStringArray> cycles;
  CRelationsAnalyser::GetCycleInfo(relations, cycles, tables);
  for (const CStringArray& cycle : cycles) {
    if (!CycleTouchesTables(cycle, tables)) continue;
    result = TPE_RELATION_CYCLE;
    break;
  }

  if (!lead.IsEmpty() && fromClause != nullptr) {
    *fromClause = "FROM ";
    if (nestCount > 0) *fromClause += CString('(', nestCount);
    AppendTableWithExpression(*fromClause, lead);
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

CStringArray CTRParser::WalkToRoot(const CRelationModel& relations) {
  // The chain starts where the document's own selection finds the first
  // relation whose "ConnectMode" is 0 (else 1) as written.
  const IXMLDOMNodePtr& node = relations.Node();
  IXMLDOMElementPtr first(node.selectSingleNode("Relation[@ConnectMode='0']"));
  if (!first) first = node.selectSingleNode("Relation[@ConnectMode='1']");
  if (!first) return {};
  const CString start = first.getAttribute("PkTable");

  // For each foreign-key table, the primary-key table of its first relation
  // in document order: one step towards the root of the chain.
  std::unordered_map<std::string_view, const CString*> parentOf;
  for (const CRelationModel::Relation& relation : relations.Relations()) {
    parentOf.emplace(relation.fkTable.view(), &relation.pkTable);
  }

  // The walk ends at a table without a parent, or at any table met before:
  // a chain may run into a loop that does not pass through its start.
  CStringArray walk{start};
  std::unordered_set<std::string_view> visited{start.view()};
  for (;;) {
    const auto parent = parentOf.find(walk.back().view());
    if (parent == parentOf.end()) break;
    walk.push_back(*parent->second);
    if (!visited.insert(parent->second->view()).second) break;
  }
  return walk;
}

CString CTRParser::NearestListedTable(const CRelationModel& relations, const CString& from,
                                      const CStringArray& tables) {
  const auto listed = [&tables](std::string_view name) -> const CString* {
    for (const CString& entry : tables) {
      if (CRelationModel::SameName(entry.view(), name)) return &entry;
    }
    return nullptr;
  };
  // Breadth-first over the relations in document order, either way round.
  const int origin = relations.Find(from.view());
  if (origin < 0) {
    const CString* entry = listed(from.view());
    if (entry != nullptr) return *entry;
    return tables.empty() ? CString() : tables.front();
  }
  std::vector<char> seen(relations.TableCount(), 0);
  std::vector<int> queue{origin};  // read from `head` on: first in, first out
  seen[static_cast<std::size_t>(origin)] = 1;
  for (std::size_t head = 0; head < queue.size();) {
    const int table = queue[head++];
    const CString* entry = listed(relations.Spelling(table).view());
    if (entry != nullptr) return *entry;
    for (std::size_t index : relations.RelationsOf(table)) {
      const CRelationModel::Relation& relation = relations.Relations()[index];
      const int next = relation.pk == table ? relation.fk : relation.pk;
      if (seen[static_cast<std::size_t>(next)]) continue;
      seen[static_cast<std::size_t>(next)] = 1;
      queue.push_back(next);
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

CTRParser::Link CTRParser::MakeLink(const CRelationModel::Relation& relation) {
  return {&relation, LeadingInt(relation.connectMode)};
}

CTRParser::LinkList CTRParser::ReadLinks(const CRelationModel& relations,
                                         const std::vector<CRelationsAnalyser::ModelStep>& steps) {
  LinkList list;
  list.links.reserve(steps.size());
  std::vector<IXMLDOMElementPtr> nested;
  for (const CRelationsAnalyser::ModelStep& step : steps) {
    const CRelationModel::Relation& relation = relations.Relations()[step.relation];
    if (step.swapped) {
      CRelationModel::Relation& turned = list.own.emplace_front(relation);
      turned.TurnRound();
      list.links.push_back(MakeLink(turned));
    } else {
      list.links.push_back(MakeLink(relation));
    }
    nested.clear();
    NestedRelations(relation.element, nested);
    for (const IXMLDOMElementPtr& element : nested) {
      list.links.push_back(MakeLink(list.own.emplace_front(element)));
    }
  }
  // The positions ordered by pair, then by position: each link of a pair
  // is followed by the next one.
  const std::vector<Link>& links = list.links;
  std::vector<std::size_t> byPair(links.size());
  std::iota(byPair.begin(), byPair.end(), std::size_t{0});
  std::sort(byPair.begin(), byPair.end(), [&links](std::size_t a, std::size_t b) {
    const int order = ComparePairs(links[a], links[b]);
    return order != 0 ? order < 0 : a < b;
  });
  list.nextOfPair.assign(links.size(), LinkList::kNone);
  for (std::size_t i = 1; i < byPair.size(); ++i) {
    if (ComparePairs(links[byPair[i - 1]], links[byPair[i]]) == 0) list.nextOfPair[byPair[i - 1]] = byPair[i];
  }
  return list;
}

// Each link's two tables in name order (ignoring case), compared name by
// name: relations between the same two tables, either way round, compare
// equal.
int CTRParser::ComparePairs(const Link& x, const Link& y) {
  const bool pkFirstX = CRelationModel::CompareNames(x.pkTable().view(), x.fkTable().view()) <= 0;
  const bool pkFirstY = CRelationModel::CompareNames(y.pkTable().view(), y.fkTable().view()) <= 0;
  const CString& lowX = pkFirstX ? x.pkTable() : x.fkTable();
  const CString& lowY = pkFirstY ? y.pkTable() : y.fkTable();
  const int first = CRelationModel::CompareNames(lowX.view(), lowY.view());
  if (first != 0) return first;
  const CString& highX = pkFirstX ? x.fkTable() : x.pkTable();
  const CString& highY = pkFirstY ? y.fkTable() : y.pkTable();
  return CRelationModel::CompareNames(highX.view(), highY.view());
}

HRESULT CTRParser::AnalyseRelations(const CRelationModel& relations, CString& joinText, CStringArray& tables,
                                    CString& lead, int& nestCount) {
  lead.Empty();
  if (tables.size() < 2) return S_OK;
  if (!relations.Node() || !relations.Node().hasChildNodes()) return kNoRelations;

  // The master table, when there is one, opens the FROM clause.
  CString masterName;  // the master's name in relations
  const HRESULT master = ReadMaster(lead, masterName);
  if (FAILED(master)) return master;
  CStringArray walk;
  if (lead.IsEmpty()) {
    walk = WalkToRoot(relations);
    if (!walk.empty()) lead = walk.back();
  }

  std::vector<CRelationsAnalyser::ModelStep> steps;
  HRESULT analysed = CRelationsAnalyser::GetJoinOrder(relations, tables, steps, lead);
  if (analysed == kAnalyserBadStart) {
    // The master, or the root of the chain, is a table of the model that
    // this query does not use. The join then starts from the query's table
    // nearest to it: for the root, the one closest to the root on the walk;
    // for the master, the one fewest relations away; else the first table.
    lead = masterName.IsEmpty() ? NearestOnWalk(walk, tables) : NearestListedTable(relations, masterName, tables);
    analysed = CRelationsAnalyser::GetJoinOrder(relations, tables, steps, lead);
  }
  if (analysed == kAnalyserBadStart || analysed == kAnalyserNoRelation) return analysed;
  const LinkList links = ReadLinks(relations, steps);

  // Joins that are all inner need no outer-join syntax: the older form
  // serves every data source. Older Oracle versions know no ANSI joins.
  bool older = true;
  for (const Link& link : links.links) {
    if (link.mode != 2 && link.mode != 4) older = false;
  }
  nestCount = 0;
  const int type = GetDatasourceType(m_strDatasource);
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

void CTRParser::AppendColumnReference(CString& text, const CString& table, const CString& column) {
  text += table;
  if (IsTradNaming(column) || column.Find('[') == 0) {
    text += '.';
    text += column;
    return;
  }
  text += '.';
  text += BracketName(column.view());
}

void CTRParser::AppendComparison(CString& text, const Link& link) {
  AppendColumnReference(text, link.pkTable(), link.pkColumn());
  text += ' ';
  text += link.sign();
  text += ' ';
  AppendColumnReference(text, link.fkTable(), link.fkColumn());
}

// A relation may spell a table's alias in other letter case than its
// "Table" element ("c" for "C"): it is the same table, and the join must
// still bring its expression, or the statement would name no table.
void CTRParser::AppendTableWithExpression(CString& text, const CString& table) const {
  auto entry = m_mapTables.find(table);
  if (entry == m_mapTables.end()) {
    entry = std::find_if(m_mapTables.begin(), m_mapTables.end(),
                         [&table](const auto& mapped) { return mapped.first.CompareNoCase(table) == 0; });
  }
  if (entry != m_mapTables.end()) {
    text += entry->second;
    text += ' ';
  }
  text += table;
}

HRESULT CTRParser::ComposeAnsiJoins(const LinkList& relations, CStringArray& tables, CString& joinText,
                                    CString& lead, int& nestCount) {
  std::vector<const CString*> joined;  // the names as the links spell them
  joined.reserve(relations.links.size() + 1);
  std::vector<char> used(relations.links.size(), 0);
  for (std::size_t i = 0; i < relations.links.size(); ++i) {
    const Link& link = relations.links[i];
    if (used[i]) continue;
    if (!joinText.IsEmpty() && nestCount >= 0) {
      joinText += ")";
      ++nestCount;
    }
    used[i] = 1;
    if (i == 0) {
      lead = link.pkTable();
      joined.push_back(&link.pkTable());
    }

    const bool fkJoined = std::any_of(joined.begin(), joined.end(), [&link](const CString* name) {
      return name->CompareNoCase(link.fkTable()) == 0;
    });
    const CString& table = fkJoined ? link.pkTable() : link.fkTable();
    joined.push_back(&table);
    if (!ContainsNoCase(tables, table)) tables.push_back(table);

    joinText += ' ';
    if (link.pkColumn().IsEmpty() && link.fkColumn().IsEmpty()) {
      joinText += link.expr();
      continue;
    }
    joinText += JoinKeyword(link.mode);
    AppendTableWithExpression(joinText, table);
    joinText += " ON (";
    AppendComparison(joinText, link);
    AppendParallelRelations(relations, i, used, joinText);
    joinText += ')';
  }
  return S_OK;
}

void CTRParser::AppendParallelRelations(const LinkList& relations, std::size_t index, std::vector<char>& used,
                                        CString& text) {
  for (std::size_t k = relations.nextOfPair[index]; k != LinkList::kNone; k = relations.nextOfPair[k]) {
    const Link& link = relations.links[k];
    if (used[k]) continue;
    if (link.pkColumn().IsEmpty() && link.fkColumn().IsEmpty()) continue;
    used[k] = 1;
    text += " AND ";
    AppendComparison(text, link);
  }
}

HRESULT CTRParser::ComposeOuterJoinConditions(const LinkList& relations, CStringArray& tables,
                                              CString& joinText) const {
  for (const Link& link : relations.links) {
    joinText += " AND ";
    if (!link.pkColumn().IsEmpty() || !link.fkColumn().IsEmpty()) {
      AppendColumnReference(joinText, link.pkTable(), link.pkColumn());
      if (link.mode == 1 || link.mode == 3) joinText += "(+)";
      joinText += ' ';
      joinText += link.sign();
      joinText += ' ';
      AppendColumnReference(joinText, link.fkTable(), link.fkColumn());
      if (link.mode == 0 || link.mode == 3) joinText += "(+)";
    } else {
      joinText += link.expr();
    }
    // Each table joins the list once, whatever its letter case: a repeated
    // entry would make a loop through one of the query's tables count as
    // touching two of them.
    for (const CString* table : {&link.pkTable(), &link.fkTable()}) {
      if (!table->IsEmpty() && !ContainsNoCase(tables, *table)) tables.push_back(*table);
    }
  }
  if (joinText.Find(" AND ") == 0) joinText.Delete(0, 5);
  return S_OK;
}
