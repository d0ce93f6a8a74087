// CompositionE2eTest.cpp - compositions whose SQL must stay valid and
// select the right rows: tables that only HAVING or a sort key names,
// sub-selects under an aggregation or inside composites, text literals that
// hold " WHERE ", comments among objects and terms, and set members that
// refer to another query of the document.
#include "E2eDocuments.h"
#include "E2eFixture.h"

namespace e2e {
namespace {

struct CompositionCase {
  const char* name;
  std::string document;
  std::string expected;
};

void PrintTo(const CompositionCase& c, std::ostream* out) { *out << c.name; }

class CompositionE2eTest : public E2eCaseTest<CompositionCase> {};

TEST_P(CompositionE2eTest, SelectsTheRowsOfTheHandWrittenSql) {
  Rows rows;
  ASSERT_TRUE(Run(Case().document, rows)) << commands_;
  const Rows expected = Expected(Case().expected);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;
}

const std::string kCustomersOrders = Relations({"C", "O"}, "C", Rel("C.CustomerID", "O.CustomerID", 2));

// A query object that is a sub-query of one column, with more attributes.
std::string SubQuery(const std::string& name, const std::string& objects, const std::string& attributes = "",
                     const std::string& sections = "") {
  return "<Query Name=\"" + name + "\"" + (attributes.empty() ? "" : " " + attributes) + "><QueryObjects>" + objects +
         "</QueryObjects>" + sections + "</Query>";
}

// A composite column: its select tree and, when given, its own condition.
std::string Composite(const std::string& name, int type, const std::string& select, const std::string& condition = "",
                      const std::string& attributes = "") {
  return "<DataObject Name=\"" + name + "\" DataType=\"" + std::to_string(type) + "\"" +
         (attributes.empty() ? "" : " " + attributes) + "><Select><ExprBuildInfo>" + select +
         "</ExprBuildInfo></Select>" +
         (condition.empty() ? "" : "<Condition><ExprBuildInfo>" + condition + "</ExprBuildInfo></Condition>") +
         "</DataObject>";
}

std::string RefQuery(const std::string& name, const std::string& kind, const std::string& target) {
  return "<Query Name=\"" + name + "\" ExType=\"" + kind + "\" Datasource=\"Sales\" RefObject=\"" + target + "\"/>";
}

std::string RegionQuery(const std::string& name, const std::string& kind, const std::string& region,
                        const std::string& attributes = "") {
  return Query(name, kind, Col("C.CustomerName"), Where(Col("C.Region") + Text("=") + Text(region)), attributes);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, CompositionE2eTest,
    ::testing::Combine(
        Engines(),
        ::testing::Values(
            // A table that only HAVING names enters FROM as its operand names it.
            CompositionCase{"HavingOnlyTable",
                            Document(Query("Q", "Main", Col("C.CustomerName"),
                                           Having(Col("O.OrderID", "Aggregation=\"Count\"") + Text(">") + Text("6")) +
                                               kCustomersOrders)),
                            "SELECT c.CustomerName FROM Customers c JOIN Orders o ON o.CustomerID = c.CustomerID "
                            "GROUP BY c.CustomerName HAVING COUNT(o.OrderID) > 6"},
            CompositionCase{
                "HavingOnlyTableWithoutRelations",
                Document(Query("Q", "Main", Col("C.CustomerName"),
                               Where(Col("C.CustomerID") + Text("<") + Text("3")) +
                                   Having(Col("O.OrderID", "Aggregation=\"Count\"") + Text(">") + Text("1")))),
                "SELECT c.CustomerName FROM Customers c, Orders o WHERE c.CustomerID < 3 "
                "GROUP BY c.CustomerName HAVING COUNT(o.OrderID) > 1"},
            // A sort key's table, joined like the others.
            CompositionCase{"SortKeyOnlyTable",
                            Document(Query("Q", "Main", Col("C.CustomerName"),
                                           Sort(Col("O.OrderDate", "Order=\"DESC\"")) + kCustomersOrders)),
                            "SELECT c.CustomerName FROM Customers c JOIN Orders o ON o.CustomerID = c.CustomerID"},
            // A sub-query under an aggregation: MAX over the sub-select's value.
            CompositionCase{
                "SubQueryUnderAggregation",
                Document(Query("Q", "Main",
                               Col("C.Region") + SubQuery("Latest",
                                                          "<Field Name=\"OrderDate\" Table=\"Orders\" Alias=\"O2\" "
                                                          "DataType=\"7\" Aggregation=\"Max\"/>",
                                                          "Aggregation=\"Max\""))),
                "SELECT Region, MAX((SELECT MAX(OrderDate) FROM Orders)) FROM Customers GROUP BY Region"},
            // A sub-select inside a composite's Select: its tables stay in it,
            // so the outer query is not multiplied by them.
            CompositionCase{
                "SubSelectInCompositeSelect",
                Document(Query("Q", "Main",
                               Col("C.CustomerName") +
                                   Composite("Lines", 3,
                                             SubQuery("N",
                                                      "<Field Name=\"LineNumber\" Table=\"OrderLines\" "
                                                      "Alias=\"L2\" DataType=\"3\" Aggregation=\"Count\"/>")))),
                "SELECT CustomerName, (SELECT COUNT(LineNumber) FROM OrderLines) FROM Customers"},
            // A sub-select term in a composite with a condition keeps its
            // parentheses; the condition filters the statement.
            CompositionCase{
                "SubSelectInCompositeWithCondition",
                Document(Query("Q", "Main",
                               Col("C.CustomerName") +
                                   Composite("Products", 3,
                                             SubQuery("N",
                                                      "<Field Name=\"ProductID\" Table=\"Products\" "
                                                      "Alias=\"P2\" DataType=\"3\" Aggregation=\"Count\"/>"),
                                             Col("C.Region") + Text("=") + Text("North")))),
                "SELECT CustomerName, (SELECT COUNT(ProductID) FROM Products) FROM Customers "
                "WHERE Region = 'North'"},
            // " WHERE " inside a text literal is text.
            CompositionCase{"WhereInsideALiteral",
                            Document(Query("Q", "Main",
                                           Col("C.CustomerName") +
                                               "<DataObject Name=\"Note\" DataType=\"200\" Value=\"x WHERE y = 'z'\"/>",
                                           Where(Col("C.Region") + Text("=") + Text("West")))),
                            "SELECT CustomerName, 'x WHERE y = ''z''' FROM Customers WHERE Region = 'West'"},
            CompositionCase{"WhereInsideALiteralOfAConditionalComposite",
                            Document(Query("Q", "Main",
                                           Col("C.Region") + Composite("Tag", 200, Text("'a WHERE b'"),
                                                                       Col("C.City") + Text("=") + Text("Oslo")))),
                            "SELECT Region, 'a WHERE b' FROM Customers WHERE City = 'Oslo'"},
            // Comments and processing instructions among objects and terms.
            CompositionCase{"CommentsAmongObjectsAndTerms",
                            Document(Query("Q", "Main", "<!-- the name -->" + Col("C.CustomerName") + "<?editor x?>",
                                           Where("<!-- a -->" + Col("C.CustomerID") + "<!-- b -->" + Text("<") +
                                                 "<!-- c -->" + Text("4")))),
                            "SELECT CustomerName FROM Customers WHERE CustomerID < 4"},
            // Set members referring to other queries keep their kind and name.
            CompositionCase{"UnionMemberReferringToMain",
                            Document(RegionQuery("P", "Main", "North", "GUID=\"{P}\"") + RefQuery("Q", "Union", "{P}") +
                                     RegionQuery("R", "Union", "East")),
                            "SELECT CustomerName FROM Customers WHERE Region IN ('North', 'East')"},
            CompositionCase{
                "IntersectMemberReferringToComposedSubquery",
                Document(Query("P", "Main", Col("C.CustomerName"), Where(Col("C.CustomerID") + Text("<") + Text("6"))) +
                         RegionQuery("T", "Subquery", "North", "GUID=\"{T}\"") + RefQuery("Q", "Intersect", "{T}")),
                "SELECT CustomerName FROM Customers WHERE CustomerID < 6 AND Region = 'North'"})),
    EngineAndCaseNames());

// Parsed once more through the tool's own path: a failing object names
// itself, and the message holds no unfilled slot.
TEST_P(E2eTest, AFailingObjectIsNamedInTheMessage) {
  Rows rows;
  const std::string loop =
      "<DataObject Name=\"Loop\" GUID=\"{L}\"><Select><ExprBuildInfo><DataObject Name=\"In\" RefObject=\"{L}\"/>"
      "</ExprBuildInfo></Select></DataObject>";
  const ::testing::AssertionResult result = Run(Document(Query("Q", "Main", Col("C.CustomerName") + loop)), rows);
  ASSERT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("Query object 'Loop' could not be composed"), std::string::npos)
      << result.message();
  EXPECT_EQ(std::string(result.message()).find("%s"), std::string::npos) << result.message();
}

}  // namespace
}  // namespace e2e
