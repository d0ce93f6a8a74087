// CRelationModel.h - the relations of a "Relations" element, read once.
//
// Holds every "Relation" child of the element with the attributes that the
// join order and the join text use, the tables they name (numbered, found
// ignoring ASCII letter case) and, for each table, its relations in
// document order. A value: built once from the document and then only read,
// so that the join order, the join text and the cycle search of one query
// share a single reading of the element. The element itself stays as it is;
// a model does not follow later changes to it.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "platform/CString.h"
#include "platform/IXMLDOMElementPtr.h"
#include "platform/IXMLDOMNodePtr.h"

class CRelationModel {
 public:
  // One "Relation" element with its attributes as getAttribute reads them
  // (an absent attribute reads as empty).
  struct Relation {
    IXMLDOMElementPtr element;
    CString pkTable, pkColumn, fkTable, fkColumn, connectMode, connectSign, connectExpr;
    // The numbers of the two tables in the model (see Find); -1 for a
    // relation read on its own (Read).
    int pk = -1;
    int fk = -1;

    Relation() = default;
    // The attributes of `source` (which must not be null); no numbers.
    explicit Relation(const IXMLDOMElementPtr& source);
    // True, for a relation of a model, when it names two different tables:
    // only such a relation joins anything. A relation that links a table to
    // itself, or whose other side is not named, does not.
    bool JoinsTwoTables() const { return pk != fk && !pkTable.IsEmpty() && !fkTable.IsEmpty(); }
    // Turns the relation round, as seen from its foreign-key side: the
    // table and column names of the two sides exchanged, a "ConnectMode" of
    // 0 (left) made 1 (right) and 1 made 0 (blanks around the digit
    // ignored), a "ConnectSign" of <, >, <= or >= mirrored (likewise), so
    // that the relation keeps its meaning. Other modes and signs, and the
    // "ConnectExpr", stay as written.
    void TurnRound();
  };

  // A model without relations.
  CRelationModel() = default;
  // Reads the "Relation" children of `relations` (null: none), in
  // document order. Relations nested deeper are not part of the model.
  explicit CRelationModel(IXMLDOMNodePtr relations);

  // The element the model was read from (null when none).
  const IXMLDOMNodePtr& Node() const { return m_node; }
  // The relations, in document order; every one, also those that join
  // nothing (see JoinsTwoTables).
  const std::vector<Relation>& Relations() const { return m_relations; }

  // The tables are numbered from 0 in the order in which the relations
  // that name both of their sides first name them (the primary-key side of
  // a relation before its foreign-key side), then the names met only in
  // relations that leave one side empty, the empty name among them. Names
  // that differ only in ASCII letter case are one table.
  std::size_t TableCount() const { return m_spelling.size(); }
  // The number of the table `name` names, ignoring ASCII letter case; -1
  // when no relation names it.
  int Find(std::string_view name) const;
  // The table's name as it is first written in the order of numbering.
  const CString& Spelling(int table) const;
  // The positions (in Relations) of the relations that name `table`, in
  // document order; a relation that names it on both sides is listed once.
  std::span<const std::size_t> RelationsOf(int table) const;

  // Orders two names as their lower-case forms (ASCII letters only) order
  // byte by byte: negative, 0 or positive.
  static int CompareNames(std::string_view a, std::string_view b);
  // True when `a` and `b` are the same name ignoring ASCII letter case.
  static bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNames(a, b) == 0;
  }

 private:
  // A mention is one side of one relation: 2 * the relation's position,
  // + 1 for the foreign-key side.
  const CString& MentionedName(std::size_t mention) const;
  // True when the mention's relation leaves a side empty: its tables are
  // numbered after all others.
  bool NumberedLate(std::size_t mention) const;
  // The number of the table the mention names.
  int& NumberOf(std::size_t mention);
  // Every mention, sorted by name ignoring case and, among equal names, in
  // the order of numbering.
  std::vector<std::size_t> MentionsByName() const;
  void NumberTables();
  void ListRelationsByTable();

  IXMLDOMNodePtr m_node;
  std::vector<Relation> m_relations;
  std::vector<std::size_t> m_spelling;   // per table: the mention that first names it
  std::vector<int> m_byName;             // the table numbers, ordered by name ignoring case
  std::vector<std::size_t> m_firstOf;    // per table: its start in m_byTable; one more at the end
  std::vector<std::size_t> m_byTable;    // relation positions, table after table
};
