// ConditionNodeTest.cpp - condition generation for an operand term of a
// document: the operand's expression and type, booleans of the Dataset
// engine, the host's data untranslate callback, and the multi-value test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"
#include "support/XmlFixture.h"

namespace {

const char* kOperands = R"xml(<Operands>
  <Field Name="Flag" Table="T" DataType="11"/>
  <Field Name="Qty" Table="T" DataType="3"/>
  <Field Name="Name" Table="T" DataType="200"/>
  <Field Name="Day" Table="T" DataType="7"/>
</Operands>)xml";

// What the recording callback saw, call by call.
std::vector<std::string> g_seen;

bool UpperCase(IXMLDOMNodePtr, CString& value) {
  value.MakeUpper();
  return true;
}

bool Record(IXMLDOMNodePtr node, CString& value) {
  g_seen.push_back(CString(IXMLDOMElementPtr(node).getAttribute("Name") + ":" + value).GetString());
  return false;  // the result is not used
}

bool AppendLetter(IXMLDOMNodePtr, CString& value) {
  value += "x";
  return true;
}

class ConditionNodeTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(kOperands);
    g_seen.clear();
  }
  void TearDown() override {
    CExprParser::SetDataUntranslateProc(nullptr);
    SetCurDSType(DSTYPE_NONE);
  }
  std::string Generate(const char* field, const char* op, const char* value) {
    CString result;
    const CString path = CString("Field[@Name='") + field + "']";
    const HRESULT hr = CExprParser::GenerateExpr(Select(path), op, value, result, false);
    if (hr != S_OK) return "error " + std::to_string(static_cast<unsigned>(hr));
    return result.GetString();
  }
};

TEST_F(ConditionNodeTest, OperandGivesColumnAndType) {
  EXPECT_EQ(Generate("Qty", "=", "1,2"), "T.Qty IN (1, 2)");
  EXPECT_EQ(Generate("Name", "<>", "O'Brien"), "T.Name <> 'O''Brien'");
  EXPECT_EQ(Generate("Day", "=", "2011Q4"), "(T.Day >= {d '2011-10-01'} AND T.Day < {d '2012-01-01'})");
  EXPECT_EQ(Generate("Qty", "=", "x"), "error " + std::to_string(static_cast<unsigned>(TPE_NOT_A_NUMBER)));
}

TEST_F(ConditionNodeTest, OperandThatCannotBeParsedFails) {
  CString result;
  EXPECT_EQ(CExprParser::GenerateExpr(IXMLDOMNodePtr(), "=", "1", result, false), TPE_NO_ELEMENT);
}

TEST_F(ConditionNodeTest, BooleansReadTrueAndFalseOnTheDatasetEngine) {
  SetCurDSType(DSTYPE_DATASET);
  EXPECT_EQ(Generate("Flag", "=", "1"), "T.Flag = True");
  EXPECT_EQ(Generate("Flag", "<>", " 0"), "T.Flag <> False");
  EXPECT_EQ(Generate("Flag", "=", "1 "), "T.Flag = True");
  EXPECT_EQ(Generate("Flag", "=", "true"), "T.Flag = true");
  EXPECT_EQ(Generate("Qty", "=", "1"), "T.Qty = 1");  // only boolean columns
  SetCurDSType(DSTYPE_SQLSERVER);
  EXPECT_EQ(Generate("Flag", "=", "1"), "T.Flag = 1");  // only the Dataset engine
}

TEST_F(ConditionNodeTest, UntranslateCallbackRewritesValuesUntilRemoved) {
  CExprParser::SetDataUntranslateProc(UpperCase);
  EXPECT_EQ(CExprParser::m_lpfnDataUntranslateProc, &UpperCase);
  EXPECT_EQ(Generate("Name", "=", "abc, def"), "T.Name IN ('ABC', 'DEF')");
  CString result;  // the column form never calls it
  EXPECT_EQ(CExprParser::GenerateExpr("T.Name", DATATYPE_CHARACTER, "=", "abc", result, false), S_OK);
  EXPECT_EQ(result, "T.Name = 'abc'");

  CExprParser::SetDataUntranslateProc(nullptr);
  EXPECT_EQ(CExprParser::m_lpfnDataUntranslateProc, nullptr);
  EXPECT_EQ(Generate("Name", "=", "abc"), "T.Name = 'abc'");
}

TEST_F(ConditionNodeTest, UntranslateCallbackSeesTheNodeAndTheTranslatedBoolean) {
  SetCurDSType(DSTYPE_DATASET);
  CExprParser::SetDataUntranslateProc(Record);
  EXPECT_EQ(Generate("Flag", "=", "1"), "T.Flag = True");
  EXPECT_EQ(Generate("Name", "=", "  x "), "T.Name = 'x'");
  EXPECT_EQ(g_seen, (std::vector<std::string>{"Flag:True", "Name:  x "}));
}

TEST_F(ConditionNodeTest, MultiValueTestAcceptsWhatTheTypeCanHold) {
  struct ValueCase {
    DATATYPE type;
    const char* value;
    HRESULT expected;
  };
  const ValueCase cases[] = {
      {DATATYPE_NUMERIC, "1,2,3", S_OK},
      {DATATYPE_NUMERIC, "1~5, 8", S_OK},
      {DATATYPE_NUMERIC, "1,two", TPE_NOT_A_NUMBER},
      {DATATYPE_NUMERIC, "", S_OK},
      {DATATYPE_CHARACTER, "it's, anything", S_OK},
      {DATATYPE_DATETIME, "2011", S_OK},
      {DATATYPE_DATETIME, "2011Q4, 201202", TPE_NOT_A_DATE},  // codes stand alone
      {DATATYPE_DATETIME, "2011Q5", TPE_NOT_A_DATE},
      {DATATYPE_DATETIME, "20120229", S_OK},
      {DATATYPE_DATETIME, "20110229", TPE_NOT_A_DATE},
      {DATATYPE_DATETIME, "2011-1-1 ~ 2011-12-31", S_OK},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CExprParser::TestMultiValue(c.type, c.value), c.expected) << c.type << " '" << c.value << "'";
  }
}

TEST_F(ConditionNodeTest, MultiValueTestRunsTheCallback) {
  CExprParser::SetDataUntranslateProc(AppendLetter);
  EXPECT_EQ(CExprParser::TestMultiValue(DATATYPE_NUMERIC, "1"), TPE_NOT_A_NUMBER);
  CExprParser::SetDataUntranslateProc(nullptr);
  EXPECT_EQ(CExprParser::TestMultiValue(DATATYPE_NUMERIC, "1"), S_OK);
}

}  // namespace
