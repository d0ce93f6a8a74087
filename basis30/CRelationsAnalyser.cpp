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

// The relations between two different named tables, and for each table
// the indices of its relations in document order: the relation graph of
// the whole model. Tables are numbered in order of first mention, so that
// the searches below work on numbers, not on names.
struct Relation {
  IXMLDOMElementPtr element;
  int pk;
  int fk;
};

struct Model {
  std::vector<Relation> relations;
  std::vector<std::vector<std::size_t>> byTable;  // per table number
  std::vector<CString> spelling;                  // as first named
  std::unordered_map<std::string, int> ids;       // folded name -> number

  // The number of the table `folded` names; -1 when no relation names it.
  int Find(const std::string& folded) const {
    const auto it = ids.find(folded);
    return it == ids.end() ? -1 : it->second;
  }
  int Add(const CString& name, const std::string& folded) {
    const auto [it, inserted] = ids.emplace(folded, static_cast<int>(spelling.size()));
    if (inserted) {
      spelling.push_back(name);
      byTable.emplace_back();
    }
    return it->second;
  }
};

Model ReadModel(const IXMLDOMNodePtr& relationsNode) {
  Model model;
  for (const IXMLDOMElementPtr& element : RelationElements(relationsNode)) {
    const CString pk = element.getAttribute("PkTable");
    const CString fk = element.getAttribute("FkTable");
    const std::string pkKey = Fold(pk);
    const std::string fkKey = Fold(fk);
    if (pkKey.empty() || fkKey.empty() || pkKey == fkKey) continue;
    Relation relation{element, model.Add(pk, pkKey), model.Add(fk, fkKey)};
    model.byTable[static_cast<std::size_t>(relation.pk)].push_back(model.relations.size());
    model.byTable[static_cast<std::size_t>(relation.fk)].push_back(model.relations.size());
    model.relations.push_back(std::move(relation));
  }
  return model;
}

int OtherSide(const Relation& relation, int table) { return relation.pk == table ? relation.fk : relation.pk; }

// Whether two tables of the list (`listed`, per table number) lie in one
// part of the model's graph: only then can anything be joined.
bool AnyTwoConnected(const Model& model, const std::vector<char>& listed) {
  std::vector<char> seen(model.spelling.size(), 0);
  for (std::size_t table = 0; table < listed.size(); ++table) {
    if (!listed[table] || seen[table]) continue;
    int count = 0;
    std::vector<int> queue{static_cast<int>(table)};  // read from `head` on: first in, first out
    seen[table] = 1;
    for (std::size_t head = 0; head < queue.size();) {
      const int current = queue[head++];
      if (listed[static_cast<std::size_t>(current)] && ++count >= 2) return true;
      for (std::size_t index : model.byTable[static_cast<std::size_t>(current)]) {
        const int other = OtherSide(model.relations[index], current);
        if (seen[static_cast<std::size_t>(other)]) continue;
        seen[static_cast<std::size_t>(other)] = 1;
        queue.push_back(other);
      }
    }
  }
  return false;
}

// Grows `joined` (in the order of `order`) from the start table until no
// table of the list can be reached any more: each round connects the
// nearest table of the list not yet joined through a shortest chain of
// relations, whose inner tables (none of the list: a listed one would be
// nearer) join as bridges.
void ConnectThroughModel(const Model& model, const std::vector<char>& listed, std::vector<char>& joined,
                         std::vector<int>& order) {
  for (;;) {
    std::vector<int> cameFrom(model.spelling.size(), -1);
    std::vector<int> queue(order.begin(), order.end());
    std::vector<char> seen(joined);
    int found = -1;
    for (std::size_t head = 0; head < queue.size() && found < 0;) {
      const int current = queue[head++];
      for (std::size_t index : model.byTable[static_cast<std::size_t>(current)]) {
        const int other = OtherSide(model.relations[index], current);
        if (seen[static_cast<std::size_t>(other)]) continue;
        seen[static_cast<std::size_t>(other)] = 1;
        cameFrom[static_cast<std::size_t>(other)] = current;
        if (listed[static_cast<std::size_t>(other)]) {
          found = other;
          break;
        }
        queue.push_back(other);
      }
    }
    if (found < 0) return;
    std::vector<int> chain;
    for (int table = found; !joined[static_cast<std::size_t>(table)]; table = cameFrom[static_cast<std::size_t>(table)]) {
      chain.push_back(table);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      joined[static_cast<std::size_t>(*it)] = 1;
      order.push_back(*it);
    }
  }
}

