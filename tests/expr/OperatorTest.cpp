// OperatorTest.cpp - operator and function recognition, and the rendering
// of typed values as SQL literals.
#include <gtest/gtest.h>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"

namespace {

class Ops : public CExprParser {
 public:
  using CExprParser::GetLeftOperator;
  using CExprParser::GetRightOperator;
  using CExprParser::IsTextWithOperator;
  using CExprParser::TransformValue;
};

struct OperatorCase {
  const char* text;
  bool compareOnly;
  bool expected;
};

TEST(OperatorTest, IsOperatorMatchesWholeListEntries) {
  const OperatorCase cases[] = {
      {" in ", true, true},     {"not in", true, true},  {"NOT  IN", true, false}, {"+", true, false},
      {"+", false, true},       {"<>", true, true},      {"=>", true, false},      {"EXIST", true, true},
      {"NOT EXIST", true, true}, {"", true, false},      {"IN,", true, false},     {"not between", true, true},
      // Blanks around an operator do not count towards its length; a
      // longer text is no operator, whatever it starts with.
      {"     not between     ", true, true}, {"= North, South, East", true, false}, {"   ", true, false},
      {"\tIN", true, false},
  };
  for (const auto& c : cases) EXPECT_EQ(CExprParser::IsOperator(c.text, c.compareOnly), c.expected) << c.text;
}

TEST(OperatorTest, IsFunctionNeedsAPlainNameBeforeTheParenthesis) {
  EXPECT_TRUE(CExprParser::IsFunction("Year(OrderDate)"));
  EXPECT_TRUE(CExprParser::IsFunction("  @@Today()"));
  EXPECT_TRUE(CExprParser::IsFunction("LEFT(Name, 2)"));
  EXPECT_FALSE(CExprParser::IsFunction("(1, 2)"));
  EXPECT_FALSE(CExprParser::IsFunction("Today"));
  EXPECT_FALSE(CExprParser::IsFunction("Order Date(x)"));
  EXPECT_FALSE(CExprParser::IsFunction("2x(1)"));
  EXPECT_FALSE(CExprParser::IsFunction(""));
}

// A text that only starts like a call used to pass, and whatever followed
// the call went into the SQL raw.
TEST(OperatorTest, IsFunctionTakesExactlyOneWholeCall) {
  const struct {
    const char* text;
    bool expected;
  } cases[] = {
      {"upper('x')", true},
      {" f(g(1), ')') ", true},
      {"f('a''b', [x)])", true},
      {"f({d '2011-01-01'})", true},
      {"upper(1) OR 1=1", false},
      {"x(1); DROP TABLE t; --", false},
      {"f(1) + g(2)", false},
      {"f(1)(2)", false},
      {"f(1) --", false},
      {"f(')", false},
      {"f(1", false},
      {"f(1))", false},
      {"f(') + (')", true},  // one literal argument
      {"f(1]", false},
      {"f(1)'", false},
      // Nor may a call end the statement or comment out the rest of it.
      {"f(1 --)", false},
      {"f(1 /*)", false},
      {"f(1; 2)", false},
      {"f('--', ';', '/*')", true},
  };
  for (const auto& c : cases) EXPECT_EQ(CExprParser::IsFunction(c.text), c.expected) << c.text;
}

// "NOT BETWEEN" is eleven characters long; the search looked at ten.
TEST(OperatorTest, EveryOperatorIsFoundAtBothEnds) {
  const char* const compare[] = {"=",       "<>",          ">=",   "<=",       ">",     "<",        "IN",
                                 "NOT IN",  "BETWEEN",     "NOT BETWEEN", "LIKE", "NOT LIKE", "EXIST", "NOT EXIST"};
  for (const char* op : compare) {
    const CString word(op);
    for (const bool compareOnly : {true, false}) {
      EXPECT_EQ(Ops::GetLeftOperator(word + " :p", compareOnly), word) << op;
      EXPECT_EQ(Ops::GetLeftOperator(word + "  (1)", compareOnly), word) << op;
      EXPECT_EQ(Ops::GetRightOperator("T.q " + word, compareOnly), word) << op;
      EXPECT_EQ(Ops::GetRightOperator("T.q " + word + "   ", compareOnly), word) << op;
      CString lower(word);
      lower.MakeLower();
      EXPECT_EQ(Ops::GetLeftOperator(lower + " 1", compareOnly), word) << op;  // upper case
      EXPECT_EQ(Ops::GetRightOperator("q " + lower, compareOnly), lower) << op;  // as written
    }
  }
  for (const char* op : {"+", "-", "*", "/"}) {
    EXPECT_EQ(Ops::GetLeftOperator(CString(op) + " 1", false), op);
    EXPECT_EQ(Ops::GetRightOperator(CString("a ") + op, false), op);
  }
}

struct SideCase {
  const char* text;
  const char* expected;
};

TEST(OperatorTest, LeftOperatorTakesTheLongestAtAWordBoundary) {
  const SideCase cases[] = {
      {">=5", ">="},
      {"  <> 'x'", "<>"},
      {"\t\r\n>= 5", ">="},  // white space of every kind before it
      {"\v\fIN (1)", "IN"},
      {" \t ", ""},
      {"INDEX = 1", ""},
      {"IN (1, 2)", "IN"},
      {"not like 'a%'", "NOT LIKE"},
      {"NOT IN(1)", "NOT IN"},
      {"between 1 and 5", "BETWEEN"},
      {"=", ""},
      {"IN", ""},
      {"LIKEWISE", ""},
      {"", ""},
      {"+1", ""},  // arithmetic signs are not comparisons
  };
  for (const auto& c : cases) EXPECT_EQ(Ops::GetLeftOperator(c.text, true), c.expected) << c.text;
  EXPECT_EQ(Ops::GetLeftOperator("+1", false), "+");
  EXPECT_TRUE(Ops::IsTextWithOperator("= 5"));
  EXPECT_FALSE(Ops::IsTextWithOperator("5 ="));
}

TEST(OperatorTest, RightOperatorNeedsABoundaryBeforeIt) {
  const SideCase cases[] = {
      {"Amount >=", ">="},
      {"Region IN", "IN"},
      {"Region not in  ", "not in"},
      {"MAIN", ""},
      {"x =", "="},
      {"x", ""},
      {"", ""},
      {"T.Name LIKE", "LIKE"},
      {"ALIKE", ""},
      // The start of the text is a word boundary: a text that is only an
      // operator word ends with that operator.
      {"IN", "IN"},
      {"between", "between"},
  };
  for (const auto& c : cases) EXPECT_EQ(Ops::GetRightOperator(c.text, true), c.expected) << c.text;
  EXPECT_EQ(Ops::GetRightOperator("a +", false), "+");
  EXPECT_EQ(Ops::GetRightOperator("a +", true), "");
}

struct ValueCase {
  DATATYPE type;
  const char* in;
  HRESULT rc;
  const char* out;
};

class TransformValueTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCurDSType(DSTYPE_NONE); }
};

