// CRelationsAnalyser.cpp - the join order of a query's tables through the
// relation model; the cycle searches are in CRelationsAnalyserCycles.cpp,
// the reading of the model they share in RelationElements.h.
#include "contracts/basis30/CRelationsAnalyser.h"

#include <algorithm>
#include <string>
#include <utility>

#include "basis30/RelationElements.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace {

// The folded names of a table list, each once, sorted: a query names a
// handful of tables, which a sorted vector holds without a node per name.
class FoldedList {
 public:
  explicit FoldedList(const CStringArray& tables) {
    keys_.reserve(tables.size());
    for (const CString& table : tables) keys_.push_back(FoldTableName(table));
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
  }
  bool Contains(const std::string& key) const { return std::binary_search(keys_.begin(), keys_.end(), key); }
  std::vector<std::string>::const_iterator begin() const { return keys_.begin(); }
  std::vector<std::string>::const_iterator end() const { return keys_.end(); }

 private:
  std::vector<std::string> keys_;
};

// The alias of a "Tables" child as it may stand in the table list: as
// written, or enclosed in [ ] when it is not a plain name.
bool AliasInList(const CString& alias, const FoldedList& inList, std::string& key) {
  if (alias.IsEmpty()) return false;
  key = FoldTableName(alias);
  if (inList.Contains(key)) return true;
  if (IsTradNaming(alias)) return false;
  key = FoldTableName("[" + alias + "]");
  return inList.Contains(key);
}

// Resolves a start table given by name or expression through the "Tables"
// sibling of the relations element; false when nothing matches.
bool StartFromTables(const IXMLDOMNodePtr& relations, const CString& start, const FoldedList& inList,
                     std::string& key) {
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
// the whole model, so that the searches below work on table numbers, not
// on names. The numbers are identities only; nothing is ordered by them.
struct Relation {
  IXMLDOMElementPtr element;
  int pk;
  int fk;
};

class Model {
 public:
  explicit Model(const IXMLDOMNodePtr& relationsNode);

  std::size_t TableCount() const { return keys_.size(); }
  const std::vector<Relation>& Relations() const { return relations_; }
  // The indices of the relations of table `table`, in document order.
  struct Indices {
    const std::size_t* first;
    const std::size_t* last;
    const std::size_t* begin() const { return first; }
    const std::size_t* end() const { return last; }
  };
  Indices RelationsOf(int table) const {
    const std::size_t t = static_cast<std::size_t>(table);
    return {byTable_.data() + start_[t], byTable_.data() + start_[t + 1]};
  }
  // The table's name as the first relation that names it spells it.
  const CString& Spelling(int table) const { return spelling_[static_cast<std::size_t>(table)]; }
  // The number of the table `folded` names; -1 when no relation names it.
  int Find(const std::string& folded) const {
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), folded);
    return it == keys_.end() || *it != folded ? -1 : static_cast<int>(it - keys_.begin());
  }

 private:
  std::vector<Relation> relations_;
  std::vector<std::string> keys_;   // folded names, sorted: number = position
  std::vector<CString> spelling_;   // per table number
  std::vector<std::size_t> start_;  // per table number, into byTable_; one more at the end
  std::vector<std::size_t> byTable_;
};

Model::Model(const IXMLDOMNodePtr& relationsNode) {
  struct Named {
    IXMLDOMElementPtr element;
    CString pk, fk;
    std::string pkKey, fkKey;
  };
  std::vector<Named> named;
  for (IXMLDOMElementPtr& element : RelationElements(relationsNode)) {
    Named entry{std::move(element), {}, {}, {}, {}};
    entry.pk = entry.element.getAttribute("PkTable");
    entry.fk = entry.element.getAttribute("FkTable");
    entry.pkKey = FoldTableName(entry.pk);
    entry.fkKey = FoldTableName(entry.fk);
    if (entry.pkKey.empty() || entry.fkKey.empty() || entry.pkKey == entry.fkKey) continue;
    named.push_back(std::move(entry));
  }
  keys_.reserve(named.size() * 2);
  for (const Named& entry : named) {
    keys_.push_back(entry.pkKey);
    keys_.push_back(entry.fkKey);
  }
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());

  spelling_.resize(keys_.size());
  start_.assign(keys_.size() + 1, 0);
  relations_.reserve(named.size());
  for (Named& entry : named) {
    Relation relation{std::move(entry.element), Find(entry.pkKey), Find(entry.fkKey)};
    for (const auto& [table, name] : {std::pair<int, const CString*>{relation.pk, &entry.pk}, {relation.fk, &entry.fk}}) {
      CString& spelling = spelling_[static_cast<std::size_t>(table)];
      if (start_[static_cast<std::size_t>(table) + 1]++ == 0) spelling = *name;
    }
    relations_.push_back(std::move(relation));
  }
  for (std::size_t t = 0; t < keys_.size(); ++t) start_[t + 1] += start_[t];
  byTable_.resize(start_.back());
  std::vector<std::size_t> fill(start_.begin(), start_.end() - 1);
  for (std::size_t index = 0; index < relations_.size(); ++index) {
    byTable_[fill[static_cast<std::size_t>(relations_[index].pk)]++] = index;
    byTable_[fill[static_cast<std::size_t>(relations_[index].fk)]++] = index;
  }
}

