// CRelationsAnalyser.cpp - the join order of a query's tables through the
// relation model (read by CRelationModel); the cycle searches are in
// CRelationsAnalyserCycles.cpp.
#include "contracts/basis30/CRelationsAnalyser.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace {

bool Listed(const CStringArray& tables, std::string_view name) {
  for (const CString& table : tables) {
    if (CRelationModel::SameName(table.view(), name)) return true;
  }
  return false;
}

// The alias of a "Tables" child as it may stand in the table list: as
// written, or enclosed in [ ] when it is not a plain name.
bool AliasInList(const CString& alias, const CStringArray& tables, CString& name) {
  if (alias.IsEmpty()) return false;
  if (Listed(tables, alias.view())) {
    name = alias;
    return true;
  }
  if (IsTradNaming(alias)) return false;
  name = BracketName(alias.view());
  return Listed(tables, name.view());
}

// Resolves a start table given by name or expression through the "Tables"
// sibling of the relations element; false when nothing matches.
bool StartFromTables(const IXMLDOMNodePtr& relations, const CString& start, const CStringArray& tables,
                     CString& name) {
  const IXMLDOMNodePtr parent = relations.parentNode();
  if (!parent) return false;
  const IXMLDOMNodePtr tablesNode = parent.firstChildNamed("Tables");
  if (!tablesNode) return false;
  bool found = false;
  for (IXMLDOMNodePtr child = tablesNode.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr table(child);
    if (!table) continue;
    if (start.CompareNoCase(table.getAttribute("Name")) != 0 &&
        start.CompareNoCase(table.getAttribute("Expression")) != 0)
      continue;
    CString candidate;
    if (!AliasInList(table.getAttribute("Alias"), tables, candidate)) continue;
    if (table.getAttribute("IsMaster") == "True") {
      name = candidate;
      return true;
    }
    if (!found) name = candidate;
    found = true;
  }
  return found;
}

// The start table (see GetRelations): empty for an empty list without a
// start; false when a start is given that names no table of the list.
bool StartTable(const IXMLDOMNodePtr& relations, const CStringArray& tables, const char* start, CString& table) {
  const CString given(start);
  if (given.IsEmpty()) {
    if (!tables.empty()) table = tables.front();
    return true;
  }
  if (Listed(tables, given.view())) {
    table = given;
    return true;
  }
  return relations && StartFromTables(relations, given, tables, table);
}

void SetOrRemove(const IXMLDOMElementPtr& element, const char* name, const CString& value) {
  if (value.IsEmpty()) {
    element.removeAttribute(name);
  } else {
    element.setAttribute(name, value);
  }
}

// A detached copy of `relation` seen from its foreign-key side.
IXMLDOMElementPtr SwappedCopy(const IXMLDOMElementPtr& relation) {
  CRelationModel::Relation turned(relation);
  const CString mode = turned.connectMode;
  turned.TurnRound();
  IXMLDOMElementPtr copy(relation.cloneNode(true));
  SetOrRemove(copy, "PkTable", turned.pkTable);
  SetOrRemove(copy, "FkTable", turned.fkTable);
  SetOrRemove(copy, "PkColumn", turned.pkColumn);
  SetOrRemove(copy, "FkColumn", turned.fkColumn);
  if (turned.connectMode != mode) copy.setAttribute("ConnectMode", turned.connectMode);
  SetOrRemove(copy, "ConnectSign", turned.connectSign);
  return copy;
}

// The number of the table `name` names among the tables that relations
// may join; -1 for an empty name, which no relation joins.
int JoinTable(const CRelationModel& model, const CString& name) {
  return name.IsEmpty() ? -1 : model.Find(name.view());
}

int OtherSide(const CRelationModel::Relation& relation, int table) {
  return relation.pk == table ? relation.fk : relation.pk;
}

// A table's name as the first relation that joins it spells it.
const CString& JoinSpelling(const CRelationModel& model, int table) {
  for (std::size_t index : model.RelationsOf(table)) {
    const CRelationModel::Relation& relation = model.Relations()[index];
    if (relation.JoinsTwoTables()) return relation.pk == table ? relation.pkTable : relation.fkTable;
  }
  return model.Spelling(table);
}

// One search of a join order on a model: what is known of each table, and
// the work lists that the passes of the search share.
class JoinSearch {
 public:
  explicit JoinSearch(const CRelationModel& model) : m_model(model), m_tables(model.TableCount()) {
    m_queue.reserve(model.TableCount());
    m_order.reserve(model.TableCount());
  }

