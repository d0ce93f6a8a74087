// ExprEvaluatorTest.cpp - evaluation of the processor's functions, host
// variables and computed references.
//
// The clock is fixed at Tuesday 2011-05-17 14:30:05 so that Today() and
// Now() give known values. The calendar cases sit on the borders where date
// arithmetic usually goes wrong: month ends, leap days, quarter and year
// boundaries, and midnight.
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>

#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "platform/COleDateTime.h"

namespace {

class ExprEvaluatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const COleDateTime fixed(2011, 5, 17, 14, 30, 5);
    SetProcessorClock(&fixed);
    ClearHostVariables();
    ClearErrorInfo();
  }
  void TearDown() override {
    SetProcessorClock(nullptr);
    ClearHostVariables();
  }
};

struct ValueCase {
  const char* text;
  const char* expected;
};

void ExpectValues(std::initializer_list<ValueCase> cases) {
  for (const ValueCase& c : cases) {
    CString out("stale");
    EXPECT_EQ(ProcessExpr(c.text, out), S_OK) << c.text;
    EXPECT_STREQ(out, c.expected) << c.text;
  }
}

TEST_F(ExprEvaluatorTest, FunctionsOfTheFixedClock) {
  ExpectValues({
      {"Today()", "2011-05-17"},
      {" now ( ) ", "2011-05-17 14:30:05"},
      {"Today() AS [Day]", "2011-05-17"},
      {"Year(Today())", "2011"},
      {"Month(Now())", "5"},
      {"Quarter(Today())", "2"},
      {"FirstDayOfMonth()", "2011-05-01"},
      {"LastDayOfMonth()", "2011-05-31"},
      {"FirstDayOfYear()", "2011-01-01"},
      {"LastDayOfYear()", "2011-12-31"},
      {"FirstDayOfQuarter()", "2011-04-01"},
      {"FirstDayOfMonth(Now())", "2011-05-01"},  // a first day is a date, the time is dropped
      {"DateAdd('d', -1, Today())", "2011-05-16"},
      {"DateAdd('D', 1, Now())", "2011-05-18 14:30:05"},  // the interval ignores case; the time is kept
      {"DateAdd('w', 1, Today())", "2011-05-18"},
      {"DateAdd('y', 1, Today())", "2011-05-18"},
      {"DateAdd('ww', 2, Today())", "2011-05-31"},
      {"DateAdd('h', 10, Now())", "2011-05-18 00:30:05"},
      {"DateAdd('n', -31, Today())", "2011-05-16 23:29:00"},
      {"DateAdd('s', 0, Today())", "2011-05-17 00:00:00"},  // a time unit makes a date-time
      {"Year(DateAdd('m', 8, Today()))", "2012"},
      {"LastDayOfMonth(DateAdd('m', -3, FirstDayOfYear()))", "2010-10-31"},
      {"DateAdd('d', Day(Today()), FirstDayOfMonth())", "2011-05-18"},
  });
}

TEST_F(ExprEvaluatorTest, LiteralArguments) {
  ExpectValues({
      {"Year({d '2011-01-01'})", "2011"},
      {"Date({ts '2011-01-31 10:30:00'})", "2011-01-31 10:30:00"},
      {"Date(TIMESTAMP '2011-01-31 00:00:00')", "2011-01-31 00:00:00"},
      {"Month(DATE '2011-08-09')", "8"},
      {"Date('2011-01-31')", "2011-01-31"},
      {"Date(N'2011-01-31')", "2011-01-31"},
      {"Date('1/31/2011 08:00')", "2011-01-31 08:00:00"},
      {"Date(2011, 1, 31)", "2011-01-31"},
      {"Year(TO_DATE('1999','YYYY'))", "1999"},
      {"Month(TO_DATE('1999','YYYY'))", "5"},  // as in Oracle: the current month when none is read
      {"Date(TO_DATE('31.01.2012 10:05','DD.MM.YYYY HH24:MI'))", "2012-01-31 10:05:00"},
      {"Date(TO_DATE('2012-02-29'))", "2012-02-29"},
      {"DateAdd('d', - 1, '2011-03-01')", "2011-02-28"},
      {"DateAdd('d', +1, ('2011-03-01'))", "2011-03-02"},
      // NULL in, NULL out, as in SQL; NULL is written as the empty text.
      {"Year(NULL)", ""},
      {"DateAdd('d', 1, NULL)", ""},
  });
}

