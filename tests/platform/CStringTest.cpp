// CStringTest.cpp - the string members whose edge cases the SQL code
// relies on.
#include <gtest/gtest.h>

#include <string>

#include "platform/CString.h"

namespace {

TEST(CStringTest, ExtractionClampsToTheString) {
  const CString s("abcdef");
  EXPECT_EQ(s.Mid(2, 2), "cd");
  EXPECT_EQ(s.Mid(4, 100), "ef");
  EXPECT_EQ(s.Mid(10), "");
  EXPECT_EQ(s.Mid(-3, 2), "ab");
  EXPECT_EQ(s.Left(-1), "");
  EXPECT_EQ(s.Right(99), "abcdef");
}

TEST(CStringTest, SearchesReturnMinusOneWhenAbsent) {
  const CString s("a, b, c");
  EXPECT_EQ(s.Find(','), 1);
  EXPECT_EQ(s.Find(',', 2), 4);
  EXPECT_EQ(s.Find(", c"), 4);
  EXPECT_EQ(s.Find("x"), -1);
  EXPECT_EQ(s.Find(',', 99), -1);
  EXPECT_EQ(s.ReverseFind(','), 4);
  EXPECT_EQ(FindNoCase("a Or b", " OR "), 1);
  EXPECT_EQ(FindNoCase("abc", "C", 3), -1);
}

TEST(CStringTest, TrimWithSetsAndWhiteSpace) {
  CString s(",,a,b,,");
  EXPECT_EQ(s.Trim(','), "a,b");
  CString t(" \t\r\nx y\r\n ");
  EXPECT_EQ(t.Trim(), "x y");
  CString u("{? 'Name'}");
  EXPECT_EQ(u.TrimLeft("{? '").TrimRight("'}"), "Name");
}

TEST(CStringTest, ReplaceRemoveInsertDelete) {
  CString s("a,,b,,c");
  EXPECT_EQ(s.Replace(",,", "\v"), 2);
  EXPECT_EQ(s, "a\vb\vc");
  EXPECT_EQ(s.Replace("", "x"), 0);
  CString q("O'Brien");
  EXPECT_EQ(q.Replace("'", "''"), 1);
  EXPECT_EQ(q, "O''Brien");
  EXPECT_EQ(q.Remove('\''), 2);
  q.Insert(0, "[");
  q.Insert(99, ']');
  EXPECT_EQ(q, "[OBrien]");
  q.Delete(1, 100);
  EXPECT_EQ(q, "[");
}

TEST(CStringTest, FormatHandlesLongOutput) {
  CString s;
  const std::string big(1000, 'x');
  s.Format("[%s]_MQ%d", big.c_str(), 12);
  EXPECT_EQ(s.GetLength(), 1007);
  EXPECT_EQ(s.Right(6), "]_MQ12");
  s.AppendFormat("%c", '!');
  EXPECT_EQ(s.Right(1), "!");
}

// Formats that only place texts are put together without the C library's
// formatter: they must give what it gives, a literal "%%" and "%%s"
// included, and a null text must print as nothing.
TEST(CStringTest, TextOnlyFormatsMatchTheFormatter) {
  const std::string big(300, 'y');
  const char* const null = nullptr;
  struct Case {
    const char* format;
    const char* a;
    const char* b;
    std::string expected;
  };
  const Case cases[] = {
      {"%s IN (%s)", "C.Region", "'N', 'S'", "C.Region IN ('N', 'S')"},
      {"%s", "", "", ""},
      {"plain", "", "", "plain"},
      {"100%% of %s", "rows", "", "100% of rows"},
      {"%%s stays, %s goes%%", "x", "", "%s stays, x goes%"},
      {"(%s %s)", null, "b", "( b)"},
      {"%s|%s", big.c_str(), "end", big + "|end"},
  };
  for (const Case& c : cases) {
    CString s("old");
    s.Format(c.format, c.a, c.b);
    EXPECT_EQ(std::string(s.GetString()), c.expected) << c.format;
  }
  CString mixed;
  mixed.Format("%s=%d", "n", 5);
  EXPECT_EQ(mixed, "n=5");
}

TEST(CStringTest, CaseFoldingLeavesMultiByteBytesAlone) {
  CString s("Größe");
  s.MakeUpper();
  EXPECT_EQ(s, "GRößE");
  EXPECT_EQ(CString("Union All").CompareNoCase("UNION ALL"), 0);
  EXPECT_LT(CString("a").CompareNoCase("B"), 0);
  EXPECT_TRUE(_ismbblead(0xC3));
  EXPECT_FALSE(_ismbblead('A'));
  EXPECT_FALSE(_ismbblead(0x80));
}

}  // namespace

#include <utility>

namespace {

TEST(CStringTest, OrderingComparesTextsNotAddresses) {
  const CString a("alpha"), b("beta");
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(std::make_pair(CString("x"), a) < std::make_pair(CString("x"), b));
  EXPECT_TRUE(std::make_pair(b, a) > std::make_pair(a, b));
}

}  // namespace
