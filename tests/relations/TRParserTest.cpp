// TRParserTest.cpp - join text and FROM clause from table relations: the
// two forms, nesting, parallel relations, cycles, the analyser's outcomes,
// the lead table, tables that connect the query's tables, and loops
// elsewhere in the model.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "contracts/basis30/ResultCodes.h"
#include "relations/CTRParser.h"
#include "support/XmlFixture.h"

namespace {

const char* const kUntouched = "<untouched>";

std::string Rel(const char* pk, const char* pkColumn, const char* fk, const char* fkColumn, const char* mode,
                const char* extra = "") {
  return std::string("<Relation PkTable=\"") + pk + "\" PkColumn=\"" + pkColumn + "\" FkTable=\"" + fk +
         "\" FkColumn=\"" + fkColumn + "\" ConnectMode=\"" + mode + "\" ConnectSign=\"=\" " + extra + "/>";
}

// T1 (no map entry: it has no alias), T2 and T3 with the map expressions E2
// and E3; the first table names the data source "DS".
std::string Document(const std::string& relations, const std::string& datasources = "") {
  return "<Query><Store><Datasource GUID=\"{ora8}\" DBType=\"Oracle\" DBVersion=\"8\"/></Store>"
         "<TableRelations><Tables><Table Name=\"T1\" Datasource=\"DS\"/><Table Name=\"E2\" Alias=\"T2\"/>"
         "<Table Name=\"E3\" Alias=\"T3\"/></Tables>" +
         (datasources.empty() ? std::string() : "<Datasources>" + datasources + "</Datasources>") +
         "<Relations>" + relations + "</Relations></TableRelations></Query>";
}

std::string Chain(const char* mode1, const char* mode2) {
  return Rel("T1", "[id]", "T2", "[t1id]", mode1) + Rel("T2", "[id]", "T3", "[t2id]", mode2);
}

class TRParserTest : public XmlFixture {
 protected:
  HRESULT Compose(const char* tables) {
    CTRParser parser(Select("TableRelations"));
    m_join = "stale";
    m_from = kUntouched;
    return parser.ComposeFromClause(tables, m_join, &m_from);
  }
  CString m_join;
  CString m_from;
};

struct FormCase {
  const char* name;
  std::string relations;
  std::string datasources;
  const char* from;
  const char* join;
};

TEST_F(TRParserTest, ARelationHoldingTextThatXmlCannotCarryIsStillJoined) {
  // A host may set any bytes through the DOM; the join is read from the
  // relations themselves, so such a value no longer loses the whole join.
  Load(Document(Chain("0", "2")));
  IXMLDOMElementPtr(Select("TableRelations/Relations/Relation[2]")).setAttribute("FkColumn", "[t2\x01id]");
  EXPECT_EQ(Compose("T1,T2,T3"), S_OK);
  EXPECT_EQ(m_from, "FROM (T1");
  EXPECT_EQ(m_join, " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id])) INNER JOIN E3 T3 ON (T2.[id] = T3.[t2\x01id])");
}

TEST_F(TRParserTest, AnsiJoinsOrOlderFormByModesAndDataSource) {
  const char* nested = " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id])) INNER JOIN E3 T3 ON (T2.[id] = T3.[t2id])";
  const char* older = "T1.[id] = T2.[t1id](+) AND T2.[id] = T3.[t2id]";
  const FormCase cases[] = {
      {"nesting on", Chain("0", "2"), "", "FROM (T1", nested},
      {"dataset engine: no nesting", Chain("0", "2"), "<Datasource Name=\"DS\" DBType=\"Dataset\"/>", "FROM T1",
       " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id]) INNER JOIN E3 T3 ON (T2.[id] = T3.[t2id])"},
      {"Oracle 8", Chain("0", "2"), "<Datasource Name=\"DS\" DBType=\"Oracle\" DBVersion=\"8\"/>", kUntouched, older},
      {"Oracle 8.1.7", Chain("0", "2"), "<Datasource Name=\"DS\" DBType=\"Oracle\" DBVersion=\"8.1.7\"/>", kUntouched,
       older},
      {"Oracle without version", Chain("0", "2"), "<Datasource Name=\"DS\" DBType=\"Oracle\"/>", kUntouched, older},
      {"Oracle 10", Chain("0", "2"), "<Datasource Name=\"DS\" DBType=\"Oracle\" DBVersion=\"10\"/>", "FROM (T1",
       nested},
      {"Oracle 8 by reference", Chain("0", "2"), "<Datasource Name=\"DS\" RefObject=\"{ora8}\"/>", kUntouched, older},
      {"version of another source", Chain("0", "2"), "<Datasource Name=\"Other\" DBType=\"Oracle\"/>", "FROM (T1",
       nested},
      {"all inner on any source", Chain("2", "4"), "<Datasource Name=\"DS\" DBType=\"SQLServer\"/>", kUntouched,
       "T1.[id] = T2.[t1id] AND T2.[id] = T3.[t2id]"},
      {"right join, older", Chain("1", "2"), "<Datasource Name=\"DS\" DBType=\"Oracle\" DBVersion=\"8\"/>",
       kUntouched, "T1.[id](+) = T2.[t1id] AND T2.[id] = T3.[t2id]"},
      {"full join, older", Chain("3", "2"), "<Datasource Name=\"DS\" DBType=\"Oracle\" DBVersion=\"8\"/>", kUntouched,
       "T1.[id](+) = T2.[t1id](+) AND T2.[id] = T3.[t2id]"},
      {"full and right joins, ANSI", Chain("3", "1"), "", "FROM (T1",
       " FULL JOIN E2 T2 ON (T1.[id] = T2.[t1id])) RIGHT JOIN E3 T3 ON (T2.[id] = T3.[t2id])"},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(Document(c.relations, c.datasources));
    EXPECT_EQ(Compose("T1,T2,T3"), S_OK);
    EXPECT_EQ(m_from, c.from);
    EXPECT_EQ(m_join, c.join);
  }
}

TEST_F(TRParserTest, RelationWithoutColumnsContributesItsConnectExpr) {
  Load(Document(Rel("T1", "[id]", "T2", "[t1id]", "0") +
                Rel("T2", "", "T3", "", "0", "ConnectExpr=\"LEFT JOIN E3 T3 ON T3.k = T2.k\"")));
  EXPECT_EQ(Compose("T1,T2,T3"), S_OK);
  EXPECT_EQ(m_from, "FROM (T1");
  EXPECT_EQ(m_join, " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id])) LEFT JOIN E3 T3 ON T3.k = T2.k");
}

TEST_F(TRParserTest, ParallelRelationsShareOneOnCondition) {
  // T1 is the master, so the join order does not depend on the direction
  // of the second relation, which runs the other way round; its mode is
  // not looked at.
  const std::string head =
      "<Query><TableRelations><Tables><Table Name=\"E1\" Alias=\"T1\" IsMaster=\"True\"/>"
      "<Table Name=\"E2\" Alias=\"T2\"/></Tables><Relations>" +
      Rel("T1", "id", "T2", "t1id", "0");
  const std::string tail = "</Relations></TableRelations></Query>";
  Load(head + Rel("t2", "code", "T1", "code", "2") + tail);
  EXPECT_EQ(Compose("T1,T2"), S_OK);
  EXPECT_EQ(m_from, "FROM E1 T1");
  EXPECT_EQ(m_join, " LEFT JOIN E2 T2 ON (T1.id = T2.t1id AND t2.code = T1.code)");

  // A parallel relation without columns keeps its own join text rather
  // than adding an empty comparison; one with columns after it still joins
  // the first one's condition.
  const std::string bare = Rel("T2", "", "T1", "", "0", "ConnectExpr=\"LEFT JOIN E2 T2b ON (T2b.k = T1.k)\"");
  Load(head + bare + tail);
  EXPECT_EQ(Compose("T1,T2"), S_OK);
  EXPECT_EQ(m_from, "FROM (E1 T1");
  EXPECT_EQ(m_join, " LEFT JOIN E2 T2 ON (T1.id = T2.t1id)) LEFT JOIN E2 T2b ON (T2b.k = T1.k)");
  Load(head + bare + Rel("t1", "code", "T2", "code", "2") + tail);
  EXPECT_EQ(Compose("T1,T2"), S_OK);
  EXPECT_EQ(m_join,
            " LEFT JOIN E2 T2 ON (T1.id = T2.t1id AND t1.code = T2.code)) LEFT JOIN E2 T2b ON (T2b.k = T1.k)");
}

TEST_F(TRParserTest, RelationNestedInARelationFollowsItAsWritten) {
  // The master T2 stands on the foreign-key side: its relation is turned
  // round, the relation nested in it is not.
  Load(R"(<Query><TableRelations>
    <Tables>
      <Table Name="E1" Alias="T1"/><Table Name="E2" Alias="T2" IsMaster="True"/><Table Name="E3" Alias="T3"/>
    </Tables>
    <Relations>
      <Relation PkTable="T1" PkColumn="id" FkTable="T2" FkColumn="t1id" ConnectMode="0" ConnectSign="&lt;">
        <Relation PkTable="T2" PkColumn="id" FkTable="T3" FkColumn="t2id" ConnectMode="0" ConnectSign="&lt;"/>
      </Relation>
    </Relations>
  </TableRelations></Query>)");
  CTRParser parser(Select("TableRelations"));
  EXPECT_EQ(parser.ComposeFromClause("T1,T2", m_join, &m_from), S_OK);
  EXPECT_EQ(m_from, "FROM (E2 T2");
  EXPECT_EQ(m_join, " RIGHT JOIN E1 T1 ON (T2.t1id > T1.id)) LEFT JOIN E3 T3 ON (T2.id < T3.t2id)");
  EXPECT_EQ(parser.GetAddedTables(), "E3 T3");
}

TEST_F(TRParserTest, MasterWithoutAliasOrMadeMasterByItsReferenceLeads) {
  // Without the master the root of the chain, O, would lead.
  const std::string relation =
      "<Relations><Relation PkTable=\"O\" PkColumn=\"CustomerID\" FkTable=\"C\" FkColumn=\"ID\" "
      "ConnectMode=\"0\" ConnectSign=\"=\"/></Relations>";
  // A master that the table map leaves out (it has no alias) is parsed for
  // the composition; it goes by its expression.
  Load("<Query><TableRelations><Tables><Table Name=\"Orders\" Alias=\"O\"/><Table Name=\"C\" IsMaster=\"True\"/>"
       "</Tables>" + relation + "</TableRelations></Query>");
  EXPECT_EQ(Compose("O,C"), S_OK);
  EXPECT_EQ(m_from, "FROM C");
  EXPECT_EQ(m_join, " RIGHT JOIN Orders O ON (C.ID = O.CustomerID)");

  // A table that refers to another object takes that object's attributes
  // when it is parsed, IsMaster among them.
  Load("<Query><Store><Table GUID=\"{m}\" Name=\"Customers\" Alias=\"C\" IsMaster=\"True\"/></Store>"
       "<TableRelations><Tables><Table Name=\"Orders\" Alias=\"O\"/><Table Alias=\"C\" RefObject=\"{m}\"/>"
       "</Tables>" + relation + "</TableRelations></Query>");
  EXPECT_EQ(Compose("O,C"), S_OK);
  EXPECT_EQ(m_from, "FROM Customers C");
  EXPECT_EQ(m_join, " RIGHT JOIN Orders O ON (C.ID = O.CustomerID)");
}

TEST_F(TRParserTest, CycleIsReportedWithTheTextsComposed) {
  Load(Document(Chain("0", "0") + Rel("T3", "[id]", "T1", "[t3id]", "0")));
  EXPECT_EQ(Compose("T1,T2,T3"), TPE_RELATION_CYCLE);
  EXPECT_EQ(m_from, "FROM (T1");
  // From T1 both of its relations are taken; the one between T2 and T3
  // would close the loop and is left out. T3 is reached from the
  // foreign-key side of its relation, so the join is turned round: T3 stays
  // the side whose rows are all kept.
  EXPECT_EQ(m_join, " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id])) RIGHT JOIN E3 T3 ON (T1.[t3id] = T3.[id])");
}

TEST_F(TRParserTest, LoopThroughOneQueryTableIsNoCycleInEitherForm) {
  for (const char* mode : {"0", "2"}) {
    SCOPED_TRACE(mode);
    Load(Document(Rel("T1", "id", "T2", "t1id", mode) + Rel("T1", "id", "X", "t1id", "2") +
                  Rel("X", "id", "Y", "xid", "2") + Rel("Y", "id", "T1", "yid", "2")));
    EXPECT_EQ(Compose("T1,T2"), S_OK);
    EXPECT_FALSE(m_join.IsEmpty());
  }
}

struct OutcomeCase {
  const char* name;
  std::string relations;
  const char* tables;
  HRESULT expected;
  const char* join;
};

TEST_F(TRParserTest, OutcomesAndTheirCodes) {
  const OutcomeCase cases[] = {
      {"one table", Chain("0", "0"), "T1", S_FALSE, ""},
      {"list ends at its first empty entry", Chain("0", "0"), " T1 ,, T2", S_FALSE, ""},
      {"entries trimmed, the rest dropped", Chain("0", "2"), " T1 , T2 ,, T3", S_OK,
       " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id])"},
      {"empty relations", "", "T1,T2", TPE_NO_RELATIONS, ""},
      {"some tables not joined", Chain("0", "0"), "T1,T2,T4", TPE_TABLES_DISCONNECTED,
       " LEFT JOIN E2 T2 ON (T1.[id] = T2.[t1id])"},
      {"no relation between the tables", Chain("0", "0"), "T1,T4", TPE_RELATION_CYCLE, ""},
  };
  for (const OutcomeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(Document(c.relations));
    EXPECT_EQ(Compose(c.tables), c.expected);
    EXPECT_EQ(m_join, c.join);
    if (c.expected != S_OK) {
      EXPECT_EQ(m_from, kUntouched);
    }
  }

  Load("<Query><TableRelations><Tables><Table Name=\"A\" Alias=\"A\"/></Tables></TableRelations></Query>");
  EXPECT_EQ(Compose("A,B"), TPE_NO_RELATIONS);

}

TEST_F(TRParserTest, LeadTableIsWrittenWithItsExpression) {
  // The master stands on the foreign-key side: the join is seen from it.
  Load(R"(<Query><TableRelations>
    <Tables>
      <Table Name="Customers" Schema="dbo" Alias="C" IsMaster="True"/>
      <Table Name="Orders" Alias="O"/>
    </Tables>
    <Relations>
      <Relation PkTable="O" PkColumn="CustomerID" FkTable="C" FkColumn="ID" ConnectMode="1" ConnectSign="="/>
    </Relations>
  </TableRelations></Query>)");
  EXPECT_EQ(Compose("C,O"), S_OK);
  EXPECT_EQ(m_from, "FROM dbo.Customers C");
  EXPECT_EQ(m_join, " LEFT JOIN Orders O ON (C.ID = O.CustomerID)");
}

struct RootCase {
  const char* name;
  std::string relations;
  const char* tables;
  const char* from;
};

TEST_F(TRParserTest, WithoutMasterTheRootOfTheForeignKeyChainLeads) {
  const RootCase cases[] = {
      {"chain to its root", Rel("B", "k", "X", "k", "0") + Rel("A", "k", "B", "k", "2"), "A,B,X", "FROM (A"},
      {"chain back to its start", Rel("A", "k", "B", "k", "0") + Rel("B", "k", "A", "k", "2"), "A,B", "FROM A"},
      {"chain into a loop away from its start",
       Rel("A", "k", "X", "k", "0") + Rel("B", "k", "A", "k", "2") + Rel("C", "k", "B", "k", "2") +
           Rel("B", "k", "C", "k", "2"),
       "A,B,C,X", "FROM ((B"},
  };
  for (const RootCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load("<Query><TableRelations><Relations>" + c.relations + "</Relations></TableRelations></Query>");
    EXPECT_EQ(Compose(c.tables), S_OK);
    EXPECT_EQ(m_from, c.from);
  }
  EXPECT_EQ(m_join, " INNER JOIN A ON (B.k = A.k)) INNER JOIN C ON (B.k = C.k AND B.k = C.k)) LEFT JOIN X ON (A.k = X.k)");
}

struct ColumnCase {
  const char* column;
  const char* reference;
};

TEST_F(TRParserTest, ColumnReferences) {
  const ColumnCase cases[] = {
      {"id", "T1.id"},
      {"[Order Id]", "T1.[Order Id]"},
      {"Order Date", "T1.[Order Date]"},
      {"Select", "T1.[Select]"},
      {"1st", "T1.[1st]"},
      {"a]b", "T1.[a]]b]"},
  };
  for (const ColumnCase& c : cases) {
    SCOPED_TRACE(c.column);
    Load(Document(Rel("T1", "", "T2", "x", "2")));
    Select("TableRelations/Relations/Relation").setAttribute("PkColumn", c.column);
    EXPECT_EQ(Compose("T1,T2"), S_OK);
    EXPECT_EQ(m_join, std::string(c.reference) + " = T2.x");
  }
}

// The sales model: every table with its expression; the relations given.
// `master` (may be empty) marks the master table.
std::string Model(const std::string& relations, const std::string& master = "") {
  std::string tables;
  for (const auto& [alias, name] : {std::pair<std::string, std::string>{"C", "Customers"},
                                    {"O", "Orders"},
                                    {"L", "OrderLines"},
                                    {"P", "Products"}}) {
    tables += "<Table Name=\"" + name + "\" Alias=\"" + alias + "\"" +
              (alias == master ? " IsMaster=\"True\"" : "") + "/>";
  }
  return "<Query><TableRelations><Tables>" + tables + "</Tables><Relations>" + relations +
         "</Relations></TableRelations></Query>";
}

std::string CO(const char* mode) { return Rel("C", "CustomerID", "O", "CustomerID", mode); }
std::string OL(const char* mode) { return Rel("O", "OrderID", "L", "OrderID", mode); }
std::string PL(const char* mode) { return Rel("P", "ProductID", "L", "ProductID", mode); }

struct ModelCase {
  const char* name;
  std::string document;
  const char* tables;
  HRESULT expected;
  const char* from;
  const char* join;
  const char* added;  // GetAddedTables
};

class TRParserModelTest : public TRParserTest {
 protected:
  void Check(const ModelCase& c) {
    SCOPED_TRACE(c.name);
    Load(c.document);
    CTRParser parser(Select("TableRelations"));
    m_join = "stale";
    m_from = kUntouched;
    EXPECT_EQ(parser.ComposeFromClause(c.tables, m_join, &m_from), c.expected);
    EXPECT_EQ(m_from, c.from);
    EXPECT_EQ(m_join, c.join);
    EXPECT_EQ(parser.GetAddedTables(), c.added);
  }
};

TEST_F(TRParserModelTest, LeadTableThatTheQueryDoesNotUseGivesWayToAQueryTable) {
  const ModelCase cases[] = {
      // The first outer join of the model is elsewhere: its root is no table
      // of the query, so the first table of the list leads.
      {"unrelated left join elsewhere, inner join", Model(PL("0") + CO("2")), "C,O", S_OK, kUntouched,
       "C.CustomerID = O.CustomerID", ""},
      {"unrelated left join elsewhere, left join", Model(PL("0") + CO("0")), "C,O", S_OK, "FROM Customers C",
       " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)", ""},
      {"first table of the list leads, the join turned round", Model(PL("0") + CO("0")), "O,C", S_OK,
       "FROM Orders O", " RIGHT JOIN Customers C ON (O.CustomerID = C.CustomerID)", ""},
      // The walk from B passes A before it ends at the unused root R: A,
      // the query table nearest the root, leads (not B, nor C listed first).
      {"query table nearest the root on the walk",
       "<Query><TableRelations><Relations>" + Rel("B", "k", "C", "k", "0") + Rel("A", "k", "B", "k", "2") +
           Rel("R", "k", "A", "k", "2") + "</Relations></TableRelations></Query>",
       "C,B,A", S_OK, "FROM (A", " INNER JOIN B ON (A.k = B.k)) LEFT JOIN C ON (B.k = C.k)", ""},
      // The master is a table of the model that this query does not use.
      {"master unused: the query table nearest to it", Model(CO("0") + OL("0") + PL("0"), "C"), "L,O", S_OK,
       "FROM Orders O", " LEFT JOIN OrderLines L ON (O.OrderID = L.OrderID)", ""},
      {"master unused and unrelated: the first table", Model(CO("0") + OL("0"), "P"), "L,O", S_OK,
       "FROM OrderLines L", " RIGHT JOIN Orders O ON (L.OrderID = O.OrderID)", ""},
      {"master used", Model(CO("0") + OL("0"), "L"), "C,O,L", S_OK, "FROM (OrderLines L",
       " RIGHT JOIN Orders O ON (L.OrderID = O.OrderID)) RIGHT JOIN Customers C ON (O.CustomerID = C.CustomerID)",
       ""},
  };
  for (const ModelCase& c : cases) Check(c);
}

TEST_F(TRParserModelTest, TablesRelatedOnlyThroughOthersAreJoinedThroughThem) {
  const ModelCase cases[] = {
      {"one bridging table", Model(CO("0") + OL("0")), "C,L", S_OK, "FROM (Customers C",
       " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) LEFT JOIN OrderLines L ON (O.OrderID = L.OrderID)",
       "Orders O"},
      {"one bridging table, older form", Model(CO("2") + OL("2")), "C,L", S_OK, kUntouched,
       "C.CustomerID = O.CustomerID AND O.OrderID = L.OrderID", "Orders O"},
      {"two bridging tables", Model(CO("2") + OL("2") + PL("2")), "C,P", S_OK, kUntouched,
       "C.CustomerID = O.CustomerID AND O.OrderID = L.OrderID AND L.ProductID = P.ProductID",
       "Orders O,OrderLines L"},
      {"bridging table reached from its foreign-key side", Model(CO("0") + OL("0"), "L"), "C,L", S_OK,
       "FROM (OrderLines L",
       " RIGHT JOIN Orders O ON (L.OrderID = O.OrderID)) RIGHT JOIN Customers C ON (O.CustomerID = C.CustomerID)",
       "Orders O"},
      {"bridging table without an entry of its own", Model(Rel("C", "k", "Q", "k", "0") + Rel("Q", "k", "P", "k", "0")),
       "C,P", S_OK, "FROM (Customers C", " LEFT JOIN Q ON (C.k = Q.k)) LEFT JOIN Products P ON (Q.k = P.k)", "Q"},
      {"bridging table spelled in other case", Model(CO("2") + Rel("o", "OrderID", "L", "OrderID", "2")), "C,L",
       S_OK, kUntouched, "C.CustomerID = O.CustomerID AND o.OrderID = L.OrderID", "Orders O"},
      {"relations outside the joined tables stay out", Model(CO("0") + OL("0") + PL("0")), "C,O", S_OK,
       "FROM Customers C", " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)", ""},
      {"a table connected to none stays disconnected",
       Model(CO("0") + OL("0") + Rel("X", "k", "Y", "k", "0")), "C,L,X", TPE_TABLES_DISCONNECTED, kUntouched,
       " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) LEFT JOIN OrderLines L ON (O.OrderID = L.OrderID)",
       "Orders O"},
      {"no two tables connected at all", Model(CO("0") + Rel("X", "k", "Y", "k", "0")), "C,X", TPE_RELATION_CYCLE,
       kUntouched, "", ""},
  };
  for (const ModelCase& c : cases) Check(c);
}

TEST_F(TRParserModelTest, LoopsAreReportedWhenTheyRunThroughTheJoinedTablesWhateverElseTheModelHolds) {
  // Every pair of 12 tables that no query uses related, ahead of the rest:
  // millions of loops that must neither hide one through the query's
  // tables nor make one up.
  std::string dense;
  for (int i = 0; i < 12; ++i) {
    for (int j = i + 1; j < 12; ++j) {
      dense += Rel(("K" + std::to_string(i)).c_str(), "k", ("K" + std::to_string(j)).c_str(), "k", "2");
    }
  }
  const std::string triangle = CO("0") + OL("0") + Rel("C", "CustomerID", "L", "OrderID", "0");
  const ModelCase cases[] = {
      {"loop through the query's tables behind many others", Model(dense + triangle), "C,O,L", TPE_RELATION_CYCLE,
       "FROM (Customers C",
       " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) LEFT JOIN OrderLines L ON (C.CustomerID = L.OrderID)",
       ""},
      {"no loop through the query's tables among many others", Model(dense + CO("0") + OL("0")), "C,O,L", S_OK,
       "FROM (Customers C",
       " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) LEFT JOIN OrderLines L ON (O.OrderID = L.OrderID)",
       ""},
      // The direct relation joins; the way round through O is a loop.
      {"loop through an unused table", Model(triangle), "C,L", TPE_RELATION_CYCLE, "FROM Customers C",
       " LEFT JOIN OrderLines L ON (C.CustomerID = L.OrderID)", ""},
      // O bridges C and L; P offers a second way from O to L.
      {"loop through a bridging table", Model(CO("0") + OL("0") + PL("0") + Rel("O", "k", "P", "k", "0")), "C,L",
       TPE_RELATION_CYCLE, "FROM (Customers C",
       " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) LEFT JOIN OrderLines L ON (O.OrderID = L.OrderID)",
       "Orders O"},
  };
  for (const ModelCase& c : cases) Check(c);
}

}  // namespace