int OtherSide(const Relation& relation, int table) { return relation.pk == table ? relation.fk : relation.pk; }

// Whether two tables of the list (`listed`, per table number) lie in one
// part of the model's graph: only then can anything be joined.
bool AnyTwoConnected(const Model& model, const std::vector<char>& listed) {
  std::vector<char> seen(model.TableCount(), 0);
  std::vector<int> queue;  // read from `head` on: first in, first out
  queue.reserve(model.TableCount());
  for (std::size_t table = 0; table < listed.size(); ++table) {
    if (!listed[table] || seen[table]) continue;
    int count = 0;
    queue.assign(1, static_cast<int>(table));
    seen[table] = 1;
    for (std::size_t head = 0; head < queue.size();) {
      const int current = queue[head++];
      if (listed[static_cast<std::size_t>(current)] && ++count >= 2) return true;
      for (std::size_t index : model.RelationsOf(current)) {
        const int other = OtherSide(model.Relations()[index], current);
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
  std::vector<int> cameFrom;
  std::vector<int> queue;
  std::vector<char> seen;
  std::vector<int> chain;
  for (;;) {
    cameFrom.assign(model.TableCount(), -1);
    queue.assign(order.begin(), order.end());
    seen.assign(joined.begin(), joined.end());
    int found = -1;
    for (std::size_t head = 0; head < queue.size() && found < 0;) {
      const int current = queue[head++];
      for (std::size_t index : model.RelationsOf(current)) {
        const int other = OtherSide(model.Relations()[index], current);
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
    chain.clear();
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
  const FoldedList inList(tables);

  // The start table, as its folded key.
  const CString startText(start);
  std::string startKey;
  if (!startText.IsEmpty()) {
    startKey = FoldTableName(startText);
    if (!inList.Contains(startKey) && !(m_pRelations && StartFromTables(m_pRelations, startText, inList, startKey)))
      return RA_START_NOT_FOUND;
  } else if (!tables.empty()) {
    startKey = FoldTableName(tables.front());
  }

  const Model model(m_pRelations);
  const std::size_t count = model.TableCount();
  const std::vector<Relation>& relations = model.Relations();
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
  // Each table reached is reached from one table (`reachedFrom`): a later
  // relation between those two is parallel to the one taken.
  std::vector<char> decided(relations.size(), 0);
  std::vector<char> reached(count, 0);
  std::vector<int> reachedFrom(count, -1);
  const auto taken = [&reachedFrom](int a, int b) {
    return reachedFrom[static_cast<std::size_t>(a)] == b || reachedFrom[static_cast<std::size_t>(b)] == a;
  };
  std::vector<int> queue;
  if (first >= 0) {
    reached[static_cast<std::size_t>(first)] = 1;
    queue.push_back(first);
  }
  for (std::size_t head = 0; head < queue.size();) {
    const int table = queue[head++];
    for (std::size_t index : model.RelationsOf(table)) {
      if (decided[index]) continue;
      const Relation& relation = relations[index];
      const int other = OtherSide(relation, table);
      if (!joined[static_cast<std::size_t>(other)]) continue;
      decided[index] = 1;
      if (!reached[static_cast<std::size_t>(other)]) {
        reached[static_cast<std::size_t>(other)] = 1;
        reachedFrom[static_cast<std::size_t>(other)] = table;
        queue.push_back(other);
        // A relation reached from its foreign-key side is turned round, so
        // that the table already joined stands on the primary-key side and
        // LEFT/RIGHT keep which side is optional.
        steps.push_back({relation.element, relation.fk == table});
        if (!listed[static_cast<std::size_t>(other)]) tables.push_back(model.Spelling(other));
      } else if (taken(table, other)) {
        steps.push_back({relation.element, false});  // parallel to a relation already taken
      }
      // else: both tables are already connected through others; left out.
    }
  }

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
