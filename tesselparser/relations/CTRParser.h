// CTRParser.h - the join part of a query's statement from its table
// relations.
//
// Works on the query's "TableRelations" element (CSingleQuery's section):
//   Tables       one child per table: "Alias", "IsMaster"="True" for the
//                master table, "Datasource" (read from the first child)
//   Relations    "Relation" children: PkTable/PkColumn, FkTable/FkColumn,
//                ConnectMode (0 LEFT, 1 RIGHT, 2 INNER, 3 FULL, 4 none),
//                ConnectSign, ConnectExpr (the whole join text of a relation
//                without columns)
//   Datasources  data-source objects, found by name; "DBVersion"
// The relations analyser of the object model (CRelationsAnalyser) chooses
// and orders the relations; this class picks the form of the join text,
// lays it out and turns the analyser's outcomes into result codes. Two
// forms: ANSI joins with a FROM clause that opens with as many "(" as the
// nesting needs, or, for data sources that do not take ANSI outer joins,
// join conditions for the WHERE clause with "(+)" outer-join marks. The
// relations are read once per composition (a CRelationModel that the join
// order, the join text and the search for loops share), the tables once,
// when the parser is made.
// Internal to the library: the query's composition creates one on the stack
// per query, calls ComposeFromClause once and drops it.
#pragma once

#include <cstddef>
#include <forward_list>
#include <map>
#include <vector>

#include "contracts/basis30/CRelationsAnalyser.h"

#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMNodeListPtr.h"

class CTRParser {
 public:
  // Keeps `trNode` and, when it is not null, reads its tables at once
  // (BuildTableMap; a table whose query object fails to parse is simply
  // missing from the map).
  explicit CTRParser(IXMLDOMNodePtr trNode = nullptr);
  CTRParser(const CTRParser&) = delete;
  CTRParser& operator=(const CTRParser&) = delete;
  virtual ~CTRParser();

  // Maps each table's name in relations (its "Alias", enclosed in [ ] when
  // it is not a plain name) to its SQL expression, parsing each child of
  // "Tables" that has an "Alias" as a query object. Returns 0, or the first
  // parse failure (no table is parsed after it). Writes each table's
  // "Expression". Also notes what a composition needs of the tables, each
  // read after the table's parse (which may refresh a table that refers to
  // another object): the "Datasource" of the first child, and the first
  // child marked IsMaster="True" with the expression its parse gave, if it
  // was parsed. A composition works from what the last call read.
  HRESULT BuildTableMap();

  // Composes the join part for the comma list `tableList` (the names the
  // query's tables go by; entries trimmed of blanks, the list ending at its
  // first empty entry). `joinText` is emptied, then receives the join
  // fragments, each starting with a blank (ANSI form), or the join
  // conditions joined by " AND " (older form). `*fromClause` (when not
  // null) receives "FROM " + "(" per nesting level + the lead table in the
  // ANSI form and is left untouched otherwise. The lead table is written
  // as every joined table is: its map expression and a blank before its
  // name when the table map holds it.
  // Returns
  //   1            fewer than two tables (nothing composed);
  //   0xE00032D0   no "Relations", or it is empty;
  //   0xE00032D1   no table to lead with: the analyser refused the lead
  //                table, and the table of the list chosen in its place;
  //   0xE00032D2   some tables are not connected to the others, not even
  //                through tables the list lacks (what was joined is
  //                composed);
  //   0xE00032D3   no two of the tables are connected, directly or through
  //                other tables (nothing composed), or a cycle of relations
  //                runs through two or more of the joined tables (texts
  //                composed all the same);
  //   another negative code: the master table's query object failed;
  //   0            otherwise.
  HRESULT ComposeFromClause(const char* tableList, CString& joinText, CString* fromClause);
  // The same for the names as a list already split at its commas (each
  // entry trimmed of blanks here, the list ending at its first empty one),
  // for a caller that has the names at hand rather than as one text.
  HRESULT ComposeFromClause(CStringArray tables, CString& joinText, CString* fromClause);

  // The tables that the last ComposeFromClause joined although `tableList`
  // lacked them (tables that connect the query's tables, or that a relation
  // names in the older form), each as a FROM list names it: the map's
  // expression, a blank and the name when the map holds the table (found
  // ignoring case, the name then spelled as the map's), else the name;
  // separated by ",". Empty before any composition.
  const CString& GetAddedTables() const { return m_strAddedTables; }

 protected:
  // One relation of the analyser's order, turned round where the analyser
  // says so. The relations of a list are distinct elements, so that a
  // relation is known by its position. A link reads the relation where it
  // stands (in the model, or in its list when the link needs a relation of
  // its own): a join reads each name once, so nothing is copied for it.
  struct Link {
    const CRelationModel::Relation* relation = nullptr;
    int mode = 0;  // "ConnectMode" as an integer (leading digits, 0 when none)

    const CString& pkTable() const { return relation->pkTable; }
    const CString& pkColumn() const { return relation->pkColumn; }
    const CString& fkTable() const { return relation->fkTable; }
    const CString& fkColumn() const { return relation->fkColumn; }
    const CString& sign() const { return relation->connectSign; }
    const CString& expr() const { return relation->connectExpr; }
  };
  // The relations in order, and for each the position of the next one
  // that links the same two tables (either way round, ignoring case).
  struct LinkList {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<Link> links;
    std::vector<std::size_t> nextOfPair;  // kNone after the last of a pair
    // The relations that are not the model's as they stand: those turned
    // round, and those nested inside a relation. A list keeps its nodes in
    // place, so that the links can point at them.
    std::forward_list<CRelationModel::Relation> own;
  };
  // What BuildTableMap noted of the master table.
  struct MasterTable {
    IXMLDOMElementPtr element;  // null: no table is the master
    bool parsed = false;        // `expression` holds the expression of its parse
    CString expression;
  };

