// ExprParserTest.cpp - expression trees to expression text: the term
// walker, classification of terms, error positions, "@" values and
// composite query objects built from trees.
#include <gtest/gtest.h>

#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"
#include "objects/CQueryObject.h"
#include "platform/COleDateTime.h"
#include "support/XmlFixture.h"

namespace {

class TermTypes : public CExprParser {
 public:
  using CExprParser::TestObjExprType;
};

// Parses the expression held by `xml` (a document whose root is the
// expression element) and returns its text, or the failure code as text.
class ExprParserTest : public XmlFixture {
 protected:
  HRESULT ParseRoot(CString& text, std::int32_t* index = nullptr, CString* tables = nullptr) {
    CExprParser parser(Root());
    const HRESULT rc = parser.Parse(index, tables);
    text = parser.GetExpression();
    return rc;
  }
};

struct TreeCase {
  const char* terms;  // children of the build element
  const char* expected;
};

TEST_F(ExprParserTest, TermsBecomeExpressionText) {
  const TreeCase cases[] = {
      {"", ""},
      {R"x(<Field Name="Name" Table="T"/><Text Value="="/><Text Value="abc"/>)x", "T.Name = 'abc'"},
      {R"x(<Field Name="Name" Table="T"/><Text Value="="/>)x", "T.Name ="},
      {R"x(<Field Name="a" Table="T" DataType="3"/><Text Value="="/><Text Value="("/><Text Value="1"/><Text Value=")"/>)x",
       "T.a = ( 1 )"},
      {R"x(<Field Name="a" Table="T" DataType="3"/><Text Value="IN (1, 2)"/>)x", "T.a IN (1, 2)"},
      {R"x(<Field Name="a" Table="T" DataType="3"/><Text Value="="/><Text Value="Year(x)"/>)x", "T.a = Year(x)"},
      {R"x(<Field Name="a" Table="T" DataType="3"/><Text Value="&gt;"/><Field Name="b" Table="U" DataType="3"/>)x",
       "T.a > U.b"},
      {R"x(<Text Value="^T.a = 1"/><Text Value="AND"/><Text Value="("/><Field Name="a" Table="T" DataType="3"/>)x"
       R"x(<Text Value="&lt;&gt;"/><Text Value="5"/><Text Value=")"/>)x",
       "T.a = 1 AND ( T.a <> 5 )"},
      {R"x(<DataObject Name="u" DataType="0" Value="x"/><Text Value="="/><Text Value="1"/>)x", "x = 1"},
  };
  for (const auto& c : cases) {
    Load(std::string("<Expr>") + c.terms + "</Expr>");
    CString text;
    EXPECT_EQ(ParseRoot(text), S_OK) << c.terms;
    EXPECT_EQ(text, c.expected) << c.terms;
  }
}

// A value term that only starts like a call used to be written raw after
// the operator, with whatever followed the call; so was the value of an
// operator text. Only a value that is exactly one call stays a call.
TEST_F(ExprParserTest, ValuesThatOnlyStartLikeACallAreData) {
  const char* const name = R"x(<Field Name="Name" Table="T" DataType="200"/>)x";
  const char* const number = R"x(<Field Name="a" Table="T" DataType="3"/>)x";
  const struct {
    const char* operand;
    const char* terms;
    const char* expected;
  } cases[] = {
      {name, R"x(<Text Value="="/><Text Value="x(1); DROP TABLE t; --"/>)x", "T.Name = 'x(1); DROP TABLE t; --'"},
      {name, R"x(<Text Value="="/><Text Value="upper(1) OR 1=1"/>)x", "T.Name = 'upper(1) OR 1=1'"},
      {name, R"x(<Text Value="= x(1); DROP TABLE t"/>)x", "T.Name = 'x(1); DROP TABLE t'"},
      {name, R"x(<Text Value="IN f(1) OR 1=1"/>)x", "T.Name IN ('f(1) OR 1=1')"},
      {name, R"x(<Text Value="="/><Text Value="@Year('2011-01-01') OR 1=1"/>)x",
       "T.Name = '@Year(''2011-01-01'') OR 1=1'"},
      {name, R"x(<Text Value="="/><Text Value="upper('x')"/>)x", "T.Name = upper('x')"},
      {name, R"x(<Text Value="="/><Text Value="upper([x'])"/>)x", "T.Name = 'upper([x''])'"},
      {name, R"x(<Text Value="= upper([x;y])"/>)x", "T.Name = 'upper([x;y])'"},
      {name, R"x(<Text Value="&lt;&gt; upper('x')"/>)x", "T.Name <> upper('x')"},
      {number, R"x(<Text Value="NOT BETWEEN 1 and 5,"/>)x", "(T.a NOT BETWEEN 1 AND 5)"},
      {number, R"x(<Text Value="not between"/><Text Value="1~5"/>)x", "(T.a NOT BETWEEN 1 AND 5)"},
  };
  for (const auto& c : cases) {
    Load(std::string("<Expr>") + c.operand + c.terms + "</Expr>");
    CString text;
    EXPECT_EQ(ParseRoot(text), S_OK) << c.terms;
    EXPECT_EQ(text, c.expected) << c.terms;
  }
}

TEST_F(ExprParserTest, BuildInfoChildHoldsTheText) {
  Load(R"x(<Condition Expression="stale"><ExprBuildInfo Expression="old">
      <Field Name="a" Table="T" DataType="3"/><Text Value="="/><Text Value="2"/>
    </ExprBuildInfo></Condition>)x");
  CExprParser parser(Root());
  EXPECT_EQ(parser.Parse(nullptr, nullptr), S_OK);
  EXPECT_EQ(Root().getAttribute("Expression"), "");
  EXPECT_EQ(Select("ExprBuildInfo").getAttribute("Expression"), "T.a = 2");
  EXPECT_EQ(parser.GetExpression(), "T.a = 2");
}

TEST_F(ExprParserTest, RejectedTermsReportTheirIndex) {
  // The element's text from an earlier parse does not survive a failed one.
  Load(R"x(<Expr Expression="T.a = 1"><Field Name="a" Table="T" DataType="3"/><Text Value="="/>)x"
       R"x(<Text Value="abc"/></Expr>)x");
  std::int32_t index = -1;
  CString text;
  EXPECT_EQ(ParseRoot(text, &index), TPE_NOT_A_NUMBER);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(text, "");

  Load(R"x(<Expr><Text Value="("/><Field Name="a" Table="T"/><Text Value="LIKE x, y"/></Expr>)x");
  index = -1;
  EXPECT_EQ(ParseRoot(text, &index), TPE_MULTI_VALUE_OPERATOR);
  EXPECT_EQ(index, 2);
}

TEST_F(ExprParserTest, FailedBuildInfoKeepsItsEarlierText) {
  Load(R"x(<Condition><ExprBuildInfo Expression="old">
      <Field Name="a" Table="T" DataType="3"/><Text Value="="/><Text Value="abc"/>
    </ExprBuildInfo></Condition>)x");
  CString text;
  EXPECT_EQ(ParseRoot(text), TPE_NOT_A_NUMBER);
  EXPECT_EQ(Select("ExprBuildInfo").getAttribute("Expression"), "old");
  EXPECT_EQ(Root().getAttribute("Expression"), "");
}

TEST_F(ExprParserTest, TablesOfEachPassesFirstTermAreCollected) {
  Load(R"x(<Expr><Field Name="a" Table="T"/><Text Value="="/><Field Name="b" Table="U"/>
      <Text Value="AND"/><Field Name="c" Table="V" Alias="W"/><Text Value="="/><Text Value="x"/></Expr>)x");
  CString text;
  CString tables = "S";
  EXPECT_EQ(ParseRoot(text, nullptr, &tables), S_OK);
  EXPECT_EQ(tables, "S,T,V W");  // U is an operand of the first pass, not its first term
}

TEST_F(ExprParserTest, AtValuesAreEvaluatedBeforeTheCondition) {
  const COleDateTime fixed(2011, 12, 31);
  SetProcessorClock(&fixed);
  Load(R"x(<Expr><Field Name="y" Table="T" DataType="3"/><Text Value="="/><Text Value="@Year(Today())"/></Expr>)x");
  CString text;
  EXPECT_EQ(ParseRoot(text), S_OK);
  EXPECT_EQ(text, "T.y = 2011");
  SetProcessorClock(nullptr);
}

TEST_F(ExprParserTest, WithoutAnElementParseThrows) {
  CExprParser parser;
  EXPECT_THROW(parser.Parse(nullptr, nullptr), _com_error);
  EXPECT_EQ(parser.GetExpression(), "");
}

TEST_F(ExprParserTest, TermClassification) {
  Load(R"x(<Expr><Text Value=" in "/><Text Value="("/><Text Value=")"/><Text Value="&gt;= 5"/>
      <Text Value="Year(x)"/><Text Value="AND"/><Query Name="q"/><Field Name="f" DataType="0"/>
      <Field Name="g"/><Text Value="x" PreprocessExpr="="/></Expr>)x");
  const EXPROBJTYPE expected[] = {EXPROBJ_OPERATOR, EXPROBJ_LEFT_PAREN, EXPROBJ_RIGHT_PAREN, EXPROBJ_OPERATOR_TEXT,
                                  EXPROBJ_FUNCTION, EXPROBJ_TEXT,       EXPROBJ_QUERY,       EXPROBJ_UNTYPED,
                                  EXPROBJ_OBJECT,   EXPROBJ_OPERATOR};
  IXMLDOMNodeListPtr terms = Root().childNodes();
  for (long i = 0; i < terms.length(); ++i) EXPECT_EQ(TermTypes::TestObjExprType(terms.item(i)), expected[i]) << i;
}

class CompositeObjectTest : public XmlFixture {};

TEST_F(CompositeObjectTest, SelectAndConditionGiveExpressionAndOwnCondition) {
  Load(R"x(<QueryObjects>
      <DataObject Name="NorthSales" Aggregation="Sum" DataType="5">
        <Select><ExprBuildInfo><Field Name="Amount" Table="L" DataType="5"/></ExprBuildInfo></Select>
        <Condition><ExprBuildInfo><Field Name="Region" Table="C"/><Text Value="="/><Text Value="North, South"/></ExprBuildInfo></Condition>
      </DataObject>
      <DataObject Name="Margin">
        <Select><ExprBuildInfo><Field Name="Price" Table="L" DataType="5"/><Text Value="-"/><Field Name="Cost" Table="L" DataType="5"/></ExprBuildInfo></Select>
      </DataObject>
    </QueryObjects>)x");
  CQueryObject north(Select("DataObject[1]"));
  EXPECT_EQ(north.Parse(), S_OK);
  EXPECT_EQ(north.GetWhereClause(), "C.Region IN ('North', 'South')");
  EXPECT_EQ(north.GetExpression(), "SUM(L.Amount) WHERE C.Region IN ('North', 'South')");
  EXPECT_EQ(north.GetAttribute("WhereClause"), "C.Region IN ('North', 'South')");

  CQueryObject margin(Select("DataObject[2]"));
  EXPECT_EQ(margin.GetExpression(), "(L.Price - L.Cost)");
  EXPECT_EQ(margin.GetAttribute("WhereClause"), "NULL");
}

TEST_F(CompositeObjectTest, ConditionInsideTheSelectTextJoinsTheOwnCondition) {
  Load(R"x(<QueryObjects><DataObject Name="x">
      <Select><ExprBuildInfo><Text Value="T.a WHERE T.b = 1 OR T.c = 2"/></ExprBuildInfo></Select>
      <Condition><ExprBuildInfo><Text Value="T.d = 3 or T.e = 4"/></ExprBuildInfo></Condition>
    </DataObject></QueryObjects>)x");
  CQueryObject x(Select("DataObject"));
  EXPECT_EQ(x.Parse(), S_OK);
  EXPECT_EQ(x.GetWhereClause(), "(T.b = 1 OR T.c = 2) AND (T.d = 3 or T.e = 4)");
  EXPECT_EQ(x.GetExpression(), "T.a WHERE (T.b = 1 OR T.c = 2) AND (T.d = 3 or T.e = 4)");
}

TEST_F(CompositeObjectTest, FailingConditionIsReported) {
  Load(R"x(<QueryObjects><DataObject Name="x">
      <Select><ExprBuildInfo><Field Name="a" Table="T"/></ExprBuildInfo></Select>
      <Condition><ExprBuildInfo><Field Name="n" Table="T" DataType="3"/><Text Value="="/><Text Value="abc"/></ExprBuildInfo></Condition>
    </DataObject></QueryObjects>)x");
  ClearErrorInfo();
  CQueryObject x(Select("DataObject"));
  EXPECT_EQ(x.Parse(), TPE_NOT_A_NUMBER);
  EXPECT_EQ(GetLastErrorInfo().message, GetMsg(TPE_CONDITION_FAILED));
  EXPECT_EQ(GetLastErrorInfo().detail, GetMsg(TPE_NOT_A_NUMBER));
}

TEST_F(CompositeObjectTest, ObjectThatReachesItselfFailsInsteadOfRecursing) {
  Load(R"x(<QueryObjects>
      <DataObject Name="Loop" GUID="{loop}">
        <Select><ExprBuildInfo><QueryObject Name="again" RefObject="{loop}"/></ExprBuildInfo></Select>
      </DataObject>
      <DataObject Name="A" GUID="{a}"><Select><ExprBuildInfo><QueryObject Name="toB" RefObject="{b}"/></ExprBuildInfo></Select></DataObject>
      <DataObject Name="B" GUID="{b}"><Select><ExprBuildInfo><QueryObject Name="toA" RefObject="{a}"/></ExprBuildInfo></Select></DataObject>
    </QueryObjects>)x");
  EXPECT_EQ(CQueryObject(Select("DataObject[1]")).Parse(), TPE_REFERENCE_CYCLE);
  EXPECT_EQ(CQueryObject(Select("DataObject[2]")).Parse(), TPE_REFERENCE_CYCLE);
}

TEST_F(CompositeObjectTest, DeepButFiniteNestingIsBoundedToo) {
  // 100 data objects, each selecting the next: deeper than the nesting bound.
  std::string xml = "<QueryObjects>";
  for (int i = 0; i < 100; ++i) {
    xml += "<DataObject Name=\"d" + std::to_string(i) + "\" GUID=\"{" + std::to_string(i) + "}\"><Select><ExprBuildInfo>";
    if (i + 1 < 100) xml += "<QueryObject Name=\"n\" RefObject=\"{" + std::to_string(i + 1) + "}\"/>";
    else xml += "<Field Name=\"a\" Table=\"T\"/>";
    xml += "</ExprBuildInfo></Select></DataObject>";
  }
  Load(xml + "</QueryObjects>");
  EXPECT_EQ(CQueryObject(Select("DataObject[1]")).Parse(), TPE_REFERENCE_CYCLE);
  EXPECT_EQ(CQueryObject(Select("DataObject[90]")).Parse(), S_OK);
}

}  // namespace
