// RelationModelE2eTest.cpp - queries over a relation model that holds more
// than the query uses: the table that leads the joins when the master or
// the root of the outer joins is not the query's, tables connected through
// tables the query does not name, and loops among tables no query uses.
// Each composed query is held to the rows of SQL written by hand.
#include <string>

#include "E2eDocuments.h"
#include "E2eFixture.h"
#include "contracts/basis30/ResultCodes.h"

namespace e2e {
namespace {

// The whole sales model: every table listed, the relations given.
std::string Model(const std::string& master, const std::string& relations) {
  return Relations({"C", "O", "L", "P"}, master, relations);
}

std::string CO(int mode) { return Rel("C.CustomerID", "O.CustomerID", mode); }
std::string OL(int mode) { return Rel("O.OrderID", "L.OrderID", mode); }
std::string PL(int mode) { return Rel("P.ProductID", "L.ProductID", mode); }

// Every pair of twelve tables related: millions of loops among tables that
// no query uses (they need not exist, as nothing joins them).
std::string DenseUnusedRelations() {
  std::string relations;
  for (int i = 0; i < 12; ++i) {
    for (int j = i + 1; j < 12; ++j) {
      relations += Rel("K" + std::to_string(i) + ".k", "K" + std::to_string(j) + ".k", 2);
    }
  }
  return relations;
}

const char* kCustomerOrders =
    "SELECT c.CustomerName, o.OrderID FROM Customers c JOIN Orders o ON o.CustomerID = c.CustomerID";
const char* kCustomerOrdersKeepingCustomers =
    "SELECT c.CustomerName, o.OrderID FROM Customers c LEFT JOIN Orders o ON o.CustomerID = c.CustomerID";
const char* kCustomerQuantities =
    "SELECT c.CustomerName, l.Quantity FROM Customers c, Orders o, OrderLines l "
    "WHERE o.CustomerID = c.CustomerID AND l.OrderID = o.OrderID";
const char* kCustomerQuantitiesKeepingCustomersAndOrders =
    "SELECT c.CustomerName, l.Quantity FROM Customers c "
    "LEFT JOIN Orders o ON o.CustomerID = c.CustomerID LEFT JOIN OrderLines l ON l.OrderID = o.OrderID";

struct ModelCase {
  const char* name;
  std::string objects;
  std::string relations;  // the "TableRelations" section
  std::string expected;   // hand-written SQL
};

void PrintTo(const ModelCase& c, std::ostream* out) { *out << c.name; }

class RelationModelE2eTest : public E2eCaseTest<ModelCase> {};

TEST_P(RelationModelE2eTest, GivesTheRowsOfTheHandWrittenJoin) {
  Rows rows;
  ASSERT_TRUE(Run(Document(Query("Q", "Main", Case().objects, Case().relations)), rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected(Case().expected))) << commands_;
}

INSTANTIATE_TEST_SUITE_P(
    LeadTable, RelationModelE2eTest,
    ::testing::Combine(Engines(),
                       ::testing::Values(
                           // The model's first outer join (Products to their lines) is not the
                           // query's: its root cannot lead.
                           ModelCase{"UnrelatedLeftJoinElsewhereInnerJoin", Col("C.CustomerName") + Col("O.OrderID"),
                                     Model("", PL(0) + CO(2)), kCustomerOrders},
                           ModelCase{"UnrelatedLeftJoinElsewhereLeftJoin", Col("C.CustomerName") + Col("O.OrderID"),
                                     Model("", PL(0) + CO(0)), kCustomerOrdersKeepingCustomers},
                           ModelCase{"UnrelatedLeftJoinElsewhereOrdersListedFirst",
                                     Col("O.OrderID") + Col("C.CustomerName"), Model("", PL(0) + CO(0)),
                                     "SELECT o.OrderID, c.CustomerName FROM Customers c LEFT JOIN Orders o "
                                     "ON o.CustomerID = c.CustomerID"},
                           // The master is a table of the model that the query does not use.
                           ModelCase{"MasterNotUsedByTheQuery", Col("C.CustomerName") + Col("O.OrderID"),
                                     Model("P", CO(0) + OL(0) + PL(0)), kCustomerOrdersKeepingCustomers})),
    EngineAndCaseNames());

INSTANTIATE_TEST_SUITE_P(
    Bridges, RelationModelE2eTest,
    ::testing::Combine(
        Engines(),
        ::testing::Values(
            ModelCase{"OrdersBetweenCustomersAndLinesInner", Col("C.CustomerName") + Col("L.Quantity"),
                      Model("", CO(2) + OL(2)), kCustomerQuantities},
            ModelCase{"OrdersBetweenCustomersAndLinesLeft", Col("C.CustomerName") + Col("L.Quantity"),
                      Model("", CO(0) + OL(0)), kCustomerQuantitiesKeepingCustomersAndOrders},
            // From the lines, both relations are met from their foreign-key side.
            ModelCase{"OrdersBetweenCustomersAndLinesFromTheMasterLines", Col("C.CustomerName") + Col("L.Quantity"),
                      Model("L", CO(0) + OL(0)), kCustomerQuantitiesKeepingCustomersAndOrders},
            ModelCase{
                "OrdersAndLinesBetweenCustomersAndProducts", Col("C.CustomerName") + Col("P.ProductName"),
                Model("", CO(2) + OL(2) + PL(2)),
                "SELECT c.CustomerName, p.ProductName FROM Customers c JOIN Orders o ON o.CustomerID = c.CustomerID "
                "JOIN OrderLines l ON l.OrderID = o.OrderID JOIN Products p ON p.ProductID = l.ProductID"},
            // Products and their lines are related, but the query needs neither.
            ModelCase{"RelationsBeyondTheQueryStayOut", Col("C.CustomerName") + Col("O.OrderID"),
                      Model("", CO(0) + OL(0) + PL(0)), kCustomerOrdersKeepingCustomers})),
    EngineAndCaseNames());

INSTANTIATE_TEST_SUITE_P(Loops, RelationModelE2eTest,
                         ::testing::Combine(Engines(),
                                            ::testing::Values(ModelCase{
                                                "ManyLoopsAmongUnusedTables",
                                                Col("C.CustomerName") + Col("O.OrderID") + Col("L.LineNumber"),
                                                Model("", DenseUnusedRelations() + CO(0) + OL(0)),
                                                "SELECT c.CustomerName, o.OrderID, l.LineNumber FROM Customers c "
                                                "LEFT JOIN Orders o ON o.CustomerID = c.CustomerID "
                                                "LEFT JOIN OrderLines l ON l.OrderID = o.OrderID"})),
                         EngineAndCaseNames());

// Relation models that cannot be joined as they stand are reported, never
// composed into rows quietly.
struct FailureCase {
  const char* name;
  std::string objects;
  std::string relations;
  HRESULT expected;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class RelationModelFailureE2eTest : public E2eCaseTest<FailureCase> {};

TEST_P(RelationModelFailureE2eTest, IsReported) {
  IXMLDOMDocumentPtr document;
  ASSERT_TRUE(document.loadXML(Document(Query("Q", "Main", Case().objects, Case().relations)).c_str()));
  CString commands;
  std::string unknown;
  EXPECT_EQ(DocumentCommands::Build(document, {}, commands, unknown, DataSourceType()), Case().expected);
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(TPE_QUERY_FAILED, "Q", GetMsg(Case().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Models, RelationModelFailureE2eTest,
    ::testing::Combine(
        Engines(),
        ::testing::Values(
            // A second way from Customers to OrderLines, behind millions of loops
            // among unused tables: one relation of the loop cannot be joined.
            FailureCase{"LoopThroughTheQueryBehindManyOthers",
                        Col("C.CustomerName") + Col("O.OrderID") + Col("L.LineNumber"),
                        Model("", DenseUnusedRelations() + CO(0) + OL(0) + Rel("C.CustomerID", "L.OrderID", 0)),
                        TPE_RELATION_CYCLE},
            FailureCase{"LoopThroughATableThatConnectsTheQuery", Col("C.CustomerName") + Col("L.Quantity"),
                        Model("", CO(0) + OL(0) + PL(0) + Rel("O.OrderID", "P.ProductID", 0)), TPE_RELATION_CYCLE},
            // Archived revenue is related to nothing.
            FailureCase{"TableRelatedToNothing", Col("C.CustomerName") + Col("O.OrderID") + Col("A.Amount"),
                        Relations({"C", "O", "A"}, "", CO(2)), TPE_TABLES_DISCONNECTED})),
    EngineAndCaseNames());

}  // namespace
}  // namespace e2e
