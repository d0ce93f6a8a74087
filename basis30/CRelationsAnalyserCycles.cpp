// CRelationsAnalyserCycles.cpp - the cycle searches of CRelationsAnalyser:
// every cycle of a relation model, and the cycles through the tables of a
// query, on the undirected graph of the model's tables.
#include "contracts/basis30/CRelationsAnalyser.h"

#include <algorithm>
#include <deque>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace {

// The undirected graph of the cycle searches, over the numbers of the
// model's tables (in order of first mention, which the searches follow):
// several relations between two tables are one edge, and a relation that
// joins nothing is no edge. Each table's neighbours are in the document
// order of the first relation between the two.
class TableGraph {
 public:
  explicit TableGraph(const CRelationModel& model) : m_model(model), m_first(model.TableCount() + 1, 0) {
    const int count = Count();
    std::vector<int> lastFrom(static_cast<std::size_t>(count), -1);  // the table whose list took it last
    m_neighbours.reserve(2 * model.Relations().size());
    for (int table = 0; table < count; ++table) {
      m_first[static_cast<std::size_t>(table)] = m_neighbours.size();
      for (std::size_t index : model.RelationsOf(table)) {
        const CRelationModel::Relation& relation = model.Relations()[index];
        if (!relation.JoinsTwoTables()) continue;
        const int other = relation.pk == table ? relation.fk : relation.pk;
        if (lastFrom[static_cast<std::size_t>(other)] == table) continue;
        lastFrom[static_cast<std::size_t>(other)] = table;
        m_neighbours.push_back(other);
      }
    }
    m_first.back() = m_neighbours.size();
  }

  int Count() const { return static_cast<int>(m_model.TableCount()); }
  std::span<const int> Neighbours(int table) const {
    const std::size_t t = static_cast<std::size_t>(table);
    return {m_neighbours.data() + m_first[t], m_first[t + 1] - m_first[t]};
  }
  const CString& Name(int table) const { return m_model.Spelling(table); }
  int Find(const CString& name) const { return m_model.Find(name.view()); }

 private:
  const CRelationModel& m_model;
  std::vector<std::size_t> m_first;  // per table, into m_neighbours; one more at the end
  std::vector<int> m_neighbours;
};

// The biconnected parts of `graph` (each as its tables), found by one
// depth-first walk with its own stack.
std::vector<std::vector<int>> BiconnectedParts(const TableGraph& graph) {
  const int count = graph.Count();
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
      if (frame.next < graph.Neighbours(v).size()) {
        const int w = graph.Neighbours(v)[frame.next++];
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
  const int count = graph.Count();
  std::vector<std::vector<Arc>> arcs(2 * static_cast<std::size_t>(count));
  auto addArc = [&arcs](int a, int b, bool link) {
    arcs[a].push_back({b, 1, arcs[b].size(), link});
    arcs[b].push_back({a, 0, arcs[a].size() - 1, false});
  };
  for (int t = 0; t < count; ++t) {
    if (!inPart[t]) continue;
    if (t != from && t != to) addArc(2 * t, 2 * t + 1, false);
    for (int w : graph.Neighbours(t)) {
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

HRESULT CRelationsAnalyser::GetCycleInfo(std::vector<CStringArray>& cycles) {
  cycles.clear();
  const CRelationModel model(m_pRelations);
  const TableGraph graph(model);

  // A table with one neighbour lies on no cycle; taking such tables away
  // until none is left keeps only the tables that may (so the long
  // branches of a relation tree cost one pass, not a search each).
  const int count = graph.Count();
  std::vector<std::size_t> degree(count);
  std::vector<bool> onCycle(count, true);
  std::vector<int> leaves;
  for (int v = 0; v < count; ++v) {
    degree[v] = graph.Neighbours(v).size();
    if (degree[v] <= 1) leaves.push_back(v);
  }
  while (!leaves.empty()) {
    const int v = leaves.back();
    leaves.pop_back();
    if (!onCycle[v]) continue;
    onCycle[v] = false;
    for (int w : graph.Neighbours(v)) {
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
      if (next.back() == graph.Neighbours(v).size()) {
        onPath[v] = false;
        path.pop_back();
        next.pop_back();
        continue;
      }
      const int w = graph.Neighbours(v)[next.back()++];
      if (++steps > kMaxCycleSteps) return S_FALSE;
      if (w == s && path.size() >= 3 && path[1] < path.back()) {
        CStringArray cycle;
        for (int table : path) cycle.push_back(graph.Name(table));
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
  return GetCycleInfo(CRelationModel(m_pRelations), cycles, tables);
}

HRESULT CRelationsAnalyser::GetCycleInfo(const CRelationModel& model, std::vector<CStringArray>& cycles,
                                         const CStringArray& tables) {
  cycles.clear();
  // A cycle runs through three pairs of tables at least, so through three
  // relations: most models of a query have fewer and need no graph.
  if (model.Relations().size() < 3) return S_OK;
  const TableGraph graph(model);
  const int count = graph.Count();
  // For each table, how often the list names it and where it first does.
  std::vector<int> listed(count, 0);
  std::vector<std::size_t> firstListed(count, tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const int id = graph.Find(tables[i]);
    if (id < 0) continue;
    if (listed[id]++ == 0) firstListed[id] = i;
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
      for (int w : graph.Neighbours(mine[0])) {
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
    for (int table : cycle) names.push_back(graph.Name(table));
    found.emplace_back(firstListed[mine[0]], std::move(names));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : found) cycles.push_back(std::move(entry.second));
  return S_OK;
}
