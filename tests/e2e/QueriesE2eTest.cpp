// QueriesE2eTest.cpp - whole queries on real rows: join modes and master
// tables, sub-queries, grouping with HAVING, DISTINCT, sorting, the split of
// a query with conditional measures, and the example documents. Each
// hand-written query is phrased differently from the composed one where
// SQL allows, so that the two agree on meaning rather than on spelling.
#include "E2eDocuments.h"
#include "E2eFixture.h"

namespace e2e {
namespace {

// Customers with their orders, the join written out by hand in parts.
const char* kMatched = "SELECT c.CustomerName, o.OrderID FROM Customers c, Orders o WHERE c.CustomerID = o.CustomerID";
const char* kCustomersWithoutOrders =
    "SELECT CustomerName, NULL FROM Customers "
    "WHERE CustomerID NOT IN (SELECT CustomerID FROM Orders WHERE CustomerID IS NOT NULL)";
const char* kOrdersWithoutCustomer =
    "SELECT NULL, OrderID FROM Orders WHERE CustomerID IS NULL OR CustomerID NOT IN (SELECT CustomerID FROM Customers)";

std::string CustomerOrders(int mode, const std::string& master) {
  return Document(Query("CustomerOrders", "Main", Col("C.CustomerName") + Col("O.OrderID"),
                        Relations({"C", "O"}, master, Rel("C.CustomerID", "O.CustomerID", mode))));
}

struct JoinCase {
  const char* name;
  int mode;
  const char* master;
  std::string expected;
};

void PrintTo(const JoinCase& c, std::ostream* out) { *out << c.name; }

class JoinModesE2eTest : public E2eCaseTest<JoinCase> {};

TEST_P(JoinModesE2eTest, KeepTheRowsOfTheOuterSides) {
  Rows rows;
  ASSERT_TRUE(Run(CustomerOrders(Case().mode, Case().master), rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected(Case().expected))) << commands_;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, JoinModesE2eTest,
    ::testing::Combine(
        Engines(),
        ::testing::Values(JoinCase{"Left", 0, "", std::string(kMatched) + " UNION ALL " + kCustomersWithoutOrders},
                          JoinCase{"Right", 1, "", std::string(kMatched) + " UNION ALL " + kOrdersWithoutCustomer},
                          JoinCase{"Inner", 2, "", kMatched},
                          JoinCase{"Full", 3, "",
                                   std::string(kMatched) + " UNION ALL " + kCustomersWithoutOrders + " UNION ALL " +
                                       kOrdersWithoutCustomer},
                          // The master table opens the FROM clause; the join keeps its meaning.
                          JoinCase{"LeftFromTheMasterOnTheForeignKeySide", 0, "O",
                                   std::string(kMatched) + " UNION ALL " + kCustomersWithoutOrders},
                          JoinCase{"RightFromTheMasterOnTheForeignKeySide", 1, "O",
                                   std::string(kMatched) + " UNION ALL " + kOrdersWithoutCustomer})),
    EngineAndCaseNames());

// Customers, their orders and the lines of those orders, keeping customers
// without orders and orders without lines, whichever table is the master.
class MasterTableE2eTest : public E2eCaseTest<const char*> {};

TEST_P(MasterTableE2eTest, DoesNotChangeWhichRowsTheJoinsKeep) {
  const std::string document = Document(Query(
      "Lines", "Main", Col("C.CustomerName") + Col("O.OrderID") + Col("L.LineNumber"),
      Relations({"C", "O", "L"}, Case(), Rel("C.CustomerID", "O.CustomerID", 0) + Rel("O.OrderID", "L.OrderID", 0))));
  Rows rows;
  ASSERT_TRUE(Run(document, rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT c.CustomerName, o.OrderID, l.LineNumber FROM Customers c "
                                          "LEFT JOIN Orders o ON o.CustomerID = c.CustomerID "
                                          "LEFT JOIN OrderLines l ON l.OrderID = o.OrderID")))
      << commands_;
}

INSTANTIATE_TEST_SUITE_P(Masters, MasterTableE2eTest, ::testing::Combine(Engines(), ::testing::Values("", "C", "O")));
// With the master at the far end of the chain (OrderLines), the relation
// from Customers to Orders is joined from its foreign-key side with its
// keyword unchanged, so customers without orders are lost: a known fault
// of the relation analyser, reported; enable once it is fixed.
INSTANTIATE_TEST_SUITE_P(MasterAtTheFarEnd, MasterTableE2eTest, ::testing::Combine(Engines(), ::testing::Values("L")));

TEST_P(E2eTest, MainExampleMatchesItsReportQuery) {
  Rows rows;
  ASSERT_TRUE(Run(Example("sales.xml"), rows));
  EXPECT_EQ(rows, Expected("SELECT c.CustomerName, c.Region, SUM(l.Amount) AS total "
                           "FROM Customers c LEFT JOIN Orders o ON o.CustomerID = c.CustomerID "
                           "JOIN OrderLines l ON l.OrderID = o.OrderID "
                           "WHERE c.Region IN ('North', 'South') AND l.Amount >= 10 AND l.Amount <= 500 "
                           "AND o.OrderDate >= '2011-10-01' AND o.OrderDate < '2012-01-01' "
                           "GROUP BY c.CustomerName, c.Region HAVING SUM(l.Amount) > 100 "
                           "ORDER BY total DESC, c.CustomerName"))
      << commands_;
}

TEST_P(E2eTest, JoinsExampleKeepsUnsoldProductsAndOrdersWithoutLines) {
  Rows rows;
  ASSERT_TRUE(Run(Example("joins.xml"), rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT p.ProductName, l.Quantity, o.OrderDate FROM Products p "
                                          "LEFT JOIN OrderLines l ON l.ProductID = p.ProductID "
                                          "LEFT JOIN Orders o ON o.OrderID = l.OrderID "
                                          "UNION ALL SELECT NULL, NULL, OrderDate FROM Orders o "
                                          "WHERE NOT EXISTS (SELECT 1 FROM OrderLines l WHERE l.OrderID = o.OrderID)")))
      << commands_;
}

