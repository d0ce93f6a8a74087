// ParamHandlerTest.cpp - setting and finding parameters, resolving
// parameter and computed references, object parameters, values that bring
// in reference-like text, and the "@" function pass.
#include <gtest/gtest.h>

#include <string>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"
#include "params/CParam.h"
#include "params/CParamHandler.h"
#include "platform/COleDateTime.h"
#include "support/RepositoryFixture.h"
#include "support/XmlFixture.h"

namespace {

// DataType codes: 5 numeric, 200 character, 7 date/time, 0 untyped.
const char* kParams = R"xml(<Report Datasource="Lite">
  <Datasources><Datasource Name="Lite" DBType="SQLite"/></Datasources>
  <Parameters>
    <Parameter Name="A" Value="1" DataType="5"/>
    <Parameter Name="B" Value="2" DataType="5"/>
    <Parameter Name="Region" Value="North" DataType="200"/>
    <Parameter Name="Default" DefaultValue="10" DataType="5"/>
    <Parameter Name="List" Value="1,2,3" DataType="5"/>
    <Parameter Name="Quarter" Value="2011Q2" DataType="7"/>
    <Parameter Name="It's" Value="9" DataType="5"/>
    <Parameter Name="Raw" Value="{? 'B'} + {? 'B'}" DataType="0"/>
    <Parameter Name="Self" Value="x + {? 'Self'}" DataType="0"/>
    <Parameter Name="X" Value="{? 'Y'}" DataType="0"/>
    <Parameter Name="Y" Value="1 + {? 'X'}" DataType="0"/>
    <Parameter Name="Quoted" Value="see {? 'Quoted'}" DataType="200"/>
  </Parameters>
  <Query Name="Q"><Parameter Name="Deep" Value="d1" DataType="200"/></Query>
  <Parameter Name="Deep" Value="d2" DataType="200"/>
</Report>)xml";

class ParamHandlerTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(kParams);
    CParamHandler::m_strLastUsedParams.Empty();
    ClearErrorInfo();
    const COleDateTime today(2011, 5, 17);
    SetProcessorClock(&today);
  }
  void TearDown() override {
    SetProcessorClock(nullptr);
    ClearHostVariables();
    CExprParser::SetDataUntranslateProc(nullptr);
    SetCurDSType(DSTYPE_NONE);
  }

  // Adds a parameter element under "Parameters".
  void AddParam(const std::string& attributes) {
    const IXMLDOMDocumentPtr extra = LoadXml("<Parameter " + attributes + "/>");
    Select("Parameters").appendChild(extra.documentElement());
  }

  // The text after EvaluateExprParam on the document element; `rc` gets
  // the result.
  CString Evaluate(const char* text, HRESULT* rc = nullptr) {
    CParamHandler handler(Root());
    CString out = text;
    const HRESULT hr = handler.EvaluateExprParam(out);
    if (rc != nullptr) *rc = hr;
    m_used = handler.GetUsedParams();
    return out;
  }

  CString m_used;
};

// --- setting and finding -----------------------------------------------------------

TEST_F(ParamHandlerTest, SetParamValueWritesEveryDeepMatchOrTheFirstChild) {
  CParamHandler handler(Root());
  EXPECT_EQ(handler.SetParamValue("Deep", CVelVariant("new"), true), S_OK);
  EXPECT_EQ(CParam(Select("Query/Parameter")).GetValue(true), "new");
  EXPECT_EQ(CParam(Select("Parameter")).GetValue(true), "new");

  EXPECT_EQ(handler.SetParamValue("Deep", CVelVariant("child"), false), S_OK);
  EXPECT_EQ(CParam(Select("Parameter")).GetValue(true), "child");
  EXPECT_EQ(CParam(Select("Query/Parameter")).GetValue(true), "new");

  EXPECT_EQ(handler.SetParamValue("A", CVelVariant(7), false), S_FALSE);  // not a direct child
  EXPECT_EQ(handler.SetParamValue("Nope", CVelVariant("x"), true), S_FALSE);
  EXPECT_EQ(CParamHandler().SetParamValue("A", CVelVariant("x"), true), E_FAIL);
}

TEST_F(ParamHandlerTest, GetParamFindsTheFirstInDocumentOrder) {
  CParamHandler handler(Root());
  EXPECT_EQ(handler.GetParam("Deep", true), Select("Query/Parameter"));
  EXPECT_EQ(handler.GetParam("Deep", false), Select("Parameter"));
  EXPECT_EQ(handler.GetParam("A", true), Select("Parameters/Parameter[1]"));
  EXPECT_FALSE(handler.GetParam("A", false));
  EXPECT_FALSE(CParamHandler().GetParam("A", true));
}

