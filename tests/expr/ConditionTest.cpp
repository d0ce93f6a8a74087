// ConditionTest.cpp - the column form of condition generation: special and
// raw values, lists, LIKE patterns, every row of the range table, date
// codes and the failure codes, held to exact predicate texts.
#include <gtest/gtest.h>

#include <string>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"

namespace {

// The predicate, or "error 0x..." for a failure, so that both kinds of
// outcome fit one table.
std::string Outcome(HRESULT hr, const CString& result) {
  if (hr == S_OK) return result.GetString();
  char text[32];
  std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string Generate(const char* column, DATATYPE type, const char* op, const char* value, bool dataOnly = false) {
  CString result;
  const HRESULT hr = CExprParser::GenerateExpr(column, type, op, value, result, dataOnly);
  return Outcome(hr, result);
}

struct Case {
  DATATYPE type;
  const char* op;
  const char* value;
  const char* expected;
};

constexpr DATATYPE N = DATATYPE_NUMERIC;
constexpr DATATYPE C = DATATYPE_CHARACTER;
constexpr DATATYPE D = DATATYPE_DATETIME;
constexpr DATATYPE U = DATATYPE_OBJECT;

const char* const kNotANumber = "error 0xE00032D4";
const char* const kNotADate = "error 0xE00032D5";
const char* const kRangeOperator = "error 0xE00032D6";
const char* const kMultiValueOperator = "error 0xE00032D7";

class ConditionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetCurDSType(DSTYPE_NONE);
    ClearHostVariables();
  }
  void Check(const Case* cases, size_t count, bool dataOnly = false) {
    for (size_t i = 0; i < count; ++i) {
      const Case& c = cases[i];
      EXPECT_EQ(Generate("T.c", c.type, c.op, c.value, dataOnly), c.expected)
          << "type " << c.type << " op '" << c.op << "' value '" << c.value << "'";
    }
  }
  template <size_t n>
  void Check(const Case (&cases)[n], bool dataOnly = false) {
    Check(cases, n, dataOnly);
  }
};

TEST_F(ConditionTest, SpecialRawAndEvaluableValuesStandAsWritten) {
  SetHostVariable("UserName", "ann");
  const Case cases[] = {
      {C, "=", "{ALL}", "1=1"},
      {N, "<>", " {all} ", "1=1"},
      {C, "=", "{NULL}", "T.c IS NULL"},
      {D, "<>", "{Null}", "T.c IS NOT NULL"},  // the negative operator keeps its meaning
      {C, "NOT IN", "{NULL}", "T.c IS NOT NULL"},
      {C, "IN", "{null}", "T.c IS NULL"},
      {C, "=", "", "1=1"},
      {N, ">", " \t ", "1=1"},
      {C, "=", "^abc", "T.c = abc"},              // raw: no quotes
      {C, " in ", "^(1, 2)", "T.c  in  (1, 2)"},  // raw keeps the operator as given
      {N, "=", "^ 1 OR 1=1", "T.c =  1 OR 1=1"},  // the documented raw form
      {D, ">=", "Today()", "T.c >= Today()"},     // left for the processor
      {D, "=", "DateAdd('d', -1, Today())", "T.c = DateAdd('d', -1, Today())"},
      {C, "=", "$UserName", "T.c = $UserName"},
      {C, "=", "Today", "T.c = 'Today'"},        // a name, not a call
      {C, "=", "Upper(x)", "T.c = 'Upper(x)'"},  // not one of the processor's own
  };
  Check(cases);
}

TEST_F(ConditionTest, DataOnlyTakesEveryValueAsData) {
  const Case cases[] = {
      {C, "=", "{ALL}", "T.c = '{ALL}'"},
      {C, "=", "{NULL}", "T.c = NULL"},
      {D, "=", "{NULL}", "T.c = NULL"},  // six characters, but no month code
      {C, "=", "^abc", "T.c = '^abc'"},
      {C, "=", "Today()", "T.c = 'Today()'"},
      {N, "=", "1 ~ abs(5)", kNotANumber},  // neither bound of a range is raw
      {N, "=", "abs(1) ~ 5", kNotANumber},
      {N, "=", "1 ~ 5", "(T.c BETWEEN 1 AND 5)"},
  };
  Check(cases, true);
}

