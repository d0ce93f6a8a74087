// ChildPathTest.cpp - the selections that are walked instead of evaluated
// give what libxml2's XPath gives; the element-name index follows the
// edits of the tree; writing to a stream writes what xml() returns;
// attribute reads and writes that take the short way keep their results.
#include <gtest/gtest.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ChildPath.h"
#include "support/XmlFixture.h"

namespace {

const char* kDoc = R"(<Root xmlns:x="urn:x">
  <Datasources><Datasource Name="A"/></Datasources>
  <Query Name="Q1" ExType="Main"><QueryObjects><Field Name="f" WhereClause="NULL"/><Text Value="="/>
    <Field Name="g" WhereClause="a=1"/><Field Name="h"/></QueryObjects>
    <Condition ExType="WhereClause"><ExprBuildInfo><Field Name="f"/><!-- c --><Text Value="1"/></ExprBuildInfo></Condition>
    <Condition ExType="HavingClause"/>
    <x:Query Name="namespaced"/><Query xmlns="urn:d" Name="default namespace"/>
    <TableRelations><Relations><Relation ConnectMode="1" PkTable="b"/><Relation ConnectMode="0" PkTable="a"/>
      <Relation x:ConnectMode="0" PkTable="c"/><Relation ConnectMode="0" PkTable="d"/></Relations></TableRelations>
  </Query>
  <Query Name="Q2" ExType="Union"><QueryObjects><Field Name="k" Value="it's"/></QueryObjects></Query>
  <Query Name="Q3"/>
</Root>)";

// The nodes libxml2's own XPath selects below `context`.
std::vector<xmlNodePtr> ByXPath(xmlNodePtr context, const char* xpath) {
  xmlXPathContextPtr ctx = xmlXPathNewContext(context->doc);
  ctx->node = context;
  xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath), ctx);
  std::vector<xmlNodePtr> nodes;
  if (result != nullptr && result->nodesetval != nullptr) {
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) nodes.push_back(result->nodesetval->nodeTab[i]);
  }
  xmlXPathFreeObject(result);
  xmlXPathFreeContext(ctx);
  return nodes;
}

std::vector<xmlNodePtr> ByHandle(const IXMLDOMNodePtr& context, const char* xpath) {
  std::vector<xmlNodePtr> nodes;
  IXMLDOMNodeListPtr list = context.selectNodes(xpath);
  for (long i = 0; i < list.length(); ++i) nodes.push_back(list.item(i).GetInterfacePtr());
  return nodes;
}

class ChildPathTest : public XmlFixture {
 protected:
  void SetUp() override { Load(kDoc); }
};

TEST_F(ChildPathTest, WalkedPathsSelectWhatXPathSelects) {
  const char* paths[] = {
      "Query", "Query[2]", "Query[4]", "*", "Query/QueryObjects/*", "Query/QueryObjects/Field[2]",
      "Query/QueryObjects/*[@WhereClause!='NULL']", "Query/QueryObjects/*[@WhereClause='NULL']",
      "Query/Condition[@ExType='WhereClause']", "Query/Condition[@ExType=\"HavingClause\"]/ExprBuildInfo",
      "Query/Condition/ExprBuildInfo/*", "Query/TableRelations/Relations/Relation[@ConnectMode='0']",
      "Query/TableRelations/Relations/Relation[@ConnectMode='0'][1]", "Query[1]/TableRelations/Relations/Relation[3]",
      "Query/QueryObjects/Field[@Value=\"it's\"]", "Query/x", "Query/QueryObjects/Field[@Missing!='']",
      "Query/*/Field[@Name='h']", "Datasources/Datasource", "Query/Query",
  };
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ByHandle(Root(), path), ByXPath(Root().GetInterfacePtr(), path));
    const std::vector<xmlNodePtr> all = ByXPath(Root().GetInterfacePtr(), path);
    EXPECT_EQ(Root().selectSingleNode(path).GetInterfacePtr(), all.empty() ? nullptr : all.front());
    // The same buffer holding one path after another selects each.
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%s", path);
    EXPECT_EQ(ByHandle(Root(), buffer), all);
  }
  // From the document node, and from a node without element children.
  EXPECT_EQ(ByHandle(m_doc, "Root/Query"), ByXPath(m_doc.GetInterfacePtr(), "Root/Query"));
  IXMLDOMNodePtr text = Select("Query/QueryObjects/Field").firstChild();
  EXPECT_FALSE(text);
}