// Names used to be formatted into an XPath: an apostrophe broke the path
// and a crafted name selected other parameters.
TEST_F(ParamHandlerTest, NamesAreComparedExactlyNeverAsXPath) {
  AddParam(R"~(Name="a' or '1'='1" Value="crafted")~");
  AddParam(R"~(Name="]|//*[" Value="brackets")~");
  CParamHandler handler(Root());
  EXPECT_EQ(CParam(handler.GetParam("It's", true)).GetValue(true), "9");
  EXPECT_EQ(CParam(handler.GetParam("a' or '1'='1", true)).GetValue(true), "crafted");
  EXPECT_EQ(CParam(handler.GetParam("]|//*[", true)).GetValue(true), "brackets");
  EXPECT_FALSE(handler.GetParam("x' or '1'='1", true));
  EXPECT_FALSE(handler.GetParam("a", true));
  EXPECT_FALSE(handler.GetParam("", true));  // no parameter has an empty name

  EXPECT_EQ(handler.SetParamValue("x' or @Name!='", CVelVariant("hijack"), true), S_FALSE);
  EXPECT_EQ(CParam(handler.GetParam("A", true)).GetValue(true), "1");
  EXPECT_EQ(handler.SetParamValue("It's", CVelVariant("10"), true), S_OK);
  EXPECT_EQ(Evaluate("v = {? 'It's'}"), "v = 10");
}

// --- references and the record of their use ------------------------------------------

TEST_F(ParamHandlerTest, ValuesAreRecordedInOrderAndProcessWide) {
  CParamHandler::m_strLastUsedParams = "earlier";
  EXPECT_EQ(Evaluate("x = {? 'A'} AND y = {? 'B'} OR z = {? 'A'}"), "x = 1 AND y = 2 OR z = 1");
  EXPECT_EQ(m_used, "A=1;B=2");  // a name resolved once per call
  EXPECT_EQ(CParamHandler::m_strLastUsedParams, "earlier;A=1;B=2");

  EXPECT_EQ(Evaluate("SELECT 1"), "SELECT 1");
  EXPECT_EQ(m_used, "");
  EXPECT_EQ(CParamHandler::m_strLastUsedParams, "earlier;A=1;B=2");

  EXPECT_EQ(Evaluate("{? 'Default'}{? 'A'}"), "101");  // back to back, default value
  EXPECT_EQ(m_used, "Default=10;A=1");
}

TEST_F(ParamHandlerTest, ReferencesInsideQuotesAndMalformedOnesStay) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"'{? 'A'}' || {? 'A'}", "'{? 'A'}' || 1"},      // the first one is in a literal
      {"[{? 'A'}] = {? 'B'}", "[{? 'A'}] = 2"},        // and in a bracketed name
      {"{? ' A '}", "1"},                               // blanks around the name
      {"{?  'A'}", "{?  'A'}"},                         // not an opening
      {"{? 'A'", "{? 'A'"},                             // never closed
      {"{? 'x {? 'A'}", "{? 'x 1"},                     // the nearer opening wins
      {"a = 'it''s' AND b = {? 'B'}", "a = 'it''s' AND b = 2"},
      {"'open {? 'A'}", "'open {? 'A'}"},               // the rest is inside a quote
  };
  for (const auto& c : cases) {
    HRESULT rc = E_FAIL;
    EXPECT_EQ(Evaluate(c.text, &rc), c.expected) << c.text;
    EXPECT_EQ(rc, S_OK) << c.text;
  }
}

// A reference that names no parameter used to become an empty value.
TEST_F(ParamHandlerTest, UnknownNameFailsAndNamesIt) {
  HRESULT rc = S_OK;
  EXPECT_EQ(Evaluate("x = {? 'A'} AND y = {? 'Nope'}", &rc), "x = 1 AND y = {? 'Nope'}");
  EXPECT_EQ(rc, TPE_PARAM_FAILED);
  EXPECT_NE(GetLastErrorInfo().message.Find("'Nope'"), -1);
  EXPECT_EQ(m_used, "A=1");
  EXPECT_EQ(CParamHandler::m_strLastUsedParams, "");  // failed calls add nothing

  CParamHandler detached;  // no parameters to find at all
  CString text = "{? 'A'}";
  EXPECT_EQ(detached.EvaluateExprParam(text), TPE_PARAM_FAILED);
  text = "x = 1";
  EXPECT_EQ(detached.EvaluateExprParam(text), S_OK);
}

// --- value preparation ----------------------------------------------------------------

struct PrepCase {
  const char* attributes;  // of a parameter named P
  const char* text;
  const char* expected;    // the text after resolution, when rc is 0
  HRESULT rc;
};