TEST_F(ExprEvaluatorTest, CalendarBorders) {
  ExpectValues({
      // Month arithmetic clamps the day to the month reached.
      {"DateAdd('m', 1, '2011-01-31')", "2011-02-28"},
      {"DateAdd('m', 1, '2012-01-31')", "2012-02-29"},
      {"DateAdd('m', -1, '2011-03-31')", "2011-02-28"},
      {"DateAdd('m', 1, '2011-03-31')", "2011-04-30"},
      {"DateAdd('q', 1, '2011-11-30')", "2012-02-29"},
      {"DateAdd('yyyy', 1, '2012-02-29')", "2013-02-28"},
      {"DateAdd('yyyy', 4, '2012-02-29')", "2016-02-29"},
      {"DateAdd('m', -13, '2011-01-15')", "2009-12-15"},
      {"DateAdd('m', 1, '2011-01-31 23:59:59')", "2011-02-28 23:59:59"},
      // Days across month, year and leap-day borders.
      {"DateAdd('d', 1, '2011-12-31')", "2012-01-01"},
      {"DateAdd('d', 1, '2012-02-28')", "2012-02-29"},
      {"DateAdd('d', 1, '2100-02-28')", "2100-03-01"},
      {"DateAdd('d', 1, '2000-02-28')", "2000-02-29"},
      {"DateAdd('d', -1, FirstDayOfMonth('2012-03-15'))", "2012-02-29"},
      {"DateAdd('s', -1, '2011-01-01')", "2010-12-31 23:59:59"},
      {"DateAdd('h', 24, '2011-12-31 12:00')", "2012-01-01 12:00:00"},
      {"DateAdd('d', 3000, Today())", "2019-08-03"},
      // Month and year ends.
      {"LastDayOfMonth('2012-02-10')", "2012-02-29"},
      {"LastDayOfMonth('1900-02-01')", "1900-02-28"},
      {"LastDayOfMonth('2011-12-05')", "2011-12-31"},
      {"Day(LastDayOfMonth('2011-02-01'))", "28"},
      {"FirstDayOfYear('2011-12-31 23:59')", "2011-01-01"},
      // Quarters.
      {"Quarter('2011-03-31')", "1"},
      {"Quarter('2011-04-01')", "2"},
      {"Quarter('2011-10-01')", "4"},
      {"Quarter('2011-12-31')", "4"},
      {"FirstDayOfQuarter('2011-03-31')", "2011-01-01"},
      {"FirstDayOfQuarter('2011-12-31')", "2011-10-01"},
      // The four-digit year also below 1000.
      {"DateAdd('yyyy', -1, '1000-01-01')", "0999-01-01"},
  });
}

// A call the processor knows, with arguments it cannot take, fails with a
// message naming the innermost call at fault.
TEST_F(ExprEvaluatorTest, ArgumentsAFunctionCannotTake) {
  struct Case {
    const char* text;
    const char* named;  // the call the message names
  };
  const Case cases[] = {
      {"DateAdd('x', 1, Today())", "DateAdd('x', 1, Today())"},
      {"DateAdd('d', 1.5, Today())", "DateAdd('d', 1.5, Today())"},
      {"DateAdd('d', '1', Today())", "DateAdd('d', '1', Today())"},
      {"DateAdd(1, 1, Today())", "DateAdd(1, 1, Today())"},
      {"DateAdd('d', 99999999999999999999, Today())", "DateAdd('d', 99999999999999999999, Today())"},
      {"DateAdd('s', 9223372036854775807, Today())", "DateAdd('s', 9223372036854775807, Today())"},
      {"DateAdd('yyyy', 9000, Today())", "DateAdd('yyyy', 9000, Today())"},
      {"DateAdd('d', -3000000, Today())", "DateAdd('d', -3000000, Today())"},
      {"Year('abc')", "Year('abc')"},
      {"Year(5)", "Year(5)"},
      {"Year('2011-02-30')", "Year('2011-02-30')"},
      {"Year({d '2011-02-30'})", "Year({d '2011-02-30'})"},
      {"Year({t '10:00:00'})", "Year({t '10:00:00'})"},
      {"Date(2011, 2, 30)", "Date(2011, 2, 30)"},
      {"Date(2011, 13, 1)", "Date(2011, 13, 1)"},
      {"Date('tomorrow')", "Date('tomorrow')"},
      {"Year(TO_DATE('2011-MAY','YYYY-MON'))", "TO_DATE('2011-MAY','YYYY-MON')"},
      {"Year(TO_DATE('2011','YYYY','x'))", "TO_DATE('2011','YYYY','x')"},
      {"Year(DateAdd('x', 1, Today()))", "DateAdd('x', 1, Today())"},
      {"Month(Year(Today()))", "Month(Year(Today()))"},
  };
  for (const Case& c : cases) {
    ClearErrorInfo();
    CString out("stale");
    EXPECT_EQ(ProcessExpr(c.text, out), B30E_BAD_ARGUMENTS) << c.text;
    EXPECT_TRUE(out.IsEmpty()) << c.text;
    const ErrorInfo error = GetLastErrorInfo();
    EXPECT_TRUE(error.set) << c.text;
    EXPECT_EQ(error.message, FormatMsg(B30E_BAD_ARGUMENTS, c.named)) << c.text;
  }
}

