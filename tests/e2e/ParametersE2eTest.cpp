// ParametersE2eTest.cpp - parameter values set as "tessel run --set" sets
// them, resolved in the command text and executed: lists, ranges, date
// codes and "@" calls become the conditions they stand for, and hostile
// values compare as literals without changing the database.
#include "E2eDocuments.h"
#include "E2eFixture.h"

namespace e2e {
namespace {

struct ParamCase {
  const char* name;
  const char* column;  // "alias.Column" compared with the parameter
  const char* op;
  const char* value;  // set with --set; nullptr keeps the default
  const char* defaultValue;
  const char* where;  // hand-written WHERE clause over the unaliased table
};

void PrintTo(const ParamCase& c, std::ostream* out) { *out << c.column << " " << c.op << " " << c.name; }

class ParametersE2eTest : public E2eCaseTest<ParamCase> {};

TEST_P(ParametersE2eTest, ValueBecomesTheConditionItStandsFor) {
  const ParamCase& c = Case();
  const std::string column = std::string(c.column).substr(2);
  const int type = TypeOf(column);
  const bool orders = c.column[0] == 'O';
  const std::string objects =
      orders ? Col("O.OrderID") + Col("O.OrderDate") : Col("C.CustomerID") + Col("C.CustomerName");
  const std::string document =
      Document(Query("Q", "Main", objects, Where(Col(c.column) + Text(c.op) + ParamRef("Value", type))),
               ParamDef("Value", type, c.defaultValue));
  Settings settings;
  if (c.value != nullptr) settings.emplace_back("Value", c.value);
  const Rows expected = Expected(
      std::string(orders ? "SELECT OrderID, OrderDate FROM Orders" : "SELECT CustomerID, CustomerName FROM Customers") +
      " WHERE " + c.where);
  ASSERT_FALSE(expected.empty()) << c.where;
  Rows rows;
  ASSERT_TRUE(Run(document, rows, settings));
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;
  EXPECT_TRUE(TablesIntact());
}

const ParamCase kValues[] = {
    {"Default", "C.Region", "=", nullptr, "West", "Region = 'West'"},
    {"SetOverridesDefault", "C.Region", "=", "East", "West", "Region = 'East'"},
    {"TextList", "C.Region", "=", "North, South", "", "Region IN ('North', 'South')"},
    {"TextNotInList", "C.Region", "<>", "North, South", "", "Region NOT IN ('North', 'South')"},
    {"Null", "C.Region", "=", "{NULL}", "", "Region IS NULL"},
    {"Pattern", "C.CustomerName", "=", "%O'%", "", "CustomerID IN (3, 22)"},
    {"RangesAndValue", "C.CustomerID", "=", "1~5, 8", "", "CustomerID BETWEEN 1 AND 5 OR CustomerID = 8"},
    {"LowerBoundExcluded", "C.CustomerID", "=", "3&~7", "", "CustomerID > 3 AND CustomerID <= 7"},
    {"NumberList", "C.CustomerID", "<>", "1, 2, 3", "", "CustomerID > 3"},
    {"Year", "O.OrderDate", "=", "2011", "", "OrderDate >= '2011-01-01' AND OrderDate < '2012-01-01'"},
    {"LeapQuarter", "O.OrderDate", "=", "2012Q1", "", "OrderDate >= '2012-01-01' AND OrderDate < '2012-04-01'"},
    {"YearEndMonth", "O.OrderDate", "=", "201112", "", "OrderDate >= '2011-12-01' AND OrderDate < '2012-01-01'"},
    {"LeapDay", "O.OrderDate", "=", "20120229", "", "OrderDate >= '2012-02-29' AND OrderDate < '2012-03-01'"},
    {"DateRangeDefault", "O.OrderDate", "=", nullptr, "2012-02-28~2012-03-01&",
     "OrderDate >= '2012-02-28' AND OrderDate < '2012-03-01'"},
    {"DateCall", "O.OrderDate", "=", "@Date(2012, 2, 29)", "", "OrderDate = '2012-02-29'"},
};
INSTANTIATE_TEST_SUITE_P(Values, ParametersE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kValues)),
                         EngineAndCaseNames());

const ParamCase kHostile[] = {
    {"Apostrophe", "C.CustomerName", "=", "Sean O'Brien", "", "CustomerID = 3"},
    {"TrailingBackslash", "C.CustomerName", "=", "Backslash Trading\\", "", "CustomerID = 18"},
    {"BackslashPath", "C.City", "=", "C:\\Data\\", "", "CustomerID = 18"},
    {"Injection", "C.CustomerName", "=", "'; DROP TABLE orders; --", "", "CustomerID = 19"},
    {"InjectionAsDefault", "C.CustomerName", "=", nullptr, "'; DROP TABLE orders; --", "CustomerID = 19"},
    {"EscapedComma", "C.CustomerName", "=", "Smith,, Jones & Co", "", "CustomerID = 7"},
    {"ListWithApostrophes", "C.CustomerName", "=", "O'Neil's Pub, Sean O'Brien", "", "CustomerID IN (3, 22)"},
    {"ReferenceLookalike", "C.CustomerName", "<>", "{? 'Value'}", "", "1 = 1"},
};
INSTANTIATE_TEST_SUITE_P(Hostile, ParametersE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kHostile)),
                         EngineAndCaseNames());