TEST_F(ParamHandlerTest, ValuePreparationByFlagAndType) {
  SetHostVariable("User", "bob");
  const PrepCase cases[] = {
      // "DisableParseValue": the value is data, checked against the type.
      {R"~(Value="12" DataType="5" DisableParseValue="True")~", "n = {? 'P'}", "n = 12", S_OK},
      {R"~(Value="TRUE" DataType="5" DisableParseValue="True")~", "n = {? 'P'}", "n = TRUE", S_OK},
      {R"~(Value="1,2" DataType="5" DisableParseValue="True")~", "n = {? 'P'}", "", TPE_NOT_A_NUMBER},
      {R"~(Value="abc" DataType="5" DisableParseValue="True")~", "n = {? 'P'}", "", TPE_NOT_A_NUMBER},
      {R"~(Value="2011-01-31" DataType="7" DisableParseValue="True")~", "d = {? 'P'}", "d = '2011-01-31'", S_OK},
      {R"~(Value="{d '2011-01-31'}" DataType="7" DisableParseValue="True")~", "d = {? 'P'}", "d = {d '2011-01-31'}",
       S_OK},
      {R"~(Value="2011Q2" DataType="7" DisableParseValue="True")~", "d = {? 'P'}", "", TPE_NOT_A_DATE},
      {R"~(Value="O'Brien" DataType="200" DisableParseValue="True")~", "c = {? 'P'}", "c = 'O''Brien'", S_OK},
      {R"~(Value="a,b" DataType="200" DisableParseValue="True")~", "c = {? 'P'}", "c = 'a,b'", S_OK},
      {R"~(Value="'x'" DataType="200" DisableParseValue="True")~", "c = {? 'P'}", "c = 'x'", S_OK},
      {R"~(Value="x' OR '1'='1" DataType="200" DisableParseValue="True")~", "c = {? 'P'}",
       "c = 'x'' OR ''1''=''1'", S_OK},
      // Only the exact text "True" switches evaluation off.
      {R"~(Value="a,b" DataType="200" DisableParseValue="true")~", "c = {? 'P'}", "c IN ('a', 'b')", S_OK},
      // Evaluated values: "@" calls, host variables, calls meant as text.
      {R"~(Value="@Year(Today())" DataType="5")~", "y = {? 'P'}", "y = 2011", S_OK},
      {R"~(Value="@Today()" DataType="7")~", "d = {? 'P'}", "d = '2011-05-17'", S_OK},
      {R"~(Value="$User" DataType="200")~", "u = {? 'P'}", "u = 'bob'", S_OK},
      {R"~(Value="Today()" DataType="200")~", "c = {? 'P'}", "c = 'Today()'", S_OK},
      {R"~(Value="DateAdd('d', 1, Today())" DataType="200")~", "c = {? 'P'}", "c = 'DateAdd(''d'', 1, Today())'",
       S_OK},
      {R"~(Value="@Year(Amount)" DataType="0")~", "SELECT {? 'P'}", "SELECT @Year(Amount)", S_OK},
      {R"~(Value="@Year('x')" DataType="5")~", "y = {? 'P'}", "", B30E_BAD_ARGUMENTS},
      {R"~(Value="$Unset" DataType="200")~", "u = {? 'P'}", "", B30E_UNKNOWN_VARIABLE},
      // Values with several parts reach the comparison whole.
      {R"~(Value="1,2,3" DataType="5")~", "T.n = {? 'P'} OR T.n <> {? 'P'}", "T.n IN (1, 2, 3) OR T.n NOT IN (1, 2, 3)",
       S_OK},
      {R"~(Value="2011Q2" DataType="7")~", "T.d = {? 'P'}", "(T.d >= '2011-04-01' AND T.d < '2011-07-01')", S_OK},
      {R"~(Value="x" DataType="5")~", "T.n = {? 'P'}", "", TPE_PARAM_FAILED},  // TransformExpr refuses it
  };
  for (const auto& c : cases) {
    Load(std::string("<R Datasource='Lite'><Datasources><Datasource Name='Lite' DBType='SQLite'/></Datasources>") +
         "<Parameters><Parameter Name='P' " + c.attributes + "/></Parameters></R>");
    ClearErrorInfo();
    HRESULT rc = E_FAIL;
    const CString out = Evaluate(c.text, &rc);
    EXPECT_EQ(rc, c.rc) << c.attributes;
    // On failure nothing was replaced before it.
    EXPECT_EQ(out, c.rc == S_OK ? c.expected : c.text) << c.attributes;
  }
}

// On a MySQL data source a backslash inside a literal escapes: a text
// parameter's backslashes are doubled exactly once, whichever way the
// value is prepared; on SQLite they stay as typed.
TEST_F(ParamHandlerTest, TextBackslashesAreDoubledOnceForMySql) {
  SetHostVariable("Dir", "C:\\");
  const struct {
    const char* dbType;
    const char* attributes;
    const char* expected;
  } cases[] = {
      {"MySQL", R"~(Value="x\" DataType="200" DisableParseValue="True")~", "c = 'x\\\\' AND d = 'y'"},
      {"MySQL", R"~(Value="x\" DataType="200")~", "c = 'x\\\\' AND d = 'y'"},
      {"MySQL", R"~(Value="O'B\, z" DataType="200")~", "c IN ('O''B\\\\', 'z') AND d = 'y'"},
      {"MySQL", R"~(Value="$Dir" DataType="200")~", "c = 'C:\\\\' AND d = 'y'"},  // a host variable's text
      {"SQLite", R"~(Value="x\" DataType="200" DisableParseValue="True")~", "c = 'x\\' AND d = 'y'"},
      {"SQLite", R"~(Value="x\" DataType="200")~", "c = 'x\\' AND d = 'y'"},
  };
  for (const auto& c : cases) {
    Load(std::string("<R Datasource='S'><Datasources><Datasource Name='S' DBType='") + c.dbType +
         "'/></Datasources><Parameters><Parameter Name='P' " + c.attributes + "/></Parameters></R>");
    HRESULT rc = E_FAIL;
    EXPECT_EQ(Evaluate("c = {? 'P'} AND d = 'y'", &rc), c.expected) << c.dbType << " " << c.attributes;
    EXPECT_EQ(rc, S_OK);
  }
}

TEST_F(ParamHandlerTest, FailedValuesRecordTheParameterAndTheCause) {
  AddParam(R"~(Name="Bad" Value="@Year('x')" DataType="5")~");
  HRESULT rc = S_OK;
  Evaluate("{? 'Bad'}", &rc);
  EXPECT_EQ(rc, B30E_BAD_ARGUMENTS);
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(TPE_PARAM_VALUE_FAILED, "Bad"));
  EXPECT_NE(GetLastErrorInfo().detail.Find("Year('x')"), -1);

  AddParam(R"~(Name="Num" Value="abc" DataType="5" DisableParseValue="True")~");
  ClearErrorInfo();
  Evaluate("{? 'Num'}", &rc);
  EXPECT_EQ(rc, TPE_NOT_A_NUMBER);
  EXPECT_FALSE(GetLastErrorInfo().set);  // no message for a value that is not a number

  ClearErrorInfo();
  Evaluate("T.n > {? 'List'}", &rc);
  EXPECT_EQ(rc, TPE_PARAM_FAILED);
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(TPE_PARAM_FAILED, "List"));
  EXPECT_EQ(GetLastErrorInfo().detail, GetMsg(TPE_MULTI_VALUE_OPERATOR));
}

