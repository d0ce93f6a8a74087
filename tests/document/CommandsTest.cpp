// CommandsTest.cpp - parsing a whole document and joining the queries'
// commands with set operations.
#include <gtest/gtest.h>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CFrameCI.h"
#include "document/CTesselParser.h"
#include "query/CSingleQuery.h"
#include "support/XmlFixture.h"

namespace {

class OpenParser : public CTesselParser {
 public:
  using CTesselParser::CTesselParser;
  using CTesselParser::GetCommand;
};

// A query that already carries its command (so nothing is parsed).
std::string Stored(const char* name, const char* kind, const char* command) {
  return std::string("<Query Name=\"") + name + "\" ExType=\"" + kind + "\" Command=\"" + command +
         "\"><QueryObjects><Field Name=\"x\" Table=\"T\"/></QueryObjects></Query>";
}

class CommandsTest : public XmlFixture {
 protected:
  CString Commands(const std::string& queries) {
    Load("<Doc>" + queries + "</Doc>");
    return CTesselParser(m_doc).GetCommands();
  }
};

TEST_F(CommandsTest, OneQueryLosesItsTrailingSeparators) {
  EXPECT_EQ(Commands(Stored("P", "Main", "CREATE DATASET [P] BY SELECT 1;&#13;&#10;&#13;&#10;")),
            "CREATE DATASET [P] BY SELECT 1");
}

TEST_F(CommandsTest, SetMembersGetAClosingStatement) {
  EXPECT_EQ(Commands(Stored("P", "Main", "CREATE DATASET [P] BY SELECT 1") +
                     Stored("Q", "Intersect", "CREATE DATASET [Q] BY SELECT 2")),
            "CREATE DATASET [P] BY SELECT 1;\r\n\r\n\r\nCREATE DATASET [Q] BY SELECT 2;\r\n\r\n\r\n"
            "CREATE DATASET BY UMI [P] INTERSET [Q]");
  // Mixed kinds: no rewriting, every member named.
  EXPECT_EQ(Commands(Stored("P", "Main", "A") + Stored("Q", "Union", "B") + Stored("R", "Minus", "C")),
            "A;\r\n\r\n\r\nB;\r\n\r\n\r\nC;\r\n\r\n\r\nCREATE DATASET BY UMI [P] UNION [Q] MINUS [R]");
  // A subquery adds no command but breaks the all-union rewriting.
  EXPECT_EQ(Commands(Stored("P", "Main", "A") + Stored("S", "Subquery", "X") + Stored("Q", "Union", "B")),
            "A;\r\n\r\n\r\nB;\r\n\r\n\r\nCREATE DATASET BY UMI [P] UNION [Q]");
}

TEST_F(CommandsTest, AllUnionsBecomeOneStatement) {
  EXPECT_EQ(Commands(Stored("P", "Main", "CREATE DATASET [P] BY SELECT a FROM T") +
                     Stored("Q", "Union", "CREATE DATASET [Q] BY SELECT b FROM U") +
                     Stored("R", "Union", "CREATE DATASET [R] BY SELECT c FROM V")),
            "CREATE DATASET [P] BY SELECT a FROM T\r\n UNION \r\nSELECT b FROM U\r\n UNION \r\nSELECT c FROM V");
  EXPECT_EQ(Commands(Stored("P", "Main", "CREATE DATASET [P] BY SELECT a") +
                     Stored("Q", "Union All", "CREATE DATASET [Q] BY SELECT b")),
            "CREATE DATASET [P] BY SELECT a\r\n UNION ALL \r\nSELECT b");
}

TEST_F(CommandsTest, UnionRewritingCutsAfterTheBracketedName) {
  // A dataset name holding " BY " must not cut the statement early.
  EXPECT_EQ(Commands(Stored("P", "Main", "CREATE DATASET [P] BY SELECT a") +
                     Stored("Sales BY Region", "Union", "CREATE DATASET [Sales BY Region] BY SELECT b")),
            "CREATE DATASET [P] BY SELECT a\r\n UNION \r\nSELECT b");
}

TEST_F(CommandsTest, UnionMemberWithoutByGivesNothing) {
  EXPECT_EQ(Commands(Stored("P", "Main", "CREATE DATASET [P] BY SELECT a") +
                     Stored("Q", "Union", "CREATE DATASET [Q] SELECT b")),
            "");
}

TEST_F(CommandsTest, NoQueriesOrNoRootGiveNothing) {
  EXPECT_EQ(Commands(""), "");
  EXPECT_EQ(CTesselParser().GetCommands(), "");
  EXPECT_THROW(CTesselParser().Parse(), _com_error);
}

const char* kFour = R"(<Doc>
  <Query Name="One"><QueryObjects><Field Name="a" Table="T"/></QueryObjects></Query>
  <Query Name="Two"><QueryObjects/></Query>
  <Query Name="Three"><QueryObjects><Field Name="c" Table="T"/></QueryObjects></Query>
  <Query Name="Four"><QueryObjects><Field Name="d" Table="T"/></QueryObjects></Query>
</Doc>)";