// The undirected graph of the cycle searches: tables numbered in order of
// first mention, several relations between two tables as one edge, no
// edge from a table to itself.
struct TableGraph {
  std::vector<CString> names;
  std::unordered_map<std::string, int> ids;
  std::vector<std::vector<int>> neighbours;
};

TableGraph ReadGraph(const IXMLDOMNodePtr& relationsNode) {
  TableGraph graph;
  std::set<std::pair<int, int>> edges;
  auto idOf = [&graph](const CString& name) {
    const auto [it, inserted] = graph.ids.emplace(Fold(name), static_cast<int>(graph.names.size()));
    if (inserted) {
      graph.names.push_back(name);
      graph.neighbours.emplace_back();
    }
    return it->second;
  };
  for (const IXMLDOMElementPtr& element : RelationElements(relationsNode)) {
    const CString pk = element.getAttribute("PkTable");
    const CString fk = element.getAttribute("FkTable");
    if (pk.IsEmpty() || fk.IsEmpty()) continue;
    const int a = idOf(pk);
    const int b = idOf(fk);
    if (a == b || !edges.insert(std::minmax(a, b)).second) continue;
    graph.neighbours[a].push_back(b);
    graph.neighbours[b].push_back(a);
  }
  return graph;
}

// The biconnected parts of `graph` (each as its tables), found by one
// depth-first walk with its own stack.
std::vector<std::vector<int>> BiconnectedParts(const TableGraph& graph) {
  const int count = static_cast<int>(graph.names.size());
  std::vector<int> discovered(count, -1);
  std::vector<int> low(count, 0);
  std::vector<std::pair<int, int>> edgeStack;
  std::vector<std::vector<int>> parts;
  struct Frame {
    int table;
    int parent;
    std::size_t next;
  };
  int clock = 0;
  for (int root = 0; root < count; ++root) {
    if (discovered[root] >= 0) continue;
    discovered[root] = low[root] = clock++;
    std::vector<Frame> frames{{root, -1, 0}};
    while (!frames.empty()) {
      Frame& frame = frames.back();
      const int v = frame.table;
      if (frame.next < graph.neighbours[v].size()) {
        const int w = graph.neighbours[v][frame.next++];
        if (discovered[w] < 0) {
          edgeStack.emplace_back(v, w);
          discovered[w] = low[w] = clock++;
          frames.push_back({w, v, 0});
        } else if (w != frame.parent && discovered[w] < discovered[v]) {
          edgeStack.emplace_back(v, w);
          low[v] = std::min(low[v], discovered[w]);
        }
        continue;
      }
      frames.pop_back();
      if (frames.empty()) break;
      const int u = frames.back().table;
      low[u] = std::min(low[u], low[v]);
      if (low[v] < discovered[u]) continue;
      // u separates the tables below v from the rest: their edges form a part.
      std::set<int> tables;
      for (;;) {
        const auto [a, b] = edgeStack.back();
        edgeStack.pop_back();
        tables.insert(a);
        tables.insert(b);
        if (a == u && b == v) break;
      }
      parts.emplace_back(tables.begin(), tables.end());
    }
  }
  return parts;
}