bool UpperCase(IXMLDOMNodePtr node, CString& value) {
  value.MakeUpper();
  value += "/" + IXMLDOMElementPtr(node).getAttribute("Name");
  return false;
}

TEST_F(ParamHandlerTest, UntranslateCallbackSeesTheParameterAndItsValue) {
  CExprParser::SetDataUntranslateProc(UpperCase);
  EXPECT_EQ(Evaluate("r = {? 'Region'}"), "r = 'NORTH/Region'");
  EXPECT_EQ(m_used, "Region=North");  // the use records the value as read
}

TEST_F(ParamHandlerTest, DataSourceTypeOfTheNodeAppliesDuringTheCallOnly) {
  SetCurDSType(DSTYPE_ORACLE);
  EXPECT_EQ(Evaluate("d = {? 'Quarter'}"), "(d >= '2011-04-01' AND d < '2011-07-01')");  // SQLite dates
  EXPECT_EQ(GetCurDSType(), DSTYPE_ORACLE);
}

// --- computed references ------------------------------------------------------------------

TEST_F(ParamHandlerTest, ComputedReferencesAreEvaluatedAndTyped) {
  SetHostVariable("User", "bob");
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"n = {$ '42'}", "n = 42"},
      {"u = {$ '$User'}", "u = 'bob'"},
      {"d >= {$ 'DateAdd('m', 1, '2011-01-31')'}", "d >= '2011-02-28'"},
      {"y = {$ 'Year(Today())'} AND a = {? 'A'}", "y = 2011 AND a = 1"},
      {"t = {$ ''North''}", "t = 'North'"},
  };
  for (const auto& c : cases) {
    HRESULT rc = E_FAIL;
    EXPECT_EQ(Evaluate(c.text, &rc), c.expected) << c.text;
    EXPECT_EQ(rc, S_OK) << c.text;
  }
}

TEST_F(ParamHandlerTest, ComputedReferenceFailures) {
  HRESULT rc = S_OK;
  // A reference of the other kind inside one is part of its text.
  EXPECT_EQ(Evaluate("x = {$ 'Year({? 'A'})'}", &rc), "x = {$ 'Year({? 'A'})'}");
  EXPECT_EQ(rc, B30E_BAD_ARGUMENTS);
  EXPECT_EQ(Evaluate("x = {? 'A {$ '1'} = 2", &rc), "x = {? 'A {$ '1'} = 2");
  EXPECT_EQ(rc, TPE_PARAM_FAILED);

  EXPECT_EQ(Evaluate("x = {$ 'CrossColumn(a)'}", &rc), "x = {$ 'CrossColumn(a)'}");
  EXPECT_EQ(rc, B30E_UNKNOWN_FUNCTION);  // never left in the SQL unevaluated

  Evaluate("x = {$ '$Nobody'}", &rc);
  EXPECT_EQ(rc, B30E_UNKNOWN_VARIABLE);

  SetHostVariable("Pair", "a,b");
  ClearErrorInfo();
  Evaluate("x > {$ '$Pair'}", &rc);
  EXPECT_EQ(rc, TPE_PARAM_FAILED);
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(TPE_PARAM_FAILED, "{$ '$Pair'}"));
  EXPECT_EQ(CParamHandler::m_strLastUsedParams, "");
}

// --- text that values bring in ---------------------------------------------------------------

