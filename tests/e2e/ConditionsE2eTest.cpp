// ConditionsE2eTest.cpp - the condition value language on real rows: each
// document filters one column with an operator and a typed value, and must
// return exactly the rows of a hand-written WHERE clause.
#include "E2eDocuments.h"
#include "E2eFixture.h"

namespace e2e {
namespace {

struct ConditionCase {
  const char* name;
  const char* column;  // "alias.Column"; C selects customers, O orders, L order lines
  const char* op;
  const char* value;
  const char* where;  // hand-written WHERE clause over the unaliased table
};

void PrintTo(const ConditionCase& c, std::ostream* out) { *out << c.column << " " << c.op << " " << c.value; }

// The key and one descriptive column of the filtered table, for both the
// document and the hand-written query.
struct Selection {
  std::string objects;
  std::string sql;
};

Selection SelectionFor(const std::string& column) {
  switch (column[0]) {
    case 'C':
      return {Col("C.CustomerID") + Col("C.CustomerName"), "SELECT CustomerID, CustomerName FROM Customers"};
    case 'O':
      return {Col("O.OrderID") + Col("O.OrderDate"), "SELECT OrderID, OrderDate FROM Orders"};
    default:
      return {Col("L.OrderID") + Col("L.LineNumber") + Col("L.Amount"),
              "SELECT OrderID, LineNumber, Amount FROM OrderLines"};
  }
}

class ConditionsE2eTest : public E2eCaseTest<ConditionCase> {};

TEST_P(ConditionsE2eTest, ReturnsTheRowsOfTheHandWrittenCondition) {
  const ConditionCase& c = Case();
  const Selection selection = SelectionFor(c.column);
  const std::string document =
      Document(Query("Q", "Main", selection.objects, Where(Col(c.column) + Text(c.op) + Text(c.value))));
  const Rows expected = Expected(selection.sql + " WHERE " + c.where);
  // A condition that keeps no row, or every row, would hide a wrong one.
  ASSERT_FALSE(expected.empty()) << c.where;
  ASSERT_LT(expected.size(), Expected(selection.sql).size()) << c.where;
  Rows rows;
  ASSERT_TRUE(Run(document, rows));
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;
  EXPECT_TRUE(TablesIntact());
  // On PostgreSQL dates are typed literals, not texts compared as texts.
  if (engine() == Engine::kPostgres && std::string(c.column) == "O.OrderDate" && c.value[0] != '{') {
    EXPECT_NE(commands_.find("DATE '"), std::string::npos) << commands_;
  }
}

const ConditionCase kLists[] = {
    {"TextList", "C.Region", "=", "North, South", "Region = 'North' OR Region = 'South'"},
    {"TextNotInList", "C.Region", "<>", "North, South", "Region NOT IN ('North', 'South')"},
    {"NumberList", "C.CustomerID", "=", "1, 3, 5", "CustomerID IN (1, 3, 5)"},
    {"NumberListInParentheses", "C.CustomerID", "=", "(2, 4)", "CustomerID IN (2, 4)"},
    {"NumberNotInList", "C.CustomerID", "<>", "1, 3, 5", "CustomerID NOT IN (1, 3, 5)"},
    {"InOperator", "C.CustomerID", "IN", "7, 8", "CustomerID IN (7, 8)"},
    {"EscapedCommaInList", "C.CustomerName", "=", "Smith,, Jones & Co, Acme Corp",
     "CustomerName IN ('Smith, Jones & Co', 'Acme Corp')"},
    {"QuotedValueWithComma", "C.CustomerName", "=", "'Smith, Jones & Co'", "CustomerID = 7"},
    {"ListOfNamesWithApostrophes", "C.CustomerName", "=", "O'Neil's Pub, Sean O'Brien", "CustomerID IN (3, 22)"},
};
INSTANTIATE_TEST_SUITE_P(Lists, ConditionsE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kLists)),
                         EngineAndCaseNames());

