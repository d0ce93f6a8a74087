// SortObjectsTest.cpp - the ORDER BY list of a query's sort objects.
#include <gtest/gtest.h>

#include "contracts/basis30/ResultCodes.h"
#include "query/CSortObjects.h"
#include "support/XmlFixture.h"

namespace {

class SortObjectsTest : public XmlFixture {};

TEST_F(SortObjectsTest, KeysInOrderWithDescendingMarks) {
  Load(R"(<Query><SortObjects OrderBy="stale">
    <Field Name="a" Table="T" Order="DESC"/>
    <Field Name="b" Table="T"/>
    <!-- a note between the keys -->
    <Field Name="c" Table="T" Order="desc"/>
    <Field Name="d" Table="T" Order="DESCENDING"/>
    <Field Name="e" Table="T" Order="ASC"/>
  </SortObjects></Query>)");
  CSortObjects sort(Select("SortObjects"));
  EXPECT_EQ(sort.Parse(), S_OK);
  EXPECT_EQ(sort.GetOrderBy(), "T.a DESC,T.b,T.c DESC,T.d,T.e");
  EXPECT_EQ(Select("SortObjects").getAttribute("OrderBy"), "T.a DESC,T.b,T.c DESC,T.d,T.e");
}

TEST_F(SortObjectsTest, EmptySectionRemovesStaleList) {
  Load(R"(<Query><SortObjects OrderBy="T.a"/></Query>)");
  CSortObjects sort(Select("SortObjects"));
  EXPECT_EQ(sort.Parse(), S_OK);
  EXPECT_EQ(sort.GetOrderBy(), "");
  EXPECT_FALSE(Select("SortObjects").hasAttribute("OrderBy"));
}

TEST_F(SortObjectsTest, FailingKeyLeavesPreviousList) {
  Load(R"xml(<Query><SortObjects OrderBy="T.old">
    <Field Name="a" Table="T"/>
    <Text Value="SUM(x)" Aggregation="Sum"/>
  </SortObjects></Query>)xml");
  CSortObjects sort(Select("SortObjects"));
  EXPECT_EQ(sort.Parse(), TPE_AGGREGATE_TWICE);
  EXPECT_EQ(sort.GetOrderBy(), "T.old");
}

TEST_F(SortObjectsTest, SectionWithoutElementRaisesPointerError) {
  CSortObjects sort;
  EXPECT_EQ(sort.GetOrderBy(), "");
  try {
    sort.Parse();
    ADD_FAILURE() << "no error raised";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

}  // namespace