  void List(int table) { At(table).listed = true; }
  bool AllListedReached() const {
    for (const Table& table : m_tables) {
      if (table.listed && !table.reached) return false;
    }
    return true;
  }

  // Whether two tables of the list lie in one part of the model's graph:
  // only then can anything be joined.
  bool AnyTwoConnected();
  // Marks the tables to join, starting from `start`: each round connects
  // the nearest table of the list not yet joined through a shortest chain
  // of relations, whose inner tables (none of the list: a listed one would
  // be nearer) join as bridges, until no table of the list can be reached
  // any more.
  void Connect(int start);
  // Breadth-first from `start` over the relations among the tables to join
  // (see GetJoinOrder), appending the relations taken to `steps` and the
  // bridging tables to `tables`.
  void Order(int start, std::vector<CRelationsAnalyser::ModelStep>& steps, CStringArray& tables);

 private:
  struct Table {
    bool listed = false;
    bool joined = false;
    bool reached = false;
    bool seen = false;    // by the current pass
    int cameFrom = -1;    // by the current pass
    int reachedFrom = -1;
  };
  Table& At(int table) { return m_tables[static_cast<std::size_t>(table)]; }
  const Table& At(int table) const { return m_tables[static_cast<std::size_t>(table)]; }
  const CRelationModel::Relation& RelationAt(std::size_t index) const { return m_model.Relations()[index]; }
  // The joined table nearest to the tables joined so far, through tables
  // that are not; -1 when none can be reached. Leaves the way back in
  // cameFrom.
  int NearestListed();
  // Marks seen every table not seen yet that a relation joins to
  // `current`, in the order of its relations, and calls `visit` with it;
  // stops at the first for which `visit` returns true and gives it, else -1.
  template <typename Visit>
  int VisitNewNeighbours(int current, Visit visit);

  const CRelationModel& m_model;
  std::vector<Table> m_tables;
  std::vector<int> m_queue;  // of the current pass, read from its head on: first in, first out
  std::vector<int> m_order;  // the tables to join, in the order in which they join
};

template <typename Visit>
int JoinSearch::VisitNewNeighbours(int current, Visit visit) {
  for (std::size_t index : m_model.RelationsOf(current)) {
    const CRelationModel::Relation& relation = RelationAt(index);
    if (!relation.JoinsTwoTables()) continue;
    const int other = OtherSide(relation, current);
    if (At(other).seen) continue;
    At(other).seen = true;
    if (visit(other)) return other;
  }
  return -1;
}

bool JoinSearch::AnyTwoConnected() {
  for (Table& table : m_tables) table.seen = false;
  for (int table = 0; table < static_cast<int>(m_tables.size()); ++table) {
    if (!At(table).listed || At(table).seen) continue;
    int count = 0;
    m_queue.assign(1, table);
    At(table).seen = true;
    for (std::size_t head = 0; head < m_queue.size();) {
      const int current = m_queue[head++];
      if (At(current).listed && ++count >= 2) return true;
      VisitNewNeighbours(current, [this](int other) {
        m_queue.push_back(other);
        return false;
      });
    }
  }
  return false;
}

int JoinSearch::NearestListed() {
  for (Table& table : m_tables) {
    table.seen = table.joined;
    table.cameFrom = -1;
  }
  m_queue.assign(m_order.begin(), m_order.end());
  for (std::size_t head = 0; head < m_queue.size();) {
    const int current = m_queue[head++];
    const int found = VisitNewNeighbours(current, [this, current](int other) {
      At(other).cameFrom = current;
      if (At(other).listed) return true;
      m_queue.push_back(other);
      return false;
    });
    if (found >= 0) return found;
  }
  return -1;
}

void JoinSearch::Connect(int start) {
  At(start).joined = true;
  m_order.assign(1, start);
  for (int found = NearestListed(); found >= 0; found = NearestListed()) {
    // The chain from the table found back to the joined tables, turned
    // round: it joins in the order in which it leads away from them.
    const std::size_t mark = m_order.size();
    for (int table = found; !At(table).joined; table = At(table).cameFrom) m_order.push_back(table);
    std::reverse(m_order.begin() + static_cast<std::ptrdiff_t>(mark), m_order.end());
    for (std::size_t i = mark; i < m_order.size(); ++i) At(m_order[i]).joined = true;
  }
}

