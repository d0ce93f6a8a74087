// ExprProcessorTest.cpp - classification of expression texts and the
// processor's own functions.
//
// The class decides two things downstream: whether a column takes part in
// GROUP BY (5 and above) and whether a value may be computed without a
// database (6). The tables below concentrate on the borders between those
// classes, where a wrong answer would either evaluate a column reference
// as a constant or drop a column from the grouping.
#include <gtest/gtest.h>

#include <string>

#include "contracts/basis30/ExprProcessor.h"

namespace {

struct ExprCase {
  const char* text;
  EXPRTYPE expected;
};

void ExpectClasses(std::initializer_list<ExprCase> cases) {
  for (const ExprCase& c : cases) {
    EXPECT_EQ(TestExprType(c.text), c.expected) << "text: " << c.text;
  }
}

TEST(ExprProcessorTest, Literals) {
  ExpectClasses({
      {"", EXPR_EMPTY},
      {" \t\r\n", EXPR_EMPTY},
      {"12", EXPR_NUMBER},
      {" -5 ", EXPR_NUMBER},
      {"+1.5", EXPR_NUMBER},
      {"1e3", EXPR_NUMBER},
      {".5", EXPR_NUMBER},
      {"- 5", EXPR_NUMBER},
      {"(1)", EXPR_NUMBER},
      {"((-2.5E-3))", EXPR_NUMBER},
      {"'abc'", EXPR_STRING},
      {"'it''s'", EXPR_STRING},
      {"''", EXPR_STRING},
      {"N'abc'", EXPR_STRING},
      {"'a = b AND c'", EXPR_STRING},
      {"'(' ", EXPR_STRING},
      {"{d '2011-01-01'}", EXPR_DATE},
      {"{ts '2011-01-01 10:30:00'}", EXPR_DATE},
      {"{ D '2011-01-01' }", EXPR_DATE},
      {"TO_DATE('2011-01-31','YYYY-MM-DD')", EXPR_DATE},
      {"DATE '2011-01-01'", EXPR_DATE},
      {"null", EXPR_NULL},
      {"NULL", EXPR_NULL},
      {"(Null)", EXPR_NULL},
  });
}

TEST(ExprProcessorTest, ColumnReferences) {
  ExpectClasses({
      {"Amount", EXPR_COLUMN},
      {"T.c", EXPR_COLUMN},
      {"[T].[c]", EXPR_COLUMN},
      {"[Order Date]", EXPR_COLUMN},
      {"[a+b]", EXPR_COLUMN},
      {"\"T\".\"c-d\"", EXPR_COLUMN},
      {"{Sales}.dbo.Orders.Amount", EXPR_COLUMN},
      {"T.*", EXPR_COLUMN},
      {"(x)", EXPR_COLUMN},
      {"((T.c))", EXPR_COLUMN},
      {"Today", EXPR_COLUMN},  // a name, not a call
      {" S.T.c ", EXPR_COLUMN},
      {"T.NULL", EXPR_COLUMN},  // a reserved word as a part is still a name there
      {"T.1", EXPR_COLUMN},
      {"T..c", EXPR_COLUMN},
      {"AND", EXPR_LOGICAL},  // words of the language are no names
      {"not", EXPR_LOGICAL},
      {"数量", EXPR_COLUMN},
      {"Amount AS COL1_NUMBER", EXPR_COLUMN},
      {"CASE WHEN a > 1 THEN 'x' ELSE CASE WHEN b = 1 THEN 'y' END END", EXPR_COLUMN},
      {"CASE WHEN x THEN CASE WHEN y THEN 1 END ELSE a + b END", EXPR_COLUMN},
      {"{? 'Region'}", EXPR_COLUMN},  // a parameter: its value is unknown here
      {"a, b", EXPR_COLUMN},
      {"(1, 2)", EXPR_COLUMN},
  });
}

TEST(ExprProcessorTest, AnAliasDoesNotChangeTheClassOfTheValue) {
  ExpectClasses({
      {"'abc' AS COL1_CHAR3", EXPR_STRING},
      {"Amount * 2 AS COL2_NUMBER", EXPR_ARITHMETIC},
      {"Today() AS [Day]", EXPR_FUNCTION},
      {"SUM(x) AS s", EXPR_COLUMN_FUNCTION},
  });
}

TEST(ExprProcessorTest, ProcessorCallsOverConstantsAreEvaluable) {
  ExpectClasses({
      {"Today()", EXPR_FUNCTION},
      {"now ( )", EXPR_FUNCTION},
      {"(Today())", EXPR_FUNCTION},
      {"Year(Today())", EXPR_FUNCTION},
      {"DateAdd('d', -1, Today())", EXPR_FUNCTION},
      {"Year({d '2011-01-01'})", EXPR_FUNCTION},
      {"Year(TO_DATE('2011','YYYY'))", EXPR_FUNCTION},
      {"Year((Today()))", EXPR_FUNCTION},
      {"Year(NULL)", EXPR_FUNCTION},
      {"FirstDayOfMonth()", EXPR_FUNCTION},
      {"lastdayofyear(DateAdd('m', 1, Now()))", EXPR_FUNCTION},
      {"Date('2011-01-31')", EXPR_FUNCTION},
      {"Date(2011, 1, 31)", EXPR_FUNCTION},
  });
}

TEST(ExprProcessorTest, CallsThatMayReadAColumnAreNeverEvaluable) {
  ExpectClasses({
      {"Year(OrderDate)", EXPR_COLUMN_FUNCTION},
      {"Year(T.OrderDate)", EXPR_COLUMN_FUNCTION},
      {"DateAdd('d', -1, OrderDate)", EXPR_COLUMN_FUNCTION},
      {"Year(Month(Day(x)))", EXPR_COLUMN_FUNCTION},
      {"DateAdd('d', 1 + 1, Today())", EXPR_COLUMN_FUNCTION},  // an argument that is a computation
      {"Year({? 'P'})", EXPR_COLUMN_FUNCTION},
      {"Year(CAST('2011-01-01' AS DATE))", EXPR_COLUMN_FUNCTION},
      {"Year(a, b)", EXPR_COLUMN_FUNCTION},
      {"Today(1)", EXPR_COLUMN_FUNCTION},
      {"Year()", EXPR_COLUMN_FUNCTION},
      {"Date(2011, 1)", EXPR_COLUMN_FUNCTION},
      {"DateAdd('d', , Today())", EXPR_COLUMN_FUNCTION},
      {"Year(Today(), )", EXPR_COLUMN_FUNCTION},
      {"dbo.Today()", EXPR_COLUMN_FUNCTION},
      {"[Today]()", EXPR_COLUMN_FUNCTION},
      {"SUM(Amount)", EXPR_COLUMN_FUNCTION},
      {"COUNT(*)", EXPR_COLUMN_FUNCTION},
      {"UPPER(Name)", EXPR_COLUMN_FUNCTION},
      {"Unknown()", EXPR_COLUMN_FUNCTION},
      {"TO_DATE(OrderText, 'YYYY')", EXPR_COLUMN_FUNCTION},
      {"f(a = 1)", EXPR_COLUMN_FUNCTION},
      {"f(a + 1, 'x')", EXPR_COLUMN_FUNCTION},
  });
}

TEST(ExprProcessorTest, ArithmeticAtTheTopLevel) {
  ExpectClasses({
      {"Amount * 2", EXPR_ARITHMETIC},
      {"'a' || 'b'", EXPR_ARITHMETIC},
      {"5-3", EXPR_ARITHMETIC},
      {"1 - -5", EXPR_ARITHMETIC},
      {"-Amount", EXPR_ARITHMETIC},
      {"-(1)", EXPR_ARITHMETIC},
      {"a % 2", EXPR_ARITHMETIC},
      {"Year(Today()) + 1", EXPR_ARITHMETIC},
      {"(a + b)", EXPR_ARITHMETIC},
      {"(a + b) * (c - d)", EXPR_ARITHMETIC},
      {"a + b, c", EXPR_ARITHMETIC},
      {"{? 'a}b'} + 1", EXPR_ARITHMETIC},
      {"CASE WHEN a = 1 THEN 1 END + 1", EXPR_ARITHMETIC},
      {"+", EXPR_ARITHMETIC},
  });
}

TEST(ExprProcessorTest, ComparisonsAndConnectivesAtTheTopLevel) {
  ExpectClasses({
      {"a = 1", EXPR_LOGICAL},
      {"x > 1 AND y < 2", EXPR_LOGICAL},
      {"Region IN ('N','S')", EXPR_LOGICAL},
      {"Region not in ('N')", EXPR_LOGICAL},
      {"NOT x", EXPR_LOGICAL},
      {"x IS NOT NULL", EXPR_LOGICAL},
      {"a BETWEEN 1 AND 2", EXPR_LOGICAL},
      {"Name LIKE 'A%'", EXPR_LOGICAL},
      {"a <> 'x' OR a != 'y'", EXPR_LOGICAL},
      {"a + 1 >= b * 2", EXPR_LOGICAL},
      {"(a = 1)", EXPR_LOGICAL},
      {"EXISTS (SELECT 1 FROM T)", EXPR_LOGICAL},
      {">= 5", EXPR_LOGICAL},
      {"a = 1, b", EXPR_LOGICAL},
  });
}

TEST(ExprProcessorTest, MalformedTextCountsAsAColumn) {
  ExpectClasses({
      {"'abc", EXPR_COLUMN},
      {"(a", EXPR_COLUMN},
      {"a)", EXPR_COLUMN},
      {"(1 + 2", EXPR_COLUMN},
      {"Today(", EXPR_COLUMN},
      {"[T", EXPR_COLUMN},
      {"{d '2011-01-01'", EXPR_COLUMN},
      {"()", EXPR_COLUMN},
      {"a b", EXPR_COLUMN},
      {"12abc", EXPR_COLUMN},
      {"'a' 'b'", EXPR_COLUMN},
      {"N 'abc'", EXPR_COLUMN},
      {"T.", EXPR_COLUMN},
      {",", EXPR_COLUMN},
      {"@Today()", EXPR_COLUMN},
      {"Today() Today()", EXPR_COLUMN},
      {"{fn NOW()}", EXPR_COLUMN},
  });
  EXPECT_EQ(TestExprType(nullptr), EXPR_EMPTY);
}

TEST(ExprProcessorTest, DeepNestingIsClassifiedWithoutRecursion) {
  constexpr int kDepth = 100000;
  const std::string opens(kDepth, '(');
  const std::string closes(kDepth, ')');
  EXPECT_EQ(TestExprType((opens + "1" + closes).c_str()), EXPR_NUMBER);
  EXPECT_EQ(TestExprType((opens + "a" + closes).c_str()), EXPR_COLUMN);
  EXPECT_EQ(TestExprType((opens + "a = 1" + closes).c_str()), EXPR_LOGICAL);
  EXPECT_EQ(TestExprType(opens.c_str()), EXPR_COLUMN);
  EXPECT_EQ(TestExprType((opens + "1" + closes.substr(1)).c_str()), EXPR_COLUMN);

  std::string calls;
  for (int i = 0; i < kDepth; ++i) calls += "Year(";
  const std::string today = calls + "Today()" + closes;
  EXPECT_EQ(TestExprType(today.c_str()), EXPR_FUNCTION);
  const std::string column = calls + "OrderDate" + closes;
  EXPECT_EQ(TestExprType(column.c_str()), EXPR_COLUMN_FUNCTION);

  std::string cases;
  for (int i = 0; i < kDepth / 10; ++i) cases += "CASE WHEN a = 1 THEN ";
  for (int i = 0; i < kDepth / 10; ++i) cases += " END";
  EXPECT_EQ(TestExprType(cases.c_str()), EXPR_COLUMN);
}

TEST(ExprProcessorTest, ProcessorFunctionNames) {
  for (const char* name : {"Today", "NOW", "year", "Month", "Day", "Quarter", "FirstDayOfMonth", "LastDayOfMonth",
                           "FirstDayOfYear", "LastDayOfYear", "FirstDayOfQuarter", "DateAdd", "date"}) {
    EXPECT_TRUE(IsProcessorFunction(name)) << name;
  }
  for (const char* name : {"", "SUM", "Todays", "Tod", " Today", "TO_DATE", "LastDayOfQuarter"}) {
    EXPECT_FALSE(IsProcessorFunction(name)) << name;
  }
  EXPECT_FALSE(IsProcessorFunction(nullptr));
}

}  // namespace