TEST_P(E2eTest, CallInTheCommandTextIsEvaluated) {
  const std::string document = Document(Query("Q", "Main", Col("C.CustomerName") + Text("@Year('2012-02-29')"),
                                              Where(Col("C.CustomerID") + Text("=") + Text("~3"))));
  Rows rows;
  ASSERT_TRUE(Run(document, rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT CustomerName, 2012 FROM Customers WHERE CustomerID <= 3")))
      << commands_;
}

TEST_P(E2eTest, OneParameterServesEveryQueryOfTheDocument) {
  const std::string inRegions = Col("C.Region") + Text("=") + ParamRef("Regions", 200);
  const std::string document =
      Document(Query("P", "Main", Col("C.CustomerName"), Where(inRegions)) +
                   Query("Q", "Intersect", Col("C.CustomerName"),
                         Where(Col("C.JoinDate") + Text("=") + Text("2011") + Text("AND") + inRegions)),
               ParamDef("Regions", 200));
  Rows rows;
  ASSERT_TRUE(Run(document, rows, {{"Regions", "North, West"}}));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT CustomerName FROM Customers WHERE Region IN ('North', 'West') "
                                          "AND JoinDate >= '2011-01-01' AND JoinDate < '2012-01-01'")))
      << commands_;
}

// "^" marks a value as raw SQL by design, so it does reach the statement;
// a second statement smuggled in that way is refused before anything runs.
TEST_P(E2eTest, RawValueCannotAddAStatement) {
  const std::string document = Document(
      Query("Q", "Main", Col("C.CustomerName"), Where(Col("C.CustomerName") + Text("=") + ParamRef("Who", 200))),
      ParamDef("Who", 200));
  Rows rows;
  const ::testing::AssertionResult run = Run(document, rows, {{"Who", "^'' OR 1=1; DROP TABLE Orders; --"}});
  EXPECT_FALSE(run);
  // SQLite's executor refuses it; PostgreSQL refuses to prepare it.
  const std::string refusal = ForEngine("exactly one statement", "cannot insert multiple commands");
  EXPECT_NE(std::string(run.message()).find(refusal), std::string::npos) << run.message();
  EXPECT_TRUE(TablesIntact());
}

// The document declares a data source of another type (whose dates would
// be ODBC escapes); in a run one database serves it, and parameter values
// are literals of that database.
TEST_P(E2eTest, ParameterValuesAreLiteralsOfTheDatabaseTheyRunOn) {
  std::string document = Example("parameters.xml");
  const size_t type = document.find("DBType=\"SQLite\"");
  ASSERT_NE(type, std::string::npos);
  document.replace(type, 15, "DBType=\"SQLServer\"");
  Rows rows;
  ASSERT_TRUE(Run(document, rows, {{"Regions", "East"}, {"Period", "2012-02-29"}}));
  EXPECT_NE(commands_.find(ForEngine("O.OrderDate = '2012-02-29'", "O.OrderDate = DATE '2012-02-29'")),
            std::string::npos)
      << commands_;
  EXPECT_EQ(rows, Expected("SELECT Region, CustomerName, SUM(Amount) FROM Customers JOIN Orders USING (CustomerID) "
                           "JOIN OrderLines USING (OrderID) WHERE OrderID = 13 GROUP BY 1, 2"));
}

TEST_P(E2eTest, ParametersExampleRunsWithDefaultsAndWithSetValues) {
  const std::string revenue =
      "SELECT c.Region, c.CustomerName, SUM(l.Amount) FROM Customers c JOIN Orders o USING (CustomerID) "
      "JOIN OrderLines l USING (OrderID) WHERE ";
  const std::string byCustomer = " GROUP BY 1, 2 ORDER BY 1, 2";
  Rows rows;
  ASSERT_TRUE(Run(Example("parameters.xml"), rows));
  EXPECT_EQ(rows, Expected(revenue +
                           "c.Region IN ('North', 'South') AND o.OrderDate >= '2012-01-01' "
                           "AND o.OrderDate < '2012-04-01'" +
                           byCustomer))
      << commands_;
  ASSERT_TRUE(Run(Example("parameters.xml"), rows, {{"Regions", "East, West"}, {"Period", "2011Q4"}}));
  EXPECT_EQ(rows, Expected(revenue +
                           "c.Region IN ('East', 'West') AND o.OrderDate >= '2011-10-01' "
                           "AND o.OrderDate < '2012-01-01'" +
                           byCustomer))
      << commands_;
}

}  // namespace
}  // namespace e2e