TEST_F(ExprEvaluatorTest, TextsThatAreNotEvaluableAreLeftAlone) {
  for (const char* text : {"", "Amount", "'abc'", "12", "NULL", "{d '2011-01-01'}", "Year(OrderDate)", "1 + 1",
                           "Year(Today()) + 1", "SUM(x)", "@Today()", "Today", "Year()", "Today(1)", "{$ 'Today()'}",
                           "$", "$1"}) {
    ClearErrorInfo();
    CString out("stale");
    EXPECT_EQ(ProcessExpr(text, out), S_FALSE) << text;
    EXPECT_TRUE(out.IsEmpty()) << text;
    EXPECT_FALSE(GetLastErrorInfo().set) << text;
  }
  CString out;
  EXPECT_EQ(ProcessExpr(nullptr, out), S_FALSE);
}

// The classifier and the evaluator share one function table: whatever the
// classifier calls evaluable gets a value or a failure, never "not mine".
TEST_F(ExprEvaluatorTest, EveryEvaluableTextIsEvaluated) {
  for (const char* text :
       {"Today()", "Now()", "Year(Today())", "Month(Today())", "Day(Today())", "Quarter(Today())",
        "FirstDayOfMonth()", "LastDayOfMonth(Today())", "FirstDayOfYear()", "LastDayOfYear(Now())",
        "FirstDayOfQuarter()", "DateAdd('d', -1, Today())", "Date('2011-01-31')", "Date(2011, 1, 31)",
        "Year(NULL)", "Year(TO_DATE('2011','YYYY'))", "Year({d '2011-01-01'})", "Year((Today()))",
        "lastdayofyear(DateAdd('m', 1, Now()))", "Year(5)", "Year({t '10:00'})", "Date(N'x')"}) {
    ASSERT_EQ(TestExprType(text), EXPR_FUNCTION) << text;
    CString out;
    EXPECT_NE(ProcessExpr(text, out), S_FALSE) << text;
  }
}

TEST_F(ExprEvaluatorTest, HostVariableReferences) {
  struct Case {
    const char* text;
    VARIANTTYPE expected;
  };
  const Case cases[] = {
      {"$UserName", VARIANT_HOST}, {" $User_1 ", VARIANT_HOST}, {"$_x", VARIANT_HOST},  {"$数量", VARIANT_HOST},
      {"$", VARIANT_NONE},         {"$1a", VARIANT_NONE},       {"$a b", VARIANT_NONE}, {"$a.b", VARIANT_NONE},
      {"$$a", VARIANT_NONE},       {"UserName", VARIANT_NONE},  {"'$a'", VARIANT_NONE}, {"$a()", VARIANT_NONE},
      {"{$ 'a'}", VARIANT_NONE},   {"", VARIANT_NONE},
      // White space of every kind around the reference is ignored.
      {"\t$a\r\n", VARIANT_HOST},    {"\v$a\f", VARIANT_HOST},      {" \t ", VARIANT_NONE},  {"$a \t", VARIANT_HOST},
  };
  for (const Case& c : cases) EXPECT_EQ(TestVariant(c.text), c.expected) << c.text;
  EXPECT_EQ(TestVariant(nullptr), VARIANT_NONE);
}