const ConditionCase kRanges[] = {
    {"Closed", "C.CustomerID", "=", "3~7", "CustomerID >= 3 AND CustomerID <= 7"},
    {"LowerBoundExcluded", "C.CustomerID", "=", "3&~7", "CustomerID > 3 AND CustomerID <= 7"},
    {"UpperBoundExcluded", "C.CustomerID", "=", "3~7&", "CustomerID >= 3 AND CustomerID < 7"},
    {"OpenUpwards", "C.CustomerID", "=", "25~", "CustomerID >= 25"},
    {"OpenDownwards", "C.CustomerID", "=", "~3", "CustomerID <= 3"},
    {"NegatedClosed", "C.CustomerID", "<>", "3~7", "CustomerID < 3 OR CustomerID > 7"},
    {"NegatedUpperExcluded", "C.CustomerID", "<>", "3~7&", "CustomerID < 3 OR CustomerID >= 7"},
    {"NegatedLowerExcluded", "C.CustomerID", "<>", "3&~7", "CustomerID <= 3 OR CustomerID > 7"},
    {"RangesAndValue", "C.CustomerID", "=", "1~3, 8, 10~11", "CustomerID IN (1, 2, 3, 8, 10, 11)"},
    {"BetweenWithAnd", "C.CustomerID", "BETWEEN", "4 and 6,", "CustomerID IN (4, 5, 6)"},
    {"RealAmounts", "L.Amount", "=", "10~20&", "Amount >= 10 AND Amount < 20"},
    {"GreaterThan", "L.Amount", ">", "150", "Amount > 150"},
};
INSTANTIATE_TEST_SUITE_P(Ranges, ConditionsE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kRanges)),
                         EngineAndCaseNames());

// Order dates are texts; a time of day sorts after the bare date, so a
// period's end bound must be exclusive to keep 23:59:59 on the right side.
const ConditionCase kDates[] = {
    {"Year2011", "O.OrderDate", "=", "2011", "OrderDate >= '2011-01-01' AND OrderDate < '2012-01-01'"},
    {"Year2012", "O.OrderDate", "=", "2012", "OrderDate >= '2012-01-01' AND OrderDate < '2013-01-01'"},
    {"NotYear2011", "O.OrderDate", "<>", "2011", "OrderDate < '2011-01-01' OR OrderDate >= '2012-01-01'"},
    {"Quarter1", "O.OrderDate", "=", "2011Q1", "OrderDate >= '2011-01-01' AND OrderDate < '2011-04-01'"},
    {"Quarter2", "O.OrderDate", "=", "2011Q2", "OrderDate >= '2011-04-01' AND OrderDate < '2011-07-01'"},
    {"Quarter3", "O.OrderDate", "=", "2011Q3", "OrderDate >= '2011-07-01' AND OrderDate < '2011-10-01'"},
    {"Quarter4", "O.OrderDate", "=", "2011Q4", "OrderDate >= '2011-10-01' AND OrderDate < '2012-01-01'"},
    {"LeapQuarterLowerCaseQ", "O.OrderDate", "=", "2012q1", "OrderDate >= '2012-01-01' AND OrderDate < '2012-04-01'"},
    {"MonthFebruary2011", "O.OrderDate", "=", "201102", "OrderDate >= '2011-02-01' AND OrderDate < '2011-03-01'"},
    {"MonthFebruary2012", "O.OrderDate", "=", "201202", "OrderDate >= '2012-02-01' AND OrderDate < '2012-03-01'"},
    {"MonthDecember", "O.OrderDate", "=", "201112", "OrderDate >= '2011-12-01' AND OrderDate < '2012-01-01'"},
    {"MonthMarch", "O.OrderDate", "=", "201203", "OrderDate >= '2012-03-01' AND OrderDate < '2012-04-01'"},
    {"LeapDay", "O.OrderDate", "=", "20120229", "OrderDate >= '2012-02-29' AND OrderDate < '2012-03-01'"},
    {"DayBeforeLeapDay", "O.OrderDate", "=", "20120228", "OrderDate >= '2012-02-28' AND OrderDate < '2012-02-29'"},
    {"LastDayOfYear", "O.OrderDate", "=", "20111231", "OrderDate >= '2011-12-31' AND OrderDate < '2012-01-01'"},
    {"LastDayOfQuarter", "O.OrderDate", "=", "20110331", "OrderDate >= '2011-03-31' AND OrderDate < '2011-04-01'"},
    {"FirstDayOfQuarter", "O.OrderDate", "=", "20120401", "OrderDate >= '2012-04-01' AND OrderDate < '2012-04-02'"},
    {"DateRange", "O.OrderDate", "=", "2011-12-31~2012-01-01",
     "OrderDate >= '2011-12-31' AND OrderDate <= '2012-01-01'"},
    {"DateRangeUpperExcluded", "O.OrderDate", "=", "2012-02-28~2012-03-01&",
     "OrderDate >= '2012-02-28' AND OrderDate < '2012-03-01'"},
    {"DateList", "O.OrderDate", "=", "2011-12-31, 2012-02-29", "OrderDate IN ('2011-12-31', '2012-02-29')"},
    {"DatesUpTo", "O.OrderDate", "=", "~2011-01-01", "OrderDate <= '2011-01-01'"},
};
INSTANTIATE_TEST_SUITE_P(Dates, ConditionsE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kDates)),
                         EngineAndCaseNames());