TEST_F(ConditionTest, SingleValuesAreRenderedForTheirType) {
  const Case cases[] = {
      {C, "=", "abc", "T.c = 'abc'"},
      {C, "=", "  O'Brien ", "T.c = 'O''Brien'"},
      {C, "=", "'a,b'", "T.c = 'a,b'"},  // quoted commas: one value
      {C, "=", "'a~b'", "T.c = 'a~b'"},
      {C, "=", "'", "T.c = ''''"},
      {C, "=", "x' OR '1'='1", "T.c = 'x'' OR ''1''=''1'"},
      {N, ">", "5", "T.c > 5"},
      {N, " >= ", "-1.5", "T.c >= -1.5"},
      {N, "=", "12&", "T.c = 12"},  // the exclusive mark means nothing here
      {N, "=", "TRUE", "T.c = TRUE"},
      {N, "in", "5", "T.c IN (5)"},
      {N, "not in", "5", "T.c NOT IN (5)"},
      {D, "=", "2011-1-31", "T.c = {d '2011-01-31'}"},
      {D, "<", "{d '2011-01-31'}", "T.c < {d '2011-01-31'}"},
      {U, "=", " x + 1 ", "T.c = x + 1"},
      {N, "=", "abc", kNotANumber},
      {N, "=", "1 and 5", kNotANumber},
      {N, "BETWEEN", "1 and 5", kNotANumber},  // "and" makes a range only inside a list
      {D, "=", "31.1.2011", kNotADate},
  };
  Check(cases);
}

TEST_F(ConditionTest, ListsBecomeInLists) {
  const Case cases[] = {
      {N, "=", "1,2,3", "T.c IN (1, 2, 3)"},
      {N, "<>", "1,2,3", "T.c NOT IN (1, 2, 3)"},
      {N, "IN", "(1, 2)", "T.c IN (1, 2)"},
      {N, "NOT IN", " ( 1 , 2 ) ", "T.c NOT IN (1, 2)"},
      {N, "=", "1, , 2,", "T.c IN (1, 2)"},  // empty items contribute nothing
      {N, "=", "5,", "T.c = 5"},             // one item is a plain comparison
      {C, "=", "a,,b, c", "T.c IN ('a,b', 'c')"},
      {C, "=", "(x,,y)", "T.c = 'x,y'"},
      {C, "=", "a,,,b", "T.c IN ('a,', 'b')"},
      {C, "=", "'a', 'b'", "T.c = '''a'', ''b'''"},  // opens and closes with a quote: one value
      {C, "=", "'a', b", "T.c IN ('a', 'b')"},
      {C, "=", "a', 'b", "T.c IN ('a''', '''b')"},
      {N, "=", "1,,2", kNotANumber},
      {N, "=", "1,x", kNotANumber},
      {N, ">", "1,2", kMultiValueOperator},
      {N, "BETWEEN", "1,2", kMultiValueOperator},
  };
  Check(cases);
}

// Items shed the white space around them, but not an escaped comma at
// their edge; under BETWEEN, " and " is looked for before the trim.
TEST_F(ConditionTest, ListItemsAreCutAndTrimmedOneByOne) {
  const Case cases[] = {
      {C, "=", " a ,\tb\t,\nc\n, ", "T.c IN ('a', 'b', 'c')"},
      {C, "<>", "x, y z ,O'Brien", "T.c NOT IN ('x', 'y z', 'O''Brien')"},
      {C, "=", "a, ,, b", "T.c IN ('a', ', b')"},
      {C, "=", "a,,b,c,,", "T.c IN ('a,b', 'c,')"},
      {N, "BETWEEN", "1  and 5,", "(T.c BETWEEN 1 AND 5)"},
      {N, "NOT BETWEEN", "1 AND 5 ,", "(T.c NOT BETWEEN 1 AND 5)"},
      {N, "BETWEEN", " and 5, ", kNotANumber},  // nothing before the " and "
  };
  Check(cases);
}