TEST_F(ExprEvaluatorTest, HostVariablesSetAndUnset) {
  SetHostVariable("UserName", "Ann");
  SetHostVariable("$Region", "N'o");  // the "$" of a reference may be given too
  SetHostVariable("Empty", "");
  SetHostVariable("not a name", "x");  // can never be referenced: ignored

  CString out;
  EXPECT_EQ(ProcessExpr("$username", out), S_OK);
  EXPECT_STREQ(out, "Ann");
  EXPECT_EQ(ProcessExpr(" $REGION ", out), S_OK);
  EXPECT_STREQ(out, "N'o");
  EXPECT_EQ(ProcessExpr("$Empty", out), S_OK);
  EXPECT_STREQ(out, "");

  SetHostVariable("USERNAME", "Bob");  // the same variable
  EXPECT_EQ(ProcessExpr("$UserName", out), S_OK);
  EXPECT_STREQ(out, "Bob");

  SetHostVariable("UserName", nullptr);
  ClearErrorInfo();
  EXPECT_EQ(ProcessExpr("$UserName", out), B30E_UNKNOWN_VARIABLE);
  EXPECT_TRUE(out.IsEmpty());
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(B30E_UNKNOWN_VARIABLE, "$UserName"));

  ClearHostVariables();
  EXPECT_EQ(ProcessExpr("$Region", out), B30E_UNKNOWN_VARIABLE);
}

struct CalcCase {
  const char* text;
  HRESULT hr;
  const char* value;
  DATATYPE type;
};

void ExpectCalculations(std::initializer_list<CalcCase> cases) {
  for (const CalcCase& c : cases) {
    ClearErrorInfo();
    CString value("stale");
    DATATYPE type = DATATYPE_CHARACTER;
    EXPECT_EQ(CalculateExpr(c.text, value, &type), c.hr) << c.text;
    EXPECT_STREQ(value, c.value) << c.text;
    EXPECT_EQ(type, c.type) << c.text;
    EXPECT_EQ(GetLastErrorInfo().set, c.hr < 0) << c.text;
  }
}

TEST_F(ExprEvaluatorTest, CalculatedValuesAndTheirTypes) {
  ExpectCalculations({
      {"Year(Today())", S_OK, "2011", DATATYPE_NUMERIC},
      {"DateAdd('m', 1, '2011-01-31')", S_OK, "2011-02-28", DATATYPE_DATETIME},
      {" Now () ", S_OK, "2011-05-17 14:30:05", DATATYPE_DATETIME},
      {"Year(NULL)", S_OK, "", DATATYPE_NUMERIC},
      {"FirstDayOfMonth(NULL)", S_OK, "", DATATYPE_DATETIME},
      {"42", S_OK, "42", DATATYPE_NUMERIC},
      {"- 1.5", S_OK, "-1.5", DATATYPE_NUMERIC},
      {"'it''s'", S_OK, "it's", DATATYPE_CHARACTER},
      {"{d '2011-01-31'}", S_OK, "2011-01-31", DATATYPE_DATETIME},
  });
}

// Calls left for a later stage come back unchanged, as written, with type 99.
TEST_F(ExprEvaluatorTest, CallsLeftForALaterStage) {
  for (const char* text :
       {"CrossColumn(Amount, 'x')", " ParentChild (a) ", "If(a > 1, 'x', 'y')", "IF(1, 2, 3)", "Sum_X(Amount)",
        "rank_x()", "Foo(1)", "UPPER(Name)", "dbo.f(1)", "Year(CrossColumn(a))", "DateAdd('d', Foo(), Today())",
        "CrossColumn(Year(Amount))", "Year(TO_DATE(OrderText, 'YYYY'))", "Amount", "Year(Today()) + 1", "NULL",
        ""}) {
    ClearErrorInfo();
    CString value("stale");
    DATATYPE type = DATATYPE_NUMERIC;
    EXPECT_EQ(CalculateExpr(text, value, &type), S_FALSE) << text;
    EXPECT_STREQ(value, text);
    EXPECT_EQ(type, DATATYPE_OBJECT) << text;
    EXPECT_FALSE(GetLastErrorInfo().set) << text;
  }
}