// A value used to be searched again after it went in: the computed
// reference pass found "{$ '' ... ''}" inside a quoted value and spliced
// its result into the middle of the literal, and references inside values
// were expanded. Whatever a value brings in now stays as its type renders it.
struct BroughtInCase {
  const char* attributes;  // of a parameter named P (Other is defined as well)
  const char* text;
  const char* expected;
};

TEST_F(ParamHandlerTest, TextBroughtInByAValueIsNeverSearchedAgain) {
  SetHostVariable("Evil", "{? 'Other'}");
  const BroughtInCase cases[] = {
      {R"~(Value="{$ ' OR 1=1 --'}" DataType="200")~", "C.Region = {? 'P'}", "C.Region = '{$ '' OR 1=1 --''}'"},
      {R"~(Value="{$ ' OR 1=1 --'}" DataType="200" DisableParseValue="True")~", "C.Region = {? 'P'}",
       "C.Region = '{$ '' OR 1=1 --''}'"},
      {R"~(Value="North, {$ ' OR 1=1 --'}" DataType="200")~", "C.Region = {? 'P'}",
       "C.Region IN ('North', '{$ '' OR 1=1 --''}')"},
      {R"~(Value="{? 'Other'}" DataType="200")~", "C.Region = {? 'P'}", "C.Region = '{? ''Other''}'"},
      {R"~(Value="{? 'Other'}" DataType="200" DisableParseValue="True")~", "c = {? 'P'} OR d = {? 'Other'}",
       "c = '{? ''Other''}' OR d = 'O'"},
      {R"~(Value="x'; DROP TABLE t; --" DataType="200")~", "c = {? 'P'}", "c = 'x''; DROP TABLE t; --'"},
      {R"~(Value="$Evil" DataType="200")~", "c = {? 'P'}", "c = '{? ''Other''}'"},
      // Untyped values and the raw form go in as written, and stay so.
      {R"~(Value="{? 'Other'} + {$ '1'}" DataType="0")~", "SELECT {? 'P'}", "SELECT {? 'Other'} + {$ '1'}"},
      {R"~(Value="x + {? 'P'}" DataType="0")~", "SELECT {? 'P'}", "SELECT x + {? 'P'}"},
      {R"~(Value="^{$ '1'}" DataType="200")~", "c = {? 'P'}", "c = {$ '1'}"},
      // An object's text is inserted, not read.
      {R"~(Value="T.a * {? 'Other'}" ExType="ObjectParam")~", "SUM({? 'P'})", "SUM(T.a * {? 'Other'})"},
      // No reference is formed around a value either.
      {R"~(Value="Other" DataType="0")~", "{? '{? 'P'}'}", "{? 'Other'}"},
      {R"~(Value="'}" DataType="0")~", "{? 'Other{? 'P'} = 2", "{? 'Other'} = 2"},
      // A computed reference's result is data as well.
      {R"~(Value="1" DataType="5")~", "c = {$ '$Evil'} AND n = {? 'P'}", "c = '{? ''Other''}' AND n = 1"},
  };
  for (const auto& c : cases) {
    Load(std::string("<R Datasource='Lite'><Datasources><Datasource Name='Lite' DBType='SQLite'/></Datasources>") +
         "<Parameters><Parameter Name='P' " + c.attributes +
         "/><Parameter Name='Other' Value='O' DataType='200'/></Parameters></R>");
    HRESULT rc = E_FAIL;
    EXPECT_EQ(Evaluate(c.text, &rc), c.expected) << c.attributes << " in " << c.text;
    EXPECT_EQ(rc, S_OK) << c.attributes << " in " << c.text;
  }
}

// References that the text itself holds are each resolved once, whatever
// the values bring in; the record names only those.
TEST_F(ParamHandlerTest, OnlyTheTextsOwnReferencesAreResolvedAndRecorded) {
  EXPECT_EQ(Evaluate("SELECT {? 'Raw'} + {? 'B'}"), "SELECT {? 'B'} + {? 'B'} + 2");
  EXPECT_EQ(m_used, "Raw={? 'B'} + {? 'B'};B=2");
  HRESULT rc = E_FAIL;
  EXPECT_EQ(Evaluate("SELECT {? 'Self'}, {? 'X'}", &rc), "SELECT x + {? 'Self'}, {? 'Y'}");
  EXPECT_EQ(rc, S_OK);  // a value that names its own parameter is no loop any more
  EXPECT_EQ(Evaluate("SELECT {? 'Quoted'}", &rc), "SELECT 'see {? ''Quoted''}'");
  EXPECT_EQ(rc, S_OK);
}

// Values that would fan out if they were expanded are put in once each,
// in time linear in the text.
TEST_F(ParamHandlerTest, ValuesThatWouldFanOutGoInOnce) {
  for (int level = 0; level < 20; ++level) {
    AddParam("Name=\"F" + std::to_string(level) + "\" DataType=\"0\" Value=\"{? 'F" + std::to_string(level + 1) +
             "'}{? 'F" + std::to_string(level + 1) + "'}\"");
  }
  HRESULT rc = E_FAIL;
  EXPECT_EQ(Evaluate("{? 'F0'}", &rc), "{? 'F1'}{? 'F1'}");
  EXPECT_EQ(rc, S_OK);

  std::string rich;
  for (int i = 0; i < 20; ++i) rich += "{? 'A'}+";
  AddParam("Name=\"Rich\" DataType=\"0\" Value=\"" + rich + "0\"");
  std::string text;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    text += "{? 'Rich'};{? 'A'};";
    expected += rich + "0;1;";
  }
  EXPECT_EQ(Evaluate(text.c_str(), &rc), expected.c_str());
  EXPECT_EQ(rc, S_OK);
  EXPECT_EQ(m_used, "Rich=" + CString(rich.c_str()) + "0;A=1");
}

// --- object parameters -------------------------------------------------------------------------

TEST_F(ParamHandlerTest, ObjectParameterTextReplacesEveryOccurrence) {
  AddParam(R"~(Name="Obj" ExType="ObjectParam" Value="{Sales}.dbo.T.a * T.b")~");
  EXPECT_EQ(Evaluate("SUM({? 'Obj'}) / COUNT({? 'Obj'}) + {? 'A'}"), "SUM(dbo.T.a * T.b) / COUNT(dbo.T.a * T.b) + 1");
  EXPECT_EQ(m_used, "Obj={Sales}.dbo.T.a * T.b;A=1");
}

// A value set against a minus or a slash never opens a comment that would
// swallow the rest of the statement: the two are kept apart by a blank.
TEST_F(ParamHandlerTest, AValueNeverJoinsTheTextIntoAComment) {
  AddParam(R"~(Name="Neg" Value="-3" DataType="5")~");
  AddParam(R"~(Name="Obj" ExType="ObjectParam" Value="-T.a")~");
  AddParam(R"~(Name="Star" ExType="ObjectParam" Value="*T.a")~");
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"x = 1-{? 'Neg'} AND y = 2", "x = 1- -3 AND y = 2"},
      {"x = -{? 'Neg'} AND y = 2", "x = - -3 AND y = 2"},
      {"x = -{$ '-3'} AND y = 2", "x = - -3 AND y = 2"},
      {"x = 1 - {? 'Neg'}", "x = 1 - -3"},
      {"x = 1-{? 'Obj'} AND y = 2", "x = 1- -T.a AND y = 2"},
      {"x = 1/{? 'Star'} AND y = 2", "x = 1/ *T.a AND y = 2"},
      {"x = 1+{? 'Neg'}", "x = 1+-3"},
  };
  for (const auto& c : cases) EXPECT_EQ(Evaluate(c.text), c.expected) << c.text;
}

