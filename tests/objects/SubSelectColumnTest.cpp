// SubSelectColumnTest.cpp - columns that hold sub-selects, text literals
// or comments: a sub-select keeps its parentheses and its tables to itself,
// an object's own condition is cut only where it really starts, and nodes
// that are no elements are no columns.
#include <gtest/gtest.h>

#include "contracts/basis30/ResultCodes.h"
#include "objects/CQueryObject.h"
#include "objects/CQueryObjects.h"
#include "support/XmlFixture.h"

namespace {

TEST(ColumnTextTest, TrimColumnShellKeepsTheParenthesesOfASubSelect) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {" (T.a + T.b) ", "T.a + T.b"},
      {"(SELECT MAX(x) FROM T)", "(SELECT MAX(x) FROM T)"},
      {" ( select x from T ) ", "( select x from T )"},
      {"((SELECT x FROM T))", "(SELECT x FROM T)"},
      {"(SELECT a FROM T) + (SELECT b FROM U)", "(SELECT a FROM T) + (SELECT b FROM U)"},
      {"(SELECTED)", "SELECTED"},  // a name, not the keyword
      {"('(SELECT x')", "'(SELECT x'"},
      // Without a shell only the white space around the column goes.
      {"T.a", "T.a"},
      {" \tT.a\n ", "T.a"},
      {"T.a + (T.b)", "T.a + (T.b)"},
      {"\t(SELECT x FROM T)\n", "\t(SELECT x FROM T)\n"},
      {"\t(T.a)", "T.a"},
      {"", ""},
  };
  for (const auto& c : cases) {
    CString text = c.in;
    CQueryObject::TrimColumnShell(text);
    EXPECT_EQ(text, c.out) << c.in;
  }
}

