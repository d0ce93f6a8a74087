// SqlParserTest.cpp - statement assembly, the table-list helpers and the
// dataset command of a statement.
#include <gtest/gtest.h>

#include <string>

#include "contracts/basis30/CSqlParser.h"
#include "contracts/basis30/CXdbSqlParser.h"
#include "contracts/basis30/ResultCodes.h"

namespace {

TEST(SqlParserTest, ComposesEveryClauseInOrderOnItsOwnLine) {
  CSqlParser parser;
  parser.SetTables("T1,T2");
  parser.SetColumns("T1.a, T2.b");
  parser.SetGroupBy("T1.a, T2.b");
  parser.SetOrderBy("T1.a DESC");
  parser.SetWhereClause("T1.id = T2.id");
  parser.SetHavingClause("COUNT(*) > 1");
  ASSERT_EQ(parser.ComposeSql(), S_OK);
  EXPECT_EQ(parser.GetSql(),
            "SELECT T1.a, T2.b\r\nFROM T1,T2\r\nWHERE T1.id = T2.id\r\nGROUP BY T1.a, T2.b\r\n"
            "HAVING COUNT(*) > 1\r\nORDER BY T1.a DESC");
}

TEST(SqlParserTest, OmitsEmptyClausesAndHonoursDistinct) {
  CSqlParser parser;
  parser.SetColumns("a");
  parser.SetDistinct(true);
  parser.SetGroupBy(" \r\n ");  // white space only counts as empty
  ASSERT_EQ(parser.ComposeSql(), S_OK);
  EXPECT_EQ(parser.GetSql(), "SELECT DISTINCT a");

  parser.SetDistinct(false);
  parser.SetTables("T");
  ASSERT_EQ(parser.ComposeSql(), S_OK);  // a second composition replaces the first
  EXPECT_EQ(parser.GetSql(), "SELECT a\r\nFROM T");
}

TEST(SqlParserTest, AnsiJoinClauseTakesThePlaceOfTheTableList) {
  CSqlParser parser;
  parser.SetTables("T1,T2");
  parser.SetColumns("T1.a");
  parser.SetAnsiJoinClause("FROM (T1 LEFT JOIN T2 ON (T1.id = T2.id))");
  parser.SetWhereClause("T1.x = 1");
  ASSERT_EQ(parser.ComposeSql(), S_OK);
  EXPECT_EQ(parser.GetSql(), "SELECT T1.a\r\nFROM (T1 LEFT JOIN T2 ON (T1.id = T2.id))\r\nWHERE T1.x = 1");

  parser.SetAnsiJoinClause("T1 INNER JOIN T2 ON (T1.id = T2.id)");  // without its keyword
  ASSERT_EQ(parser.ComposeSql(), S_OK);
  EXPECT_EQ(parser.GetSql(), "SELECT T1.a\r\nFROM T1 INNER JOIN T2 ON (T1.id = T2.id)\r\nWHERE T1.x = 1");
}

TEST(SqlParserTest, WithoutColumnsTheStatementIsLeftAsItWas) {
  for (const char* columns : {"", "  \r\n\t"}) {
    CSqlParser parser("SELECT old");
    parser.SetTables("T");
    parser.SetColumns(columns);
    EXPECT_EQ(parser.ComposeSql(), B30E_NO_COLUMNS);
    EXPECT_EQ(parser.GetSql(), "SELECT old");
  }
  CSqlParser none(nullptr);
  EXPECT_EQ(none.ComposeSql(), B30E_NO_COLUMNS);
  EXPECT_EQ(none.GetSql(), "");
}

TEST(SqlParserTest, StatementNeverHoldsABlankLine) {
  CSqlParser parser;
  parser.SetColumns("\r\n a,\r\n\r\n b \r\n");
  parser.SetTables("T\r\n");
  parser.SetWhereClause("a = 1\r\n\r\n  OR b = 'x\r\n\r\ny'");
  ASSERT_EQ(parser.ComposeSql(), S_OK);
  // The literal keeps its text; everything else loses the blank lines.
  EXPECT_EQ(parser.GetSql(), "SELECT a,\r\nb\r\nFROM T\r\nWHERE a = 1\r\nOR b = 'x\r\n\r\ny'");

  // Pieces without a line break are only trimmed; two bare carriage
  // returns make a blank line as well.
  CSqlParser plain;
  plain.SetColumns(" \t a,  b \t");
  plain.SetTables("  T  ");
  plain.SetWhereClause("a = 1\r\rOR b = 2\rAND c = 3");
  ASSERT_EQ(plain.ComposeSql(), S_OK);
  EXPECT_EQ(plain.GetSql(), "SELECT a,  b\r\nFROM T\r\nWHERE a = 1\r\nOR b = 2\rAND c = 3");
}

TEST(SqlParserTest, ConditionCarriedByTheColumnTextGoesToTheWhereClause) {
  struct Case {
    const char* columns;
    const char* where;
    const char* expected;
  };
  const Case cases[] = {
      {"SUM(T.a) WHERE T.b = 1", "", "SELECT SUM(T.a)\r\nFROM T\r\nWHERE T.b = 1"},
      {"SUM(T.a) where T.b = 1 OR T.c = 2", "T.d = 3",
       "SELECT SUM(T.a)\r\nFROM T\r\nWHERE T.d = 3 AND (T.b = 1 OR T.c = 2)"},
      {"(SELECT x FROM U WHERE y = 1) AS s", "", "SELECT (SELECT x FROM U WHERE y = 1) AS s\r\nFROM T"},
      {"'a WHERE b' AS s", "", "SELECT 'a WHERE b' AS s\r\nFROM T"},
      {"[Col WHERE x]", "", "SELECT [Col WHERE x]\r\nFROM T"},
      {"Somewhere", "", "SELECT Somewhere\r\nFROM T"},
  };
  for (const auto& c : cases) {
    CSqlParser parser;
    parser.SetTables("T");
    parser.SetColumns(c.columns);
    parser.SetWhereClause(c.where);
    ASSERT_EQ(parser.ComposeSql(), S_OK) << c.columns;
    EXPECT_EQ(parser.GetSql(), c.expected) << c.columns;
  }
}

TEST(SqlParserTest, AddTablesAppendsOnlyMissingEntries) {
  struct Case {
    const char* list;
    const char* more;
    const char* expected;
  };
  const Case cases[] = {
      {"", "T1,T2", "T1,T2"},
      {"T1", "t1,T2", "T1,T2"},
      {"T1 a", "a, T2", "T1 a,T2"},
      {"Orders O", "Orders", "Orders O,Orders"},  // an aliased entry answers to its alias only
      {"[dbo].[T]", "dbo.T,U", "[dbo].[T],U"},
      {"A,,B", "C", "A,B,C"},                     // readers stop at an empty entry
      {"A", " B , ,C ", "A,B,C"},
      {"A", "B,b", "A,B"},
      {"A", nullptr, "A"},
      {"{D}.S.T", "{D}.S.T,{E}.S.T", "{D}.S.T,{E}.S.T"},
      {"[a,b]", "c", "[a,b],c"},
      // Merging nothing, or a table listed already, still leaves the list
      // in its rebuilt form.
      {"A , B", "", "A,B"},
      {"A,,B", " ", "A,B"},
      {" A,B", "A", "A,B"},
      {"A, B", "B", "A,B"},
      {"A,B,", "B", "A,B"},
      {"(x, y) q,B", "B", "(x, y) q,B"},
      {"A,B", "B ", "A,B"},
      {"AB,B", "A", "AB,B,A"},
      {"BA,B", "A", "BA,B,A"},
      {"A B,C", "A B", "A B,C"},
      {"A,B", "b", "A,B"},
      // Several tables at once, all listed already (in any order) or not.
      {"A,B,C", "C,A", "A,B,C"},
      {"A B,C", "C,A B", "A B,C"},
      {"A, B", "B,A", "A,B"},
      {"A,B", "B, A", "A,B"},
      {"A,B", "B,,A", "A,B"},
      {"A,B", "B,c", "A,B,c"},
      {"A,B", "B,A B", "A,B,A B"},
      // Several tables named by their aliases, as a join names them.
      {"Customers C,Orders O,OrderLines L", "O,c,L", "Customers C,Orders O,OrderLines L"},
      {"Customers C,Orders O", "O,X,C,x", "Customers C,Orders O,X"},
      {"T\ta,U", "A,u,a", "T\ta,U"},
      {"T a,U", "T,a", "T a,U,T"},
      // One table: listed under its name or alias, in any case, or not.
      {"", "A", "A"},
      {"A b", "B", "A b"},
      {"A\tb,C", "B", "A\tb,C"},
      {"A.B c", "C", "A.B c"},
      {"A.B c", "a.b", "A.B c,a.b"},
      {"A.B c", "[a].[b]", "A.B c,[a].[b]"},
      {"A.B,C", "[a].[b]", "A.B,C"},
  };
  for (const auto& c : cases) {
    CString list(c.list);
    CSqlParser::AddTables(list, c.more);
    EXPECT_EQ(list, c.expected) << c.list << " + " << (c.more ? c.more : "(null)");
    // Merging the same tables again changes nothing: the column list merges
    // a table text once for a run of columns that give the same one.
    CSqlParser::AddTables(list, c.more);
    EXPECT_EQ(list, c.expected) << c.list << " + " << (c.more ? c.more : "(null)") << " twice";
  }
}

// A list merged into itself: `more` then points into the text the merge
// changes.
TEST(SqlParserTest, AddTablesTakesTheListItself) {
  for (const char* text : {"A", "A b", "A,B", "A, B", "A,,B", " A "}) {
    CString list(text);
    CSqlParser::AddTables(list, list.GetString());
    CString rebuilt(text);
    CSqlParser::AddTables(rebuilt, "");
    EXPECT_EQ(list, rebuilt) << text;
  }
}

TEST(SqlParserTest, FindTableMatchesEntriesAndAliases) {
  struct Case {
    const char* tables;
    const char* table;
    int expected;
  };
  const Case cases[] = {
      {"T1,T2", "t2", 1},
      {"T1 a,T2 b", "b", 1},
      {"T1 a", "T1 a", 0},
      {"T1 a", "T1", -1},
      {"T1", "", -1},
      {"T1", "  ", -1},
      {"[My Table] m,X", "m", 0},
      {"[Order Details]", "Order Details", 0},
      {"[dbo].[T]", "DBO.t", 0},
      {"A,,B", "B", 2},
      {"(SELECT a, b FROM T) q,U", "q", 0},
      {"(SELECT a, b FROM T) q,U", "U", 1},
      {"AB", "A", -1},
      {nullptr, "A", -1},
      {"A", nullptr, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CSqlParser::FindTable(c.tables, c.table), c.expected)
        << (c.tables ? c.tables : "(null)") << " / " << (c.table ? c.table : "(null)");
  }
}

// A short list compares names one by one, a long one through their keys:
// both must agree on which names are the same table.
TEST(SqlParserTest, NamesCompareAlikeInShortAndLongLists) {
  struct Case {
    const char* listed;
    const char* added;
    bool same;
  };
  const Case cases[] = {
      {"[Order Details]", "order details", true},
      {"Order \t Details", "ORDER DETAILS", true},
      {"[Order  Details]", "ORDER DETAILS", false},  // blanks inside [ ] are the name's own
      {"[dbo].[T]", "DBO.t", true},
      {"[a]]b]", "A]B", true},
      {"[]", "[][]", true},
      {"[open", "OPEN", true},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9T\xC3\xA9", true},
      {"dbo.T", "dboT", false},
      {"T", "T2", false},
      {"T2", "T", false},
      {"[a b]", "ab", false},
      {"\xC3\xA9", "\xC3\x89", false},  // only ASCII letters fold
  };
  for (const auto& c : cases) {
    for (const int fillers : {0, 40}) {
      std::string base;
      for (int i = 0; i < fillers; ++i) base += "F" + std::to_string(i) + " f" + std::to_string(i) + ",";
      base += c.listed;
      CString list(base.c_str());
      CSqlParser::AddTables(list, c.added);
      const std::string expected = c.same ? base : base + "," + c.added;
      EXPECT_EQ(list, expected.c_str()) << c.listed << " + " << c.added << " after " << fillers << " entries";
      EXPECT_EQ(CSqlParser::FindTable(list, c.added) == fillers, c.same) << c.listed << " / " << c.added;
    }
  }
}

TEST(SqlParserTest, GetTablesFromExprNamesTheQualifiers) {
  struct Case {
    const char* expr;
    const char* expected;
  };
  const Case cases[] = {
      {"T.c", "T"},
      {"[T].[c] = 1", "[T]"},
      {"S.T.c", "S.T"},
      {"{D}.S.T.c", "{D}.S.T"},
      {"[S].[T].[c]", "[S].[T]"},
      {"T1.a + T2.b - t1.c", "T1,T2"},
      {"S.T.c, S.T.d, S.U.e", "S.T,S.U"},
      {"'X.y' = T.c", "T"},
      {"'it''s X.y' + A.b", "A"},
      {"dbo.fn(x) + LEFT(T.a, 2)", "T"},
      {"SUM(T.a) / COUNT(DISTINCT U.b)", "T,U"},
      {"1.5 * T.a + 2e-3 + 1.5E+2", "T"},
      {"T.*", "T"},
      {"{? 'P.x'} = A.b", "A"},
      {"{d '2024-01-01'} < T.d", "T"},
      {"{fn UCASE(T.c)}", "T"},
      {"[My T].[c d] + [My T].x", "[My T]"},
      {"\"T\".\"c\"", "\"T\""},
      {"T.a = @Today()", "T"},
      {"\xC3\xA9.x", "\xC3\xA9"},
      {"a + b", ""},
      {"'open T.c", ""},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CSqlParser::GetTablesFromExpr(c.expr, nullptr), c.expected) << (c.expr ? c.expr : "(null)");
  }
}