TEST_F(ConditionTest, FlatFileSourcesGetAnOrChainInsteadOfIn) {
  SetCurDSType(DSTYPE_FLATFILE);
  const Case cases[] = {
      {N, "=", "1,2,3", "(T.c = 1 OR T.c = 2 OR T.c = 3)"},
      {N, "IN", "5", "(T.c = 5)"},
      {N, "<>", "1,2", "T.c NOT IN (1, 2)"},
      {N, "=", "7", "T.c = 7"},
      // A value that holds a comma stays one literal in the chain.
      {C, "=", "a,,b, c", "(T.c = 'a,b' OR T.c = 'c')"},
      {C, "IN", "'a,b'", "(T.c = 'a,b')"},
      {N, "=", "1~5, 8, 9", "((T.c BETWEEN 1 AND 5) OR (T.c = 8 OR T.c = 9))"},
  };
  Check(cases);
}

TEST_F(ConditionTest, PercentMakesLikeUnlessQuoted) {
  const Case cases[] = {
      {C, "=", "ab%", "T.c LIKE 'ab%'"},
      {C, "<>", "ab%", "T.c NOT LIKE 'ab%'"},
      {C, "like", "a_%", "T.c LIKE 'a_%'"},
      {C, "=", "'ab%'", "T.c = 'ab%'"},
      {C, ">", "ab%", "T.c > 'ab%'"},
      {C, "=", "a%,b%", kMultiValueOperator},
      {C, "LIKE", "a,b", kMultiValueOperator},
      {N, "=", "5%", kNotANumber},
  };
  Check(cases);
}

// Every row of the range table, positive and negative, plus both bounds
// exclusive: (col > lo AND col < hi), negated (col <= lo OR col >= hi).
TEST_F(ConditionTest, RangeTable) {
  const Case cases[] = {
      {N, "=", "1~", "(T.c >= 1)"},
      {N, "=", "1&~", "(T.c >= 1)"},
      {N, "=", "~5", "(T.c <= 5)"},
      {N, "=", "~5&", "(T.c <= 5)"},
      {N, "=", "1~5", "(T.c BETWEEN 1 AND 5)"},
      {N, "=", "1 ~ 5&", "(T.c >= 1 AND T.c < 5)"},
      {N, "=", "1& ~ 5", "(T.c > 1 AND T.c <= 5)"},
      {N, "=", "1&~5&", "(T.c > 1 AND T.c < 5)"},
      {N, "<>", "1~", "(T.c < 1)"},
      {N, "<>", "1&~", "(T.c < 1)"},
      {N, "<>", "~5", "(T.c > 5)"},
      {N, "<>", "~5&", "(T.c > 5)"},
      {N, "<>", "1~5", "(T.c NOT BETWEEN 1 AND 5)"},
      {N, "<>", "1~5&", "(T.c < 1 OR T.c >= 5)"},
      {N, "<>", "1&~5", "(T.c <= 1 OR T.c > 5)"},
      {N, "<>", "1&~5&", "(T.c <= 1 OR T.c >= 5)"},
      {N, "BETWEEN", "1~5", "(T.c BETWEEN 1 AND 5)"},
      {N, "NOT BETWEEN", "1~5&", "(T.c < 1 OR T.c >= 5)"},
      {N, "=", "~", "1=1"},
      {N, "=", " ~ , ", "1=1"},
  };
  Check(cases);
}

