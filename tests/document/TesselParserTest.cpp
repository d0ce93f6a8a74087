// TesselParserTest.cpp - attaching the entry class and reading the query
// set; the data-source type guard.
#include <gtest/gtest.h>

#include "contracts/basis30/DataSource.h"
#include "document/CDSContext.h"
#include "document/CTesselParser.h"
#include "support/XmlFixture.h"

namespace {

// Opens the protected readers for the tests.
class OpenParser : public CTesselParser {
 public:
  using CTesselParser::CTesselParser;
  using CTesselParser::GetQuery;
  using CTesselParser::GetQueryType;
};

class TesselParserTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(R"(<Document>
      <Query Name="P" ExType="Main"/>
      <Other/>
      <Query Name="Q" ExType="Union All"/>
      <Query Name="R" ExType="union"/>
      <Group><Query Name="Nested" ExType="Main"/></Group>
    </Document>)");
  }
};

TEST_F(TesselParserTest, QueriesAreTheQueryChildrenInDocumentOrder) {
  OpenParser parser(m_doc);
  EXPECT_EQ(parser.GetQueryCount(), 3);
  EXPECT_EQ(parser.GetQuery(1).getAttribute("Name"), "Q");
  EXPECT_FALSE(parser.GetQuery(3));
  EXPECT_EQ(parser.GetQueryType(0), QUERYTYPE_MAIN);
  EXPECT_EQ(parser.GetQueryType(1), QUERYTYPE_UNIONALL);
  EXPECT_EQ(parser.GetQueryType(2), QUERYTYPE_UNKNOWN);  // case differs
  EXPECT_EQ(parser.GetQueryType(3), QUERYTYPE_UNKNOWN);  // past the end
}

TEST_F(TesselParserTest, EveryKindTextIsRecognisedExactly) {
  const char* texts[] = {"Main", "Subquery", "Union", "Intersect", "Minus", "Merge", "Union All"};
  IXMLDOMElementPtr query = Select("Query[1]");
  OpenParser parser(m_doc);
  for (int kind = 0; kind < 7; ++kind) {
    query.setAttribute("ExType", texts[kind]);
    EXPECT_EQ(parser.GetQueryType(0), kind) << texts[kind];
    EXPECT_STREQ(CTesselParser::GetQueryTypeText(static_cast<QUERYTYPE>(kind)), texts[kind]);
  }
  for (const char* other : {"UnionAll", "Union All ", "", "MAIN"}) {
    query.setAttribute("ExType", other);
    EXPECT_EQ(parser.GetQueryType(0), QUERYTYPE_UNKNOWN) << other;
  }
  EXPECT_EQ(CTesselParser::GetQueryTypeText(QUERYTYPE_UNKNOWN), nullptr);
}

TEST_F(TesselParserTest, DocumentAndItsElementGiveTheSameRoot) {
  OpenParser byDocument(m_doc);
  OpenParser byElement(Root());
  EXPECT_EQ(byDocument.GetRoot(), byElement.GetRoot());
  OpenParser byGroup(Select("Group"));
  EXPECT_EQ(byGroup.GetQueryCount(), 1);
}

TEST_F(TesselParserTest, AttachingNullKeepsTheRootAndATextNodeClearsIt) {
  OpenParser parser(m_doc);
  parser.Attach(nullptr);
  EXPECT_EQ(parser.GetQueryCount(), 3);
  IXMLDOMDocumentPtr withText = LoadXml("<a>text</a>");
  parser.Attach(withText.documentElement().firstChild());
  EXPECT_EQ(parser.GetQueryCount(), 0);
  EXPECT_FALSE(parser.GetRoot());
  try {
    parser.GetQuery(0);
    FAIL() << "expected _com_error";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  EXPECT_THROW(parser.GetQueryType(0), _com_error);
}

TEST_F(TesselParserTest, CopiesShareTheRoot) {
  OpenParser parser(m_doc);
  OpenParser copy(parser);
  OpenParser assigned;
  EXPECT_EQ(assigned.GetQueryCount(), 0);
  assigned = copy;
  EXPECT_EQ(assigned.GetRoot(), parser.GetRoot());
  Root().removeChild(Select("Query[1]"));
  EXPECT_EQ(assigned.GetQueryCount(), 2);  // the same element, not a copy
}

TEST(DSContextTest, GuardRestoresOnEveryExitAndNests) {
  SetCurDSType(DSTYPE_SQLSERVER);
  {
    CDSContext none(DSTYPE_NONE);
    EXPECT_EQ(GetCurDSType(), DSTYPE_SQLSERVER);
    SetCurDSType(DSTYPE_MYSQL);  // changed behind the guard's back
  }
  EXPECT_EQ(GetCurDSType(), DSTYPE_SQLSERVER);
  {
    CDSContext outer(DSTYPE_ORACLE);
    {
      CDSContext inner(DSTYPE_SQLITE);
      EXPECT_EQ(GetCurDSType(), DSTYPE_SQLITE);
    }
    EXPECT_EQ(GetCurDSType(), DSTYPE_ORACLE);
  }
  EXPECT_EQ(GetCurDSType(), DSTYPE_SQLSERVER);
  try {
    CDSContext guard(DSTYPE_DATASET);
    throw _com_error(E_POINTER);
  } catch (const _com_error&) {
  }
  EXPECT_EQ(GetCurDSType(), DSTYPE_SQLSERVER);
  SetCurDSType(DSTYPE_NONE);
}

}  // namespace
