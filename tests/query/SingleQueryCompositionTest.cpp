// SingleQueryCompositionTest.cpp - the tables a query's sections bring into
// FROM, sub-selects in the columns, comments among the objects, and
// referring queries that keep their own kind and results.
#include <gtest/gtest.h>

#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CFrameCI.h"
#include "query/CSingleQuery.h"
#include "support/XmlFixture.h"

namespace {

const char* kColumns = R"(<QueryObjects><Field Name="CustomerName" Table="Customers" Alias="C"/></QueryObjects>)";

std::string Condition(const char* exType, const std::string& terms) {
  return std::string("<Condition ExType=\"") + exType + "\"><ExprBuildInfo>" + terms + "</ExprBuildInfo></Condition>";
}

const std::string kOrderIdCount = R"(<Field Name="OrderID" Table="Orders" Alias="O" Aggregation="Count" DataType="3"/>)";
const std::string kOrderCount = kOrderIdCount + R"(<Text Value="&gt;"/><Text Value="1"/>)";
const char* kRelation = R"(<TableRelations><Tables><Table Name="Customers" Alias="C"/><Table Name="Orders" Alias="O"/></Tables>
  <Relations><Relation PkTable="C" PkColumn="CustomerID" FkTable="O" FkColumn="CustomerID" ConnectMode="2" ConnectSign="="/></Relations></TableRelations>)";

class SingleQueryCompositionTest : public XmlFixture {
 protected:
  long ParseQuery(const std::string& inside) {
    Load("<Doc><Query Name=\"Q\">" + inside + "</Query></Doc>");
    return CSingleQuery(Select("Query")).Parse();
  }
  CString Sql() { return Select("Query").getAttribute("Sql"); }
};

struct SectionCase {
  const char* name;
  std::string inside;
  const char* sql;
};

// A table that only a condition, a sort key or a sub-select names enters
// FROM as its operands name it, or not at all when it belongs to the
// sub-select.
TEST_F(SingleQueryCompositionTest, SectionsBringTheirTablesAsTheyNameThem) {
  const SectionCase cases[] = {
      {"HavingOnly", std::string(kColumns) + Condition("HavingClause", kOrderCount),
       "SELECT C.CustomerName\r\nFROM Customers C,Orders O\r\nGROUP BY C.CustomerName\r\nHAVING COUNT(O.OrderID) > 1"},
      {"HavingJoined", std::string(kColumns) + Condition("HavingClause", kOrderCount) + kRelation,
       "SELECT C.CustomerName\r\nFROM Customers C,Orders O\r\nWHERE C.CustomerID = O.CustomerID\r\n"
       "GROUP BY C.CustomerName\r\nHAVING COUNT(O.OrderID) > 1"},
      {"HavingSubSelectValue",
       std::string(kColumns) +
           Condition("HavingClause",
                     kOrderIdCount +
                         R"(<Text Value="&gt;"/><Query Name="Avg"><QueryObjects><Field Name="OrderID" Table="Orders" Alias="O2" Aggregation="Count"/></QueryObjects></Query>)"),
       "SELECT C.CustomerName\r\nFROM Customers C,Orders O\r\nGROUP BY C.CustomerName\r\n"
       "HAVING COUNT(O.OrderID) > (SELECT COUNT(O2.OrderID)\r\nFROM Orders O2)"},
      {"SortKeyOnly",
       std::string(kColumns) + R"(<SortObjects><Field Name="OrderDate" Table="Orders" Alias="O" Order="DESC"/></SortObjects>)",
       "SELECT C.CustomerName\r\nFROM Customers C,Orders O\r\nORDER BY O.OrderDate DESC"},
      {"SubSelectColumn",
       R"(<QueryObjects><Field Name="CustomerName" Table="Customers" Alias="C"/>
          <DataObject Name="N"><Select><ExprBuildInfo><Query Name="Count"><QueryObjects>
            <Field Name="OrderID" Table="Orders" Alias="O2" Aggregation="Count"/></QueryObjects></Query>
          </ExprBuildInfo></Select></DataObject></QueryObjects>)",
       "SELECT C.CustomerName, (SELECT COUNT(O2.OrderID)\r\nFROM Orders O2)\r\nFROM Customers C"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(ParseQuery(c.inside), 0) << c.name;
    EXPECT_EQ(Sql(), c.sql) << c.name;
  }
}

// The relations keep the join text of the last composition as their
// "Expression": the ANSI form with its FROM clause, the join conditions of
// the older form, or the join text alone when a table constraint fails.
// A composition run again leaves the same text.
TEST_F(SingleQueryCompositionTest, TheRelationsKeepTheirJoinText) {
  const char* const columns =
      R"(<QueryObjects><Field Name="CustomerName" Table="Customers" Alias="C"/>)"
      R"(<Field Name="OrderID" Table="Orders" Alias="O"/></QueryObjects>)";
  const struct {
    const char* mode;
    const char* limit;
    long rc;
    const char* expression;
  } cases[] = {
      {"0", "5", 0, "FROM Customers C  LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)"},
      {"2", "5", 0, "C.CustomerID = O.CustomerID"},
      {"0", "abc", TPE_NOT_A_NUMBER, " LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)"},
      {"2", "abc", TPE_NOT_A_NUMBER, "C.CustomerID = O.CustomerID"},
  };
  for (const auto& c : cases) {
    const std::string relations =
        std::string(R"(<TableRelations Expression="stale"><Tables><Table Name="Customers" Alias="C"/>)") +
        R"(<Table Name="Orders" Alias="O"/></Tables><Relations><Relation PkTable="C" PkColumn="CustomerID" )" +
        R"(FkTable="O" FkColumn="CustomerID" ConnectMode=")" + c.mode + R"(" ConnectSign="="/></Relations>)" +
        R"(<TableConstrains><TableConstrain Alias="O"><ExprBuildInfo><Field Name="Qty" Table="Orders" Alias="O" )" +
        R"(DataType="3"/><Text Value="="/><Text Value=")" + c.limit +
        R"("/></ExprBuildInfo></TableConstrain></TableConstrains></TableRelations>)";
    EXPECT_EQ(ParseQuery(columns + relations), c.rc) << c.mode << " " << c.limit;
    EXPECT_EQ(Select("Query/TableRelations").getAttribute("Expression"), c.expression) << c.mode << " " << c.limit;
    CFrameCI::SetExistGRS(true);  // composed again although it carries its commands
    EXPECT_EQ(CSingleQuery(Select("Query")).Parse(), c.rc) << c.mode << " " << c.limit;
    CFrameCI::SetExistGRS(false);
    EXPECT_EQ(Select("Query/TableRelations").getAttribute("Expression"), c.expression) << c.mode << " " << c.limit;
  }
}