TEST_F(ConditionTest, RangesInListsAndTheirOperators) {
  const Case cases[] = {
      {N, "=", "1~5, 8", "((T.c BETWEEN 1 AND 5) OR T.c = 8)"},
      {N, "<>", "1~5, 8", "((T.c NOT BETWEEN 1 AND 5) AND T.c <> 8)"},
      {N, "=", "1~5, 8, 9", "((T.c BETWEEN 1 AND 5) OR T.c IN (8, 9))"},
      {N, "<>", "1~5, 8, 9", "((T.c NOT BETWEEN 1 AND 5) AND T.c NOT IN (8, 9))"},
      {N, "=", "1~5, 7~9", "((T.c BETWEEN 1 AND 5) OR (T.c BETWEEN 7 AND 9))"},
      {N, "BETWEEN", "1 and 5,", "(T.c BETWEEN 1 AND 5)"},
      {N, "NOT BETWEEN", "1 AND 5,", "(T.c NOT BETWEEN 1 AND 5)"},
      {N, "BETWEEN", "1 and 5, 7 and 9", kMultiValueOperator},
      {N, "=", "1 and 5,", kNotANumber},  // "and" is a range word only for BETWEEN
      {N, ">", "1~5", kRangeOperator},
      {N, "LIKE", "1~5", kRangeOperator},
      {N, ">", "x~5", kNotANumber},  // the bounds are rendered first
      {N, "=", "x~5", kNotANumber},
      {N, "=", "1~y", kNotANumber},
      {D, "=", "2011-1-1~2011-2-30", kNotADate},
      {C, "=", "a ~ m", "(T.c BETWEEN 'a' AND 'm')"},
      {C, "=", "'a~b' ~ c", "(T.c BETWEEN 'a~b' AND 'c')"},  // a quoted tilde does not split
      {C, "=", "a,,b ~ c", "(T.c BETWEEN 'a,b' AND 'c')"},   // escaped comma inside a bound
  };
  Check(cases);
}

TEST_F(ConditionTest, CallsAsRangeBoundsStayRawOnlyWhenComplete) {
  const Case cases[] = {
      {D, "=", "DateAdd('d',,-7,,Today()) ~ Today()", "(T.c BETWEEN DateAdd('d',-7,Today()) AND Today())"},
      {N, "=", "abs(1) ~ 5&", "(T.c >= abs(1) AND T.c < 5)"},
      // An unclosed call would leave a quote open for the rest of the
      // statement; it is rendered as data instead.
      {C, "=", "1 ~ f(')", "(T.c BETWEEN '1' AND 'f('')')"},
      {C, "=", "1 ~ f(', x' OR 1=1 --", "((T.c BETWEEN '1' AND 'f(''') OR T.c = 'x'' OR 1=1 --')"},
      {N, "=", "1 ~ f((1)", kNotANumber},
      // Only a bound that is exactly one call is a call, on either side.
      {C, "=", "zzz ~ upper(1) OR 1=1", "(T.c BETWEEN 'zzz' AND 'upper(1) OR 1=1')"},
      {C, "=", "upper(1) OR 1=1 ~ zzz", "(T.c BETWEEN 'upper(1) OR 1=1' AND 'zzz')"},
      {C, "=", "a ~ upper('x')", "(T.c BETWEEN 'a' AND upper('x'))"},
      {C, "=", "x(1); DROP TABLE t; -- ~ b", "(T.c BETWEEN 'x(1); DROP TABLE t; --' AND 'b')"},
      {C, "=", "f(1) + g(2) ~ b", "(T.c BETWEEN 'f(1) + g(2)' AND 'b')"},
      {N, "=", "abs(1) -- ~ 5", kNotANumber},
      {D, "=", "Today() ~ f(1)(2)", kNotADate},
  };
  Check(cases);
}