TEST(SqlParserTest, LongListsStayLinear) {
  std::string expr;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string t = "T" + std::to_string(i);
    expr += t + ".c + " + t + ".d + ";
    expected += (i ? "," : "") + t;
  }
  expr += "0";
  const CString tables = CSqlParser::GetTablesFromExpr(expr.c_str(), nullptr);
  EXPECT_EQ(tables, expected.c_str());

  CString list;
  CSqlParser::AddTables(list, tables);
  CSqlParser::AddTables(list, tables);
  EXPECT_EQ(list, tables);
  EXPECT_EQ(CSqlParser::FindTable(list, "t19999"), 19999);
}

TEST(XdbSqlParserTest, CommandNamesTheDatasetAndDropsSeparators) {
  CString out("untouched");
  CXdbSqlParser parser("SELECT a\r\nFROM T;\r\n ;");
  ASSERT_EQ(parser.GetCommands(out, "Q"), S_OK);
  EXPECT_EQ(out, "CREATE DATASET [Q] BY SELECT a\r\nFROM T");

  CXdbSqlParser leading("\r\n\r\nSELECT 1");
  ASSERT_EQ(leading.GetCommands(out, "Q_MQ2"), S_OK);
  EXPECT_EQ(out, "CREATE DATASET [Q_MQ2] BY SELECT 1");  // no blank line after BY
}

TEST(XdbSqlParserTest, EmptyStatementIsRefused) {
  for (const char* sql : {"", " ;\r\n;", static_cast<const char*>(nullptr)}) {
    CString out("untouched");
    EXPECT_EQ(CXdbSqlParser(sql).GetCommands(out, "Q"), B30E_EMPTY_STATEMENT);
    EXPECT_EQ(out, "untouched");
  }
}

}  // namespace