TEST_F(CommandsTest, ParseStopsAtTheFirstFailingQuery) {
  Load(kFour);
  ClearErrorInfo();
  CTesselParser parser(m_doc);
  EXPECT_EQ(parser.Parse(), TPE_NO_QUERY_OBJECTS);
  EXPECT_EQ(GetLastErrorInfo().message, "Query 'Two' could not be composed: The query has no query objects");
  EXPECT_EQ(Select("Query[1]").getAttribute("Command"), "CREATE DATASET [One] BY SELECT T.a\r\nFROM T");
  EXPECT_FALSE(Select("Query[3]").hasAttribute("Command"));
  EXPECT_FALSE(Select("Query[4]").hasAttribute("Sql"));
}

TEST_F(CommandsTest, GetCommandParsesOnDemandOnly) {
  Load(kFour);
  OpenParser parser(m_doc);
  EXPECT_EQ(parser.GetCommand(0), "CREATE DATASET [One] BY SELECT T.a\r\nFROM T");
  EXPECT_EQ(parser.GetCommand(9), "");
  Select("Query[1]").setAttribute("Command", "kept");
  EXPECT_EQ(parser.GetCommand(0), "kept");
}

TEST_F(CommandsTest, StoredCommandsAreReusedUnlessExistGRS) {
  Load(R"(<Doc><Query Name="P" Command="old"><QueryObjects><Field Name="a" Table="T"/></QueryObjects></Query></Doc>)");
  CTesselParser parser(m_doc);
  EXPECT_EQ(parser.Parse(), 0);
  EXPECT_EQ(Select("Query").getAttribute("Command"), "old");
  CFrameCI::SetExistGRS(true);
  EXPECT_EQ(parser.Parse(), 0);
  CFrameCI::SetExistGRS(false);
  EXPECT_EQ(Select("Query").getAttribute("Command"), "CREATE DATASET [P] BY SELECT T.a\r\nFROM T");
}

TEST_F(CommandsTest, QueryThatReachesItselfFailsInsteadOfRecursing) {
  Load(R"(<Doc>
    <Query Name="Loop" GUID="{loop}"><QueryObjects>
      <Field Name="a" Table="T"/><Query Name="Inner" RefObject="{loop}"/>
    </QueryObjects></Query>
    <Query Name="A" GUID="{a}"><QueryObjects><Field Name="a" Table="T"/></QueryObjects>
      <Condition ExType="WhereClause"><ExprBuildInfo>
        <Field Name="a" Table="T" DataType="3"/><Text Value="IN"/><Query Name="ToB" RefObject="{b}"/>
      </ExprBuildInfo></Condition></Query>
    <Query Name="B" GUID="{b}"><QueryObjects><Query Name="ToA" RefObject="{a}"/></QueryObjects></Query>
  </Doc>)");
  CTesselParser parser(m_doc);
  EXPECT_EQ(parser.Parse(), TPE_OBJECT_FAILED);  // the looping column fails its query
  // Two queries that reach each other through a condition and a column.
  EXPECT_LT(CSingleQuery(Select("Query[2]")).Parse(), 0);
  EXPECT_LT(CSingleQuery(Select("Query[3]")).Parse(), 0);
}

}  // namespace
