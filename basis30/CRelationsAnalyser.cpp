// CRelationsAnalyser.cpp - the join order of a query's tables through the
// relation model; the cycle searches are in CRelationsAnalyserCycles.cpp,
// the reading of the model they share in RelationElements.h.
#include "contracts/basis30/CRelationsAnalyser.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "basis30/RelationElements.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace {

// The alias of a "Tables" child as it may stand in the table list: as
// written, or enclosed in [ ] when it is not a plain name.
bool AliasInList(const CString& alias, const std::unordered_set<std::string>& inList, std::string& key) {
  if (alias.IsEmpty()) return false;
  key = FoldTableName(alias);
  if (inList.count(key) != 0) return true;
  if (IsTradNaming(alias)) return false;
  key = FoldTableName("[" + alias + "]");
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
    const std::string pkKey = FoldTableName(pk);
    const std::string fkKey = FoldTableName(fk);
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
  for (const CString& table : tables) inList.insert(FoldTableName(table));

  // The start table, as its folded key.
  const CString startText(start);
  std::string startKey;
  if (!startText.IsEmpty()) {
    startKey = FoldTableName(startText);
    if (inList.count(startKey) == 0 && !(m_pRelations && StartFromTables(m_pRelations, startText, inList, startKey)))
      return RA_START_NOT_FOUND;
  } else if (!tables.empty()) {
    startKey = FoldTableName(tables.front());
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