// MySQL reads a backslash inside a literal as an escape: there every
// backslash of a value is doubled, so that a trailing one cannot swallow
// the closing apostrophe. Elsewhere a backslash is an ordinary character.
// A raw call holding a backslash in a literal would read differently on
// the two kinds, so it is data everywhere.
TEST_F(ConditionTest, BackslashesAreEscapedWhereTheDataSourceReadsThemAsEscapes) {
  const Case mysql[] = {
      {C, "=", "x\\, OR 1=1 --", "T.c IN ('x\\\\', 'OR 1=1 --')"},
      {C, "=", "'C:\\dir\\'", "T.c = 'C:\\\\dir\\\\'"},  // a typed literal keeps its text
      {C, "=", "O'B\\", "T.c = 'O''B\\\\'"},
      {C, "=", "a ~ b\\", "(T.c BETWEEN 'a' AND 'b\\\\')"},
  };
  SetCurDSType(DSTYPE_MYSQL);
  Check(mysql);
  const Case others[] = {
      {C, "=", "x\\, y", "T.c IN ('x\\', 'y')"},
      {C, "=", "'C:\\dir\\'", "T.c = 'C:\\dir\\'"},
      {C, "=", "a ~ up('x\\')", "(T.c BETWEEN 'a' AND 'up(''x\\'')')"},
      {C, "=", "a ~ up('x/y')", "(T.c BETWEEN 'a' AND up('x/y'))"},
  };
  SetCurDSType(DSTYPE_POSTGRESQL);
  Check(others);
}

// Brackets quote names only on some databases; elsewhere a quote inside
// them opens a literal that runs on into the statement, and ";" or a
// comment mark inside them acts. A call holding such a name is data.
TEST_F(ConditionTest, ACallWithAQuoteInABracketedNameIsData) {
  const Case cases[] = {
      {C, "=", "a ~ up([x'y])", "(T.c BETWEEN 'a' AND 'up([x''y])')"},
      {C, "=", "a ~ up([x\"y])", "(T.c BETWEEN 'a' AND 'up([x\"y])')"},
      {C, "=", "a ~ up([x;y])", "(T.c BETWEEN 'a' AND 'up([x;y])')"},
      {C, "=", "a ~ up([x--y])", "(T.c BETWEEN 'a' AND 'up([x--y])')"},
      {C, "=", "a ~ up([x/*y])", "(T.c BETWEEN 'a' AND 'up([x/*y])')"},
      // Plain bracketed names, and brackets inside a literal, stay raw.
      {C, "=", "a ~ up([x y])", "(T.c BETWEEN 'a' AND up([x y]))"},
      {C, "=", "a ~ up([x]]y])", "(T.c BETWEEN 'a' AND up([x]]y]))"},
      {C, "=", "a ~ up('[x''y]')", "(T.c BETWEEN 'a' AND up('[x''y]'))"},
  };
  Check(cases);
}

// A year below 1000 used to print with three digits, which the date
// reader refuses; every bound a code expands into reads back as a date.
TEST_F(ConditionTest, YearsBelowOneThousandKeepFourDigits) {
  const Case cases[] = {
      {D, "=", "0999", "(T.c >= {d '0999-01-01'} AND T.c < {d '1000-01-01'})"},
      {D, "=", "0998", "(T.c >= {d '0998-01-01'} AND T.c < {d '0999-01-01'})"},
      {D, "=", "0998Q4", "(T.c >= {d '0998-10-01'} AND T.c < {d '0999-01-01'})"},
      {D, "=", "099812", "(T.c >= {d '0998-12-01'} AND T.c < {d '0999-01-01'})"},
      {D, "=", "09981231", "(T.c >= {d '0998-12-31'} AND T.c < {d '0999-01-01'})"},
      {D, "=", "0100-02-03 ~ 0999-1-1&", "(T.c >= {d '0100-02-03'} AND T.c < {d '0999-01-01'})"},
      {D, "=", "{d '0999-01-01'}", "T.c = {d '0999-01-01'}"},
  };
  Check(cases);
}

