// SingleQueryTest.cpp - the sections of a query, found, created and read
// through a reference, and the table alias list.
#include <gtest/gtest.h>

#include "contracts/basis30/CVelObject.h"
#include "query/CSingleQuery.h"
#include "support/XmlFixture.h"

namespace {

class OpenSingleQuery : public CSingleQuery {
 public:
  using CSingleQuery::CSingleQuery;
  using CSingleQuery::ProcessTableAlias;
};

using Accessor = IXMLDOMNodePtr (CSingleQuery::*)(bool);

struct SectionCase {
  const char* name;
  Accessor accessor;
  const char* tag;
  const char* exType;  // "" for none
};

const SectionCase kSections[] = {
    {"query objects", &CSingleQuery::GetQueryObjects, "QueryObjects", ""},
    {"sort objects", &CSingleQuery::GetSortObjects, "SortObjects", ""},
    {"where", &CSingleQuery::GetWhereClause, "Condition", "WhereClause"},
    {"having", &CSingleQuery::GetHavingClause, "Condition", "HavingClause"},
    {"table relations", &CSingleQuery::GetTableRelations, "TableRelations", ""},
};

class SingleQueryTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(R"(<Doc>
      <Query Name="Q" GUID="{q}">
        <QueryObjects><Field Name="a" Table="T"/></QueryObjects>
        <Condition ExType="WhereClause"/>
      </Query>
      <Query Name="R" RefObject="{q}"/>
      <Query Name="Bare"/>
      <Query Name="Dangling" RefObject="{none}"/>
    </Doc>)");
  }
  IXMLDOMElementPtr Query(const char* name) {
    for (IXMLDOMNodePtr n = Root().firstChild(); n; n = n.nextSibling()) {
      IXMLDOMElementPtr e(n);
      if (e.getAttribute("Name") == name) return e;
    }
    return nullptr;
  }
};

TEST_F(SingleQueryTest, SectionsAreFoundOrLeftNull) {
  CSingleQuery query(Query("Q"));
  EXPECT_EQ(query.GetQueryObjects(false), Select("Query[1]/QueryObjects"));
  EXPECT_EQ(query.GetWhereClause(false), Select("Query[1]/Condition"));
  // The only condition is the WHERE one: there is no HAVING section.
  EXPECT_EQ(query.GetHavingClause(false), nullptr);
  EXPECT_EQ(query.GetSortObjects(false), nullptr);
  EXPECT_EQ(query.GetTableRelations(false), nullptr);
  EXPECT_EQ(Query("Q").childNodes().length(), 2);
}

TEST_F(SingleQueryTest, SectionsAreCreatedOnceOnRequest) {
  CSingleQuery query(Query("Bare"));
  for (const SectionCase& c : kSections) {
    SCOPED_TRACE(c.name);
    IXMLDOMElementPtr created((query.*c.accessor)(true));
    ASSERT_TRUE(created);
    EXPECT_EQ(created.tagName(), c.tag);
    EXPECT_EQ(created.getAttribute("ExType"), c.exType);
    EXPECT_EQ(created.parentNode(), Query("Bare"));
    EXPECT_EQ((query.*c.accessor)(true), created);
    EXPECT_EQ((query.*c.accessor)(false), created);
  }
  EXPECT_EQ(Query("Bare").childNodes().length(), 5);
}

TEST_F(SingleQueryTest, ReferringQueryUsesTheReferencedSections) {
  CSingleQuery query(Query("R"));
  EXPECT_EQ(query.GetQueryObjects(false), Select("Query[1]/QueryObjects"));
  IXMLDOMNodePtr having = query.GetHavingClause(true);
  EXPECT_EQ(having.parentNode(), Query("Q"));
  EXPECT_FALSE(Query("R").hasChildNodes());
  // A copy shares the resolved section node.
  CSingleQuery copy(query);
  EXPECT_EQ(copy.GetHavingClause(false), having);
}

TEST_F(SingleQueryTest, NoSectionNodeRaisesPointerError) {
  for (IXMLDOMNodePtr node : {IXMLDOMNodePtr(), IXMLDOMNodePtr(Query("Dangling"))}) {
    CSingleQuery query(node);
    try {
      query.GetSortObjects(true);
      ADD_FAILURE() << "no error raised";
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), E_POINTER);
    }
  }
  EXPECT_FALSE(Query("Dangling").hasChildNodes());
}

struct AliasCase {
  const char* tables;
  const char* aliases;
};

TEST_F(SingleQueryTest, ProcessTableAliasKeepsTheNamesTablesGoBy) {
  const AliasCase cases[] = {
      {"T1 a,  T2  ,T3 c", "a,T2,c"},
      {"T1 a,,T3 c", "a"},
      {",T1 a", ""},
      {"", ""},
      {"{Sales}.dbo.Orders O,Customers", "O,Customers"},
      {"[My Table] [x y],T", "[x y],T"},
      {"T  a", "T  a"},  // two blanks: the second word is empty
  };
  OpenSingleQuery query;
  for (const AliasCase& c : cases) {
    SCOPED_TRACE(c.tables);
    EXPECT_EQ(query.ProcessTableAlias(c.tables), c.aliases);
  }
}

}  // namespace