TEST_F(TransformValueTest, RendersEachTypeAsALiteral) {
  const ValueCase cases[] = {
      {DATATYPE_NUMERIC, " 12 ", S_OK, "12"},
      {DATATYPE_NUMERIC, "12&", S_FALSE, "12"},
      {DATATYPE_NUMERIC, "-1.5 &&", S_FALSE, "-1.5"},
      {DATATYPE_NUMERIC, "", S_OK, "0"},
      {DATATYPE_NUMERIC, "TRUE", S_OK, "TRUE"},
      {DATATYPE_NUMERIC, "false", S_OK, "false"},
      {DATATYPE_NUMERIC, "abc", TPE_NOT_A_NUMBER, "abc"},
      {DATATYPE_NUMERIC, "1; DROP TABLE t", TPE_NOT_A_NUMBER, "1; DROP TABLE t"},
      {DATATYPE_NUMERIC, "{null}", S_OK, "NULL"},
      {DATATYPE_CHARACTER, "O'Brien", S_OK, "'O''Brien'"},
      {DATATYPE_CHARACTER, "'abc'", S_OK, "'abc'"},
      {DATATYPE_CHARACTER, "'it''s'", S_OK, "'it''s'"},
      {DATATYPE_CHARACTER, "", S_OK, "''"},
      {DATATYPE_CHARACTER, "12&", S_OK, "'12&'"},
      {DATATYPE_CHARACTER, "{NuLL}", S_OK, "NULL"},
      {DATATYPE_CHARACTER, "'", S_OK, "''''"},
      {DATATYPE_DATETIME, "2011-03-04", S_OK, "{d '2011-03-04'}"},
      {DATATYPE_DATETIME, "2012-1-1&", S_FALSE, "{d '2012-01-01'}"},
      {DATATYPE_DATETIME, "{d '2011-01-01'}", S_OK, "{d '2011-01-01'}"},
      {DATATYPE_DATETIME, "", S_OK, "''"},
      {DATATYPE_DATETIME, "2011-02-30", TPE_NOT_A_DATE, "2011-02-30"},
      {DATATYPE_DATETIME, "yesterday", TPE_NOT_A_DATE, "yesterday"},
      {static_cast<DATATYPE>(7), "  x  ", S_OK, "x"},
      {DATATYPE_OBJECT, "a b", S_OK, "a b"},
  };
  for (const auto& c : cases) {
    CString value(c.in);
    EXPECT_EQ(Ops::TransformValue(c.type, value), c.rc) << c.in;
    EXPECT_EQ(value, c.out) << c.in;
  }
}