class ParamRepositoryTest : public RepositoryFixture {
 protected:
  void SetUp() override {
    RepositoryFixture::SetUp();
    Write("Model/Measures.xml", R"(<Objects Name="Measures">
      <Field Name="Amount" Table="Orders" Schema="dbo" Datasource="Sales"/></Objects>)");
    Load(R"(<R><Parameters>
      <Parameter Name="Measure" ExType="ObjectParam" Value="$/Model/Amount"/>
      <Parameter Name="Listed" ExType="ObjectParam" Value="$/Model/Gone">
        <ValueSource><ValueList><Item Value="$/Model/Other" Expression="wrong"/>
          <Item Value="$/Model/Gone" Expression="{Sales}.dbo.Orders.Fallback"/></ValueList></ValueSource>
      </Parameter>
      <Parameter Name="Missing" ExType="ObjectParam" Value="$/Model/Gone"/>
      <Parameter Name="Shared" ExType="ObjectParam" GUID="{P-SHARED}" Value="$/Model/Gone">
        <ValueSource><ValueList><Item Value="$/Model/Gone" Expression="T.shared"/></ValueList></ValueSource>
      </Parameter>
      <Parameter Name="Alias" ExType="ObjectParam" RefObject="{P-SHARED}" Value="$/Model/Gone"/>
      <Parameter Name="Crafted" ExType="ObjectParam" Value="$/Gone' or '1'='1">
        <ValueSource><ValueList><Item Value="$/Other" Expression="T.wrong"/>
          <Item Value="$/Gone' or '1'='1" Expression="T.right"/></ValueList></ValueSource>
      </Parameter>
    </Parameters></R>)");
    OpenRepo();
  }

  CString Evaluate(const char* text, HRESULT* rc) {
    CParamHandler handler(Root());
    CString out = text;
    *rc = handler.EvaluateExprParam(out);
    return out;
  }
};

TEST_F(ParamRepositoryTest, RepositoryPathGivesTheObjectsExpression) {
  HRESULT rc = E_FAIL;
  EXPECT_EQ(Evaluate("SUM({? 'Measure'})", &rc), "SUM(dbo.Orders.Amount)");
  EXPECT_EQ(rc, S_OK);
}

TEST_F(ParamRepositoryTest, ValueListEntryStandsInForAPathThatDoesNotLoad) {
  HRESULT rc = E_FAIL;
  EXPECT_EQ(Evaluate("SUM({? 'Listed'})", &rc), "SUM(dbo.Orders.Fallback)");
  EXPECT_EQ(rc, S_OK);
  EXPECT_EQ(Evaluate("{? 'Alias'}", &rc), "T.shared");  // the list of the parameter it refers to
  EXPECT_EQ(rc, S_OK);
  // The value is compared, not formatted into a path.
  EXPECT_EQ(Evaluate("{? 'Crafted'}", &rc), "T.right");
  EXPECT_EQ(rc, S_OK);
}