// Sections found together are those found one by one: first matches,
// attribute tests, absent names, names in a namespace, and lists that mix
// in paths of several steps, positions or whole XPath (looked up one by one).
TEST_F(ChildPathTest, SectionsFoundTogetherAreThoseFoundOneByOne) {
  const IXMLDOMNodePtr query = Select("Query");
  const auto check = [&query](const auto& found, std::initializer_list<const char*> paths) {
    size_t i = 0;
    for (const char* path : paths) {
      SCOPED_TRACE(path);
      EXPECT_EQ(found[i++].GetInterfacePtr(), query.selectSingleNode(path).GetInterfacePtr());
    }
  };
  check(query.selectFirstOfEach({"QueryObjects", "SortObjects", "Condition[@ExType='WhereClause']",
                                 "Condition[@ExType='HavingClause']", "TableRelations"}),
        {"QueryObjects", "SortObjects", "Condition[@ExType='WhereClause']", "Condition[@ExType='HavingClause']",
         "TableRelations"});
  check(query.selectFirstOfEach({"Condition", "*", "Query", "Condition[@ExType!='WhereClause']", "Condition"}),
        {"Condition", "*", "Query", "Condition[@ExType!='WhereClause']", "Condition"});
  check(query.selectFirstOfEach({"Condition[2]", "QueryObjects/Field", ".//Relation", "TableRelations"}),
        {"Condition[2]", "QueryObjects/Field", ".//Relation", "TableRelations"});
  const auto none = Select("Query/QueryObjects/Field").selectFirstOfEach({"Field", "*"});
  EXPECT_FALSE(none[0]);
  EXPECT_FALSE(none[1]);
  EXPECT_EQ(m_doc.selectFirstOfEach({"Root"})[0].GetInterfacePtr(), Root().GetInterfacePtr());
  EXPECT_THROW(query.selectFirstOfEach({"QueryObjects", "Query[@A='v'"}), _com_error);
}

TEST_F(ChildPathTest, OnlyPlainChildPathsAreWalked) {
  struct Case {
    const char* path;
    bool walked;
  } cases[] = {
      {"Query", true}, {"Select/ExprBuildInfo/*", true}, {"*[@WhereClause!='NULL']", true}, {"Query[12]", true},
      {"Relation[@FkTable='a b']", true}, {"//Datasources", false}, {".//Field | .//Text", false},
      {"Query[0]", false}, {"Query[ 1]", false}, {"x:Query", false}, {"Query[@A=B]", false},
      {"Query[@A='v'", false}, {"", false}, {"Query/", false}, {"Query[last()]", false}, {"..", false},
  };
  for (const Case& c : cases) {
    ChildPath path;
    EXPECT_EQ(path.Parse(c.path), c.walked) << c.path;
  }
  // Paths left to XPath still work, and a broken one is still refused.
  EXPECT_EQ(Root().selectNodes(".//Field | .//Text").length(), 7);
  EXPECT_THROW(Root().selectNodes("Query[@A='v'"), _com_error);
}

TEST_F(ChildPathTest, ElementIndexFollowsInsertionsAndRemovals) {
  EXPECT_EQ(m_doc.elementsNamed("Query").length(), 3);  // the namespaced ones are not "Query"
  EXPECT_EQ(m_doc.elementsNamed("Datasources").length(), 1);
  // A new "Datasources" deep in the tree comes first in document order.
  IXMLDOMElementPtr added = m_doc.createElement("Datasources");
  Select("Query").insertBefore(added, Select("Query").firstChild());
  IXMLDOMNodeListPtr after = m_doc.elementsNamed("Datasources");
  ASSERT_EQ(after.length(), 2);
  EXPECT_EQ(after.item(0), Select("Datasources"));
  EXPECT_EQ(after.item(1), added);
  // Removing a subtree removes the elements it holds.
  Root().removeChild(Select("Query"));
  EXPECT_EQ(m_doc.elementsNamed("Datasources").length(), 1);
  EXPECT_EQ(m_doc.elementsNamed("Query").length(), 2);
  // An element moved in from another document joins the index.
  IXMLDOMDocumentPtr other = LoadXml("<Other><Query Name='moved'/></Other>");
  Root().appendChild(other.documentElement().firstChild());
  EXPECT_EQ(m_doc.elementsNamed("Query").length(), 3);
  EXPECT_EQ(other.elementsNamed("Query").length(), 0);
}