const ConditionCase kPatterns[] = {
    {"Prefix", "C.CustomerName", "=", "A%", "CustomerName LIKE 'A%'"},
    {"NotPrefix", "C.CustomerName", "<>", "A%", "CustomerName NOT LIKE 'A%'"},
    {"LikeOperatorText", "C.CustomerName", "LIKE", "%& Co", "CustomerName LIKE '%& Co'"},
    {"PatternWithApostrophe", "C.CustomerName", "=", "%O'%", "CustomerID IN (3, 22)"},
    {"IsNull", "C.Region", "=", "{NULL}", "Region IS NULL"},
    {"IsNotNull", "C.Region", "<>", "{null}", "Region IS NOT NULL"},
    {"NullDates", "O.OrderDate", "=", "{NULL}", "OrderDate IS NULL"},
};
INSTANTIATE_TEST_SUITE_P(Patterns, ConditionsE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kPatterns)),
                         EngineAndCaseNames());

// Values that would change the statement if they were pasted into it.
const ConditionCase kHostile[] = {
    {"Apostrophe", "C.CustomerName", "=", "Sean O'Brien", "CustomerID = 3"},
    {"TwoApostrophes", "C.City", "=", "St. John's", "CustomerID = 22"},
    {"TrailingBackslash", "C.CustomerName", "=", "Backslash Trading\\", "CustomerID = 18"},
    {"BackslashesOnly", "C.City", "=", "C:\\Data\\", "CustomerID = 18"},
    {"Injection", "C.CustomerName", "=", "'; DROP TABLE orders; --", "CustomerID = 19"},
    {"InjectionNegated", "C.CustomerName", "<>", "'; DROP TABLE orders; --", "CustomerID <> 19"},
};
INSTANTIATE_TEST_SUITE_P(Hostile, ConditionsE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kHostile)),
                         EngineAndCaseNames());

// A pattern compares letters as the engine's LIKE does: ignoring their case
// on SQLite, exactly on PostgreSQL.
TEST_P(E2eTest, PatternsFollowTheEnginesLetterCase) {
  Rows rows;
  ASSERT_TRUE(Run(
      Document(Query("Q", "Main", Col("C.CustomerID"), Where(Col("C.CustomerName") + Text("=") + Text("ac%")))), rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT CustomerID FROM Customers WHERE CustomerName LIKE 'ac%'")));
  // Acme Corp alone begins with "Ac".
  EXPECT_EQ(rows.size(), engine() == Engine::kSqlite ? 1u : 0u) << commands_;
}

TEST_P(E2eTest, AllKeepsEveryRow) {
  Rows rows;
  ASSERT_TRUE(
      Run(Document(Query("Q", "Main", Col("C.CustomerID"), Where(Col("C.Region") + Text("=") + Text("{ALL}")))), rows));
  EXPECT_EQ(Sorted(rows), Sorted(Expected("SELECT CustomerID FROM Customers")));
}

}  // namespace
}  // namespace e2e