TEST_P(E2eTest, SubqueryExampleFiltersAndSortsDistinctCustomers) {
  Rows rows;
  ASSERT_TRUE(Run(Example("subquery.xml"), rows));
  EXPECT_EQ(rows, Expected("SELECT DISTINCT c.CustomerName, c.City, (SELECT MAX(OrderDate) FROM Orders) "
                           "FROM Customers c WHERE c.CustomerName LIKE 'A%' AND EXISTS "
                           "(SELECT 1 FROM Orders o WHERE o.CustomerID = c.CustomerID AND o.Status = 'open') "
                           "ORDER BY c.CustomerName"))
      << commands_;
}

TEST_P(E2eTest, SubqueryTermSelectsByTheInnerQuery) {
  const std::string westCustomers = "<Query Name=\"West\"><QueryObjects>" + Col("C.CustomerID") + "</QueryObjects>" +
                                    Where(Col("C.Region") + Text("=") + Text("West")) + "</Query>";
  const std::string document = Document(
      Query("WestOrders", "Main", Col("O.OrderID"), Where(Col("O.CustomerID", "") + Text("NOT IN") + westCustomers)));
  Rows rows;
  ASSERT_TRUE(Run(document, rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT o.OrderID FROM Orders o WHERE NOT EXISTS (SELECT 1 FROM "
                                          "Customers c WHERE c.CustomerID = o.CustomerID AND c.Region = 'West') "
                                          "AND o.CustomerID IS NOT NULL")))
      << commands_;
}

TEST_P(E2eTest, HavingFiltersTheGroups) {
  const std::string count = Col("O.OrderID", "Aggregation=\"Count\"");
  const std::string document = Document(Query(
      "BusyRegions", "Main", Col("C.Region") + count,
      Having(count + Text(">") + Text("35")) + Relations({"C", "O"}, "", Rel("C.CustomerID", "O.CustomerID", 2))));
  Rows rows;
  ASSERT_TRUE(Run(document, rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT c.Region, COUNT(*) AS n FROM Orders o "
                                          "JOIN Customers c ON c.CustomerID = o.CustomerID "
                                          "GROUP BY c.Region HAVING COUNT(*) > 35")))
      << commands_;
}

