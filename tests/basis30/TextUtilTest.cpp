// TextUtilTest.cpp - the text helpers: splitting outside quotes and
// brackets, shells, names, numbers, operand scanning and sub-object search,
// including long and deeply nested input.
#include <gtest/gtest.h>

#include <string>

#include "contracts/basis30/TextUtil.h"

namespace {

struct FieldCase {
  const char* text;
  int index;
  char sep;
  const char* expected;
};

TEST(TextUtilTest, GetFieldSplitsAtEverySeparator) {
  const FieldCase cases[] = {
      {"a,b,c", 0, ',', "a"},     {"a,b,c", 2, ',', "c"},  {"a,b,c", 3, ',', ""}, {"a,,c", 1, ',', ""},
      {"a,'x,y'", 2, ',', "y'"},  {",a", 0, ',', ""},      {"a,", 1, ',', ""},    {"", 0, ',', ""},
      {nullptr, 0, ',', ""},      {"a,b", -1, ',', ""},    {"LEFT(x)", 0, '(', "LEFT"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetField(c.text, c.index, c.sep), c.expected) << (c.text ? c.text : "(null)") << " #" << c.index;
  }
}

TEST(TextUtilTest, GetFieldExKeepsQuotedAndBracketedSeparators) {
  const FieldCase cases[] = {
      {"a ~ 'x~y'", 1, '~', " 'x~y'"},
      {"a ~ 'x~y'", 2, '~', ""},
      {"f(a,b),c", 1, ',', "c"},
      {"f(a,b),c", 0, ',', "f(a,b)"},
      {"'it''s, ok',b", 1, ',', "b"},          // escaped apostrophe does not end the literal
      {"[a,b],c", 1, ',', "c"},
      {"[O'Brien],c", 1, ',', "c"},            // an apostrophe inside a name opens nothing
      {"{? 'p,q'},c", 1, ',', "c"},
      {"\"x,y\",z", 1, ',', "z"},
      {"f(g(a,b),(c,d)),e", 1, ',', "e"},
      {"'open,a,b", 1, ',', ""},               // an unclosed literal runs to the end
      {"a),b", 1, ',', "b"},                   // a stray closer is ignored
      {"T1 a", 1, ' ', "a"},
      {"[My Table] x", 1, ' ', "x"},
      {"T1", 1, ' ', ""},
      {"a~~b", 1, '~', ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetFieldEx(c.text, c.index, c.sep), c.expected) << c.text << " #" << c.index;
}

TEST(TextUtilTest, FindFieldComparesWholeFieldsExactly) {
  EXPECT_EQ(FindField("=,<>,>=,<=,LIKE", "<>", ','), 1);
  EXPECT_EQ(FindField("=,<>,>=,<=,LIKE", "LIKE", ','), 4);
  EXPECT_EQ(FindField("=,<>,>=,<=,LIKE", "like", ','), -1);
  EXPECT_EQ(FindField("=,<>,>=", ">", ','), -1);  // a prefix of a field is no match
  EXPECT_EQ(FindField("NOT LIKE,LIKE", "LIKE", ','), 1);
  EXPECT_EQ(FindField("a,,b", "", ','), 1);
  EXPECT_EQ(FindField("", "", ','), -1);
  EXPECT_EQ(FindField("a;b", "b", ';'), 1);
  EXPECT_EQ(FindField(nullptr, "a", ','), -1);
  EXPECT_EQ(FindField("a", nullptr, ','), -1);
}

TEST(TextUtilTest, FindStringNoCaseHonoursStartAndCase) {
  struct Case {
    const char* text;
    const char* sub;
    int start;
    int expected;
  };
  const Case cases[] = {
      {"a Or b", " OR ", 0, 1},     {"x or y OR z", " OR ", 2, 6}, {"abc", "C", 3, -1},     {"abc", "", 1, 1},
      {"abc", "", 4, -1},           {"abc", "abcd", 0, -1},        {"aaab", "aab", 0, 1},   {"abababc", "ababc", 0, 2},
      {"xCrossColumn(", "crosscolumn", 0, 1},                        {"abc", "b", -5, 1},    {nullptr, "a", 0, -1},
      {"\xC3\xA9T", "\xC3\xA9t", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindStringNoCase(c.text, c.sub, c.start), c.expected) << (c.text ? c.text : "(null)") << " / " << c.sub;
  }
}

TEST(TextUtilTest, FindCharCountStopsAtLengthOrEnd) {
  EXPECT_EQ(FindCharCount("a 'b' 'c", '\''), 3);
  EXPECT_EQ(FindCharCount("a 'b' 'c", '\'', 4), 1);
  EXPECT_EQ(FindCharCount("a 'b' 'c", '\'', 0), 0);
  EXPECT_EQ(FindCharCount("''", '\'', 1000), 2);  // never reads past the text
  EXPECT_EQ(FindCharCount(nullptr, '\''), 0);
}

struct ShellCase {
  const char* text;
  const char* shell;
  bool repeat;
  const char* expected;
  bool removed;
};

TEST(TextUtilTest, TrimShellRemovesOnlyAMatchingOuterPair) {
  const ShellCase cases[] = {
      {"(a)", "()", false, "a", true},
      {"  ( a + b )  ", "()", false, "a + b", true},
      {"(a) + (b)", "()", false, "(a) + (b)", false},
      {"((a))", "()", false, "(a)", true},
      {"((a))", "()", true, "a", true},
      {"( (a) )", "()", true, "a", true},
      {"((a) + (b))", "()", true, "(a) + (b)", true},
      {"('(' + x)", "()", false, "'(' + x", true},     // a parenthesis in a literal does not count
      {"(')') + (x)", "()", false, "(')') + (x)", false},
      {"([a)b])", "()", false, "[a)b]", true},          // nor one in a bracketed name
      {"(a", "()", false, "(a", false},
      {"a)", "()", false, "a)", false},
      {"  x  ", "()", false, "x", false},               // trimmed all the same
      {"()", "()", false, "", true},
      {"{? 'p'}", "{}", false, "? 'p'", true},
      {"'It''s'", "''", false, "It''s", true},
      {"'a' + 'b'", "''", false, "'a' + 'b'", false},
      {"'''x'''", "''", true, "''x''", true},           // literal shells come off once
      {"''x''", "''", false, "''x''", false},           // two empty literals around x
      {"[Order Details]", "[]", false, "Order Details", true},
      {"[a]]b]", "[]", false, "a]]b", true},
      {"[a] + [b]", "[]", false, "[a] + [b]", false},
      {"(a)", "(", false, "(a)", false},
      {"(a)", nullptr, false, "(a)", false},
  };
  for (const auto& c : cases) {
    CString text(c.text);
    EXPECT_EQ(TrimShell(text, c.shell, c.repeat), c.removed) << c.text;
    EXPECT_EQ(text, c.expected) << c.text;
  }
}

TEST(TextUtilTest, NameCharactersAndPlainNames) {
  for (const char ch : {'a', 'Z', '0', '9', '_', static_cast<char>(0xC3), static_cast<char>(0xA9)}) {
    EXPECT_FALSE(IsNoname(ch)) << static_cast<int>(static_cast<unsigned char>(ch));
  }
  for (const char ch : {' ', '-', '.', '(', '[', '\'', '\0', '@', '$', '#', '='}) EXPECT_TRUE(IsNoname(ch)) << ch;

  for (const char* plain : {"Sales", "_x1", "a", "LEFT", "right", "SUM", "MAX", "COUNT", "YEAR", "Today", "Orders2",
                            "Ordering", "Selected", "Byte", "\xC3\xA9t\xC3\xA9", "\xE5\x90\x8D\xE5\x89\x8D"}) {
    EXPECT_TRUE(IsTradNaming(plain)) << plain;
  }
  for (const char* bracketed : {"", "My Table", "a-b", "1abc", "a.b", "x$", "a'b", " a", "a\tb"}) {
    EXPECT_FALSE(IsTradNaming(bracketed)) << bracketed;
  }
  EXPECT_FALSE(IsTradNaming(nullptr));
}

TEST(TextUtilTest, NamesAreBracketedWithTheirClosingBracketsDoubled) {
  const struct {
    const char* name;
    const char* bracketed;
    const char* sql;
  } cases[] = {
      {"Sales", "[Sales]", "Sales"},
      {"My Table", "[My Table]", "[My Table]"},
      {"Order", "[Order]", "[Order]"},
      {"a]b", "[a]]b]", "[a]]b]"},
      {"]", "[]]]", "[]]]"},
      {"x]; DROP TABLE t; --", "[x]]; DROP TABLE t; --]", "[x]]; DROP TABLE t; --]"},
      {"[a]", "[[a]]]", "[[a]]]"},
      {"", "[]", "[]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BracketName(c.name), c.bracketed) << c.name;
    EXPECT_EQ(SqlName(c.name), c.sql) << c.name;
  }
}

TEST(TextUtilTest, ReservedWordsNeedBracketsInAnyCase) {
  const char* reserved[] = {
      "Order",  "Group",     "Select",     "From",    "Where",    "Table",   "By",      "Join",      "On",
      "And",    "Or",        "Not",        "Null",    "In",       "Like",    "Between", "Is",        "As",
      "Union",  "Distinct",  "Having",     "Case",    "When",     "Then",    "Else",    "End",       "Key",
      "Index",  "Values",    "Set",        "Into",    "Insert",   "Update",  "Delete",  "Create",    "Drop",
      "All",    "Exists",    "Primary",    "Foreign", "References", "Default", "Check", "Column",    "Constraint",
      "Asc",    "Desc",      "With",       "Except",  "Intersect", "Cross",  "Inner",   "Outer",     "Full",
      "Natural", "Using",    "Limit",      "Offset",  "Escape",   "Unique",  "View",    "Trigger",   "Transaction",
      "Cast",   "Collate",
  };
  for (const char* word : reserved) {
    EXPECT_FALSE(IsTradNaming(word)) << word;
    std::string upper(word);
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    EXPECT_FALSE(IsTradNaming(upper.c_str())) << upper;
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    EXPECT_FALSE(IsTradNaming(lower.c_str())) << lower;
    EXPECT_TRUE(IsTradNaming((std::string(word) + "_").c_str())) << word << "_";
  }
}

TEST(TextUtilTest, NumbersAndDigitRuns) {
  struct Case {
    const char* text;
    int numeric;
  };
  const Case cases[] = {
      {"0", 0},     {"12", 0},     {"-12", 0},   {"+7", 0},   {"1.5", 1},   {"-0.25", 1}, {".5", 1},
      {"5.", 1},    {"1e5", 1},    {"2.5E-3", 1}, {"1e+10", 1}, {"", -1},   {".", -1},    {"-", -1},
      {"1e", -1},   {"e5", -1},    {"1.2.3", -1}, {"1,000", -1}, {" 12", -1}, {"12 ", -1}, {"0x1F", -1},
      {"abc", -1},  {"1-", -1},    {"--1", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(TestNumeric(c.text), c.numeric) << "'" << c.text << "'";
  EXPECT_EQ(TestNumeric(nullptr), -1);

  EXPECT_TRUE(IsAllNumber("20240131"));
  EXPECT_TRUE(IsAllNumber("0"));
  for (const char* no : {"", "-1", "1.0", "2024Q1", " 1"}) EXPECT_FALSE(IsAllNumber(no)) << no;
  EXPECT_FALSE(IsAllNumber(nullptr));
}

TEST(TextUtilTest, IsSubExprWantsBalancedGroupsAndClosedQuotes) {
  struct Case {
    const char* text;
    bool complete;
  };
  const Case cases[] = {
      {"", true},
      {"a = 1", true},
      {"Name(a, (b))", true},
      {"Name(a, 'x)')", true},
      {"Name(a, 'x'')')", true},
      {"Name(a", false},
      {"Name(a))", false},
      {")(", false},
      {"f('abc", false},
      {"f([a)b])", true},
      {"{? 'p'} AND (x)", true},
      {"({)}", false},
      {"[abc", false},
      {"a]", false},
      {"\"q(\" = 1", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSubExpr(c.text), c.complete) << c.text;
}

struct OperandCase {
  const char* text;
  int end;
  int start;
  const char* operand;
};

TEST(TextUtilTest, GetPreviousSubExprFindsTheOperandBeforeAnOperator) {
  const OperandCase cases[] = {
      {"T.a ", 3, 0, "T.a"},
      {"x AND T.a", 8, 6, "T.a"},
      {"x AND T.a  ", 10, 6, "T.a"},               // blanks before `end` are skipped
      {"[My T].[c d]", 11, 0, "[My T].[c d]"},
      {"a + {D}.S.T.c", 12, 4, "{D}.S.T.c"},
      {"a = 'it''s'", 10, 4, "'it''s'"},
      {"a + 'x' 'y'", 10, 8, "'y'"},
      {"a = N'x'", 7, 4, "N'x'"},                  // a prefixed literal keeps its prefix
      {"a = X'0A'", 8, 4, "X'0A'"},
      {"a = _utf8'x'", 11, 4, "_utf8'x'"},
      {"a AND'x'", 7, 5, "'x'"},                   // a keyword is no prefix
      {"1 + SUM(T.a * (2 + b))", 21, 4, "SUM(T.a * (2 + b))"},
      {"x * (a + b)", 10, 4, "(a + b)"},
      {"x - 1.5", 6, 4, "1.5"},
      {"x - .5", 5, 4, ".5"},
      {"x - 2.5E-3", 9, 4, "2.5E-3"},
      {"a1e-5", 4, 4, "5"},                        // a name minus a number, not an exponent
      {"dbo.fn(x)", 8, 0, "dbo.fn(x)"},
      {"[dbo].[fn](x)", 12, 0, "[dbo].[fn](x)"},
      {"a + @Today()", 11, 4, "@Today()"},
      {"\"T\".\"c\"", 6, 0, "\"T\".\"c\""},
      {"\xC3\xA9t\xC3\xA9.x", 6, 0, "\xC3\xA9t\xC3\xA9.x"},
      {"a = {d '2024-01-01'}", 19, 4, "{d '2024-01-01'}"},
      {"T.a", 99, 0, "T.a"},                       // `end` past the text
  };
  for (const auto& c : cases) {
    CString operand("stale");
    EXPECT_EQ(GetPreviousSubExpr(c.text, c.end, operand), c.start) << c.text;
    EXPECT_EQ(operand, c.operand) << c.text;
  }
}

TEST(TextUtilTest, GetPreviousSubExprReportsNoOperand) {
  const OperandCase cases[] = {
      {"a + ", 2, -1, ""},      // an operator character
      {"   ", 2, -1, ""},       // blanks only
      {"a)", 1, -1, ""},        // a closer without its opener
      {"x = 'abc", 7, -1, ""},  // inside an unclosed literal
      {"abc", -1, -1, ""},
      {"", 0, -1, ""},
  };
  for (const auto& c : cases) {
    CString operand("stale");
    EXPECT_EQ(GetPreviousSubExpr(c.text, c.end, operand), c.start) << c.text;
    EXPECT_EQ(operand, c.operand) << c.text;
  }
  CString operand("stale");
  EXPECT_EQ(GetPreviousSubExpr(nullptr, 3, operand), -1);
  EXPECT_TRUE(operand.IsEmpty());
}

struct SubObjCase {
  const char* text;
  const char* open;
  const char* close;
  int start;
  bool outsideQuotes;
  int position;
  const char* found;
};

TEST(TextUtilTest, FindSubObjExprFindsDelimitedSubTexts) {
  const SubObjCase cases[] = {
      {"T.a = {? 'P1'}", "{? '", "'}", 0, true, 6, "{? 'P1'}"},
      {"{? 'A'} + {? 'B'}", "{? '", "'}", 1, true, 10, "{? 'B'}"},
      {"x = '{? 'P'}'", "{? '", "'}", 0, true, -1, ""},           // inside a literal
      {"x = '{? 'P'}'", "{? '", "'}", 0, false, 5, "{? 'P'}"},
      {"'a''b' = {? 'P'}", "{? '", "'}", 0, true, 9, "{? 'P'}"},  // escaped apostrophe
      {"[O'Brien] = {? 'P'}", "{? '", "'}", 0, true, 12, "{? 'P'}"},
      {"'{? 'P'} = {? 'Q'}", "{? '", "'}", 0, true, -1, ""},      // the rest is quoted
      {"{? 'P'", "{? '", "'}", 0, true, -1, ""},
      {"{D}.[S].[T].c", "{", "}.", 0, true, 0, "{D}."},
      {"{? 'x'} + {D}.T.c", "{", "}.", 0, true, 10, "{D}."},      // the nearer opening
      {"SUM({D}.T.a) + {D}.T.b", "{", "}.", 5, true, 15, "{D}."},
      {"{D}.T.a", "{", "}.", 1, true, -1, ""},                    // stepped over whole
      {"{$ 'Calc(1)'} + 1", "{$ '", "'}", 0, false, 0, "{$ 'Calc(1)'}"},
      {"abc", "", "}", 0, true, -1, ""},
      {nullptr, "{", "}", 0, true, -1, ""},
  };
  for (const auto& c : cases) {
    CString found("stale");
    EXPECT_EQ(FindSubObjExpr(c.text, c.open, c.close, found, c.start, c.outsideQuotes), c.position)
        << (c.text ? c.text : "(null)");
    EXPECT_EQ(found, c.found) << (c.text ? c.text : "(null)");
  }
}

// Each helper must stay linear and non-recursive: these inputs would take
// minutes with a quadratic rescan and overflow the stack with recursion.
TEST(TextUtilTest, LongAndDeeplyNestedInputStaysCheap) {
  const int depth = 200000;
  const std::string nested = std::string(depth, '(') + "a" + std::string(depth, ')');

  CString shell(nested.c_str());
  EXPECT_TRUE(TrimShell(shell, "()", true));
  EXPECT_EQ(shell, "a");
  EXPECT_TRUE(IsSubExpr(nested.c_str()));
  EXPECT_FALSE(IsSubExpr((nested + ")").c_str()));
  EXPECT_EQ(GetFieldEx((nested + ",b").c_str(), 1, ','), "b");

  CString operand;
  EXPECT_EQ(GetPreviousSubExpr(("x + f" + nested).c_str(), 4 + 2 * depth + 1, operand), 4);
  EXPECT_EQ(operand.GetLength(), 2 * depth + 2);

  std::string refs;
  for (int i = 0; i < 50000; ++i) refs += "{? 'p'} + ";
  refs += "{? 'last'}";
  CString found;
  EXPECT_EQ(FindSubObjExpr(refs.c_str(), "{? '", "'}", found, static_cast<int>(refs.size()) - 10, true),
            static_cast<int>(refs.size()) - 10);
  EXPECT_EQ(found, "{? 'last'}");

  const std::string haystack = std::string(300000, 'a') + "b";
  EXPECT_EQ(FindStringNoCase(haystack.c_str(), (std::string(1000, 'A') + "B").c_str()), 300000 - 1000);
  EXPECT_EQ(GetField((std::string(100000, ',') + "z").c_str(), 100000, ','), "z");
}

}  // namespace

TEST(TextUtilTest, AppendApartKeepsACommentFromOpeningAcrossTheJoin) {
  const struct {
    const char* text;
    const char* piece;
    const char* expected;
  } cases[] = {
      {"1-", "-3", "1- -3"}, {"1/", "*2", "1/ *2"}, {"1+", "-3", "1+-3"},
      {"1-", "3", "1-3"},    {"", "-3", "-3"},      {"1-", "", "1-"},
  };
  for (const auto& c : cases) {
    CString text(c.text);
    AppendApart(text, c.piece);
    EXPECT_EQ(text, c.expected) << c.text << " + " << c.piece;
  }
}
