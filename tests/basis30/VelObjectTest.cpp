// VelObjectTest.cpp - the object model's base object: attribute storage,
// data types, scratch objects, references and refreshes.
#include <gtest/gtest.h>

#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "support/XmlFixture.h"

namespace {

class VelObjectTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(R"(<Root>
      <Query Name="Q" GUID="{q}" Distinct="True" Command="old">
        <QueryObjects>
          <Field Name="a" DataType="3" WhereClause="x &gt; 1"/>
          <Field Name="b" RefObject="{t}"/>
          <Table Name="T" GUID="{t}" Value="v" Expression="e"/>
        </QueryObjects>
      </Query>
      <Query Name="R" RefObject="{q}" Distinct="False"/>
    </Root>)");
  }
};

struct DataTypeCase {
  const char* code;  // nullptr: no attribute
  DATATYPE expected;
};

TEST_F(VelObjectTest, DataTypeCodesMapToClasses) {
  const DataTypeCase cases[] = {
      {"3", DATATYPE_NUMERIC},   {"11", DATATYPE_NUMERIC},    {"131", DATATYPE_NUMERIC}, {"21", DATATYPE_NUMERIC},
      {"8", DATATYPE_CHARACTER}, {"130", DATATYPE_CHARACTER}, {"203", DATATYPE_CHARACTER},
      {"7", DATATYPE_DATETIME},  {"135", DATATYPE_DATETIME},  {"1", DATATYPE_OBJECT},
      {"abc", DATATYPE_OBJECT},  {"", DATATYPE_OBJECT},         {nullptr, DATATYPE_CHARACTER},
      {"0200", DATATYPE_CHARACTER}, {"-5", DATATYPE_OBJECT},    {" 5", DATATYPE_OBJECT},
      // A code past every number is no known code (and does not wrap round to one).
      {"18446744073709551821", DATATYPE_OBJECT},
  };
  CVelObject field(Select("Query/QueryObjects/Field[1]"));
  for (const auto& c : cases) {
    if (c.code) field.GetElement().setAttribute("DataType", c.code);
    else field.GetElement().removeAttribute("DataType");
    EXPECT_EQ(field.GetDataType(), c.expected) << (c.code ? c.code : "(none)");
  }
  for (DATATYPE t : {DATATYPE_NUMERIC, DATATYPE_CHARACTER, DATATYPE_DATETIME, DATATYPE_OBJECT}) {
    field.SetDataType(t);
    EXPECT_EQ(field.GetDataType(), t);
  }
}

TEST_F(VelObjectTest, EmptyValueRemovesTheAttributeSoXPathIgnoresIt) {
  IXMLDOMNodePtr objects = Select("Query/QueryObjects");
  EXPECT_EQ(objects.selectNodes("*[@WhereClause!='NULL']").length(), 1);
  CVelObject field(objects.firstChild());
  field.SetAttribute("WhereClause", "");
  EXPECT_FALSE(field.GetElement().hasAttribute("WhereClause"));
  EXPECT_EQ(field.GetAttribute("WhereClause"), "");
  EXPECT_EQ(objects.selectNodes("*[@WhereClause!='NULL']").length(), 0);
}

TEST_F(VelObjectTest, NullObjectReadsEmptyAndThrowsOnWrite) {
  CVelObject none;
  EXPECT_TRUE(none.IsNull());
  EXPECT_EQ(none.GetName(), "");
  EXPECT_EQ(none.GetType(), "");
  EXPECT_TRUE(none.TypeName().empty());
  EXPECT_FALSE(none.IsReferring());
  EXPECT_THROW(none.SetValue("x"), _com_error);
  EXPECT_THROW(none.GetExprBuildInfo(false), _com_error);
}

TEST_F(VelObjectTest, ScratchObjectIsAdoptedWhenAppended) {
  CVelObject scratch;
  IXMLDOMElementPtr text = scratch.CreateObject("Text", true, true);
  scratch.SetValue("SUM(0)");
  scratch.SetDataType(DATATYPE_NUMERIC);
  EXPECT_EQ(scratch.GetType(), "Text");
  EXPECT_FALSE(scratch.GetAttribute("GUID").IsEmpty());
  IXMLDOMElementPtr copy = scratch.CopyObject();
  IXMLDOMNodePtr objects = Select("Query/QueryObjects");
  objects.appendChild(copy);
  EXPECT_EQ(copy.ownerDocument(), m_doc);
  EXPECT_EQ(IXMLDOMElementPtr(objects.lastChild()).getAttribute("Value"), "SUM(0)");
  EXPECT_NE(IXMLDOMNodePtr(copy), IXMLDOMNodePtr(text));
  // The type read without a copy is the adopted element's own name, after
  // its scratch document (and the names it kept) is gone.
  CVelObject adopted(copy);
  scratch.Attach(nullptr);
  text = nullptr;
  EXPECT_EQ(adopted.TypeName(), "Text");
  EXPECT_EQ(adopted.GetType(), "Text");
}

