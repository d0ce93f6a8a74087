// CommandTextTest.cpp - cutting command text into statements and dropping
// data-source qualifiers, with quoted literals left as typed.
#include <gtest/gtest.h>

#include "tools/tessel/CommandText.h"

namespace {

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::string> statements;
};

class SplitStatementsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStatementsTest, CutsAtTheEndOfEachStatement) {
  EXPECT_EQ(CommandText::SplitStatements(GetParam().text), GetParam().statements);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitStatementsTest,
    ::testing::Values(
        SplitCase{"WithinAQuery", "A x;\r\n\r\nB y", {"A x", "B y"}},
        SplitCase{"BetweenQueries", "A;\r\n\r\n\r\nB;\r\n\r\nC", {"A", "B", "C"}},
        SplitCase{"LineFeedsOnly", "A;\n\nB;\n", {"A", "B"}},
        SplitCase{"UnionLinesStayTogether", "A\r\n UNION \r\nB", {"A\r\n UNION \r\nB"}},
        SplitCase{"SemicolonWithoutBlankLineStays", "SELECT 1; DROP TABLE t", {"SELECT 1; DROP TABLE t"}},
        SplitCase{"SemicolonAtTheEnd", "A ;  \r\n", {"A"}},
        SplitCase{"EmptyStatementsDropped", ";\r\n\r\n;\r\n\r\nA", {"A"}},
        SplitCase{"InsideTextLiteral",
                  "SELECT 'a;\r\n\r\nb', 'it''s;\n\n';\r\n\r\nB",
                  {"SELECT 'a;\r\n\r\nb', 'it''s;\n\n'", "B"}},
        SplitCase{
            "InsideIdentifiers", "SELECT [x;\n\n], \"y;\n\n\", `z;\n\n`", {"SELECT [x;\n\n], \"y;\n\n\", `z;\n\n`"}},
        SplitCase{"ApostropheInComment", "SELECT 1 -- it's\n;\n\nB /* ' */", {"SELECT 1 -- it's", "B /* ' */"}},
        SplitCase{"UnclosedLiteralKeepsTheRest", "SELECT 'a;\n\nB", {"SELECT 'a;\n\nB"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StripDataSourceQualifiersTest, DropsQualifiersOutsideQuotedText) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT {Sales}.Orders.OrderID FROM {Sales}.Orders", "SELECT Orders.OrderID FROM Orders"},
      {"SELECT {Sales DB}.dbo.T.x FROM {Sales DB}.dbo.T", "SELECT dbo.T.x FROM dbo.T"},
      {"WHERE Name = '{Sales}.Orders' AND [{Sales}.x] = \"{Sales}.y\"",
       "WHERE Name = '{Sales}.Orders' AND [{Sales}.x] = \"{Sales}.y\""},
      {"WHERE d >= {d '2011-01-01'}", "WHERE d >= {d '2011-01-01'}"},
      {"SELECT {}.x, {Sales} .y, {Sales}", "SELECT {}.x, {Sales} .y, {Sales}"},
      {"SELECT 'O''Brien', {S}.T.c", "SELECT 'O''Brien', T.c"},
  };
  for (const auto& [statement, stripped] : cases) {
    EXPECT_EQ(CommandText::StripDataSourceQualifiers(statement), stripped) << statement;
  }
}


struct BracketCase {
  const char* name;
  std::string sql;
  std::string quoted;
};

class QuoteBracketedNamesTest : public ::testing::TestWithParam<BracketCase> {};

TEST_P(QuoteBracketedNamesTest, WritesBracketedNamesAsQuotedIdentifiers) {
  EXPECT_EQ(CommandText::QuoteBracketedNames(GetParam().sql), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QuoteBracketedNamesTest,
    ::testing::Values(
        BracketCase{"TableAndColumn", "SELECT [Order Lines].[Line No] FROM [Order Lines]",
                    "SELECT \"Order Lines\".\"Line No\" FROM \"Order Lines\""},
        BracketCase{"QuoteInsideTheName", "SELECT [a\"b] FROM t", "SELECT \"a\"\"b\" FROM t"},
        BracketCase{"EmptyName", "SELECT [] FROM t", "SELECT \"\" FROM t"},
        // A value that looks like a bracketed name is text.
        BracketCase{"InsideTextLiteral", "SELECT '[x]', 'it''s [y]' FROM [t]",
                    "SELECT '[x]', 'it''s [y]' FROM \"t\""},
        BracketCase{"InsideQuotedIdentifier", "SELECT \"[x]\" FROM t", "SELECT \"[x]\" FROM t"},
        BracketCase{"InsideComments", "SELECT 1 -- [x]\n, /* [y] */ [z]", "SELECT 1 -- [x]\n, /* [y] */ \"z\""},
        BracketCase{"ApostropheInsideTheName", "SELECT [O'Brien] FROM t WHERE x = 'a'",
                    "SELECT \"O'Brien\" FROM t WHERE x = 'a'"},
        BracketCase{"UnclosedBracketKept", "SELECT [x FROM t", "SELECT [x FROM t"},
        // "]]" is one "]" of the name, which goes on after it.
        BracketCase{"DoubledClosingBracket", "SELECT [a]]b].[c]]] FROM [x]]; --]",
                    "SELECT \"a]b\".\"c]\" FROM \"x]; --\""},
        BracketCase{"UnclosedAfterDoubledBracket", "SELECT [a]] FROM t", "SELECT [a]] FROM t"},
        BracketCase{"UnclosedAtTheEnd", "SELECT x FROM [a]]", "SELECT x FROM [a]]"},
        BracketCase{"NoBrackets", "SELECT a FROM t WHERE b < 3", "SELECT a FROM t WHERE b < 3"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