// Each relation is decided once, when the first of its tables is visited.
// Each table reached is reached from one table (`reachedFrom`): a later
// relation between those two is parallel to the one taken.
void JoinSearch::Order(int start, std::vector<CRelationsAnalyser::ModelStep>& steps, CStringArray& tables) {
  std::vector<char> decided(m_model.Relations().size(), 0);
  const auto taken = [this](int a, int b) { return At(a).reachedFrom == b || At(b).reachedFrom == a; };
  At(start).reached = true;
  m_queue.assign(1, start);
  for (std::size_t head = 0; head < m_queue.size();) {
    const int table = m_queue[head++];
    for (std::size_t index : m_model.RelationsOf(table)) {
      const CRelationModel::Relation& relation = RelationAt(index);
      if (decided[index] || !relation.JoinsTwoTables()) continue;
      const int other = OtherSide(relation, table);
      if (!At(other).joined) continue;
      decided[index] = 1;
      if (!At(other).reached) {
        At(other).reached = true;
        At(other).reachedFrom = table;
        m_queue.push_back(other);
        // A relation reached from its foreign-key side is turned round, so
        // that the table already joined stands on the primary-key side and
        // LEFT/RIGHT keep which side is optional.
        steps.push_back({index, relation.fk == table});
        if (!At(other).listed) tables.push_back(JoinSpelling(m_model, other));
      } else if (taken(table, other)) {
        steps.push_back({index, false});  // parallel to a relation already taken
      }
      // else: both tables are already connected through others; left out.
    }
  }
}

}  // namespace

CRelationsAnalyser::~CRelationsAnalyser() = default;

HRESULT CRelationsAnalyser::GetRelations(CStringArray& tables, CString& xmlOut, const char* start) {
  xmlOut.Empty();
  std::vector<JoinStep> steps;
  const HRESULT result = GetJoinOrder(tables, steps, start);
  if (result == RA_START_NOT_FOUND || result == RA_NO_RELATION) return result;
  xmlOut = "<Relations>";
  for (const JoinStep& step : steps) {
    xmlOut += step.swapped ? SwappedCopy(step.relation).xml() : step.relation.xml();
  }
  xmlOut += "</Relations>";
  return result;
}

CString CRelationsAnalyser::StepAttribute(const JoinStep& step, const char* name) {
  if (!step.swapped) return step.relation.getAttribute(name);
  CRelationModel::Relation turned(step.relation);
  turned.TurnRound();
  const std::string_view key(name ? name : "");
  if (key == "PkTable") return turned.pkTable;
  if (key == "FkTable") return turned.fkTable;
  if (key == "PkColumn") return turned.pkColumn;
  if (key == "FkColumn") return turned.fkColumn;
  if (key == "ConnectMode") return turned.connectMode;
  if (key == "ConnectSign") return turned.connectSign;
  return step.relation.getAttribute(name);
}

HRESULT CRelationsAnalyser::GetJoinOrder(CStringArray& tables, std::vector<JoinStep>& steps, const char* start) {
  steps.clear();
  const CRelationModel model(m_pRelations);
  std::vector<ModelStep> order;
  const HRESULT result = GetJoinOrder(model, tables, order, start);
  steps.reserve(order.size());
  for (const ModelStep& step : order) steps.push_back({model.Relations()[step.relation].element, step.swapped});
  return result;
}

HRESULT CRelationsAnalyser::GetJoinOrder(const CRelationModel& model, CStringArray& tables,
                                         std::vector<ModelStep>& steps, const char* start) {
  steps.clear();
  CString startTable;
  if (!StartTable(model.Node(), tables, start, startTable)) return RA_START_NOT_FOUND;

  // Every table of the list must be reached in the end; the start table
  // counts as reached even when no relation names it.
  JoinSearch search(model);
  bool unjoinable = false;
  for (const CString& table : tables) {
    const int id = JoinTable(model, table);
    if (id >= 0) {
      search.List(id);
    } else if (!CRelationModel::SameName(table.view(), startTable.view())) {
      unjoinable = true;
    }
  }
  if (!search.AnyTwoConnected()) return RA_NO_RELATION;

  // The tables to join: those of the list that the start table reaches,
  // and the bridging tables between them, taken breadth-first from the
  // start table. A start table that no relation names reaches nothing.
  const int first = JoinTable(model, startTable);
  if (first >= 0) {
    search.Connect(first);
    steps.reserve(model.Relations().size());
    search.Order(first, steps, tables);
  }

  return unjoinable || !search.AllListedReached() ? TPE_ANALYSER_DISCONNECTED : S_OK;
}

CString CRelationsAnalyser::GetResultText(HRESULT result) {
  switch (result) {
    case S_OK:
      return "Every table is joined to the start table";
    case RA_NO_RELATION:
      return "No relation links two of the tables";
    case RA_START_NOT_FOUND:
      return "The start table is not one of the tables";
    default:
      return GetMsg(result);
  }
}