TEST_P(E2eTest, DistinctDropsRepeatedRows) {
  Rows rows;
  ASSERT_TRUE(
      Run(Document(Query("Regions", "Main", Col("C.Region") + Col("O.Status"),
                         Relations({"C", "O"}, "", Rel("C.CustomerID", "O.CustomerID", 2)), "Distinct=\"True\"")),
          rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT c.Region, o.Status FROM Customers c JOIN Orders o "
                                          "ON o.CustomerID = c.CustomerID GROUP BY 1, 2")))
      << commands_;
}

TEST_P(E2eTest, SortKeysOrderTheRows) {
  const std::string document =
      Document(Query("OpenOrders", "Main", Col("O.OrderID") + Col("O.OrderDate") + Col("O.Status"),
                     Where(Col("O.Status") + Text("=") + Text("open")) +
                         Sort(Col("O.OrderDate", "Order=\"DESC\"") + Col("O.OrderID"))));
  Rows rows;
  ASSERT_TRUE(Run(document, rows));
  EXPECT_EQ(rows, Expected("SELECT OrderID, OrderDate, Status FROM Orders WHERE Status = 'open' "
                           "ORDER BY OrderDate DESC, OrderID"))
      << commands_;
}

// A measure with a condition of its own: the query is composed once per
// measure and the parts are merged by their key columns.
std::string Measure(const std::string& name, const std::string& column, const std::string& condition) {
  return "<DataObject Name=\"" + name + "\" DataType=\"" + std::to_string(TypeOf(column.substr(2))) +
         "\"><Select><ExprBuildInfo>" + Col(column) + "</ExprBuildInfo></Select><Condition><ExprBuildInfo>" +
         condition + "</ExprBuildInfo></Condition></DataObject>";
}

TEST_P(E2eTest, SplitExampleSumsEqualConditionalSums) {
  Rows rows;
  ASSERT_TRUE(Run(Example("split.xml"), rows));
  EXPECT_EQ(columns_.size(), 3u);
  EXPECT_EQ(Sorted(rows),
            Sorted(Expected("SELECT p.ProductName, "
                            "SUM(CASE WHEN c.Region = 'North' THEN l.Amount ELSE 0 END), "
                            "SUM(CASE WHEN c.Region = 'South' THEN l.Amount ELSE 0 END) "
                            "FROM OrderLines l JOIN Products p USING (ProductID) JOIN Orders o USING (OrderID) "
                            "JOIN Customers c USING (CustomerID) "
                            "WHERE o.OrderDate >= '2011-01-01' AND o.OrderDate < '2012-01-01' "
                            "AND c.Region IN ('North', 'South') GROUP BY p.ProductName")))
      << commands_;
}

TEST_P(E2eTest, SplitWithTwoKeysSumsEqualConditionalSums) {
  const std::string objects = Col("P.Category") + Col("P.ProductName") +
                              Measure("OpenQuantity", "L.Quantity", Col("O.Status") + Text("=") + Text("open")) +
                              Measure("ClosedQuantity", "L.Quantity", Col("O.Status") + Text("=") + Text("closed"));
  const std::string relations =
      Relations({"P", "L", "O"}, "", Rel("P.ProductID", "L.ProductID", 2) + Rel("O.OrderID", "L.OrderID", 2));
  Rows rows;
  ASSERT_TRUE(Run(Document(Query("QuantityByStatus", "Main", objects, relations)), rows));
  EXPECT_EQ(Sorted(rows),
            Sorted(Expected("SELECT p.Category, p.ProductName, "
                            "SUM(CASE WHEN o.Status = 'open' THEN l.Quantity ELSE 0 END), "
                            "SUM(CASE WHEN o.Status = 'closed' THEN l.Quantity ELSE 0 END) "
                            "FROM OrderLines l JOIN Products p USING (ProductID) JOIN Orders o USING (OrderID) "
                            "WHERE o.Status IN ('open', 'closed') GROUP BY p.Category, p.ProductName")))
      << commands_;
}

}  // namespace
}  // namespace e2e