TEST_F(ExprEvaluatorTest, KnownCallsWithWrongArgumentsFail) {
  for (const char* text : {"Year()", "Today(1)", "DateAdd('d', 1)", "Date(2011, 1)", "Year(Today(), 1)",
                           "Year(Amount)", "Year((1, 2))", "Date(2011, 2, 30)", "DateAdd('d', , Today())",
                           "Year(Foo(1), Amount)", "Year('2011'", "Year(')", "Today())"}) {
    ClearErrorInfo();
    CString value("stale");
    DATATYPE type = DATATYPE_NUMERIC;
    EXPECT_EQ(CalculateExpr(text, value, &type), B30E_BAD_ARGUMENTS) << text;
    EXPECT_TRUE(value.IsEmpty()) << text;
    EXPECT_EQ(type, DATATYPE_OBJECT) << text;
    EXPECT_TRUE(GetLastErrorInfo().set) << text;
  }
  CString value;
  EXPECT_EQ(CalculateExpr("Year(Amount)", value, nullptr), B30E_BAD_ARGUMENTS);  // no type wanted
}

TEST_F(ExprEvaluatorTest, ComputedReferences) {
  SetHostVariable("UserName", "O'Brien");
  ExpectCalculations({
      {"{$ 'Today()'}", S_OK, "2011-05-17", DATATYPE_DATETIME},
      {"{$'Year(Today())'}", S_OK, "2011", DATATYPE_NUMERIC},
      {" {$  ' DateAdd('m', 1, '2011-01-31') ' } ", S_OK, "2011-02-28", DATATYPE_DATETIME},
      {"{$ '42'}", S_OK, "42", DATATYPE_NUMERIC},
      {"{$ '-1.5'}", S_OK, "-1.5", DATATYPE_NUMERIC},
      {"{$ ''North''}", S_OK, "North", DATATYPE_CHARACTER},
      {"{$ '$UserName'}", S_OK, "O'Brien", DATATYPE_CHARACTER},
      {"{$ 'Year(NULL)'}", S_OK, "", DATATYPE_NUMERIC},
  });
}

// A computed reference is evaluated now or fails: handed back unchanged, it
// would be found again by a caller that substitutes until none is left.
TEST_F(ExprEvaluatorTest, ComputedReferencesThatCannotBeEvaluatedFail) {
  struct Case {
    const char* text;
    HRESULT hr;
    const char* named;
  };
  const Case cases[] = {
      {"{$ '$Nobody'}", B30E_UNKNOWN_VARIABLE, "$Nobody"},
      {"{$ 'Foo(1)'}", B30E_UNKNOWN_FUNCTION, "Foo"},
      {"{$ 'CrossColumn(a)'}", B30E_UNKNOWN_FUNCTION, "CrossColumn"},
      {"{$ 'Year(Sum_X(a))'}", B30E_UNKNOWN_FUNCTION, "Sum_X"},
      {"{$ 'Year(Amount)'}", B30E_BAD_ARGUMENTS, "Year(Amount)"},
      {"{$ 'DateAdd('x', 1, Today())'}", B30E_BAD_ARGUMENTS, "DateAdd('x', 1, Today())"},
      {"{$ 'Amount'}", B30E_BAD_ARGUMENTS, "{$ 'Amount'}"},
      {"{$ '1 + 1'}", B30E_BAD_ARGUMENTS, "{$ '1 + 1'}"},
      {"{$ 'NULL'}", B30E_BAD_ARGUMENTS, "{$ 'NULL'}"},
      {"{$ '(Today())'}", B30E_BAD_ARGUMENTS, "{$ '(Today())'}"},
      {"{$ '{$ '1'}'}", B30E_BAD_ARGUMENTS, "{$ '{$ '1'}'}"},
      {"{$ ''}", B30E_BAD_ARGUMENTS, "{$ ''}"},
      {"{$ '  '}", B30E_BAD_ARGUMENTS, "{$ '  '}"},
      {"{$ Today()}", B30E_BAD_ARGUMENTS, "{$ Today()}"},
      {"{$ 'Today()}", B30E_BAD_ARGUMENTS, "{$ 'Today()}"},
      {"{$ 'Year('2011'}", B30E_BAD_ARGUMENTS, "{$ 'Year('2011'}"},
      {"{$}", B30E_BAD_ARGUMENTS, "{$}"},
  };
  for (const Case& c : cases) {
    ClearErrorInfo();
    CString value("stale");
    DATATYPE type = DATATYPE_NUMERIC;
    EXPECT_EQ(CalculateExpr(c.text, value, &type), c.hr) << c.text;
    EXPECT_TRUE(value.IsEmpty()) << c.text;
    EXPECT_EQ(type, DATATYPE_OBJECT) << c.text;
    EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(c.hr, c.named)) << c.text;
  }
}