// A typed value must never close its quotes early: whatever it holds, the
// result is one literal.
TEST_F(TransformValueTest, CharacterValuesCannotEscapeTheirQuotes) {
  const ValueCase cases[] = {
      {DATATYPE_CHARACTER, "'x' OR '1'='1'", S_OK, "'''x'' OR ''1''=''1'''"},
      {DATATYPE_CHARACTER, "'a'b'", S_OK, "'''a''b'''"},
      {DATATYPE_CHARACTER, "'; DROP TABLE orders; --", S_OK, "'''; DROP TABLE orders; --'"},
      {DATATYPE_CHARACTER, "x'", S_OK, "'x'''"},
  };
  for (const auto& c : cases) {
    CString value(c.in);
    EXPECT_EQ(Ops::TransformValue(c.type, value), c.rc) << c.in;
    EXPECT_EQ(value, c.out) << c.in;
  }
}

TEST_F(TransformValueTest, DateLiteralPrefixDoesNotLetTextThrough) {
  CString value("{d '2011-01-01'} OR 1=1");
  EXPECT_EQ(Ops::TransformValue(DATATYPE_DATETIME, value), TPE_NOT_A_DATE);
  value = "{d 'not a date'}";
  EXPECT_EQ(Ops::TransformValue(DATATYPE_DATETIME, value), TPE_NOT_A_DATE);
}

TEST_F(TransformValueTest, DatesFollowTheCurrentDataSource) {
  SetCurDSType(DSTYPE_SQLITE);
  CString value("12/31/2011");
  EXPECT_EQ(Ops::TransformValue(DATATYPE_DATETIME, value), S_OK);
  EXPECT_EQ(value, "'2011-12-31'");
  SetCurDSType(DSTYPE_ORACLE);
  value = "2011-12-31 10:00";
  EXPECT_EQ(Ops::TransformValue(DATATYPE_DATETIME, value), S_OK);
  EXPECT_EQ(value, "TO_DATE('2011-12-31 10:00:00','YYYY-MM-DD HH24:MI:SS')");
}

}  // namespace
