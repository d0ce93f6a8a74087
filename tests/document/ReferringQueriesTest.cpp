// ReferringQueriesTest.cpp - set members that refer to another query of the
// document keep their place in the command text, and a failing query's
// message names what failed.
#include <gtest/gtest.h>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "document/CTesselParser.h"
#include "support/XmlFixture.h"

namespace {

std::string Query(const char* name, const char* kind, const char* region, const char* guid = "") {
  return std::string("<Query Name=\"") + name + "\" ExType=\"" + kind + "\"" +
         (*guid ? std::string(" GUID=\"") + guid + "\"" : std::string()) +
         "><QueryObjects><Field Name=\"Name\" Table=\"Customers\" Alias=\"C\"/></QueryObjects>"
         "<Condition ExType=\"WhereClause\"><ExprBuildInfo><Field Name=\"Region\" Table=\"Customers\" Alias=\"C\"/>"
         "<Text Value=\"=\"/><Text Value=\"" +
         region + "\"/></ExprBuildInfo></Condition></Query>";
}

std::string Referring(const char* name, const char* kind, const char* target) {
  return std::string("<Query Name=\"") + name + "\" ExType=\"" + kind + "\" RefObject=\"" + target + "\"/>";
}

const char* kNorth = "SELECT C.Name\r\nFROM Customers C\r\nWHERE C.Region = 'North'";
const char* kAll = "SELECT C.Name\r\nFROM Customers C\r\nWHERE C.Region = 'South'";

class ReferringQueriesTest : public XmlFixture {
 protected:
  void TearDown() override { ClearErrorInfo(); }
  CString Commands(const std::string& queries) {
    Load("<Doc>" + queries + "</Doc>");
    CTesselParser parser(m_doc);
    EXPECT_EQ(parser.Parse(), S_OK);
    return parser.GetCommands();
  }
};

TEST_F(ReferringQueriesTest, SetMembersReferringToOtherQueriesKeepTheirKind) {
  const struct {
    const char* name;
    std::string queries;
    std::string commands;
  } cases[] = {
      // The target of the union member is the main query itself.
      {"UnionOfMain", Query("P", "Main", "North", "{P}") + Referring("Q", "Union", "{P}"),
       std::string("CREATE DATASET [P] BY ") + kNorth + "\r\n UNION \r\n" + kNorth},
      // The target is composed before the member: the member is composed
      // under its own name all the same, so the closing statement names a
      // dataset that exists.
      {"IntersectOfComposedSubquery",
       Query("P", "Main", "South") + Query("T", "Subquery", "North", "{T}") + Referring("Q", "Intersect", "{T}"),
       std::string("CREATE DATASET [P] BY ") + kAll + ";\r\n\r\n\r\nCREATE DATASET [Q] BY " + kNorth +
           ";\r\n\r\n\r\nCREATE DATASET BY UMI [P] INTERSET [Q]"},
      {"MinusOfLaterQuery",
       Query("P", "Main", "South") + Referring("Q", "Minus", "{T}") + Query("T", "Subquery", "North", "{T}"),
       std::string("CREATE DATASET [P] BY ") + kAll + ";\r\n\r\n\r\nCREATE DATASET [Q] BY " + kNorth +
           ";\r\n\r\n\r\nCREATE DATASET BY UMI [P] MINUS [Q]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Commands(c.queries), c.commands.c_str()) << c.name;
}

TEST_F(ReferringQueriesTest, AFailingObjectIsNamedInTheQuerysMessage) {
  Load(R"(<Doc><Query Name="Q" ExType="Main"><QueryObjects>
    <Field Name="a" Table="T"/>
    <DataObject Name="Loop" GUID="{L}"><Select><ExprBuildInfo><DataObject Name="In" RefObject="{L}"/></ExprBuildInfo></Select></DataObject>
  </QueryObjects></Query></Doc>)");
  EXPECT_EQ(CTesselParser(m_doc).Parse(), TPE_OBJECT_FAILED);
  const ErrorInfo info = GetLastErrorInfo();
  EXPECT_EQ(info.message, "Query 'Q' could not be composed: Query object 'Loop' could not be composed");
  EXPECT_EQ(info.message.Find("%s"), -1);
}

}  // namespace