TEST_F(ExprEvaluatorTest, TheSystemClockGivesTheLocalDate) {
  auto localDate = [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
    return std::string(buffer);
  };
  const COleDateTime invalid(2011, 2, 30);
  for (const COleDateTime* clock : {static_cast<const COleDateTime*>(nullptr), &invalid}) {
    SetProcessorClock(clock);  // an invalid time does not fix the clock
    const std::string before = localDate();
    CString today;
    ASSERT_EQ(ProcessExpr("Today()", today), S_OK);
    const std::string after = localDate();
    EXPECT_TRUE(today.view() == before || today.view() == after) << today.view();
    CString now;
    ASSERT_EQ(ProcessExpr("Now()", now), S_OK);
    EXPECT_EQ(now.GetLength(), 19) << now.view();
  }
}

// Nothing a user can type crashes, hangs or overflows the stack.
TEST_F(ExprEvaluatorTest, DeepNestingIsEvaluatedWithoutRecursion) {
  constexpr int kDepth = 100000;
  const std::string closes(kDepth, ')');

  std::string adds;
  for (int i = 0; i < kDepth; ++i) adds += "DateAdd('d', 1, ";
  CString out;
  EXPECT_EQ(ProcessExpr((adds + "Today()" + closes).c_str(), out), S_OK);
  EXPECT_STREQ(out, "2285-03-01");

  std::string years;
  for (int i = 0; i < kDepth; ++i) years += "Year(";
  ClearErrorInfo();
  EXPECT_EQ(ProcessExpr((years + "Today()" + closes).c_str(), out), B30E_BAD_ARGUMENTS);
  EXPECT_LT(GetLastErrorInfo().message.GetLength(), 400);  // the message shows an excerpt

  const std::string parens = std::string(kDepth, '(') + "1" + closes;
  DATATYPE type = DATATYPE_OBJECT;
  EXPECT_EQ(CalculateExpr(parens.c_str(), out, &type), S_OK);
  EXPECT_STREQ(out, "1");

  // Every level fails inside a call left for later: the failures must not
  // be copied up level by level.
  std::string mixed;
  for (int i = 0; i < kDepth / 2; ++i) mixed += "CrossColumn(Year(";
  mixed += "Amount" + closes;
  EXPECT_EQ(CalculateExpr(mixed.c_str(), out, &type), S_FALSE);
  EXPECT_EQ(out.GetLength(), static_cast<int>(mixed.size()));

  const std::string reference = "{$ '" + years + "Today()" + closes + "'}";
  EXPECT_EQ(CalculateExpr(reference.c_str(), out, &type), B30E_BAD_ARGUMENTS);
  EXPECT_EQ(CalculateExpr(std::string(kDepth, '(').c_str(), out, &type), B30E_BAD_ARGUMENTS);
}

TEST_F(ExprEvaluatorTest, RandomTextsGetACode) {
  static const char* const kPieces[] = {"Year(", "DateAdd(", "Today()", "Now()", "Date(", "TO_DATE(", "If(",
                                        "'",     "''",       "(",       ")",     ",",     "{$ '",     "'}",
                                        "$a",    "1",        "-",       "'d'",   "NULL",  "{d '2011-01-31'}",
                                        " ",     "x",        "@",       "{",     "}",     "'2012-02-29'"};
  std::mt19937 random(20110517);
  std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> length(0, 40);
  SetHostVariable("a", "1");
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += kPieces[piece(random)];
    CString out;
    DATATYPE type = DATATYPE_OBJECT;
    const HRESULT processed = ProcessExpr(text.c_str(), out);
    EXPECT_TRUE(processed == S_OK || processed == S_FALSE || processed == B30E_BAD_ARGUMENTS ||
                processed == B30E_UNKNOWN_VARIABLE)
        << text;
    const HRESULT calculated = CalculateExpr(text.c_str(), out, &type);
    EXPECT_TRUE(calculated == S_OK || calculated == S_FALSE || calculated == B30E_BAD_ARGUMENTS ||
                calculated == B30E_UNKNOWN_FUNCTION || calculated == B30E_UNKNOWN_VARIABLE)
        << text;
    if (calculated == S_FALSE) {
      EXPECT_STREQ(out, text.c_str());
    }
  }
}

}  // namespace
