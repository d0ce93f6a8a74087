// QueryObjectTest.cpp - the SQL expression, condition, tables, data source
// and aggregation of single query objects.
#include <gtest/gtest.h>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CFrameCI.h"
#include "objects/CQueryObject.h"
#include "support/XmlFixture.h"

namespace {

class OpenQueryObject : public CQueryObject {
 public:
  using CQueryObject::CQueryObject;
  using CQueryObject::m_nAggregation;
  using CQueryObject::m_strExpression;
  using CQueryObject::m_strWhereClause;
};

const char* kObjects = R"xml(<Query Name="Q">
  <QueryObjects>
    <Field Name="Amount" Table="Orders" Alias="O" Schema="dbo" Datasource="Sales"/>
    <Field Name="Amount" Table="Orders" Schema="dbo" Datasource="Sales"/>
    <Field Name="Order Date" Table="Order Lines" Schema="my-schema" Datasource="Sales DB"/>
    <Field Name="Group" Table="T" Alias="1a"/>
    <Field Name="" Table="T"/>
    <Table Name="Customers" Schema="dbo" Datasource="Sales"/>
    <Text Value="SUM(0)"/>
    <Text Value="a, b"/>
    <Text ExType="Excel" Value="Sheet1/A1, x, y"/>
    <Text ExType="Excel" Value="A1, B2"/>
    <Text ExType="Excel" Value=",x/y"/>
    <Text ExType="Excel" Value="it's/A1, 'q'"/>
    <Parameter Name="Region"/>
    <LayoutItem Name="Title"/>
    <Dataset Name="Sales Data"><Column Name="Revenue"/></Dataset>
    <DataObject Name="t" DataType="200" Value="O'Brien"/>
    <DataObject Name="d" DataType="7" Value="2011-1-31"/>
    <DataObject Name="n" DataType="5" Value="42"/>
    <DataObject Name="e" Expression="T.a"/>
  </QueryObjects>
</Query>)xml";

struct ExpressionCase {
  int child;  // 1-based position under QueryObjects
  const char* expression;
};

class QueryObjectTest : public XmlFixture {
 protected:
  void SetUp() override { Load(kObjects); }
  void TearDown() override {
    CFrameCI::SetExistGRS(false);
    SetCurDSType(DSTYPE_NONE);
  }
  IXMLDOMElementPtr Child(int position) {
    CString path;
    path.Format("QueryObjects/*[%d]", position);
    return Select(path);
  }
};

TEST_F(QueryObjectTest, ExpressionOfEachKind) {
  const ExpressionCase cases[] = {
      {1, "O.Amount"},                                    // alias wins over every qualifier
      {2, "{Sales}.dbo.Orders.Amount"},
      {3, "{Sales DB}.[my-schema].[Order Lines].[Order Date]"},
      {4, "[1a].[Group]"},                                // reserved word and leading digit
      {5, ""},
      {6, "{Sales}.dbo.Customers"},
      {7, "SUM(0)"},
      {8, "a, b"},
      {9, "Evaluate('Sheet1/A1', 'x, y')"},
      {10, "Evaluate('A1, B2')"},                         // no '/' before the comma
      {11, "Evaluate(',x/y')"},                           // starts with the comma
      {12, "Evaluate('it''s/A1', '''q''')"},              // apostrophes stay inside
      {13, "{? 'Region'}"},
      {14, "Value('Title')"},
      {15, "[Sales Data]"},
      {16, "'O''Brien'"},
      {17, "{d '2011-01-31'}"},
      {18, "42"},
      {19, "''"},  // the stored expression is cleared before it is read
  };
  for (const auto& c : cases) {
    CQueryObject object(Child(c.child));
    EXPECT_EQ(object.Parse(), S_OK) << c.child;
    EXPECT_EQ(object.GetExpression(), c.expression) << c.child;
    EXPECT_EQ(object.GetAttribute("Expression"), c.expression) << c.child;
    EXPECT_EQ(object.GetAttribute("WhereClause"), "NULL") << c.child;
  }
}

TEST_F(QueryObjectTest, ColumnIsAlwaysBracketedWithItsDataset) {
  CQueryObject column(Select("QueryObjects/Dataset/Column"));
  EXPECT_EQ(column.GetExpression(), "[Sales Data].[Revenue]");
}

