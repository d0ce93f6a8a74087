// ParamTest.cpp - reading a parameter element: value and default, kind,
// value source and presentation flags.
#include <gtest/gtest.h>

#include "params/CParam.h"
#include "support/XmlFixture.h"

namespace {

class ParamTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(R"(<Parameters>
      <Parameter Name="Empty" DefaultValue="10"/>
      <Parameter Name="Zero" Value="0" DefaultValue="10"/>
      <Parameter Name="Obj" ExType="ObjectParam" Visible="false" AllowInput="false" AllowEmpty="False">
        <ValueSource><ValueList><Item Value="a"/></ValueList></ValueSource>
        <DefaultValue><Field Name="x"/></DefaultValue>
      </Parameter>
      <Parameter Name="Lower" ExType="objectparam" AllowMultiValues="False"/>
    </Parameters>)");
  }
};

TEST_F(ParamTest, ValueFallsBackToTheDefaultOnlyWhenEmpty) {
  EXPECT_EQ(CParam(Select("Parameter[1]")).GetValue(true), "10");
  EXPECT_EQ(CParam(Select("Parameter[1]")).GetValue(false), "10");
  EXPECT_EQ(CParam(Select("Parameter[2]")).GetValue(true), "0");
  EXPECT_EQ(CParam(Select("Parameter[2]")).GetDefaultValue(), "10");
}

TEST_F(ParamTest, KindIsObjectOnlyForTheExactText) {
  EXPECT_EQ(CParam(Select("Parameter[3]")).GetParamType(), PTYPE_OBJECT);
  EXPECT_EQ(CParam(Select("Parameter[4]")).GetParamType(), PTYPE_VALUE);
  EXPECT_EQ(CParam(Select("Parameter[1]")).GetParamType(), PTYPE_VALUE);
}

TEST_F(ParamTest, ValueSourceAndDefaultObject) {
  CParam obj(Select("Parameter[3]"));
  ASSERT_TRUE(obj.GetValueSource());
  EXPECT_EQ(obj.GetValueSource().nodeName(), "ValueSource");
  EXPECT_EQ(obj.GetDefaultObject().firstChild().nodeName(), "Field");
  CParam plain(Select("Parameter[1]"));
  EXPECT_FALSE(plain.GetValueSource());
  EXPECT_FALSE(plain.GetDefaultObject());
  EXPECT_THROW(CParam().GetValueSource(), _com_error);
}

TEST_F(ParamTest, FlagsCompareAsDocumented) {
  CParam obj(Select("Parameter[3]"));
  EXPECT_FALSE(obj.IsVisible());        // any case hides
  EXPECT_TRUE(obj.AllowInput());        // only the exact "False" forbids
  EXPECT_FALSE(obj.AllowEmpty());
  EXPECT_TRUE(obj.AllowMultiValues());
  EXPECT_FALSE(CParam(Select("Parameter[4]")).AllowMultiValues());
  CParam plain(Select("Parameter[1]"));
  EXPECT_TRUE(plain.IsVisible());
  plain.SetVisible(false);
  EXPECT_FALSE(plain.IsVisible());
  EXPECT_EQ(plain.GetAttribute("Visible"), "False");
  plain.SetVisible(true);
  EXPECT_EQ(plain.GetAttribute("Visible"), "True");
}

TEST_F(ParamTest, OneWorkingObjectCanBeReattached) {
  CParam param;
  EXPECT_EQ(param.GetValue(true), "");
  param.Attach(Select("Parameter[2]"));
  EXPECT_EQ(param.GetName(), "Zero");
  param.Attach(Select("Parameter[1]"));
  EXPECT_EQ(param.GetValue(true), "10");
}

}  // namespace