TEST_F(ParamRepositoryTest, PathThatNeitherLoadsNorIsListedFails) {
  HRESULT rc = S_OK;
  EXPECT_EQ(Evaluate("SUM({? 'Missing'}) + 1", &rc), "SUM() + 1");
  EXPECT_EQ(rc, TPE_PARAM_FAILED);
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(TPE_PARAM_FAILED, "Missing"));
  EXPECT_EQ(GetLastErrorInfo().detail, GetMsg(TRLE_PATH_NOT_FOUND));
}

// --- the context a comparison is regenerated from --------------------------------------------

// The substitution hands TransformExpr only the end of the finished text.
// Whatever it cuts, the result must be what TransformExpr gives on the
// whole text.
TEST_F(ParamHandlerTest, ComparisonsMatchTransformOnTheWholeText) {
  AddParam(R"~(Name="Five" Value="5" DataType="5")~");
  const std::string pad(300, ' ');
  const std::string words = "a AND b AND c AND d AND e AND f AND g AND h AND i AND j AND k AND l AND m AND n ";
  std::string repeated;
  for (int i = 0; i < 1000; ++i) repeated += "T.n = :p OR [c";  // later ones inside an unclosed name
  const std::string texts[] = {
      pad + "T.n = :p",
      words + words + "Year([Order Date])=:p",
      words + "f(" + words + ") = :p",
      words + "(x" + words + ") = :p AND y",
      words + "T.n NOT IN :p",
      words + "T.n NOT" + pad + "IN :p",
      words + "'lit ( '' " + words + "' = :p",
      words + "[unclosed " + words + " = :p",
      words + "\"q\"." + words + " <> :p",
      words + "{D}.S.T.c" + pad + "= :p",
      "((((" + words + words + "T.n = :p))))",
      words + ")" + pad + "T.n = :p",
      words + "1e-5 = :p" + words,
      words + "x.y" + pad + "<= :p",
      repeated,
  };
  CParamHandler handler(Root());
  for (const std::string& text : texts) {
    CString expected(text);
    ASSERT_EQ(CExprParser::TransformExpr(expected, ":p", "5", DATATYPE_NUMERIC), S_OK) << text;
    std::string withReference;
    for (size_t at = 0;;) {
      const size_t next = text.find(":p", at);
      withReference += text.substr(at, next - at);
      if (next == std::string::npos) break;
      withReference += "{? 'Five'}";
      at = next + 2;
    }
    CString actual(withReference);
    EXPECT_EQ(handler.EvaluateExprParam(actual), S_OK) << text.substr(0, 200);
    EXPECT_EQ(actual, expected) << text.substr(0, 200);
  }
}

// A literal with an SQL prefix written against it is one operand: a range
// repeats it whole in both bounds.
TEST_F(ParamHandlerTest, APrefixedLiteralIsOneOperand) {
  AddParam(R"~(Name="Range" Value="1~5, 8" DataType="5")~");
  AddParam(R"~(Name="None" DataType="7")~");
  EXPECT_EQ(Evaluate("x AND N'a' = {? 'Range'}"), "x AND ((N'a' BETWEEN 1 AND 5) OR N'a' = 8)");
  EXPECT_EQ(Evaluate("n'a' = {? 'Range'}"), "((n'a' BETWEEN 1 AND 5) OR n'a' = 8)");
  EXPECT_EQ(Evaluate("_utf8'a' = {? 'Range'}"), "((_utf8'a' BETWEEN 1 AND 5) OR _utf8'a' = 8)");
  // Any other word before a literal is no prefix: a keyword stays a keyword,
  // and no word fuses with the condition that replaces the comparison.
  EXPECT_EQ(Evaluate("a = 1 AND'x' = {? 'Range'}"), "a = 1 AND(('x' BETWEEN 1 AND 5) OR 'x' = 8)");
  EXPECT_EQ(Evaluate("C1'D'= {? 'None'}"), "C1 1=1");
  EXPECT_EQ(Evaluate("a[b] = {? 'None'}"), "a 1=1");
}

// An opening that waits for its close while thousands of references close
// first is read once, not again after each of them.
TEST_F(ParamHandlerTest, HostileTextIsReadOnce) {
  std::string text = "{? 'x ";
  std::string expected = text;
  for (int i = 0; i < 5000; ++i) {
    text += "{? 'A'} ";
    expected += "1 ";
  }
  CString out(text);
  CParamHandler handler(Root());
  EXPECT_EQ(handler.EvaluateExprParam(out), S_OK);
  EXPECT_EQ(out, expected.c_str());

  // Unclosed "[" are plain characters to the search; each one used to be
  // followed to the end of the text.
  std::string brackets(100000, '[');
  CString oracle((brackets + "x = :p").c_str());
  ASSERT_EQ(CExprParser::TransformExpr(oracle, ":p", "1", DATATYPE_NUMERIC), S_OK);
  out = (brackets + "x = {? 'A'}").c_str();
  EXPECT_EQ(handler.EvaluateExprParam(out), S_OK);
  EXPECT_EQ(out, oracle);
}

