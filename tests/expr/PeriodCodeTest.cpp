// PeriodCodeTest.cpp - year, quarter, month and day codes on date columns:
// the half-open ranges they select, at month, year and calendar ends, with
// every kind of operator, and the codes that are no period and stay as
// typed. Held to exact predicate texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"

namespace {

std::string Generate(const char* op, const std::string& value, bool dataOnly = false) {
  CString result;
  const HRESULT hr = CExprParser::GenerateExpr("T.c", DATATYPE_DATETIME, op, value.c_str(), result, dataOnly);
  if (hr == S_OK) return result.GetString();
  char text[32];
  std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(hr));
  return text;
}

struct Case {
  const char* op;
  const char* value;
  const char* expected;
};

const char* const kNotADate = "error 0xE00032D5";
const char* const kRangeOperator = "error 0xE00032D6";

class PeriodCodeTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCurDSType(DSTYPE_NONE); }
  template <size_t n>
  void Check(const Case (&cases)[n], bool dataOnly = false) {
    for (const Case& c : cases) {
      EXPECT_EQ(Generate(c.op, c.value, dataOnly), c.expected) << "op '" << c.op << "' value '" << c.value << "'";
    }
  }
};

TEST_F(PeriodCodeTest, YearsAndQuarters) {
  const Case cases[] = {
      {"=", "1999", "(T.c >= {d '1999-01-01'} AND T.c < {d '2000-01-01'})"},
      {"=", "0100", "(T.c >= {d '0100-01-01'} AND T.c < {d '0101-01-01'})"},
      {"=", "9998", "(T.c >= {d '9998-01-01'} AND T.c < {d '9999-01-01'})"},
      {"=", "2011Q1", "(T.c >= {d '2011-01-01'} AND T.c < {d '2011-04-01'})"},
      {"=", "2011Q2", "(T.c >= {d '2011-04-01'} AND T.c < {d '2011-07-01'})"},
      {"=", "2011q3", "(T.c >= {d '2011-07-01'} AND T.c < {d '2011-10-01'})"},
      {"=", "2011q4", "(T.c >= {d '2011-10-01'} AND T.c < {d '2012-01-01'})"},
      {"=", "9999Q3", "(T.c >= {d '9999-07-01'} AND T.c < {d '9999-10-01'})"},
      // The date reader takes no year before 100 and none after 9999: a
      // period with a bound outside is no date.
      {"=", "0099", kNotADate},
      {"=", "9999", kNotADate},
      {"=", "9999Q4", kNotADate},
      {"=", "0099Q1", kNotADate},
  };
  Check(cases);
}

TEST_F(PeriodCodeTest, EveryMonthEndsWhereTheNextBegins) {
  const Case cases[] = {
      {"=", "201101", "(T.c >= {d '2011-01-01'} AND T.c < {d '2011-02-01'})"},
      {"=", "201102", "(T.c >= {d '2011-02-01'} AND T.c < {d '2011-03-01'})"},
      {"=", "201103", "(T.c >= {d '2011-03-01'} AND T.c < {d '2011-04-01'})"},
      {"=", "201104", "(T.c >= {d '2011-04-01'} AND T.c < {d '2011-05-01'})"},
      {"=", "201105", "(T.c >= {d '2011-05-01'} AND T.c < {d '2011-06-01'})"},
      {"=", "201106", "(T.c >= {d '2011-06-01'} AND T.c < {d '2011-07-01'})"},
      {"=", "201107", "(T.c >= {d '2011-07-01'} AND T.c < {d '2011-08-01'})"},
      {"=", "201108", "(T.c >= {d '2011-08-01'} AND T.c < {d '2011-09-01'})"},
      {"=", "201109", "(T.c >= {d '2011-09-01'} AND T.c < {d '2011-10-01'})"},
      {"=", "201110", "(T.c >= {d '2011-10-01'} AND T.c < {d '2011-11-01'})"},
      {"=", "201111", "(T.c >= {d '2011-11-01'} AND T.c < {d '2011-12-01'})"},
      {"=", "201112", "(T.c >= {d '2011-12-01'} AND T.c < {d '2012-01-01'})"},
      {"=", "999811", "(T.c >= {d '9998-11-01'} AND T.c < {d '9998-12-01'})"},
      {"=", "999812", "(T.c >= {d '9998-12-01'} AND T.c < {d '9999-01-01'})"},
      {"=", "999912", kNotADate},
  };
  Check(cases);
}

TEST_F(PeriodCodeTest, DaysRollOverMonthYearAndLeapDay) {
  const Case cases[] = {
      {"=", "20110131", "(T.c >= {d '2011-01-31'} AND T.c < {d '2011-02-01'})"},
      {"=", "20110228", "(T.c >= {d '2011-02-28'} AND T.c < {d '2011-03-01'})"},
      {"=", "20110430", "(T.c >= {d '2011-04-30'} AND T.c < {d '2011-05-01'})"},
      {"=", "20111231", "(T.c >= {d '2011-12-31'} AND T.c < {d '2012-01-01'})"},
      {"=", "20120229", "(T.c >= {d '2012-02-29'} AND T.c < {d '2012-03-01'})"},
      {"=", "20000229", "(T.c >= {d '2000-02-29'} AND T.c < {d '2000-03-01'})"},
      {"=", "01000101", "(T.c >= {d '0100-01-01'} AND T.c < {d '0100-01-02'})"},
      {"=", "99991230", "(T.c >= {d '9999-12-30'} AND T.c < {d '9999-12-31'})"},
      {"=", "99991231", kNotADate},  // its next day is beyond the reader
      {"=", "19000229", kNotADate},  // a century is no leap year
      {"=", "20110230", kNotADate},
      {"=", "20110431", kNotADate},
      {"=", "20110001", kNotADate},
      {"=", "20110100", kNotADate},
      {"=", "00991231", kNotADate},
  };
  Check(cases);
}

