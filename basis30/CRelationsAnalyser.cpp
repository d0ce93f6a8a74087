// CRelationsAnalyser.cpp - join order and cycles of a relation graph.
#include "contracts/basis30/CRelationsAnalyser.h"

#include <algorithm>
#include <deque>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "platform/IXMLDOMElementPtr.h"

namespace {

// Table names compare ignoring ASCII case: they are kept folded to lower
// case wherever they are looked up.
std::string Fold(const CString& name) {
  CString folded(name);
  folded.MakeLower();
  return folded.str();
}

struct Relation {
  IXMLDOMElementPtr element;
  std::string pk;  // folded
  std::string fk;  // folded
};

// The "Relation" children of `relations`, in document order.
std::vector<IXMLDOMElementPtr> RelationElements(const IXMLDOMNodePtr& relations) {
  std::vector<IXMLDOMElementPtr> result;
  if (!relations) return result;
  for (IXMLDOMNodePtr child = relations.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr element(child);
    if (element && element.tagName() == "Relation") result.push_back(element);
  }
  return result;
}

// An unordered pair of folded table names.
std::pair<std::string, std::string> PairKey(const std::string& a, const std::string& b) {
  return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
}

// The alias of a "Tables" child as it may stand in the table list: as
// written, or enclosed in [ ] when it is not a plain name.
bool AliasInList(const CString& alias, const std::unordered_set<std::string>& inList, std::string& key) {
  if (alias.IsEmpty()) return false;
  key = Fold(alias);
  if (inList.count(key) != 0) return true;
  if (IsTradNaming(alias)) return false;
  key = Fold("[" + alias + "]");
  return inList.count(key) != 0;
}

// Resolves a start table given by name or expression through the "Tables"
// sibling of the relations element; false when nothing matches.
bool StartFromTables(const IXMLDOMNodePtr& relations, const CString& start,
                     const std::unordered_set<std::string>& inList, std::string& key) {
  const IXMLDOMNodePtr parent = relations.parentNode();
  if (!parent) return false;
  const IXMLDOMNodePtr tables = parent.selectSingleNode("Tables");
  if (!tables) return false;
  bool found = false;
  for (IXMLDOMNodePtr child = tables.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr table(child);
    if (!table) continue;
    if (start.CompareNoCase(table.getAttribute("Name")) != 0 &&
        start.CompareNoCase(table.getAttribute("Expression")) != 0)
      continue;
    std::string candidate;
    if (!AliasInList(table.getAttribute("Alias"), inList, candidate)) continue;
    if (table.getAttribute("IsMaster") == "True") {
      key = candidate;
      return true;
    }
    if (!found) key = candidate;
    found = true;
  }
  return found;
}

void SetOrRemove(const IXMLDOMElementPtr& element, const char* name, const CString& value) {
  if (value.IsEmpty()) {
    element.removeAttribute(name);
  } else {
    element.setAttribute(name, value);
  }
}

CString MirroredSign(const CString& sign) {
  CString trimmed(sign);
  trimmed.Trim();
  if (trimmed == "<") return ">";
  if (trimmed == ">") return "<";
  if (trimmed == "<=") return ">=";
  if (trimmed == ">=") return "<=";
  return sign;
}

// A detached copy of `relation` seen from its foreign-key side: the two
// sides exchanged, left and right joins exchanged, the comparison mirrored.
IXMLDOMElementPtr SwappedCopy(const IXMLDOMElementPtr& relation) {
  IXMLDOMElementPtr copy(relation.cloneNode(true));
  SetOrRemove(copy, "PkTable", relation.getAttribute("FkTable"));
  SetOrRemove(copy, "FkTable", relation.getAttribute("PkTable"));
  SetOrRemove(copy, "PkColumn", relation.getAttribute("FkColumn"));
  SetOrRemove(copy, "FkColumn", relation.getAttribute("PkColumn"));
  CString mode = relation.getAttribute("ConnectMode");
  mode.Trim();
  if (mode == "0") copy.setAttribute("ConnectMode", "1");
  if (mode == "1") copy.setAttribute("ConnectMode", "0");
  SetOrRemove(copy, "ConnectSign", MirroredSign(relation.getAttribute("ConnectSign")));
  return copy;
}

}  // namespace

CRelationsAnalyser::~CRelationsAnalyser() = default;

