// CRelationsAnalyser.h - orders the table relations of a query for joining
// and finds the cycles of its relation graph.
//
// Works on a "Relations" element whose "Relation" children each link two
// tables: "PkTable"/"PkColumn" on the primary-key side, "FkTable"/"FkColumn"
// on the foreign-key side, with "ConnectMode" (0 left, 1 right, 2 inner,
// 3 full, ...), "ConnectSign" and "ConnectExpr". Table names are compared
// ignoring ASCII letter case throughout. A relation that links a table to
// itself joins nothing new: it is never taken into the join order and is
// not a cycle. The relation parser of the library (CTRParser) reads the
// element once into a CRelationModel and lays out the join text from the
// join order that GetJoinOrder gives on it.
#pragma once

#include <cstddef>
#include <vector>

#include "contracts/basis30/CRelationModel.h"
#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMElementPtr.h"
#include "platform/IXMLDOMNodePtr.h"

class CRelationsAnalyser {
 public:
  // Positive results of GetRelations.
  static constexpr HRESULT RA_NO_RELATION = 1;      // no relation links two tables of the list
  static constexpr HRESULT RA_START_NOT_FOUND = 3;  // the start table is none of the list's tables

  // GetCycleInfo stops after this many cycles, or after this many steps of
  // its search, so that a dense relation graph (whose simple cycles grow
  // exponentially with its size) costs bounded time and memory.
  static constexpr std::size_t kMaxCycles = 64;
  static constexpr std::size_t kMaxCycleSteps = 1000000;

  CRelationsAnalyser() = default;
  virtual ~CRelationsAnalyser();

  // The "Relations" element to work on (null: no relations). Its parent's
  // "Tables" child, when there is one, is used to resolve a start table
  // given by name (see GetRelations).
  void SetRelationsNode(IXMLDOMNodePtr relations) { m_pRelations = relations; }

  // Orders the relations that join the tables of `tables` for joining,
  // breadth-first from the start table: the tables are visited in the order
  // in which they are reached, and at each table its relations are taken in
  // document order, so that every relation taken joins one table already
  // reached to the next. A relation between two tables that an earlier
  // relation already joins directly (a parallel relation) is taken as
  // well, right where it is met. A relation between two tables that are
  // already connected through other tables would close a loop: it is left
  // out (GetCycleInfo reports it).
  //
  // Tables of the list that no relation links directly are connected
  // through the other tables that the relations name (bridging tables):
  // starting from the start table, the nearest table of the list not yet
  // connected is connected by a shortest chain of relations, the tables
  // on that chain join the set, and so on until no table of the list can
  // be reached any more. Ties go to the tables connected first, then to
  // relations in document order. The bridging tables are appended to
  // `tables` in the order in which the join reaches them, spelled as in
  // the first relation that names them. Relations between tables outside
  // that set stay out.
  //
  // The start table: `start` when it names a table of the list; else the
  // "Alias" of the first child of the sibling "Tables" element whose "Name"
  // or "Expression" equals `start` and whose alias (as written, or enclosed
  // in [ ] when it is not a plain name) is in the list, a child marked
  // IsMaster="True" being preferred among several; the first table of the
  // list when `start` is null or empty.
  //
  // `xmlOut` receives "<Relations>...</Relations>" holding copies of the
  // relations taken, in join order. Every relation that joins a new table
  // has the table it was reached from as its "PkTable" (so the first one has
  // the start table): where that table stands on its foreign-key side, the
  // copy swaps "PkTable"/"FkTable" and "PkColumn"/"FkColumn", turns
  // "ConnectMode" 0 into 1 and 1 into 0, and mirrors a "ConnectSign" of <,
  // >, <= or >=, so that the join keeps its meaning. Parallel relations are
  // copied as they are. The document is not changed.
  //
  // Returns
  //   0                   every table of the list is reached;
  //   0xE0004E27          some tables are not connected to the start table,
  //   (TPE_ANALYSER_      not even through other tables (`xmlOut` holds the
  //    DISCONNECTED)       part that was reached, possibly no relation);
  //   RA_START_NOT_FOUND  `start` is given but resolves to no table of the
  //                       list (`xmlOut` empty, `tables` unchanged); this is
  //                       checked first;
  //   RA_NO_RELATION      no two tables of the list are connected, directly
  //                       or through other tables, also for an empty list or
  //                       no "Relations" element (`xmlOut` empty, `tables`
  //                       unchanged).
  HRESULT GetRelations(CStringArray& tables, CString& xmlOut, const char* start);