// A cycle through the tables `from` and `to` of one biconnected part
// (`inPart` marks its tables): two paths between them that share no other
// table, found as two augmenting paths of a unit flow in which every other
// table may be passed once. Empty when there are no two such paths.
std::vector<int> CycleThrough(const TableGraph& graph, const std::vector<bool>& inPart, int from, int to) {
  // Each table t becomes an entry node 2t and an exit node 2t+1.
  struct Arc {
    int target;
    int capacity;
    std::size_t reverse;
    bool link;  // from one table's exit to another table's entry
  };
  const int count = static_cast<int>(graph.names.size());
  std::vector<std::vector<Arc>> arcs(2 * static_cast<std::size_t>(count));
  auto addArc = [&arcs](int a, int b, bool link) {
    arcs[a].push_back({b, 1, arcs[b].size(), link});
    arcs[b].push_back({a, 0, arcs[a].size() - 1, false});
  };
  for (int t = 0; t < count; ++t) {
    if (!inPart[t]) continue;
    if (t != from && t != to) addArc(2 * t, 2 * t + 1, false);
    for (int w : graph.neighbours[t]) {
      if (inPart[w]) addArc(2 * t + 1, 2 * w, true);
    }
  }
  const int source = 2 * from + 1;
  const int sink = 2 * to;
  for (int round = 0; round < 2; ++round) {
    std::vector<std::pair<int, std::size_t>> via(arcs.size(), {-1, 0});
    std::deque<int> queue{source};
    via[source] = {source, 0};
    while (!queue.empty() && via[sink].first < 0) {
      const int node = queue.front();
      queue.pop_front();
      for (std::size_t k = 0; k < arcs[node].size(); ++k) {
        const Arc& arc = arcs[node][k];
        if (arc.capacity <= 0 || via[arc.target].first >= 0) continue;
        via[arc.target] = {node, k};
        queue.push_back(arc.target);
      }
    }
    if (via[sink].first < 0) return {};
    for (int node = sink; node != source; node = via[node].first) {
      Arc& arc = arcs[via[node].first][via[node].second];
      arc.capacity -= 1;
      arcs[node][arc.reverse].capacity += 1;
    }
  }
  // Each path follows the used links (those whose capacity is spent) from
  // the source to the sink; every other table carries one unit at most, so
  // each walk is a simple path and the two share no table.
  std::vector<std::vector<int>> paths;
  for (int round = 0; round < 2; ++round) {
    std::vector<int> path{from};
    int node = source;
    while (node != sink) {
      int next = -1;
      for (Arc& arc : arcs[node]) {
        if (!arc.link || arc.capacity > 0) continue;
        arc.capacity = 1;  // followed: not again
        next = arc.target;
        break;
      }
      if (next < 0) return {};
      path.push_back(next / 2);
      node = next == sink ? sink : next + 1;
    }
    paths.push_back(std::move(path));
  }
  std::vector<int> cycle = paths[0];
  for (std::size_t k = paths[1].size() - 1; k-- > 1;) cycle.push_back(paths[1][k]);
  return cycle;
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
  const std::string_view key(name ? name : "");
  if (!step.swapped) return step.relation.getAttribute(name);
  if (key == "PkTable") return step.relation.getAttribute("FkTable");
  if (key == "FkTable") return step.relation.getAttribute("PkTable");
  if (key == "PkColumn") return step.relation.getAttribute("FkColumn");
  if (key == "FkColumn") return step.relation.getAttribute("PkColumn");
  if (key == "ConnectSign") return MirroredSign(step.relation.getAttribute("ConnectSign"));
  const CString value = step.relation.getAttribute(name);
  if (key != "ConnectMode") return value;
  CString mode(value);
  mode.Trim();
  if (mode == "0") return "1";
  if (mode == "1") return "0";
  return value;
}