// --- "@" functions --------------------------------------------------------------------------------

struct CallCase {
  const char* text;
  const char* expected;
  HRESULT rc;
};

TEST_F(ParamHandlerTest, FunctionCallsBecomeLiterals) {
  const CallCase cases[] = {
      {"x = @Year('2011-05-01')", "x = 2011", S_OK},
      // Back to back: the second call used to be skipped.
      {"@Year('2011-05-01')@Month('2011-05-01')", "20115", S_OK},
      {"@Day('2011-05-09') + @Day('2011-05-10')", "9 + 10", S_OK},
      {"d = @DateAdd('d', (1), Date('2011-01-31'))", "d = {d '2011-02-01'}", S_OK},
      {"d = @ Today ()", "d = {d '2011-05-17'}", S_OK},
      {"'@Year(''2011-01-01'')' || @Month('2011-02-01')", "'@Year(''2011-01-01'')' || 2", S_OK},
      {"'a''b' = @Month('2011-02-01')", "'a''b' = 2", S_OK},
      // NULL stays NULL: the empty result used to become 0.
      {"n = @Year(NULL)", "n = NULL", S_OK},
      {"d = @DateAdd('d', 1, NULL)", "d = NULL", S_OK},
      // Calls for the later stage lose their "@".
      {"@CrossColumn(Amount, 1) + @Year('2011-01-01')", "CrossColumn(Amount, 1) + 2011", S_OK},
      {"x = @Year('2011-01-01') + @If(a > 1, 'x', 'y')", "x = 2011 + If(a > 1, 'x', 'y')", S_FALSE},
      {"@parentchild(a)", "parentchild(a)", S_FALSE},
      {"@Sum_X(a)", "Sum_X(a)", S_FALSE},
      {"@Year(CrossColumn(a))", "Year(CrossColumn(a))", S_FALSE},
      // Not calls.
      {"a@b", "a@b", S_OK},
      {"@@Year('2011-01-01')", "@2011", S_OK},
      {"@Year('2011-01-01'", "@Year('2011-01-01'", S_OK},
      {"@Year('2011-01-01'}", "@Year('2011-01-01'}", S_OK},
      {"@select(1)", "@select(1)", S_OK},
      {"", "", S_OK},
  };
  CParamHandler handler;
  for (const auto& c : cases) {
    CString text = c.text;
    EXPECT_EQ(handler.EvaluateFGFunctions(text), c.rc) << c.text;
    EXPECT_EQ(text, c.expected) << c.text;
  }
}

// The later-stage test used to look for "If" anywhere in the call, so that
// Modify(x) or Diff(a) slipped through as if it were known.
TEST_F(ParamHandlerTest, UnknownLaterCallsAreReported) {
  const CallCase cases[] = {
      {"@Modify(x)", "@Modify(x)", TPE_UNKNOWN_LATER_CALL},
      {"@Year('2011-01-01') + @Diff(a)", "2011 + @Diff(a)", TPE_UNKNOWN_LATER_CALL},
      {"@Year(Unknown(x))", "@Year(Unknown(x))", TPE_UNKNOWN_LATER_CALL},
      {"@Upper('If')", "@Upper('If')", TPE_UNKNOWN_LATER_CALL},
      {"@Year('2011-01-01') + @Year(Amount)", "2011 + @Year(Amount)", B30E_BAD_ARGUMENTS},
  };
  CParamHandler handler;
  for (const auto& c : cases) {
    ClearErrorInfo();
    CString text = c.text;
    EXPECT_EQ(handler.EvaluateFGFunctions(text), c.rc) << c.text;
    EXPECT_EQ(text, c.expected) << c.text;
    EXPECT_TRUE(GetLastErrorInfo().set) << c.text;
  }
  CString text = "@Modify(x)";
  handler.EvaluateFGFunctions(text);
  EXPECT_EQ(GetLastErrorInfo().message, FormatMsg(TPE_UNKNOWN_LATER_CALL, "Modify(x)"));
}

TEST_F(ParamHandlerTest, FunctionPassStaysLinearOnHostileText) {
  CParamHandler handler;
  std::string open(200000, '(');
  CString text(("@f" + open).c_str());
  EXPECT_EQ(handler.EvaluateFGFunctions(text), S_OK);
  std::string calls;
  for (int i = 0; i < 10000; ++i) calls += "@a(";
  text = calls.c_str();
  EXPECT_EQ(handler.EvaluateFGFunctions(text), S_OK);
  EXPECT_EQ(text, calls.c_str());
  std::string many;
  std::string expected;
  for (int i = 0; i < 10000; ++i) {
    many += "@Year('2011-01-01')";
    expected += "2011";
  }
  text = many.c_str();
  EXPECT_EQ(handler.EvaluateFGFunctions(text), S_OK);
  EXPECT_EQ(text, expected.c_str());
}

}  // namespace