// A name that holds "]" is bracketed with the "]" written twice wherever it
// stands (column, table, alias, join), so that the name cannot end its
// brackets and let the rest of it run on as SQL. A relation names its
// tables as SQL writes them, so its alias is the bracketed one.
TEST_F(SingleQueryCompositionTest, NamesHoldingAClosingBracketStayInsideTheirBrackets) {
  const char* const inside =
      R"(<QueryObjects><Field Name="Name]; DROP TABLE T; --" Table="Cust" Alias="c]x"/>)"
      R"(<Field Name="Total" Table="Ord]ers" Alias="o"/></QueryObjects>)"
      R"(<Condition ExType="WhereClause"><ExprBuildInfo><Field Name="Total" Table="Ord]ers" Alias="o" DataType="3"/>)"
      R"(<Text Value="&gt;"/><Text Value="1"/></ExprBuildInfo></Condition>)"
      R"(<TableRelations><Tables><Table Name="Cust" Alias="c]x"/><Table Name="Ord]ers" Alias="o"/></Tables>)"
      R"(<Relations><Relation PkTable="[c]]x]" PkColumn="Id" FkTable="o" FkColumn="Cust]Id" ConnectMode="0" ConnectSign="="/>)"
      R"(</Relations></TableRelations>)";
  ASSERT_EQ(ParseQuery(inside), 0);
  EXPECT_EQ(Sql(),
            "SELECT [c]]x].[Name]]; DROP TABLE T; --], o.Total\r\n"
            "FROM Cust [c]]x]  LEFT JOIN [Ord]]ers] o ON ([c]]x].Id = o.[Cust]]Id])\r\nWHERE o.Total > 1");
}

TEST_F(SingleQueryCompositionTest, TableConstraintsApplyToTablesThatHavingBrings) {
  const std::string constraint = R"(<TableRelations><TableConstrains><TableConstrain Alias="O"><ExprBuildInfo>
      <Field Name="Status" Table="Orders" Alias="O" DataType="200"/><Text Value="="/><Text Value="open"/>
    </ExprBuildInfo></TableConstrain></TableConstrains></TableRelations>)";
  ASSERT_EQ(ParseQuery(std::string(kColumns) + Condition("HavingClause", kOrderCount) + constraint), 0);
  EXPECT_EQ(Sql(),
            "SELECT C.CustomerName\r\nFROM Customers C,Orders O\r\nWHERE O.Status = 'open'\r\n"
            "GROUP BY C.CustomerName\r\nHAVING COUNT(O.OrderID) > 1");
}

TEST_F(SingleQueryCompositionTest, CommentsAreNoObjectsAndNoTerms) {
  ASSERT_EQ(ParseQuery(R"(<QueryObjects><!-- name --><Field Name="CustomerName" Table="Customers" Alias="C"/><?pi x?></QueryObjects>)" +
                       Condition("WhereClause",
                                 R"(<!-- a --><Field Name="CustomerID" Table="Customers" Alias="C" DataType="3"/><!-- b -->)"
                                 R"(<Text Value="&lt;"/><!-- c --><Text Value="4"/>)")),
            0);
  EXPECT_EQ(Sql(), "SELECT C.CustomerName\r\nFROM Customers C\r\nWHERE C.CustomerID < 4");
  // Objects that are all comments are no objects at all.
  EXPECT_EQ(ParseQuery("<QueryObjects><!-- nothing yet --></QueryObjects>"), TPE_NO_QUERY_OBJECTS);
}

TEST_F(SingleQueryCompositionTest, AReferringQueryKeepsItsKindNameAndResults) {
  Load(R"(<Doc>
    <Query Name="Target" ExType="Subquery" GUID="{T}" Sql="SELECT stale" Command="CREATE DATASET [Target] BY SELECT stale"
           MultiSQL="True"><QueryObjects><Field Name="a" Table="T"/></QueryObjects></Query>
    <Query Name="Member" ExType="Intersect" RefObject="{T}"/>
  </Doc>)");
  CSingleQuery member(Select("Query[2]"));
  ASSERT_EQ(member.Parse(), 0);
  const IXMLDOMElementPtr element = Select("Query[2]");
  EXPECT_EQ(element.getAttribute("ExType"), "Intersect");
  EXPECT_EQ(element.getAttribute("Name"), "Member");
  EXPECT_EQ(element.getAttribute("Sql"), "SELECT T.a\r\nFROM T");
  EXPECT_EQ(element.getAttribute("Command"), "CREATE DATASET [Member] BY SELECT T.a\r\nFROM T");
  EXPECT_FALSE(element.hasAttribute("MultiSQL"));
  // The target is left as it was.
  EXPECT_EQ(Select("Query[1]").getAttribute("Command"), "CREATE DATASET [Target] BY SELECT stale");
}

}  // namespace
