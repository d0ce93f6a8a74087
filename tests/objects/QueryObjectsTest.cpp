// QueryObjectsTest.cpp - column lists of a query, typed aliases, and the
// split into source groups with its restore.
#include <gtest/gtest.h>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"
#include "objects/CQueryObject.h"
#include "objects/CQueryObjects.h"
#include "support/XmlFixture.h"

namespace {

class OpenQueryObjects : public CQueryObjects {
 public:
  using CQueryObjects::CQueryObjects;
  using CQueryObjects::ComposeSelect;
};

// Measures with their own conditions around one plain key column.
const char* kSplit = R"(<Query Name="S"><QueryObjects>
  <DataObject Name="North" DataType="5">
    <Select><ExprBuildInfo><Field Name="Amount" Table="L" DataType="5"/></ExprBuildInfo></Select>
    <Condition><ExprBuildInfo><Field Name="Region" Table="C"/><Text Value="="/><Text Value="North"/></ExprBuildInfo></Condition>
  </DataObject>
  <Field Name="Product" Table="P"/>
  <DataObject Name="Count" DataType="200">
    <Select><ExprBuildInfo><Field Name="OrderID" Table="O"/></ExprBuildInfo></Select>
    <Condition><ExprBuildInfo><Field Name="Status" Table="O"/><Text Value="="/><Text Value="open"/></ExprBuildInfo></Condition>
  </DataObject>
</QueryObjects></Query>)";

class QueryObjectsTest : public XmlFixture {
 protected:
  void TearDown() override {
    SetCurDSType(DSTYPE_NONE);
    CExprParser::SetDataUntranslateProc(nullptr);
  }
  std::vector<CString> ChildNames() {
    std::vector<CString> names;
    for (IXMLDOMNodePtr c = Select("QueryObjects").firstChild(); c; c = c.nextSibling()) {
      names.push_back(IXMLDOMElementPtr(c).getAttribute("Name"));
    }
    return names;
  }
};

TEST_F(QueryObjectsTest, OneConditionalObjectGivesOneStatementWithItsWhere) {
  Load(R"(<Query><QueryObjects Sql120="stale" Sql1="stale">
      <Field Name="Product" Table="P"/>
      <DataObject Name="North" DataType="5" Aggregation="Sum">
        <Select><ExprBuildInfo><Field Name="Amount" Table="L" DataType="5"/></ExprBuildInfo></Select>
        <Condition><ExprBuildInfo><Field Name="Region" Table="C"/><Text Value="="/><Text Value="North"/></ExprBuildInfo></Condition>
      </DataObject>
    </QueryObjects></Query>)");
  CQueryObjects objects(Select("QueryObjects"));
  EXPECT_EQ(objects.ComposeSqls(), S_OK);
  EXPECT_EQ(objects.GetSqlCount(), 1);
  EXPECT_EQ(objects.m_nPlainCount, 0);
  EXPECT_EQ(objects.GetSqlColumns(0), "P.Product, SUM(L.Amount)");
  EXPECT_EQ(objects.GetSqlWhere(0), "C.Region = 'North'");
  EXPECT_EQ(objects.GetSqlGroupBy(0), "P.Product");
  EXPECT_EQ(objects.GetSqlTables(0), "P,L,C");
  EXPECT_FALSE(Select("QueryObjects").hasAttribute("Sql120"));
  EXPECT_FALSE(Select("QueryObjects").hasAttribute("Sql1"));
  EXPECT_EQ(Select("QueryObjects").getAttribute("Sql0"),
            "SELECT P.Product, SUM(L.Amount)\r\nFROM P,L,C\r\nWHERE C.Region = 'North'\r\nGROUP BY P.Product");
}

TEST_F(QueryObjectsTest, TwoConditionalMeasuresSplitIntoTwoGroups) {
  Load(kSplit);
  CQueryObjects objects(Select("QueryObjects"));
  ASSERT_EQ(objects.ComposeSqls(), S_OK);
  EXPECT_EQ(objects.GetSqlCount(), 2);
  EXPECT_EQ(objects.m_nPlainCount, 1);
  // Each group holds its own measure and a zero in the other's place.
  EXPECT_EQ(objects.GetSqlColumns(0), "P.Product, SUM(L.Amount), (SUM(L.Amount)) * 0");
  EXPECT_EQ(objects.GetSqlWhere(0), "C.Region = 'North'");
  EXPECT_EQ(objects.GetSqlColumns(1), "P.Product, SUM(0), COUNT(O.OrderID)");
  EXPECT_EQ(objects.GetSqlWhere(1), "O.Status = 'open'");
  EXPECT_EQ(objects.GetSqlGroupBy(0), "P.Product");
  // Plain objects first, then the conditional ones; nothing temporary left.
  EXPECT_EQ(ChildNames(), (std::vector<CString>{"Product", "North", "Count"}));
  EXPECT_FALSE(Root().selectSingleNode("WithWhereObjs"));
  EXPECT_EQ(Select("QueryObjects/DataObject[2]").getAttribute("Aggregation"), "Count");
}

TEST_F(QueryObjectsTest, AllConditionalFailsAndRestoresTheOrder) {
  Load(kSplit);
  Root().selectSingleNode("QueryObjects").removeChild(Select("QueryObjects/Field"));
  CQueryObjects objects(Select("QueryObjects"));
  EXPECT_EQ(objects.ComposeSqls(), TPE_ALL_CONDITIONAL);
  EXPECT_EQ(ChildNames(), (std::vector<CString>{"North", "Count"}));
  EXPECT_FALSE(Root().selectSingleNode("WithWhereObjs"));
}