TEST_F(VelObjectTest, ExprBuildInfoIsCreatedOnceOnRequest) {
  CVelObject query(Select("Query[1]"));
  EXPECT_FALSE(query.GetExprBuildInfo(false));
  IXMLDOMNodePtr info = query.GetExprBuildInfo(true);
  EXPECT_EQ(info.nodeName(), "ExprBuildInfo");
  EXPECT_EQ(query.GetExprBuildInfo(true), info);
  EXPECT_EQ(query.GetElement().selectNodes("ExprBuildInfo").length(), 1);
}

TEST_F(VelObjectTest, ReferenceResolvesByGuidInTheSameDocument) {
  CVelObject field(Select("Query/QueryObjects/Field[2]"));
  IXMLDOMNodePtr target;
  EXPECT_EQ(field.GetRefObject(target, true), S_OK);
  EXPECT_EQ(target, Select("Query/QueryObjects/Table"));
  field.SetAttribute("RefObject", "{missing}");
  EXPECT_EQ(field.GetRefObject(target, true), TRLE_REFERENCE_UNRESOLVED);
  EXPECT_FALSE(target);
  CVelObject plain(Select("Query/QueryObjects/Field[1]"));
  EXPECT_EQ(plain.GetRefObject(target, true), S_FALSE);
  field.SetAttribute("RefObject", "{t}");
  EXPECT_EQ(field.AttachRefObject(true), S_OK);
  EXPECT_EQ(field.GetName(), "T");
}

TEST_F(VelObjectTest, UpdateFromObjectKeepsTheListedAttributes) {
  CVelObject referring(Select("Query[2]"));
  referring.UpdateFromObject(Select("Query[1]"), "GUID,ID,Name,RefObject,Distinct", false);
  EXPECT_EQ(referring.GetName(), "R");
  EXPECT_EQ(referring.GetAttribute("Distinct"), "False");
  EXPECT_EQ(referring.GetAttribute("RefObject"), "{q}");
  EXPECT_EQ(referring.GetAttribute("GUID"), "");
  EXPECT_EQ(referring.GetAttribute("Command"), "old");
  EXPECT_FALSE(referring.GetElement().hasChildNodes());
  referring.UpdateFromObject(Select("Query[1]"), "", true);
  EXPECT_EQ(referring.GetElement().selectNodes("QueryObjects/*").length(), 3);
  EXPECT_EQ(Select("Query[1]").selectNodes("QueryObjects/*").length(), 3);  // source untouched
}

TEST_F(VelObjectTest, ChildObjectsByIndexAndName) {
  CVelObject objects(Select("Query/QueryObjects"));
  EXPECT_EQ(CVelObject(objects.GetChildObject(2)).GetName(), "T");
  EXPECT_FALSE(objects.GetChildObject(3));
  EXPECT_EQ(objects.GetChildObject("b", false), Select("Query/QueryObjects/Field[2]"));
  CVelObject root(Root());
  EXPECT_FALSE(root.GetChildObject("T", false));
  EXPECT_EQ(root.GetChildObject("T", true), Select("Query/QueryObjects/Table"));
}

TEST_F(VelObjectTest, LoadFromDataRejectsMalformedText) {
  CVelObject loaded;
  ClearErrorInfo();
  EXPECT_EQ(loaded.LoadFromData("<Relations><Relation"), B30E_XML_MALFORMED);
  EXPECT_TRUE(loaded.IsNull());
  EXPECT_TRUE(GetLastErrorInfo().set);
  EXPECT_EQ(loaded.LoadFromData("<Relations><Relation PkTable='A'/></Relations>"), S_OK);
  EXPECT_EQ(loaded.GetType(), "Relations");
  EXPECT_EQ(loaded.GetElement().getElementsByTagName("Relation").length(), 1);
}

}  // namespace