HRESULT CRelationsAnalyser::GetJoinOrder(CStringArray& tables, std::vector<JoinStep>& steps, const char* start) {
  steps.clear();
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

  const Model model = ReadModel(m_pRelations);
  const std::size_t count = model.spelling.size();
  std::vector<char> listed(count, 0);
  for (const std::string& table : inList) {
    const int id = model.Find(table);
    if (id >= 0) listed[static_cast<std::size_t>(id)] = 1;
  }
  if (!AnyTwoConnected(model, listed)) return RA_NO_RELATION;

  // The tables to join: those of the list that the start table reaches,
  // and the bridging tables between them. A start table that no relation
  // names reaches nothing.
  const int first = model.Find(startKey);
  std::vector<char> joined(count, 0);
  std::vector<int> joinOrder;
  if (first >= 0) {
    joined[static_cast<std::size_t>(first)] = 1;
    joinOrder.push_back(first);
    ConnectThroughModel(model, listed, joined, joinOrder);
  }

  // Breadth-first from the start table over the relations among them.
  // Each relation is decided once, when the first of its tables is visited.
  std::vector<bool> decided(model.relations.size(), false);
  std::vector<std::size_t> order;
  std::vector<bool> swapped;  // per entry of `order`
  std::vector<char> reached(count, 0);
  std::set<std::pair<int, int>> joinedPairs;
  std::vector<int> queue;
  if (first >= 0) {
    reached[static_cast<std::size_t>(first)] = 1;
    queue.push_back(first);
  }
  for (std::size_t head = 0; head < queue.size();) {
    const int table = queue[head++];
    for (std::size_t index : model.byTable[static_cast<std::size_t>(table)]) {
      if (decided[index]) continue;
      const Relation& relation = model.relations[index];
      const int other = OtherSide(relation, table);
      if (!joined[static_cast<std::size_t>(other)]) continue;
      decided[index] = true;
      const std::pair<int, int> pair = std::minmax(relation.pk, relation.fk);
      if (!reached[static_cast<std::size_t>(other)]) {
        reached[static_cast<std::size_t>(other)] = 1;
        queue.push_back(other);
        joinedPairs.insert(pair);
        order.push_back(index);
        // A relation reached from its foreign-key side is turned round, so
        // that the table already joined stands on the primary-key side and
        // LEFT/RIGHT keep which side is optional.
        swapped.push_back(relation.fk == table);
        if (!listed[static_cast<std::size_t>(other)]) tables.push_back(model.spelling[static_cast<std::size_t>(other)]);
      } else if (joinedPairs.count(pair) != 0) {
        order.push_back(index);  // parallel to a relation already taken
        swapped.push_back(false);
      }
      // else: both tables are already connected through others; left out.
    }
  }

  for (std::size_t i = 0; i < order.size(); ++i) steps.push_back({model.relations[order[i]].element, swapped[i]});

  // Every table of the list must be reached; the start table counts as
  // reached even when no relation names it.
  for (const std::string& table : inList) {
    if (table == startKey) continue;
    const int id = model.Find(table);
    if (id < 0 || !reached[static_cast<std::size_t>(id)]) return TPE_ANALYSER_DISCONNECTED;
  }
  return S_OK;
}

HRESULT CRelationsAnalyser::GetCycleInfo(std::vector<CStringArray>& cycles) {
  cycles.clear();
  const TableGraph graph = ReadGraph(m_pRelations);
  const std::vector<CString>& names = graph.names;
  const std::vector<std::vector<int>>& neighbours = graph.neighbours;

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

HRESULT CRelationsAnalyser::GetCycleInfo(std::vector<CStringArray>& cycles, const CStringArray& tables) {
  cycles.clear();
  // A cycle runs through three pairs of tables at least, so through three
  // relations: most models of a query have fewer and need no graph.
  if (RelationElements(m_pRelations).size() < 3) return S_OK;
  const TableGraph graph = ReadGraph(m_pRelations);
  const int count = static_cast<int>(graph.names.size());
  // For each table, how often the list names it and where it first does.
  std::vector<int> listed(count, 0);
  std::vector<std::size_t> firstListed(count, tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const auto id = graph.ids.find(Fold(tables[i]));
    if (id == graph.ids.end()) continue;
    if (listed[id->second]++ == 0) firstListed[id->second] = i;
  }

  std::vector<std::pair<std::size_t, CStringArray>> found;  // (list position, cycle)
  std::vector<bool> inPart(count, false);
  for (const std::vector<int>& part : BiconnectedParts(graph)) {
    if (part.size() < 3) continue;  // a single edge: no cycle
    std::vector<int> mine;
    int entries = 0;
    for (int table : part) {
      if (listed[table] == 0) continue;
      mine.push_back(table);
      entries += listed[table];
    }
    if (entries < 2) continue;
    std::sort(mine.begin(), mine.end(), [&firstListed](int a, int b) { return firstListed[a] < firstListed[b]; });
    for (int table : part) inPart[table] = true;
    int to = -1;
    if (mine.size() >= 2) {
      to = mine[1];
    } else {
      for (int w : graph.neighbours[mine[0]]) {
        if (inPart[w]) {
          to = w;
          break;
        }
      }
    }
    const std::vector<int> cycle = to < 0 ? std::vector<int>() : CycleThrough(graph, inPart, mine[0], to);
    for (int table : part) inPart[table] = false;
    if (cycle.size() < 3) continue;
    CStringArray names;
    for (int table : cycle) names.push_back(graph.names[table]);
    found.emplace_back(firstListed[mine[0]], std::move(names));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : found) cycles.push_back(std::move(entry.second));
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
