// SingleQueryParseTest.cpp - one query to its SQL text and dataset
// command: conditions and their combination, grouping, ordering, joins,
// constraints and the split into merged source groups.
#include <gtest/gtest.h>

#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CFrameCI.h"
#include "query/CSingleQuery.h"
#include "support/XmlFixture.h"

namespace {

// A condition section holding one text term.
std::string Condition(const char* exType, const char* text) {
  return std::string("<Condition ExType=\"") + exType + "\"><ExprBuildInfo><Text Value=\"" + text +
         "\"/></ExprBuildInfo></Condition>";
}

class SingleQueryParseTest : public XmlFixture {
 protected:
  void TearDown() override { CFrameCI::SetExistGRS(false); }
  long ParseQuery(const std::string& inside, const char* attributes = "") {
    Load(std::string("<Doc><Datasources><Datasource Name=\"DS\" DBType=\"Dataset\"/></Datasources>") +
         "<Query Name=\"Q\" " + attributes + ">" + inside + "</Query></Doc>");
    return CSingleQuery(Select("Query")).Parse();
  }
  CString Sql() { return Select("Query").getAttribute("Sql"); }
};

const char* kPlain = R"(<QueryObjects><Field Name="a" Table="T"/><Field Name="n" Table="T" DataType="5" Aggregation="Sum"/></QueryObjects>)";
const char* kObjectWhere = R"(<QueryObjects><Field Name="a" Table="T"/><DataObject Name="z">
  <Select><ExprBuildInfo><Field Name="b" Table="T"/></ExprBuildInfo></Select>
  <Condition><ExprBuildInfo><Text Value="T.z = 1"/></ExprBuildInfo></Condition></DataObject></QueryObjects>)";

TEST_F(SingleQueryParseTest, PlainQueryGetsStatementCommandAndNoMultiFlag) {
  ASSERT_EQ(ParseQuery(kPlain, R"(MultiSQL="True")"), 0);
  EXPECT_EQ(Sql(), "SELECT T.a, SUM(T.n)\r\nFROM T\r\nGROUP BY T.a");
  EXPECT_EQ(Select("Query").getAttribute("Command"), "CREATE DATASET [Q] BY SELECT T.a, SUM(T.n)\r\nFROM T\r\nGROUP BY T.a");
  EXPECT_FALSE(Select("Query").hasAttribute("MultiSQL"));
  EXPECT_EQ(CSingleQuery(Select("Query")).Parse(), 1);  // parsed already
}

TEST_F(SingleQueryParseTest, MissingOrEmptyQueryObjects) {
  EXPECT_EQ(ParseQuery(""), TPE_NO_QUERY_OBJECTS);
  EXPECT_EQ(ParseQuery("<QueryObjects/>"), TPE_NO_QUERY_OBJECTS);
  EXPECT_FALSE(Select("Query").hasAttribute("Sql"));
}

TEST_F(SingleQueryParseTest, DocumentWhereCombinesWithObjectWhereAndConstraints) {
  ASSERT_EQ(ParseQuery(std::string(kObjectWhere) + Condition("WhereClause", "T.x = 1 OR T.y = 2")), 0);
  EXPECT_EQ(Sql(), "SELECT T.a, T.b\r\nFROM T\r\nWHERE (T.x = 1 OR T.y = 2) AND T.z = 1");

  ASSERT_EQ(ParseQuery(std::string(kObjectWhere) + Condition("WhereClause", "T.x = 1")), 0);
  EXPECT_EQ(Sql(), "SELECT T.a, T.b\r\nFROM T\r\nWHERE T.x = 1 AND T.z = 1");

  const char* constraints = R"(<TableRelations><TableConstrains>
      <TableConstrain Alias="T"><ExprBuildInfo><Text Value="T.w = 3"/></ExprBuildInfo></TableConstrain>
      <TableConstrain Alias="U"><ExprBuildInfo><Text Value="U.v = 4"/></ExprBuildInfo></TableConstrain>
    </TableConstrains></TableRelations>)";
  ASSERT_EQ(ParseQuery(std::string(kObjectWhere) + Condition("WhereClause", "T.x = 1 OR T.y = 2") + constraints), 0);
  EXPECT_EQ(Sql(), "SELECT T.a, T.b\r\nFROM T\r\nWHERE ((T.x = 1 OR T.y = 2) AND T.z = 1) AND T.w = 3");
}

TEST_F(SingleQueryParseTest, HavingWithoutGroupingGroupsByTheColumns) {
  const char* objects = R"(<QueryObjects><Field Name="a" Table="T"/><Field Name="b" Table="T"/></QueryObjects>)";
  ASSERT_EQ(ParseQuery(std::string(objects) + Condition("HavingClause", "COUNT(U.x) &gt; 1")), 0);
  EXPECT_EQ(Sql(), "SELECT T.a, T.b\r\nFROM T,U\r\nGROUP BY T.a, T.b\r\nHAVING COUNT(U.x) > 1");
  // Only aggregates: one group, and no aggregate in GROUP BY.
  const char* totals = R"(<QueryObjects><Field Name="n" Table="T" DataType="5" Aggregation="Sum"/></QueryObjects>)";
  ASSERT_EQ(ParseQuery(std::string(totals) + Condition("HavingClause", "SUM(T.n) &gt; 1")), 0);
  EXPECT_EQ(Sql(), "SELECT SUM(T.n)\r\nFROM T\r\nHAVING SUM(T.n) > 1");
}

