// DateTest.cpp - the date reader's accepted and rejected forms, day
// arithmetic and formatting.
#include <gtest/gtest.h>

#include "platform/COleDateTime.h"

namespace {

struct Accepted {
  const char* text;
  const char* formatted;  // "%Y-%m-%d %H:%M:%S"
};

class DateAcceptedTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(DateAcceptedTest, Parses) {
  COleDateTime date;
  ASSERT_TRUE(date.ParseDateTime(GetParam().text)) << GetParam().text;
  EXPECT_EQ(date.Format("%Y-%m-%d %H:%M:%S"), GetParam().formatted);
}

INSTANTIATE_TEST_SUITE_P(Forms, DateAcceptedTest,
                         ::testing::Values(Accepted{"2011-03-04", "2011-03-04 00:00:00"},
                                           Accepted{"2011-3-4", "2011-03-04 00:00:00"},
                                           Accepted{"2011/12/31", "2011-12-31 00:00:00"},
                                           Accepted{"12/31/2011", "2011-12-31 00:00:00"},
                                           Accepted{"2/29/2012", "2012-02-29 00:00:00"},
                                           Accepted{"  2011-01-01 10:30 ", "2011-01-01 10:30:00"},
                                           Accepted{"2011-01-01 23:59:59", "2011-01-01 23:59:59"}));

class DateRejectedTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DateRejectedTest, IsInvalid) {
  COleDateTime date;
  EXPECT_FALSE(date.ParseDateTime(GetParam())) << GetParam();
  EXPECT_EQ(date.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(date.Format("%Y"), "");
}

INSTANTIATE_TEST_SUITE_P(Forms, DateRejectedTest,
                         ::testing::Values("", "abc", "2011-02-30", "2011-13-01", "2011-02-29", "2011-1-1x",
                                           "2011-01-01 24:00", "2011-01-01 10:60", "13/01/2011", "2011-01/01",
                                           "20110101", "2011-01-01T10:00", "99999-01-01"));

TEST(DateArithmeticTest, AddDaysCrossesMonthYearAndLeapDay) {
  COleDateTime d(2011, 12, 31);
  d.AddDays(1);
  EXPECT_EQ(d.Format("%Y-%m-%d"), "2012-01-01");
  COleDateTime leap(2012, 2, 28);
  leap.AddDays(1);
  EXPECT_EQ(leap.Format("%Y-%m-%d"), "2012-02-29");
  leap.AddDays(1);
  EXPECT_EQ(leap.Format("%Y-%m-%d"), "2012-03-01");
  COleDateTime back(2011, 3, 1, 8, 15, 0);
  back.AddDays(-1);
  EXPECT_EQ(back.Format("%Y-%m-%d %H:%M"), "2011-02-28 08:15");
}

TEST(DateArithmeticTest, VarDateFromStrReportsFailure) {
  COleDateTime d;
  EXPECT_EQ(VarDateFromStr("2011-04-05", d), S_OK);
  EXPECT_EQ(d.GetMonth(), 4);
  EXPECT_LT(VarDateFromStr("2011-04-31", d), 0);
}

}  // namespace