  // One relation of the join order: the relation element of the document,
  // and whether its copy in GetRelations' text is turned round.
  struct JoinStep {
    IXMLDOMElementPtr relation;
    bool swapped = false;
  };
  // GetRelations without the text: the relations taken, in join order, for
  // a caller that reads them directly (StepAttribute) rather than parsing
  // the copies back. Same results and `tables` as GetRelations.
  HRESULT GetJoinOrder(CStringArray& tables, std::vector<JoinStep>& steps, const char* start);
  // Attribute `name` of a step's relation as its copy holds it: the sides,
  // the join mode and the comparison turned round when `swapped` (see
  // CRelationModel::Relation::TurnRound).
  static CString StepAttribute(const JoinStep& step, const char* name);

  // One relation of the join order in a model: its position in the
  // model's Relations(), and whether its copy is turned round.
  struct ModelStep {
    std::size_t relation = 0;
    bool swapped = false;
  };
  // GetJoinOrder on a model read beforehand, for a caller that reads the
  // relations' attributes from the model instead of the document. The
  // model stands for the "Relations" element: its Node() serves to resolve
  // a start table given by name. Same results, `tables` and order as
  // GetJoinOrder on the element the model was read from; the element-based
  // operations read a model and run this one.
  static HRESULT GetJoinOrder(const CRelationModel& model, CStringArray& tables, std::vector<ModelStep>& steps,
                              const char* start);

  // The simple cycles (three tables or more) of the undirected graph whose
  // nodes are the tables named by all relations of the "Relations" element
  // and whose edges are the relations, several relations between the same
  // two tables counting as one edge. Each cycle is the array of its tables
  // in the order in which the cycle runs, starting from the table that was
  // named first in the document, each spelled as at its first mention.
  // `cycles` is replaced; the caller owns the arrays by value, so nothing
  // needs releasing. Returns S_OK when every cycle was found, S_FALSE when
  // the search stopped at kMaxCycles cycles or kMaxCycleSteps steps (the
  // cycles found so far are kept).
  HRESULT GetCycleInfo(std::vector<CStringArray>& cycles);

  // The cycles of the same graph that run through two or more entries of
  // `tables` (compared ignoring case; an entry listed twice counts twice),
  // found without enumerating the others: two tables lie on a common
  // cycle exactly when they belong to the same biconnected part of the
  // graph of three tables or more. For each such part that holds two or
  // more entries, one cycle through them is given (through the two of its
  // tables listed first; through the one table and a neighbour when a
  // single table is listed twice), starting from the table listed first;
  // the cycles are ordered by the list position of that table. Tables are
  // spelled as at their first mention. Takes time linear in the size of
  // the graph for each such part; always returns S_OK.
  HRESULT GetCycleInfo(std::vector<CStringArray>& cycles, const CStringArray& tables);
  // The same on a model read beforehand; the element-based operation reads
  // a model and runs this one.
  static HRESULT GetCycleInfo(const CRelationModel& model, std::vector<CStringArray>& cycles,
                              const CStringArray& tables);

  // A text for each result of GetRelations (and for any other code, its
  // message from the message table).
  static CString GetResultText(HRESULT result);

 private:
  IXMLDOMNodePtr m_pRelations;
};