// Year, quarter, month and day codes expand into half-open ranges.
TEST_F(ConditionTest, DateCodes) {
  const Case cases[] = {
      {D, "=", "2011", "(T.c >= {d '2011-01-01'} AND T.c < {d '2012-01-01'})"},
      {D, "<>", "2011", "(T.c < {d '2011-01-01'} OR T.c >= {d '2012-01-01'})"},
      {D, "BETWEEN", "2011", "(T.c >= {d '2011-01-01'} AND T.c < {d '2012-01-01'})"},
      {D, "=", "2011Q1", "(T.c >= {d '2011-01-01'} AND T.c < {d '2011-04-01'})"},
      {D, "=", "2011q2", "(T.c >= {d '2011-04-01'} AND T.c < {d '2011-07-01'})"},
      {D, "=", "2011Q3", "(T.c >= {d '2011-07-01'} AND T.c < {d '2011-10-01'})"},
      {D, "=", "2011Q4", "(T.c >= {d '2011-10-01'} AND T.c < {d '2012-01-01'})"},
      {D, "<>", "2011Q4", "(T.c < {d '2011-10-01'} OR T.c >= {d '2012-01-01'})"},
      {D, "=", "201103", "(T.c >= {d '2011-03-01'} AND T.c < {d '2011-04-01'})"},
      {D, "=", "201109", "(T.c >= {d '2011-09-01'} AND T.c < {d '2011-10-01'})"},
      {D, "=", "201112", "(T.c >= {d '2011-12-01'} AND T.c < {d '2012-01-01'})"},
      {D, "=", "20110315", "(T.c >= {d '2011-03-15'} AND T.c < {d '2011-03-16'})"},
      {D, "=", "20120228", "(T.c >= {d '2012-02-28'} AND T.c < {d '2012-02-29'})"},
      {D, "=", "20120229", "(T.c >= {d '2012-02-29'} AND T.c < {d '2012-03-01'})"},
      {D, "=", "20111231", "(T.c >= {d '2011-12-31'} AND T.c < {d '2012-01-01'})"},
      {D, "<>", "20111231", "(T.c < {d '2011-12-31'} OR T.c >= {d '2012-01-01'})"},
      {D, "=", " 2011 ", "(T.c >= {d '2011-01-01'} AND T.c < {d '2012-01-01'})"},
      {D, ">", "2011", kRangeOperator},
      {D, "=", "2011Q5", kNotADate},
      {D, "=", "2011Q0", kNotADate},
      {D, "=", "201113", kNotADate},
      {D, "=", "201100", kNotADate},
      {D, "=", "20110229", kNotADate},  // not a leap year
      {D, "=", "20111301", kNotADate},
      {D, "=", "2011, 2012", kNotADate},  // codes are read on the whole value only
      {N, "=", "2011", "T.c = 2011"},     // only date columns know codes
      {C, "=", "201112", "T.c = '201112'"},
  };
  Check(cases);
}

TEST_F(ConditionTest, DateCodesUseTheLiteralsOfTheDataSource) {
  SetCurDSType(DSTYPE_SQLITE);
  EXPECT_EQ(Generate("d", D, "=", "2011Q4"), "(d >= '2011-10-01' AND d < '2012-01-01')");
  SetCurDSType(DSTYPE_ORACLE);
  EXPECT_EQ(Generate("d", D, "=", "2011-1-1, 2011-2-1"),
            "d IN (TO_DATE('2011-01-01','YYYY-MM-DD'), TO_DATE('2011-02-01','YYYY-MM-DD'))");
}

TEST_F(ConditionTest, ColumnIsInsertedVerbatimAndResultIsReplaced) {
  CString result = "stale";
  EXPECT_EQ(CExprParser::GenerateExpr("{Sales}.dbo.[Order Lines].[Qty]", N, "=", "1,2", result, false), S_OK);
  EXPECT_EQ(result, "{Sales}.dbo.[Order Lines].[Qty] IN (1, 2)");
  EXPECT_EQ(CExprParser::GenerateExpr(nullptr, C, nullptr, nullptr, result, false), S_OK);
  EXPECT_EQ(result, "1=1");
  // A null column or operator is empty text in every form of condition.
  const struct {
    const char* op;
    const char* value;
    const char* expected;
  } nulls[] = {
      {"=", "{NULL}", " IS NULL"},
      {nullptr, "^x", "  x"},
      {"=", "1,2", " IN (1, 2)"},
      {nullptr, "5", "  5"},
      {"=", "1~5", "( BETWEEN 1 AND 5)"},
  };
  for (const auto& c : nulls) EXPECT_EQ(Generate(nullptr, N, c.op, c.value), c.expected) << c.value;
}

}  // namespace