TEST(ColumnTextTest, OwnConditionStartsOutsideLiteralsAndSubSelects) {
  const struct {
    const char* expr;
    int expected;
  } cases[] = {
      {"SUM(L.Amount) WHERE C.Region = 'North'", 13},
      {"'a WHERE b'", -1},
      {"'x' || ' WHERE ' || T.a WHERE T.b = 1", 23},
      {"(SELECT MAX(x) FROM T WHERE T.y = 1)", -1},
      {"(SELECT MAX(x) FROM T WHERE T.y = 1) WHERE U.z = 2", 36},
      {"[a WHERE b]", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(CQueryObject::FindOwnCondition(c.expr), c.expected) << c.expr;
}

TEST(ColumnTextTest, AggregateCallsInsideASubSelectAreTheSubQuerys) {
  const struct {
    const char* expr;
    bool aggregates;
  } cases[] = {
      {"(SELECT MAX(O.OrderDate) FROM Orders O)", false},
      {"( select count(*) from T )", false},
      {"SUM(T.a) + (SELECT MAX(x) FROM U)", true},
      {"(SELECT MAX(x) FROM U) + SUM(T.a)", true},
      {"(SELECT MAX(x) FROM U WHERE U.n = ')') + SUM(T.a)", true},
      {"T.a + (SELECT x FROM U)", false},
  };
  for (const auto& c : cases) EXPECT_EQ(CQueryObject::IsAggregationExpr(c.expr), c.aggregates) << c.expr;
}

class SubSelectObjectTest : public XmlFixture {
 protected:
  CQueryObject Object(const char* name) {
    return CQueryObject(Root().selectSingleNode((std::string("QueryObjects/*[@Name='") + name + "']").c_str()));
  }
};

const char* kSubSelects = R"xml(<Query Name="Q"><QueryObjects>
  <Query Name="Latest" Aggregation="Max"><QueryObjects>
    <Field Name="OrderDate" Table="Orders" Alias="O2"/></QueryObjects></Query>
  <Query Name="LatestMax" Aggregation="Max"><QueryObjects>
    <Field Name="OrderDate" Table="Orders" Alias="O2" Aggregation="Max"/></QueryObjects></Query>
  <DataObject Name="Filtered">
    <Select><ExprBuildInfo><Query Name="Lines"><QueryObjects>
      <Field Name="Amount" Table="OrderLines" Alias="L2" Aggregation="Sum"/></QueryObjects></Query></ExprBuildInfo></Select>
    <Condition><ExprBuildInfo><Field Name="Region" Table="Customers" Alias="C"/><Text Value="="/><Text Value="North"/></ExprBuildInfo></Condition>
  </DataObject>
  <DataObject Name="Mixed">
    <Select><ExprBuildInfo><Field Name="Amount" Table="OrderLines" Alias="L"/><Text Value="+"/>
      <Query Name="Inner"><QueryObjects><Field Name="UnitPrice" Table="Products" Alias="P2"/></QueryObjects></Query>
    </ExprBuildInfo></Select>
  </DataObject>
  <Calc Name="Computed"><ExprBuildInfo><Field Name="Quantity" Table="OrderLines" Alias="L"/><Text Value="*"/>
    <Field Name="UnitPrice" Table="Products" Alias="P"/></ExprBuildInfo></Calc>
  <Text Name="Literal" Value="'a WHERE b' || (SELECT MAX(x) FROM U WHERE U.y = 1)"/>
</QueryObjects></Query>)xml";

TEST_F(SubSelectObjectTest, AnAggregationWrapsTheWholeSubSelect) {
  Load(kSubSelects);
  EXPECT_EQ(Object("Latest").GetExpression(), "MAX((SELECT O2.OrderDate\r\nFROM Orders O2))");
  // The sub-query's own MAX is not the object's: the object still takes its
  // aggregation instead of failing as an aggregate asked for twice.
  CQueryObject latestMax = Object("LatestMax");
  EXPECT_EQ(latestMax.Parse(), S_OK);
  EXPECT_EQ(latestMax.GetExpression(), "MAX((SELECT MAX(O2.OrderDate)\r\nFROM Orders O2))");
  EXPECT_EQ(latestMax.GetAggregationType(), AGG_MAX);
}

TEST_F(SubSelectObjectTest, ACompositeWithAConditionKeepsItsSubSelectWhole) {
  Load(kSubSelects);
  CQueryObject filtered = Object("Filtered");
  EXPECT_EQ(filtered.GetExpression(), "(SELECT SUM(L2.Amount)\r\nFROM OrderLines L2) WHERE C.Region = 'North'");
  EXPECT_EQ(filtered.GetWhereClause(), "C.Region = 'North'");
  EXPECT_EQ(filtered.GetAggregationType(), AGG_NONE);
}

TEST_F(SubSelectObjectTest, TablesOfSubQueryTermsStayInTheSubQuery) {
  Load(kSubSelects);
  const struct {
    const char* name;
    const char* tables;
  } cases[] = {
      {"Latest", ""},
      {"Filtered", "Customers C"},
      {"Mixed", "OrderLines L"},
      {"Computed", "OrderLines L,Products P"},  // the terms' tables, not bare aliases
      {"Literal", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Object(c.name).GetTable(), c.tables) << c.name;
}

class OpenQueryObjects : public CQueryObjects {
 public:
  using CQueryObjects::CQueryObjects;
};

TEST_F(SubSelectObjectTest, ColumnsKeepLiteralsAndSubSelectsWhole) {
  Load(R"xml(<Query><QueryObjects>
    <Field Name="a" Table="T"/>
    <Text Name="Label" Value="'a WHERE b'"/>
    <Text Name="Inner" Value="(SELECT MAX(U.x) FROM U WHERE U.y = 1)"/>
  </QueryObjects></Query>)xml");
  CQueryObjects objects(Select("QueryObjects"));
  ASSERT_EQ(objects.ComposeSqls(), S_OK);
  EXPECT_EQ(objects.GetSqlColumns(0), "T.a, 'a WHERE b', (SELECT MAX(U.x) FROM U WHERE U.y = 1)");
  EXPECT_EQ(objects.GetSqlTables(0), "T");
  EXPECT_EQ(objects.GetSqlGroupBy(0), "");
}

TEST_F(SubSelectObjectTest, CommentsAndInstructionsAmongObjectsAreNoColumns) {
  Load(R"(<Query><QueryObjects>
    <!-- key -->
    <Field Name="a" Table="T"/>
    <?editor hint?>
    <Field Name="b" Table="T"/>
  </QueryObjects></Query>)");
  CQueryObjects objects(Select("QueryObjects"));
  ASSERT_EQ(objects.ComposeSqls(), S_OK);
  EXPECT_EQ(objects.GetSqlColumns(0), "T.a, T.b");
}

// A split counts only element children as key columns, and a placeholder
// zeroes a conditional column whose text holds " WHERE " in a literal.
TEST_F(SubSelectObjectTest, SplitCountsElementsAndZeroesLiteralsWhole) {
  Load(R"(<Query><QueryObjects>
    <!-- key -->
    <Field Name="k" Table="T"/>
    <DataObject Name="One" DataType="200">
      <Select><ExprBuildInfo><Text Value="'x WHERE y'"/></ExprBuildInfo></Select>
      <Condition><ExprBuildInfo><Text Value="T.a = 1"/></ExprBuildInfo></Condition>
    </DataObject>
    <DataObject Name="Two" DataType="5">
      <Select><ExprBuildInfo><Field Name="n" Table="T" DataType="5"/></ExprBuildInfo></Select>
      <Condition><ExprBuildInfo><Text Value="T.b = 2"/></ExprBuildInfo></Condition>
    </DataObject>
  </QueryObjects></Query>)");
  CQueryObjects objects(Select("QueryObjects"));
  ASSERT_EQ(objects.ComposeSqls(), S_OK);
  EXPECT_EQ(objects.m_nPlainCount, 1);
  EXPECT_EQ(objects.GetSqlCount(), 2);
  // Placeholder i carries the zeroed column of conditional object i - 1.
  EXPECT_EQ(objects.GetSqlColumns(0), "T.k, COUNT('x WHERE y'), (COUNT('x WHERE y')) * 0");
  EXPECT_EQ(objects.GetSqlColumns(1), "T.k, SUM(0), SUM(T.n)");
  EXPECT_EQ(objects.GetSqlWhere(1), "T.b = 2");
}

}  // namespace
