// CRelationsAnalyser.h - orders the table relations of a query for joining
// and finds the cycles of its relation graph.
//
// Works on a "Relations" element whose "Relation" children each link two
// tables: "PkTable"/"PkColumn" on the primary-key side, "FkTable"/"FkColumn"
// on the foreign-key side, with "ConnectMode" (0 left, 1 right, 2 inner,
// 3 full, ...), "ConnectSign" and "ConnectExpr". Table names are compared
// ignoring ASCII letter case throughout. A relation that links a table to
// itself joins nothing new: it is never taken into the join order and is
// not a cycle. The relation parser of the library (CTRParser) lays out the
// join text from what GetRelations returns.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/CString.h"
#include "platform/HResult.h"
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

  // Orders the relations that link two tables of `tables` for joining,
  // breadth-first from the start table: the tables are visited in the order
  // in which they are reached, and at each table its relations are taken in
  // document order, so that every relation taken joins one table already
  // reached to the next. A relation between two tables that an earlier
  // relation already joins directly (a parallel relation) is taken as
  // well, right where it is met. A relation between two tables that are
  // already connected through other tables would close a loop: it is left
  // out (GetCycleInfo reports it).
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
  //   0xE0004E27          some tables are not connected to the start table
  //   (TPE_ANALYSER_      (`xmlOut` holds the part that was reached, possibly
  //    DISCONNECTED)       no relation at all);
  //   RA_START_NOT_FOUND  `start` is given but resolves to no table of the
  //                       list (`xmlOut` empty); this is checked first;
  //   RA_NO_RELATION      no relation links two tables of the list, also
  //                       for an empty list or no "Relations" element
  //                       (`xmlOut` empty).
  HRESULT GetRelations(const CStringArray& tables, CString& xmlOut, const char* start);

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

  // A text for each result of GetRelations (and for any other code, its
  // message from the message table).
  static CString GetResultText(HRESULT result);

 private:
  IXMLDOMNodePtr m_pRelations;
};