// A data set and its column are always bracketed, so a "]" in either name
// is written twice and cannot end the brackets.
TEST_F(QueryObjectTest, DatasetAndColumnNamesKeepTheirClosingBracketsInside) {
  IXMLDOMElementPtr dataset = m_doc.createElement("Dataset");
  dataset.setAttribute("Name", "a]b");
  IXMLDOMElementPtr column = m_doc.createElement("Column");
  column.setAttribute("Name", "c]; --");
  dataset.appendChild(column);
  Select("QueryObjects").appendChild(dataset);
  EXPECT_EQ(CQueryObject(dataset).GetExpression(), "[a]]b]");
  EXPECT_EQ(CQueryObject(column).GetExpression(), "[a]]b].[c]]; --]");
}

TEST_F(QueryObjectTest, ColumnOutsideADatasetWithoutRepositoryFails) {
  IXMLDOMElementPtr column = m_doc.createElement("Column");
  column.setAttribute("Name", "x");
  column.setAttribute("Dataset", "$/Sales/Revenue");
  Select("QueryObjects").appendChild(column);
  CQueryObject object(column);
  EXPECT_LT(object.Parse(), 0);
  EXPECT_EQ(object.GetExpression(), "");
}

TEST_F(QueryObjectTest, AggregationWrapsOnceAndRejectsADoubleAggregate) {
  IXMLDOMElementPtr field = Child(2);
  field.setAttribute("Aggregation", "Sum");
  EXPECT_EQ(CQueryObject(field).GetExpression(), "SUM({Sales}.dbo.Orders.Amount)");
  field.setAttribute("Aggregation", "Other");
  OpenQueryObject other(field);
  EXPECT_EQ(other.GetExpression(), "{Sales}.dbo.Orders.Amount");
  EXPECT_EQ(other.GetAggregationType(), AGG_OTHER);
  field.setAttribute("Aggregation", "sum");  // texts compare exactly
  EXPECT_EQ(CQueryObject(field).GetExpression(), "{Sales}.dbo.Orders.Amount");

  OpenQueryObject sum(Child(7));  // the value is an aggregate call already
  EXPECT_EQ(sum.Parse(), S_OK);
  EXPECT_EQ(sum.m_nAggregation, AGG_SUM);
  EXPECT_EQ(sum.GetExpression(), "SUM(0)");
  Child(7).setAttribute("Aggregation", "Max");
  OpenQueryObject twice(Child(7));
  EXPECT_EQ(twice.Parse(), TPE_AGGREGATE_TWICE);
  EXPECT_EQ(twice.m_nAggregation, AGG_MAX);
  // The texts of the parse before do not survive a failed one.
  EXPECT_FALSE(Child(7).hasAttribute("Expression"));
  EXPECT_FALSE(Child(7).hasAttribute("WhereClause"));
}

TEST_F(QueryObjectTest, AggregationAccessorsCacheOnlyAfterParse) {
  OpenQueryObject field(Child(2));
  EXPECT_EQ(field.GetAggregationType(), AGG_NONE);
  field.SetAggregationType(AGG_COUNT);
  EXPECT_EQ(field.GetAttribute("Aggregation"), "Count");
  EXPECT_EQ(field.GetAggregationType(), AGG_COUNT);  // read afresh before Parse
  EXPECT_EQ(field.Parse(), S_OK);
  EXPECT_EQ(field.GetExpression(), "COUNT({Sales}.dbo.Orders.Amount)");
  field.SetAggregationType(AGG_AVG);
  EXPECT_EQ(field.GetAggregationType(), AGG_COUNT);  // cached until the next Parse
  field.SetAggregationType(AGG_NONE);
  EXPECT_FALSE(field.GetElement().hasAttribute("Aggregation"));
  EXPECT_EQ(field.Parse(), S_OK);
  EXPECT_EQ(field.GetAggregationType(), AGG_NONE);
}

TEST_F(QueryObjectTest, CacheIsKeptUntilAttach) {
  OpenQueryObject field(Child(2));
  EXPECT_EQ(field.m_strExpression, "NULL");
  EXPECT_EQ(field.GetWhereClause(), "");
  EXPECT_EQ(field.m_strExpression, "{Sales}.dbo.Orders.Amount");
  Child(2).setAttribute("Table", "Other");
  EXPECT_EQ(field.GetExpression(), "{Sales}.dbo.Orders.Amount");
  field.Attach(Child(2));
  EXPECT_EQ(field.m_strExpression, "NULL");
  EXPECT_EQ(field.GetExpression(), "{Sales}.dbo.Other.Amount");
}