TEST_F(SingleQueryParseTest, DistinctOnlyForTheExactText) {
  ASSERT_EQ(ParseQuery(kPlain, R"(Distinct="True")"), 0);
  EXPECT_EQ(Sql().Left(16), "SELECT DISTINCT ");
  ASSERT_EQ(ParseQuery(kPlain, R"(Distinct="true")"), 0);
  EXPECT_EQ(Sql().Left(9), "SELECT T.");
}

TEST_F(SingleQueryParseTest, DatasetSourceGetsTypedAliases) {
  ASSERT_EQ(ParseQuery(kPlain, R"(Datasource="DS")"), 0);
  EXPECT_EQ(Sql(), "SELECT T.a AS COL1_CHAR230, SUM(T.n) AS COL2_NUMBER\r\nFROM T\r\nGROUP BY T.a");
}

TEST_F(SingleQueryParseTest, RelationFailureStillStoresTheTexts) {
  const char* relations = R"(<TableRelations><Tables><Table Name="T" Alias="T"/><Table Name="U" Alias="U"/></Tables>
      <Relations/></TableRelations>)";
  const char* objects = R"(<QueryObjects><Field Name="a" Table="T"/><Field Name="b" Table="U"/></QueryObjects>)";
  EXPECT_EQ(ParseQuery(std::string(objects) + relations), TPE_NO_RELATIONS);
  EXPECT_EQ(Sql(), "SELECT T.a, U.b\r\nFROM T,U");
  EXPECT_FALSE(Select("Query").getAttribute("Command").IsEmpty());
}

const char* kSplit = R"(<QueryObjects>
  <DataObject Name="m1" DataType="5"><Select><ExprBuildInfo><Field Name="x" Table="T" DataType="5"/></ExprBuildInfo></Select>
    <Condition><ExprBuildInfo><Text Value="T.r = 1"/></ExprBuildInfo></Condition></DataObject>
  <Field Name="k" Table="T"/>
  <DataObject Name="m2" DataType="5"><Select><ExprBuildInfo><Field Name="y" Table="T" DataType="5"/></ExprBuildInfo></Select>
    <Condition><ExprBuildInfo><Text Value="T.r = 2"/></ExprBuildInfo></Condition></DataObject>
</QueryObjects><SortObjects><Field Name="k" Table="T"/></SortObjects>)";

TEST_F(SingleQueryParseTest, ConditionalMeasuresSplitAndMerge) {
  ASSERT_EQ(ParseQuery(kSplit), 0);
  const CString sql1 = "SELECT T.k, SUM(T.x), (SUM(T.x)) * 0\r\nFROM T\r\nWHERE T.r = 1\r\nGROUP BY T.k";
  const CString sql2 = "SELECT T.k, SUM(0), SUM(T.y)\r\nFROM T\r\nWHERE T.r = 2\r\nGROUP BY T.k";
  EXPECT_EQ(Sql(), sql1 + ";\r\n" + sql2);  // no ORDER BY with two groups
  EXPECT_EQ(Select("Query").getAttribute("MultiSQL"), "True");
  EXPECT_EQ(Select("Query").getAttribute("Command"),
            "CREATE DATASET [Q_MQ1] BY " + sql1 + ";\r\n\r\nCREATE DATASET [Q_MQ2] BY " + sql2 +
                ";\r\n\r\nCREATE DATASET [Q_MQ] BY UMI [Q_MQ1] MERGE [Q_MQ2]"
                ";\r\n\r\nCREATE DATASET [Q] BY SELECT [Q_MQ].Column1, SUM([Q_MQ].Column2), SUM([Q_MQ].Column3) "
                "FROM [Q_MQ] GROUP BY [Q_MQ].Column1");
}

TEST_F(SingleQueryParseTest, SingleGroupIsOrdered) {
  ASSERT_EQ(ParseQuery(std::string(kPlain) + R"(<SortObjects><Field Name="a" Table="T" Order="desc"/></SortObjects>)"), 0);
  EXPECT_EQ(Sql(), "SELECT T.a, SUM(T.n)\r\nFROM T\r\nGROUP BY T.a\r\nORDER BY T.a DESC");
}

TEST_F(SingleQueryParseTest, ReferringQueryComposesTheReferencedSections) {
  Load(R"(<Doc>
    <Query Name="Base" GUID="{base}" Distinct="True"><QueryObjects><Field Name="a" Table="T"/></QueryObjects></Query>
    <Query Name="Copy" RefObject="{base}"/>
  </Doc>)");
  CSingleQuery copy(Select("Query[2]"));
  ASSERT_EQ(copy.Parse(), 0);
  EXPECT_EQ(copy.GetAttribute("Command"), "CREATE DATASET [Copy] BY SELECT T.a\r\nFROM T");  // own Distinct kept
  EXPECT_EQ(copy.GetSql(), "SELECT T.a\r\nFROM T");
  Select("Query[2]").setAttribute("RefObject", "{missing}");
  EXPECT_EQ(CSingleQuery(Select("Query[2]")).Parse(), TRLE_REFERENCE_UNRESOLVED);
}

}  // namespace