// Codes that are no period stay as typed, and as typed they read as no date.
TEST_F(PeriodCodeTest, NoPeriodStaysAsTyped) {
  const Case cases[] = {
      {"=", "2011Q5", kNotADate}, {"=", "2011Q0", kNotADate}, {"=", "2011Qx", kNotADate},
      {"=", "201113", kNotADate}, {"=", "201100", kNotADate}, {"=", "2011 1", kNotADate},
      {"=", "20111", kNotADate},  {"=", "201", kNotADate},    {"=", "2011-1", kNotADate},
      {"=", "x011", kNotADate},   {"=", "2011Q1x", kNotADate}, {"=", "201110011", kNotADate},
  };
  Check(cases);
}

// The operator decides the sense of the range; one that takes no range
// refuses the code, whatever the period.
TEST_F(PeriodCodeTest, OperatorsOfACode) {
  const Case cases[] = {
      {"<>", "2011", "(T.c < {d '2011-01-01'} OR T.c >= {d '2012-01-01'})"},
      {"NOT BETWEEN", "2011Q2", "(T.c < {d '2011-04-01'} OR T.c >= {d '2011-07-01'})"},
      {" not between ", "201112", "(T.c < {d '2011-12-01'} OR T.c >= {d '2012-01-01'})"},
      {"<>", "20120229", "(T.c < {d '2012-02-29'} OR T.c >= {d '2012-03-01'})"},
      {"BETWEEN", "2011Q4", "(T.c >= {d '2011-10-01'} AND T.c < {d '2012-01-01'})"},
      {"between", "20111231", "(T.c >= {d '2011-12-31'} AND T.c < {d '2012-01-01'})"},
      {" = ", "2011", "(T.c >= {d '2011-01-01'} AND T.c < {d '2012-01-01'})"},
      {">", "2011", kRangeOperator},
      {"<=", "2011Q1", kRangeOperator},
      {"IN", "201105", kRangeOperator},
      {"NOT IN", "20110505", kRangeOperator},
      {"LIKE", "2011", kRangeOperator},
      {"", "2011", kRangeOperator},
      // A code that is no date fails as such before the operator is looked at.
      {">", "9999", kNotADate},
      {">", "2011Q5", kNotADate},
  };
  Check(cases);
}

TEST_F(PeriodCodeTest, DataOnlyReadsCodesAlike) {
  const Case cases[] = {
      {"=", "2011", "(T.c >= {d '2011-01-01'} AND T.c < {d '2012-01-01'})"},
      {"<>", "2011Q3", "(T.c < {d '2011-07-01'} OR T.c >= {d '2011-10-01'})"},
      {"=", "201112", "(T.c >= {d '2011-12-01'} AND T.c < {d '2012-01-01'})"},
      {"=", "20111231", "(T.c >= {d '2011-12-31'} AND T.c < {d '2012-01-01'})"},
      {">", "2011", kRangeOperator},
      {"=", "20110230", kNotADate},
  };
  Check(cases, true);
}

TEST_F(PeriodCodeTest, BoundsUseTheLiteralsOfTheDataSource) {
  SetCurDSType(DSTYPE_POSTGRESQL);
  EXPECT_EQ(Generate("=", "201112"), "(T.c >= DATE '2011-12-01' AND T.c < DATE '2012-01-01')");
  SetCurDSType(DSTYPE_ORACLE);
  EXPECT_EQ(Generate("<>", "2011"),
            "(T.c < TO_DATE('2011-01-01','YYYY-MM-DD') OR T.c >= TO_DATE('2012-01-01','YYYY-MM-DD'))");
}

// A code selects exactly what the range it stands for, written out, selects.
TEST_F(PeriodCodeTest, ACodeMeansTheRangeWrittenOut) {
  char code[16];
  char range[64];
  for (int year = 100; year <= 9998; year += 7) {
    std::snprintf(code, sizeof code, "%04d", year);
    std::snprintf(range, sizeof range, "%04d-1-1 ~ %04d-1-1&", year, year + 1);
    ASSERT_EQ(Generate("=", code), Generate("=", range)) << code;
    for (int quarter = 1; quarter <= 4; ++quarter) {
      const int next = quarter == 4 ? 1 : quarter * 3 + 1;
      std::snprintf(code, sizeof code, "%04dQ%d", year, quarter);
      std::snprintf(range, sizeof range, "%04d-%d-1 ~ %04d-%d-1&", year, quarter * 3 - 2, quarter == 4 ? year + 1 : year,
                    next);
      ASSERT_EQ(Generate("<>", code), Generate("<>", range)) << code;
    }
    for (int month = 1; month <= 12; ++month) {
      std::snprintf(code, sizeof code, "%04d%02d", year, month);
      std::snprintf(range, sizeof range, "%04d-%d-1 ~ %04d-%d-1&", year, month, month == 12 ? year + 1 : year,
                    month == 12 ? 1 : month + 1);
      ASSERT_EQ(Generate("=", code), Generate("=", range)) << code;
    }
  }
}

}  // namespace