TEST_F(QueryObjectTest, PreprocessedObjectTakesItsTextVerbatim) {
  IXMLDOMElementPtr field = Child(2);
  field.setAttribute("PreprocessExpr", "COALESCE(x, 0)");
  field.setAttribute("WhereClause", "x > 1");
  OpenQueryObject object(field);
  EXPECT_EQ(object.Parse(), S_OK);
  EXPECT_EQ(object.GetExpression(), "COALESCE(x, 0)");
  EXPECT_EQ(object.GetAttribute("Expression"), "COALESCE(x, 0)");
  EXPECT_FALSE(field.hasAttribute("WhereClause"));
  EXPECT_EQ(object.m_strWhereClause, "NULL");
}

TEST_F(QueryObjectTest, NullObjectFails) {
  CQueryObject none;
  EXPECT_EQ(none.Parse(), TPE_NO_ELEMENT);
  EXPECT_EQ(none.GetExpression(), "");
  EXPECT_EQ(none.GetWhereClause(), "");
}

TEST_F(QueryObjectTest, ReferenceRefreshesFromTheTargetInTheSameDocument) {
  Load(R"(<Query><QueryObjects>
      <Field Name="Amount" Table="Orders" GUID="{a}" Aggregation="Sum" Description="target"/>
      <Field Name="Mine" RefObject="{a}" Aggregation="Max" Description="mine"/>
      <Field Name="Lost" RefObject="{none}" Expression="T.kept" WhereClause="T.kept &gt; 0"/>
    </QueryObjects></Query>)");
  OpenQueryObject referring(Select("QueryObjects/Field[2]"));
  EXPECT_EQ(referring.Parse(), S_OK);
  EXPECT_EQ(referring.GetName(), "Amount");                  // name taken from the target
  EXPECT_EQ(referring.GetAttribute("Table"), "Orders");
  EXPECT_EQ(referring.GetAttribute("Description"), "mine");  // kept
  EXPECT_EQ(referring.GetExpression(), "MAX(Orders.Amount)"); // own aggregation kept

  OpenQueryObject lost(Select("QueryObjects/Field[3]"));
  EXPECT_EQ(lost.Parse(), S_OK);  // falls back to what it had
  EXPECT_EQ(lost.GetExpression(), "T.kept");
  EXPECT_EQ(lost.GetWhereClause(), "T.kept > 0");
  EXPECT_EQ(lost.GetAttribute("Expression"), "T.kept");

  CFrameCI::SetExistGRS(true);
  ClearErrorInfo();
  OpenQueryObject strict(Select("QueryObjects/Field[3]"));
  EXPECT_EQ(strict.Parse(), TPE_OBJECT_FAILED);
  EXPECT_EQ(GetLastErrorInfo().message, "Query object 'Lost' could not be composed");
  EXPECT_EQ(strict.GetExpression(), "");
}

TEST_F(QueryObjectTest, DateValueFollowsTheCurrentDataSource) {
  SetCurDSType(DSTYPE_SQLITE);
  EXPECT_EQ(CQueryObject(Child(17)).GetExpression(), "'2011-01-31'");
  // An unreadable date renders as NULL, which the cache cannot tell from
  // "not parsed": the accessor gives "" while the element holds NULL.
  Child(17).setAttribute("Value", "not a date");
  CQueryObject unreadable(Child(17));
  EXPECT_EQ(unreadable.Parse(), S_OK);
  EXPECT_EQ(unreadable.GetAttribute("Expression"), "NULL");
  EXPECT_EQ(unreadable.GetExpression(), "");
}

struct AggregateExprCase {
  const char* expr;
  bool expected;
};

TEST(QueryObjectStatics, IsAggregationExprLooksOutsideQuotes) {
  const AggregateExprCase cases[] = {
      {"SUM(x)", true},           {"sum ( x )", true},       {"1 + Count(*)", true},
      {"AVERAGE(y)", true},       {"'a' + MAX(b)", true},    {"'SUM(x)'", false},
      {"x'SUM(y)", false},        {"SUMMARY", false},        {"", false},
      {"Amount", false},          {"'SUM(' + MAX(x)", false},  // only the first name found counts
  };
  for (const auto& c : cases) EXPECT_EQ(CQueryObject::IsAggregationExpr(c.expr), c.expected) << c.expr;
}

class QueryObjectTablesTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(R"(<Query><QueryObjects>
      <Field Name="a" Table="Orders" Schema="dbo" Datasource="Sales" Alias="O"/>
      <Field Name="a" Schema="dbo" Datasource="Sales"/>
      <Field Name="b" Table="Order Lines"/>
      <DataObject Name="combo" Datasource="Own">
        <Select><ExprBuildInfo>
          <Field Name="a" Table="Orders"/>
          <Field Name="b" Table=""/>
          <Field Name="c" Table="Customers"/>
          <Field Name="d" Table="Orders"/>
        </ExprBuildInfo></Select>
      </DataObject>
      <QueryObject Name="loop" GUID="{loop}">
        <Select><ExprBuildInfo><QueryObject Name="back" RefObject="{loop}"/><Field Name="z" Table="Z"/></ExprBuildInfo></Select>
      </QueryObject>
      <Parameter Name="P" ExType="ObjectParam">
        <ValueSource><ObjectList><Field Name="a" Table="A"/><Field Name="b" Table="B"/><Field Name="c" Table="A"/></ObjectList></ValueSource>
      </Parameter>
      <QueryObject Name="q" Datasource="Stale">
        <ExprBuildInfo><Text Value="("/><Field Name="x" Datasource="Inner"/></ExprBuildInfo>
      </QueryObject>
    </QueryObjects></Query>)");
  }
};

TEST_F(QueryObjectTablesTest, FieldTableIsFullyQualifiedWithAlias) {
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[1]")).GetTable(), "{Sales}.dbo.Orders O");
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[2]")).GetTable(), "");
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[3]")).GetTable(), "[Order Lines]");
}

TEST_F(QueryObjectTablesTest, CompositeListsEachTableOnceAndSkipsMembersWithout) {
  // The member without a table must not hide the tables after it.
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[4]")).GetTable(), "Orders,Customers");
}

TEST_F(QueryObjectTablesTest, CompositeThatReachesItselfStops) {
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[5]")).GetTable(), "Z");
}

TEST_F(QueryObjectTablesTest, ObjectParameterCollectsItsListedObjects) {
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[6]")).GetTable(), "A,B");
}

TEST_F(QueryObjectTablesTest, DatasourceOfAResolvedCompositeComesFromItsMembers) {
  CQueryObject q(Select("QueryObjects/*[7]"));
  EXPECT_EQ(q.GetDatasource(), "Stale");  // not resolved yet: own attribute
  q.GetTable();                           // resolves the source node
  EXPECT_EQ(q.GetDatasource(), "Inner");
  EXPECT_EQ(q.GetAttribute("Datasource"), "Inner");
  EXPECT_EQ(CQueryObject(Select("QueryObjects/*[1]")).GetDatasource(), "Sales");
}

}  // namespace

#include "support/RepositoryFixture.h"

namespace {

class QueryObjectRepositoryTest : public RepositoryFixture {};

TEST_F(QueryObjectRepositoryTest, ReferenceByRepositoryPathKeepsTheOwnValue) {
  Write("Model/Measures.xml",
        R"(<Objects Name="Measures"><DataObject Name="Margin" Value="shared" DataType="5" Description="repo"/></Objects>)");
  OpenRepo();
  Load(R"(<Query><QueryObjects>
      <DataObject Name="Mine" RefObject="$/Model/Margin" Value="7" Description="own"/>
      <Column Name="Revenue" Dataset="$/Model/Measures"/>
    </QueryObjects></Query>)");
  CQueryObject referring(Select("QueryObjects/DataObject"));
  EXPECT_EQ(referring.Parse(), S_OK);
  EXPECT_EQ(referring.GetName(), "Mine");  // a repository object leaves the name alone
  EXPECT_EQ(referring.GetAttribute("Description"), "own");
  EXPECT_EQ(referring.GetAttribute("DataType"), "5");
  EXPECT_EQ(referring.GetExpression(), "7");  // the value stays the referring object's own

  CQueryObject column(Select("QueryObjects/Column"));
  EXPECT_EQ(column.GetExpression(), "[Measures].[Revenue]");
}

}  // namespace
