// TransformExprTest.cpp - placeholder substitution in expression texts:
// plain substitution, regenerated comparisons, several occurrences and
// failures that leave the text alone.
#include <gtest/gtest.h>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"

namespace {

struct TransformCase {
  const char* expr;
  DATATYPE type;
  const char* value;
  const char* expected;
};

TEST(TransformExprTest, PlaceholdersBecomeValuesOrPredicates) {
  const TransformCase cases[] = {
      {"T.a = 1", DATATYPE_NUMERIC, "5", "T.a = 1"},  // no placeholder
      {"", DATATYPE_NUMERIC, "5", ""},
      {"SELECT :p", DATATYPE_CHARACTER, "O'Brien", "SELECT 'O''Brien'"},
      {"f(:p, 2)", DATATYPE_NUMERIC, "7", "f(7, 2)"},
      {"x:py", DATATYPE_CHARACTER, "v", "x'v'y"},
      {"T.a = :p", DATATYPE_NUMERIC, "1,2", "T.a IN (1, 2)"},
      {"T.a <> :p", DATATYPE_NUMERIC, "1,2", "T.a NOT IN (1, 2)"},
      {"T.a in :p", DATATYPE_NUMERIC, "(1,2)", "T.a IN (1, 2)"},
      {"T.a = :p", DATATYPE_NUMERIC, "1~5&", "(T.a >= 1 AND T.a < 5)"},
      {"WHERE T.d = :p AND x > 0", DATATYPE_DATETIME, "2011",
       "WHERE (T.d >= {d '2011-01-01'} AND T.d < {d '2012-01-01'}) AND x > 0"},
      {"Year([Order Date])>=:p", DATATYPE_NUMERIC, "2011", "Year([Order Date]) >= 2011"},
      {"a = :p OR b <> :p", DATATYPE_CHARACTER, "x%", "a LIKE 'x%' OR b NOT LIKE 'x%'"},
      {"a = :p OR :p", DATATYPE_NUMERIC, "3", "a = 3 OR 3"},
      {"= :p", DATATYPE_NUMERIC, "5", "=5"},  // an operator without an operand
      {"(:p)", DATATYPE_CHARACTER, "{NULL}", "(NULL)"},
      {"T.a = :p", DATATYPE_CHARACTER, "{ALL}", "1=1"},
      {"T.a = :p", DATATYPE_NUMERIC, "12&", "T.a = 12"},
      {":p", DATATYPE_NUMERIC, "12&", "12"},  // the mark is no failure
  };
  for (const auto& c : cases) {
    CString expr = c.expr;
    EXPECT_EQ(CExprParser::TransformExpr(expr, ":p", c.value, c.type), S_OK) << c.expr;
    EXPECT_EQ(expr, c.expected) << c.expr;
  }
}

TEST(TransformExprTest, ReplacedTextIsNotSearchedAgain) {
  CString expr = "a = :p AND :p";
  EXPECT_EQ(CExprParser::TransformExpr(expr, ":p", ":p:p", DATATYPE_OBJECT), S_OK);
  EXPECT_EQ(expr, "a = :p:p AND :p:p");
  expr = "x + 1";
  EXPECT_EQ(CExprParser::TransformExpr(expr, "", "5", DATATYPE_NUMERIC), S_OK);  // no key, no change
  EXPECT_EQ(expr, "x + 1");
}

TEST(TransformExprTest, FailureLeavesTheTextUnchanged) {
  struct FailCase {
    const char* expr;
    DATATYPE type;
    const char* value;
    HRESULT expected;
  };
  const FailCase cases[] = {
      {"T.a = :p", DATATYPE_NUMERIC, "x", TPE_NOT_A_NUMBER},
      {"f(:p)", DATATYPE_NUMERIC, "x", TPE_NOT_A_NUMBER},
      {"T.d = 1 AND T.e = :p", DATATYPE_DATETIME, "2011Q9", TPE_NOT_A_DATE},
      {"T.a > :p", DATATYPE_NUMERIC, "1~5", TPE_RANGE_OPERATOR},
      {"T.a > :p", DATATYPE_NUMERIC, "1,2", TPE_MULTI_VALUE_OPERATOR},
  };
  for (const auto& c : cases) {
    CString expr = c.expr;
    EXPECT_EQ(CExprParser::TransformExpr(expr, ":p", c.value, c.type), c.expected) << c.expr;
    EXPECT_EQ(expr, c.expr);
  }
}

TEST(TransformExprTest, FlatFileSourcesGetOrChains) {
  SetCurDSType(DSTYPE_FLATFILE);
  CString expr = "T.a = :p";
  EXPECT_EQ(CExprParser::TransformExpr(expr, ":p", "1,2", DATATYPE_NUMERIC), S_OK);
  SetCurDSType(DSTYPE_NONE);
  EXPECT_EQ(expr, "(T.a = 1 OR T.a = 2)");
}

}  // namespace