HRESULT CRelationsAnalyser::GetRelations(const CStringArray& tables, CString& xmlOut, const char* start) {
  xmlOut.Empty();
  std::unordered_set<std::string> inList;
  for (const CString& table : tables) inList.insert(Fold(table));

  // The start table, as its folded key.
  const CString startText(start);
  std::string startKey;
  if (!startText.IsEmpty()) {
    startKey = Fold(startText);
    if (inList.count(startKey) == 0 && !(m_pRelations && StartFromTables(m_pRelations, startText, inList, startKey)))
      return RA_START_NOT_FOUND;
  } else if (!tables.empty()) {
    startKey = Fold(tables.front());
  }

  // The relations between two different tables of the list, and for each
  // table the indices of its relations in document order.
  std::vector<Relation> relations;
  std::unordered_map<std::string, std::vector<std::size_t>> byTable;
  for (const IXMLDOMElementPtr& element : RelationElements(m_pRelations)) {
    Relation relation{element, Fold(element.getAttribute("PkTable")), Fold(element.getAttribute("FkTable"))};
    if (relation.pk == relation.fk || inList.count(relation.pk) == 0 || inList.count(relation.fk) == 0) continue;
    byTable[relation.pk].push_back(relations.size());
    byTable[relation.fk].push_back(relations.size());
    relations.push_back(relation);
  }
  if (relations.empty()) return RA_NO_RELATION;

  // Breadth-first from the start table. Each relation is decided once, when
  // the first of its tables is visited.
  std::vector<bool> decided(relations.size(), false);
  std::vector<std::size_t> order;
  std::vector<bool> swapped;  // per entry of `order`
  std::unordered_set<std::string> reached{startKey};
  std::set<std::pair<std::string, std::string>> joinedPairs;
  std::deque<std::string> queue{startKey};
  while (!queue.empty()) {
    const std::string table = queue.front();
    queue.pop_front();
    for (std::size_t index : byTable[table]) {
      if (decided[index]) continue;
      decided[index] = true;
      const Relation& relation = relations[index];
      const std::string& other = relation.pk == table ? relation.fk : relation.pk;
      const auto pair = PairKey(relation.pk, relation.fk);
      if (reached.insert(other).second) {
        queue.push_back(other);
        joinedPairs.insert(pair);
        order.push_back(index);
        // A relation reached from its foreign-key side is turned round, so
        // that the table already joined stands on the primary-key side and
        // LEFT/RIGHT keep which side is optional.
        swapped.push_back(relation.fk == table);
      } else if (joinedPairs.count(pair) != 0) {
        order.push_back(index);  // parallel to a relation already taken
        swapped.push_back(false);
      }
      // else: both tables are already connected through others; left out.
    }
  }

  xmlOut = "<Relations>";
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Relation& relation = relations[order[i]];
    xmlOut += swapped[i] ? SwappedCopy(relation.element).xml() : relation.element.xml();
  }
  xmlOut += "</Relations>";

  for (const CString& table : tables) {
    if (reached.count(Fold(table)) == 0) return TPE_ANALYSER_DISCONNECTED;
  }
  return S_OK;
}

HRESULT CRelationsAnalyser::GetCycleInfo(std::vector<CStringArray>& cycles) {
  cycles.clear();

  // Tables numbered in order of first mention; edges without repeats.
  std::vector<CString> names;
  std::unordered_map<std::string, int> ids;
  std::vector<std::vector<int>> neighbours;
  std::set<std::pair<int, int>> edges;
  auto idOf = [&](const CString& name) {
    const auto [it, inserted] = ids.emplace(Fold(name), static_cast<int>(names.size()));
    if (inserted) {
      names.push_back(name);
      neighbours.emplace_back();
    }
    return it->second;
  };
  for (const IXMLDOMElementPtr& element : RelationElements(m_pRelations)) {
    const CString pk = element.getAttribute("PkTable");
    const CString fk = element.getAttribute("FkTable");
    if (pk.IsEmpty() || fk.IsEmpty()) continue;
    const int a = idOf(pk);
    const int b = idOf(fk);
    if (a == b || !edges.insert(std::minmax(a, b)).second) continue;
    neighbours[a].push_back(b);
    neighbours[b].push_back(a);
  }

  // A table with one neighbour lies on no cycle; taking such tables away
  // until none is left keeps only the tables that may (so the long
  // branches of a relation tree cost one pass, not a search each).
  const int count = static_cast<int>(names.size());
  std::vector<std::size_t> degree(count);
  std::vector<bool> onCycle(count, true);
  std::vector<int> leaves;
  for (int v = 0; v < count; ++v) {
    degree[v] = neighbours[v].size();
    if (degree[v] <= 1) leaves.push_back(v);
  }
  while (!leaves.empty()) {
    const int v = leaves.back();
    leaves.pop_back();
    if (!onCycle[v]) continue;
    onCycle[v] = false;
    for (int w : neighbours[v]) {
      if (onCycle[w] && --degree[w] <= 1) leaves.push_back(w);
    }
  }

  // Each cycle is found from its lowest-numbered table s, walking simple
  // paths through higher-numbered tables only, and kept in the one of its
  // two directions whose second table is numbered below its last. The walk
  // keeps its own stack, so a long chain of tables cannot exhaust the
  // call stack.
  std::size_t steps = 0;
  std::vector<bool> onPath(count, false);
  for (int s = 0; s < count; ++s) {
    if (!onCycle[s]) continue;
    std::vector<int> path{s};
    std::vector<std::size_t> next{0};
    onPath[s] = true;
    while (!path.empty()) {
      const int v = path.back();
      if (next.back() == neighbours[v].size()) {
        onPath[v] = false;
        path.pop_back();
        next.pop_back();
        continue;
      }
      const int w = neighbours[v][next.back()++];
      if (++steps > kMaxCycleSteps) return S_FALSE;
      if (w == s && path.size() >= 3 && path[1] < path.back()) {
        CStringArray cycle;
        for (int table : path) cycle.push_back(names[table]);
        cycles.push_back(std::move(cycle));
        if (cycles.size() >= kMaxCycles) return S_FALSE;
      } else if (w > s && onCycle[w] && !onPath[w]) {
        onPath[w] = true;
        path.push_back(w);
        next.push_back(0);
      }
    }
  }
  return S_OK;
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