// The first child of a name, on a node with few children and on one with
// many (whose answer is kept): it follows insertions, removals and moves,
// and it agrees with selectSingleNode throughout.
TEST_F(ChildPathTest, FirstChildNamedFollowsChanges) {
  IXMLDOMDocumentPtr doc = LoadXml("<R><S/></R>");
  IXMLDOMNodePtr many = doc.documentElement();
  IXMLDOMNodePtr few = many.firstChild();
  for (int i = 0; i < 100; ++i) many.appendChild(doc.createElement("Query"));
  const auto agree = [](const IXMLDOMNodePtr& node, const char* name) {
    EXPECT_EQ(node.firstChildNamed(name), node.selectSingleNode(name)) << name;
    return node.firstChildNamed(name);
  };
  for (const IXMLDOMNodePtr& node : {many, few}) {
    SCOPED_TRACE(node == many ? "many children" : "few children");
    EXPECT_FALSE(agree(node, "Datasources"));
    IXMLDOMElementPtr last = node.appendChild(doc.createElement("Datasources"));
    EXPECT_EQ(agree(node, "Datasources"), last);
    IXMLDOMElementPtr first = node.insertBefore(doc.createElement("Datasources"), node.firstChild());
    EXPECT_EQ(agree(node, "Datasources"), first);
    node.removeChild(first);
    EXPECT_EQ(agree(node, "Datasources"), last);
    // Moved under another parent, it is that parent's child, not this one's.
    few.appendChild(last);
    EXPECT_EQ(agree(node == many ? node : doc.documentElement(), "Datasources"), IXMLDOMNodePtr());
    few.removeChild(last);
  }
  // A parent freed after its answer was kept takes the answer along: a copy
  // made afterwards where it stood finds its own child. (The allocator
  // hands out the last freed blocks first: for one of the numbers of blocks
  // taken in between, the copy lands at the freed parent's address.)
  IXMLDOMElementPtr model = doc.createElement("M");
  for (int i = 0; i < 40; ++i) model.appendChild(doc.createElement("Query"));
  model.appendChild(doc.createElement("Datasources"));
  std::vector<IXMLDOMNodePtr> held;
  for (int taken = 0; taken < 12; ++taken) {
    {
      IXMLDOMElementPtr gone = doc.createElement("G");
      for (int i = 0; i < 40; ++i) gone.appendChild(doc.createElement("Query"));
      EXPECT_FALSE(agree(gone, "Datasources"));
    }
    for (int i = 0; i < taken; ++i) held.push_back(doc.createElement("Z"));
    held.push_back(model.cloneNode(true));
    EXPECT_TRUE(agree(held.back(), "Datasources")) << taken;
  }
  // A namespaced element of the name is not the child of that plain name.
  IXMLDOMDocumentPtr spaced = LoadXml("<R xmlns:p='urn:p'><p:Datasources/></R>");
  EXPECT_FALSE(agree(spaced.documentElement(), "Datasources"));
}

TEST_F(ChildPathTest, WritingToAStreamWritesWhatXmlReturns) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(m_doc.write(stream));
  std::rewind(stream);
  std::string written;
  for (int c; (c = std::fgetc(stream)) != EOF;) written += static_cast<char>(c);
  std::fclose(stream);
  EXPECT_EQ(written, m_doc.xml().str());
}

TEST_F(ChildPathTest, AttributeShortcutsKeepTheirResults) {
  IXMLDOMElementPtr field = Select("Query/QueryObjects/Field");
  // Writing the value an attribute has already keeps it and its place.
  const CString before = field.xml();
  field.setAttribute("Name", "f");
  EXPECT_EQ(field.xml(), before);
  field.setAttribute("Name", "changed");
  EXPECT_EQ(field.getAttribute("Name"), "changed");
  // A default that the document type declares still reads.
  IXMLDOMDocumentPtr typed =
      LoadXml("<!DOCTYPE Root [<!ATTLIST Field DataType CDATA \"200\">]><Root><Field Name=\"a\"/></Root>");
  EXPECT_EQ(IXMLDOMElementPtr(typed.documentElement().firstChild()).getAttribute("DataType"), "200");
  // Names outside the plain set are still checked in full.
  EXPECT_THROW(field.setAttribute("1bad", "v"), _com_error);
  field.setAttribute("caf\xC3\xA9", "v");
  EXPECT_EQ(field.getAttribute("caf\xC3\xA9"), "v");
}

}  // namespace