// A host callback that throws in the middle of the split: the list must be
// restored before the exception leaves.
int g_calls = 0;
bool ThrowOnThirdCall(IXMLDOMNodePtr, CString&) {
  if (++g_calls >= 3) throw _com_error(E_FAIL, "host failure");
  return true;
}

TEST_F(QueryObjectsTest, ExceptionInsideTheSplitRestoresTheListFirst) {
  Load(kSplit);
  g_calls = 0;
  CExprParser::SetDataUntranslateProc(ThrowOnThirdCall);
  CQueryObjects objects(Select("QueryObjects"));
  EXPECT_THROW(objects.ComposeSqls(), _com_error);
  EXPECT_EQ(ChildNames(), (std::vector<CString>{"North", "Product", "Count"}));
  EXPECT_FALSE(Root().selectSingleNode("WithWhereObjs"));
  EXPECT_EQ(Select("QueryObjects").selectNodes("Text").length(), 0);
}

// The statement is the list's last attribute, whatever stood where before;
// a failed composition leaves no statement at all.
TEST_F(QueryObjectsTest, TheStatementIsTheListsLastAttribute) {
  const char* const column = R"(<Field Name="a" Table="T"/>)";
  const char* const failing =
      R"(<DataObject Name="d"><Select><ExprBuildInfo><Field Name="a" Table="T" DataType="3"/><Text Value="="/>)"
      R"(<Text Value="abc"/></ExprBuildInfo></Select></DataObject>)";
  const struct {
    const char* attributes;
    const char* objects;
    HRESULT rc;
    std::vector<CString> names;
  } cases[] = {
      {R"(Sql0="old" Mode="x")", column, S_OK, {"Mode", "Sql0"}},
      {R"(Mode="x" Sql0="old" Sql7="stale")", column, S_OK, {"Mode", "Sql0"}},
      {R"(Mode="x" Sql00="stale" Sql0="SELECT T.a&#13;&#10;FROM T")", column, S_OK, {"Mode", "Sql0"}},
      {R"(Mode="x" Sql0="SELECT T.a&#13;&#10;FROM T")", column, S_OK, {"Mode", "Sql0"}},
      {R"(Sql0="old" Mode="x" Sql1="old")", failing, TPE_OBJECT_FAILED, {"Mode"}},
  };
  for (const auto& c : cases) {
    Load(std::string("<Query><QueryObjects ") + c.attributes + ">" + c.objects + "</QueryObjects></Query>");
    CQueryObjects objects(Select("QueryObjects"));
    EXPECT_EQ(objects.ComposeSqls(), c.rc) << c.attributes;
    const IXMLDOMElementPtr list = Select("QueryObjects");
    EXPECT_EQ(list.attributeNames(), c.names) << c.attributes;
    if (c.rc == S_OK) {
      EXPECT_EQ(list.getAttribute("Sql0"), "SELECT T.a\r\nFROM T") << c.attributes;
    }
  }
}

TEST_F(QueryObjectsTest, NoAggregateMeansNoGroupBy) {
  Load(R"(<Query><QueryObjects><Field Name="a" Table="T"/><Field Name="b" Table="T"/></QueryObjects></Query>)");
  OpenQueryObjects objects(Select("QueryObjects"));
  CString sql;
  EXPECT_EQ(objects.ComposeSelect(sql), S_OK);
  EXPECT_EQ(sql, "SELECT T.a, T.b\r\nFROM T");
}

TEST_F(QueryObjectsTest, DatasetSourcesGetTypedAliases) {
  Load(R"(<Query><QueryObjects>
      <Field Name="n" Table="T" DataType="5" Aggregation="Sum"/>
      <Field Name="w" Table="T" DataType="130" MaxLength="200"/>
      <Field Name="s" Table="T" DataType="130" MaxLength="50"/>
      <Field Name="c" Table="T" DataType="200"/>
      <Field Name="b" Table="T" DataType="11"/>
      <Field Name="d" Table="T" DataType="7"/>
    </QueryObjects></Query>)");
  SetCurDSType(DSTYPE_DATASET);
  OpenQueryObjects objects(Select("QueryObjects"));
  CString sql;
  EXPECT_EQ(objects.ComposeSelect(sql), S_OK);
  EXPECT_EQ(sql,
            "SELECT SUM(T.n) AS COL1_NUMBER, T.w AS COL2_CHAR230, T.s AS COL3_CHAR100, T.c AS COL4_CHAR230, "
            "T.b AS COL5_BOOL, T.d AS COL6_DATE\r\nFROM T\r\nGROUP BY T.w,T.s,T.c,T.b,T.d");
}

TEST_F(QueryObjectsTest, StandAloneStatementOfOneObject) {
  Load(R"(<Query><QueryObjects>
      <Table Name="Customers" Schema="dbo"/>
      <Field Name="Region" Table="Customers" Distinct="True"/>
      <DataObject Name="N">
        <Select><ExprBuildInfo><Field Name="Amount" Table="L" DataType="5"/></ExprBuildInfo></Select>
        <Condition><ExprBuildInfo><Field Name="Region" Table="C"/><Text Value="="/><Text Value="North"/></ExprBuildInfo></Condition>
      </DataObject>
    </QueryObjects></Query>)");
  EXPECT_EQ(CQueryObject(Select("QueryObjects/Table")).ComposeSql(), "SELECT * FROM dbo.Customers");
  EXPECT_EQ(CQueryObject(Select("QueryObjects/Field")).ComposeSql(), "SELECT DISTINCT Customers.Region\r\nFROM Customers");
  EXPECT_EQ(CQueryObject(Select("QueryObjects/DataObject")).ComposeSql(),
            "SELECT L.Amount\r\nFROM L,C\r\nWHERE C.Region = 'North'");
}

}  // namespace
