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

// Every trim against the plain definition (drop the run of set characters
// at that end), on texts where only one end, both, neither or everything
// is to go, and with a NUL inside, which a set can never hold.
TEST(CStringTest, TrimsMatchTheirDefinitionAtEitherEnd) {
  const auto left = [](const std::string& s, const std::string& set) {
    const size_t p = s.find_first_not_of(set);
    return p == std::string::npos ? std::string() : s.substr(p);
  };
  const auto right = [](const std::string& s, const std::string& set) {
    const size_t p = s.find_last_not_of(set);
    return p == std::string::npos ? std::string() : s.substr(0, p + 1);
  };
  const std::string texts[] = {"",    " ",     "  ",      "x",      " x",     "x ",       " x y ",
                               "\t\n", ",,a,,", "a,b",    ",",      std::string("\0 x", 3),
                               std::string("x \0", 3), std::string(" \0 ", 3)};
  for (const std::string& text : texts) {
    SCOPED_TRACE("text of " + std::to_string(text.size()) + " bytes: [" + text + "]");
    for (const std::string& set : {std::string(" "), std::string(" \t\r\n\v\f"), std::string(","), std::string()}) {
      EXPECT_EQ(CString(text).TrimLeft(set.c_str()).str(), left(text, set));
      EXPECT_EQ(CString(text).TrimRight(set.c_str()).str(), right(text, set));
      EXPECT_EQ(CString(text).Trim(set.c_str()).str(), left(right(text, set), set));
    }
    for (const char ch : {' ', ','}) {
      const std::string set(1, ch);
      EXPECT_EQ(CString(text).TrimLeft(ch).str(), left(text, set));
      EXPECT_EQ(CString(text).TrimRight(ch).str(), right(text, set));
      EXPECT_EQ(CString(text).Trim(ch).str(), left(right(text, set), set));
    }
    EXPECT_EQ(CString(text).Trim().str(), left(right(text, " \t\r\n\v\f"), " \t\r\n\v\f"));
    EXPECT_EQ(CString(text).Trim('\0').str(), text);
  }
}

// A chain appends to its own intermediate text; the named texts it reads
// stay as they are.
TEST(CStringTest, ConcatenationChainsLeaveTheirOperandsAlone) {
  const CString name("CustomerName");
  CString alias("C");
  const CString joined = "[" + name + "]" + '.' + alias + name + "";
  EXPECT_EQ(joined, "[CustomerName].CCustomerName");
  EXPECT_EQ(name, "CustomerName");
  EXPECT_EQ(alias, "C");
  const CString longer = alias + " " + name + " " + alias + std::string(40, 'x').c_str();
  EXPECT_EQ(longer.GetLength(), 1 + 1 + 12 + 1 + 1 + 40);
  EXPECT_EQ(alias, "C");
  EXPECT_EQ(CString() + static_cast<const char*>(nullptr) + "a", "a");
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

TEST(CStringTest, EqualityWithATextComparesEveryByte) {
  const struct {
    const char* text;
    const char* other;
    bool equal;
  } cases[] = {
      {"Field", "Field", true},  {"Field", "Fields", false}, {"Fields", "Field", false}, {"Field", "field", false},
      {"", "", true},            {"", nullptr, true},         {"x", nullptr, false},       {"NULL", "NULX", false},
      {"a\xC3\xA9", "a\xC3\xA9", true},
  };
  for (const auto& c : cases) {
    const CString text(c.text);
    EXPECT_EQ(text == c.other, c.equal) << c.text << " / " << (c.other ? c.other : "(null)");
    EXPECT_EQ(text != c.other, !c.equal) << c.text;
    EXPECT_EQ(c.other == text, c.equal) << c.text;
  }
  const std::string withNul("a\0b", 3);  // a text with a NUL byte is longer than any C text that matches it
  EXPECT_FALSE(CString(withNul) == "a");
}

}  // namespace