  // Asks the analyser for the join order of `relations` (the model of the
  // "Relations" element) from the master table (or, without one, the root
  // of the foreign-key chain of the first left or right join), chooses the
  // form and composes it. When that table is not one of `tables`, the join
  // starts from the table of `tables` nearest to it (see WalkToRoot and
  // NearestListedTable), else from the first of `tables`. The master is
  // parsed here only when BuildTableMap did not parse it. `lead` receives
  // the table that opens the FROM clause (empty in the older form),
  // `nestCount` the number of "(" it needs (-1: the data source takes no
  // nesting). `tables` gains the tables of the relations that it lacks.
  // Returns 2 for no relations, the master's parse failure, the analyser's
  // result when it gives no readable text or when it is negative, else 0.
  HRESULT AnalyseRelations(const CRelationModel& relations, CString& joinText, CStringArray& tables, CString& lead,
                           int& nestCount);
  // The DSTYPE of the data source named `name` among the children of
  // "Datasources" (following a reference); 0 when there is none or `name`
  // is empty. Sets m_strDBVersion from the data source found.
  int GetDatasourceType(const char* name);
  // ANSI form: one " " + keyword + table + " ON (" + condition + ")"
  // fragment per relation, appended to `joinText`, a ")" before every later
  // fragment while nesting. A relation without columns contributes its
  // "ConnectExpr" alone. The table joined is the foreign-key table, or the
  // primary-key table when the foreign-key table is joined already. `lead`
  // becomes the first relation's "PkTable". A joined table that `tables`
  // lacks (ignoring case) is added. Returns 0.
  HRESULT ComposeAnsiJoins(const LinkList& relations, CStringArray& tables, CString& joinText, CString& lead,
                           int& nestCount);
  // Appends to `text` the " AND pk = fk" comparisons of the relations after
  // `index` that link the same two tables, either way round, and have
  // columns; marks them used (per position). A parallel relation without
  // columns is left to contribute its own "ConnectExpr".
  static void AppendParallelRelations(const LinkList& relations, std::size_t index, std::vector<char>& used,
                                      CString& text);
  // Older form: the conditions joined by " AND " (appended to `joinText`;
  // a leading " AND " of the whole text is dropped), with "(+)" after the
  // optional side's column (mode 0: foreign key, 1: primary key, 3: both).
  // A relation without columns contributes its "ConnectExpr". A table of a
  // relation that `tables` lacks (ignoring case) is added once. Returns 0.
  HRESULT ComposeOuterJoinConditions(const LinkList& relations, CStringArray& tables, CString& joinText) const;
  // True when two or more (cycle table, list entry) pairs name the same
  // table, ignoring case; duplicate list entries count separately.
  static bool CycleTouchesTables(const CStringArray& cycle, const CStringArray& tables);

  IXMLDOMNodePtr GetTablesNode() const;
  IXMLDOMNodePtr GetRelationsNode() const;

  IXMLDOMNodePtr m_pTRNode;
  std::map<CString, CString> m_mapTables;  // table name in relations -> SQL expression
  CString m_strDatasource;                 // of the first table (BuildTableMap)
  MasterTable m_master;                    // (BuildTableMap)
  CString m_strDBVersion;
  CString m_strAddedTables;  // see GetAddedTables

 private:
  // Appends "table.column", or "table.[column]" when the column is neither
  // a plain name nor already bracketed; a "]" inside the added brackets is
  // doubled so that the name cannot end early.
  static void AppendColumnReference(CString& text, const CString& table, const CString& column);
  // Appends the link's "pk.column sign fk.column".
  static void AppendComparison(CString& text, const Link& link);
  // Appends `table`, after the map's expression and a blank when the map
  // holds it (in any letter case).
  void AppendTableWithExpression(CString& text, const CString& table) const;
  // Parses the query object of `table` (a child of "Tables" with an
  // "Alias") and maps its name in relations to the expression; returns the
  // parse's result and, on success, the expression.
  HRESULT MapTable(const IXMLDOMElementPtr& table, CString& expression);
  // The master's expression (parsing the master when BuildTableMap did not)
  // and, when it is not empty, the master's name in relations: its alias
  // (enclosed in [ ] when it is not a plain name), else the expression.
  // Both empty without a master; returns the parse's failure.
  HRESULT ReadMaster(CString& expression, CString& name) const;
  // The walk to the lead table without a master: from the primary-key table
  // of the first relation of "ConnectMode" 0 (else 1) along the first
  // relation naming each table as its foreign-key table, to the root of the
  // chain (or to the first table met twice). Table names are matched
  // exactly here, letter case included. Empty when there is no such
  // relation. The last entry is the lead.
  static CStringArray WalkToRoot(const CRelationModel& relations);
  // The table of `tables` fewest relations away from `from` (either way
  // round, every relation of the model counting, ties to relations in
  // document order), as `tables` spells it; the first of `tables` when none
  // is connected to it.
  static CString NearestListedTable(const CRelationModel& relations, const CString& from,
                                    const CStringArray& tables);
  // The links of the join order `steps` of `relations`. A "Relation" nested
  // inside a relation (which no editor writes) follows it as it stands, as
  // it would in the analyser's text.
  static LinkList ReadLinks(const CRelationModel& relations,
                            const std::vector<CRelationsAnalyser::ModelStep>& steps);
  // The link of `relation` (which must outlive it).
  static Link MakeLink(const CRelationModel::Relation& relation);
  // Orders the pairs of tables that two links link: negative, 0 (the same
  // two tables, either way round, ignoring case) or positive.
  static int ComparePairs(const Link& x, const Link& y);
};
