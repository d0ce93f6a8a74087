// DomHandleTest.cpp - reference semantics, edits and loading of the DOM
// handles.
#include <gtest/gtest.h>

#include <functional>

#include "support/XmlFixture.h"

namespace {

const char* kDoc = R"(<Root>
  <Query Name="A" ExType="Main">
    <QueryObjects><Field Name="x"/><Field Name="y"/></QueryObjects>
  </Query>
  <Query Name="B"/>
</Root>)";

class DomHandleTest : public XmlFixture {
 protected:
  void SetUp() override { Load(kDoc); }
};

TEST_F(DomHandleTest, IndentedDocumentParsesLikeOneLine) {
  IXMLDOMDocumentPtr flat = LoadXml(
      "<Root><Query Name=\"A\" ExType=\"Main\"><QueryObjects><Field Name=\"x\"/><Field Name=\"y\"/>"
      "</QueryObjects></Query><Query Name=\"B\"/></Root>");
  EXPECT_EQ(flat.documentElement().xml(), Root().xml());
  IXMLDOMNodePtr objects = Select("Query/QueryObjects");
  EXPECT_EQ(objects.firstChild().nodeName(), "Field");
  EXPECT_EQ(IXMLDOMElementPtr(objects.firstChild().nextSibling()).getAttribute("Name"), "y");
  EXPECT_EQ(objects.childNodes().length(), 2);
}

TEST_F(DomHandleTest, RemovedNodeStaysUsableAfterTheDocumentHandleIsGone) {
  IXMLDOMElementPtr query = Select("Query[1]");
  IXMLDOMNodePtr removed = Root().removeChild(query);
  m_doc = nullptr;  // the last handle on the document itself
  ASSERT_TRUE(removed);
  EXPECT_EQ(IXMLDOMElementPtr(removed).getAttribute("Name"), "A");
  EXPECT_FALSE(removed.parentNode());
  EXPECT_EQ(removed.selectNodes("QueryObjects/Field").length(), 2);
  EXPECT_TRUE(removed.ownerDocument().documentElement());  // document kept alive
}

TEST_F(DomHandleTest, ReplaceChildReturnsTheOldNodeDetached) {
  IXMLDOMElementPtr fresh = m_doc.createElement("Query");
  fresh.setAttribute("Name", "C");
  IXMLDOMNodePtr old = Root().replaceChild(fresh, Select("Query[2]"));
  EXPECT_EQ(IXMLDOMElementPtr(old).getAttribute("Name"), "B");
  EXPECT_FALSE(old.parentNode());
  EXPECT_EQ(IXMLDOMElementPtr(Select("Query[2]")).getAttribute("Name"), "C");
}

TEST_F(DomHandleTest, AppendingANodeOfTheSameDocumentMovesIt) {
  IXMLDOMNodePtr x = Select("Query/QueryObjects/Field[@Name='x']");
  IXMLDOMNodePtr objects = x.parentNode();
  objects.appendChild(x);
  EXPECT_EQ(IXMLDOMElementPtr(objects.firstChild()).getAttribute("Name"), "y");
  EXPECT_EQ(IXMLDOMElementPtr(objects.lastChild()).getAttribute("Name"), "x");
  EXPECT_EQ(objects.childNodes().length(), 2);
  objects.insertBefore(x, objects.firstChild());
  EXPECT_EQ(IXMLDOMElementPtr(objects.firstChild()).getAttribute("Name"), "x");
}

TEST_F(DomHandleTest, AppendingANodeOfAnotherDocumentAdoptsIt) {
  IXMLDOMNodePtr foreign;
  {
    IXMLDOMDocumentPtr scratch = IXMLDOMDocumentPtr::Create();
    IXMLDOMElementPtr e = scratch.createElement("Text");
    e.setAttribute("Value", "SUM(0)");
    foreign = e;
  }  // the scratch document lives on through `foreign`
  IXMLDOMNodePtr objects = Select("Query/QueryObjects");
  objects.appendChild(foreign);
  EXPECT_EQ(foreign.ownerDocument(), m_doc);
  EXPECT_EQ(foreign.parentNode(), objects);
  EXPECT_EQ(IXMLDOMElementPtr(objects.selectSingleNode("Text")).getAttribute("Value"), "SUM(0)");
}

// Parsed documents keep names and the shortest texts in a dictionary of
// their own, and texts of up to 15 bytes inside their text node. A subtree
// moved to another document must take the dictionary's strings along: the
// source document is gone here before the moved nodes are read, changed,
// written and freed with their new document (the sanitizer build sees any
// string left behind or a text freed that was never allocated).
TEST_F(DomHandleTest, ASubtreeMovedOutOfAParsedDocumentOutlivesIt) {
  const char* source = R"(<Repo><Query Name="Q" ExType="Main"><QueryObjects>)"
                       R"(<Field Name="x" Alias="T" Table="fifteen_bytes__"/><Text Value="ab">short</Text><!--c--><?pi d?>)"
                       R"(</QueryObjects></Query></Repo>)";
  struct Target {
    const char* name;
    IXMLDOMDocumentPtr (*make)();
  };
  const Target targets[] = {
      {"parsed", [] { return LoadXml("<Other><Slot/></Other>"); }},
      {"created",
       [] {
         IXMLDOMDocumentPtr doc = IXMLDOMDocumentPtr::Create();
         doc.appendChild(doc.createElement("Other"));
         return doc;
       }},
  };
  for (const Target& t : targets) {
    IXMLDOMDocumentPtr target = t.make();
    {
      IXMLDOMDocumentPtr from = LoadXml(source);
      target.documentElement().appendChild(from.documentElement().firstChild());
    }  // the source document and its dictionary are freed here
    IXMLDOMElementPtr query = target.documentElement().selectSingleNode("Query");
    ASSERT_TRUE(query) << t.name;
    EXPECT_EQ(query.getAttribute("Name"), "Q") << t.name;
    IXMLDOMElementPtr field = query.selectSingleNode("QueryObjects/Field");
    EXPECT_EQ(field.getAttribute("Alias"), "T") << t.name;
    field.setAttribute("Alias", "U");
    field.setAttribute("Expression", "U.x");
    EXPECT_EQ(field.getAttribute("Table"), "fifteen_bytes__") << t.name;
    field.setAttribute("Table", "a table name longer than its node");
    IXMLDOMElementPtr text = query.selectSingleNode("QueryObjects/Text");
    text.setAttribute("Value", "abc");
    IXMLDOMNodePtr copy = text.cloneNode(true);
    text.replaceChild(target.createTextNode("a text longer than the node that held it"), text.firstChild());
    EXPECT_EQ(query.xml(),
              "<Query Name=\"Q\" ExType=\"Main\"><QueryObjects><Field Name=\"x\" Alias=\"U\" "
              "Table=\"a table name longer than its node\" Expression=\"U.x\"/>"
              "<Text Value=\"abc\">a text longer than the node that held it</Text><!--c--><?pi d?></QueryObjects></Query>")
        << t.name;
    EXPECT_EQ(copy.xml(), "<Text Value=\"abc\">short</Text>") << t.name;
    // Back into a parsed document, then both freed.
    IXMLDOMDocumentPtr again = LoadXml("<Again/>");
    again.documentElement().appendChild(query);
    EXPECT_EQ(again.documentElement().firstChild().nodeName(), "Query") << t.name;
  }
}

TEST_F(DomHandleTest, IdentityComparesNodesNotHandles) {
  IXMLDOMNodePtr a = Select("Query[1]");
  IXMLDOMNodePtr b = Root().firstChild();
  EXPECT_EQ(a, b);
  EXPECT_NE(a, Select("Query[2]"));
  EXPECT_EQ(std::hash<IXMLDOMNodePtr>()(a), std::hash<IXMLDOMNodePtr>()(b));
}

TEST_F(DomHandleTest, ImpossibleEditsThrow) {
  IXMLDOMNodePtr query = Select("Query[1]");
  IXMLDOMNodePtr objects = Select("Query[1]/QueryObjects");
  EXPECT_THROW(objects.appendChild(query), _com_error);             // into its own descendant
  EXPECT_THROW(Root().removeChild(objects), _com_error);            // not a child
  EXPECT_THROW(query.insertBefore(m_doc.createElement("X"), Select("Query[2]")), _com_error);
  EXPECT_THROW(Root().selectNodes("Query[["), _com_error);          // bad XPath
}

// A hint is asked with whatever nodes a loop has at hand: the last query
// has no following one, and a node built later lies anywhere in memory.
TEST_F(DomHandleTest, APrefetchHintTakesAnyPairOfNodesAndChangesNothing) {
  const CString before = Root().xml();
  IXMLDOMNodePtr first = Select("Query[1]");
  IXMLDOMNodePtr second = Select("Query[2]");
  IXMLDOMNodePtr built = m_doc.createElement("Built");
  const std::pair<IXMLDOMNodePtr, IXMLDOMNodePtr> pairs[] = {
      {first, second}, {second, first}, {first, first}, {second, nullptr},
      {built, first},  {first, built},  {nullptr, first},
  };
  for (const auto& [node, following] : pairs) node.prefetchSubtree(following);
  EXPECT_EQ(Root().xml(), before);
}

TEST_F(DomHandleTest, NullHandleCallsThrowEPointer) {
  IXMLDOMElementPtr none;
  try {
    none.getAttribute("Name");
    FAIL() << "expected _com_error";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  EXPECT_THROW(IXMLDOMNodePtr().selectSingleNode("x"), _com_error);
  EXPECT_THROW(IXMLDOMNodeListPtr().length(), _com_error);
}

TEST_F(DomHandleTest, AttributesReadEmptyWhenAbsentAndRoundTrip) {
  IXMLDOMElementPtr query = Select("Query[1]");
  EXPECT_EQ(query.getAttribute("Missing"), "");
  EXPECT_FALSE(query.hasAttribute("Missing"));
  query.setAttribute("Command", "A;\r\n\r\nB 'x' < y & z");
  IXMLDOMDocumentPtr again = LoadXml(m_doc.xml().GetString());
  EXPECT_EQ(IXMLDOMElementPtr(again.selectSingleNode("Root/Query[1]")).getAttribute("Command"),
            "A;\r\n\r\nB 'x' < y & z");
  query.removeAttribute("Command");
  query.removeAttribute("Command");  // absent: no error
  EXPECT_FALSE(query.hasAttribute("Command"));
}

TEST_F(DomHandleTest, AttributeNamesComeInDocumentOrder) {
  IXMLDOMElementPtr query = Select("Query[1]");
  std::vector<CString> names;
  for (const auto& [name, value] : query.attributes()) names.push_back(name);
  EXPECT_EQ(query.attributeNames(), names);
  query.setAttribute("Zeta", "1");
  query.setAttribute("Alpha", "2");
  names.push_back("Zeta");
  names.push_back("Alpha");
  EXPECT_EQ(query.attributeNames(), names);
  query.removeAttribute("Zeta");
  names.erase(names.end() - 2);
  EXPECT_EQ(query.attributeNames(), names);
}

TEST_F(DomHandleTest, TrailingAttributesAreRecognisedByNameAndText) {
  IXMLDOMDocumentPtr doc = LoadXml("<R xmlns:n=\"urn:n\" a=\"1\" b=\"2\" c=\"3\"/>");
  IXMLDOMElementPtr r = doc.documentElement();
  EXPECT_TRUE(r.endsWithAttributes({}));
  EXPECT_TRUE(r.endsWithAttributes({{"c", "3"}}));
  EXPECT_TRUE(r.endsWithAttributes({{"b", "2"}, {"c", "3"}}));
  EXPECT_TRUE(r.endsWithAttributes({{"a", "1"}, {"b", "2"}, {"c", "3"}}));
  EXPECT_FALSE(r.endsWithAttributes({{"c", "4"}}));              // same name, other text
  EXPECT_FALSE(r.endsWithAttributes({{"b", "2"}}));              // there, but not last
  EXPECT_FALSE(r.endsWithAttributes({{"c", "3"}, {"b", "2"}}));  // order counts
  EXPECT_FALSE(r.endsWithAttributes({{"x", "0"}, {"a", "1"}, {"b", "2"}, {"c", "3"}}));
  // A namespaced attribute of the same local name is another attribute.
  IXMLDOMDocumentPtr spaced = LoadXml("<R xmlns:n=\"urn:n\" a=\"1\" n:c=\"3\"/>");
  EXPECT_FALSE(spaced.documentElement().endsWithAttributes({{"c", "3"}}));
}

// The text read without a copy is the text getAttribute gives, in every
// form a document holds one: one text node, an empty one, a default of the
// document type (put together for the read), a namespaced twin, none.
TEST_F(DomHandleTest, AttributeTextReadsAsGetAttributeDoes) {
  IXMLDOMDocumentPtr doc = LoadXml(
      R"(<!DOCTYPE R [<!ATTLIST R d CDATA "given">]>)"
      R"(<R xmlns:p="urn:p" plain="Sales" empty="" quoted="O&apos;Brien &amp; co" p:n="spaced"/>)");
  ASSERT_TRUE(doc);
  IXMLDOMElementPtr r = doc.documentElement();
  for (const char* name : {"plain", "empty", "quoted", "d", "n", "absent"}) {
    EXPECT_EQ(r.attributeText(name).view(), r.getAttribute(name).view()) << name;
  }
  EXPECT_EQ(r.attributeText("quoted").view(), "O'Brien & co");
  EXPECT_EQ(r.attributeText("d").view(), "given");
  EXPECT_TRUE(r.attributeText("n").empty());
  EXPECT_TRUE(r.attributeText("plain") == "Sales");

  // A text put together for the read stays valid when the reader is moved.
  AttributeText moved = r.attributeText("d");
  AttributeText kept = std::move(moved);
  EXPECT_EQ(kept.view(), "given");
}

// Texts read together are those read one by one, with and without a
// document type (whose defaults are looked up name by name).
TEST_F(DomHandleTest, AttributeTextsReadTogetherAsOneByOne) {
  for (const char* text : {R"(<R xmlns:p="urn:p" plain="Sales" empty="" quoted="O&apos;Brien" p:n="spaced"/>)",
                           R"(<!DOCTYPE R [<!ATTLIST R d CDATA "given">]><R plain="Sales" p="1"/>)"}) {
    SCOPED_TRACE(text);
    IXMLDOMDocumentPtr doc = LoadXml(text);
    ASSERT_TRUE(doc);
    IXMLDOMElementPtr r = doc.documentElement();
    const auto texts = r.attributeTexts({"quoted", "absent", "plain", "d", "n", "empty"});
    size_t i = 0;
    for (const char* name : {"quoted", "absent", "plain", "d", "n", "empty"}) {
      EXPECT_EQ(texts[i++].view(), r.getAttribute(name).view()) << name;
    }
  }
  EXPECT_THROW(Root().attributeTexts({"a", ""}), _com_error);
}

TEST_F(DomHandleTest, AttributeDefaultsOfADocumentTypeReadAndGiveWay) {
  IXMLDOMDocumentPtr doc = LoadXml("<!DOCTYPE R [<!ATTLIST R a CDATA \"given\">]><R b=\"2\"/>");
  ASSERT_TRUE(doc);
  IXMLDOMElementPtr r = doc.documentElement();
  EXPECT_EQ(r.getAttribute("a"), "given");
  EXPECT_TRUE(r.hasAttribute("a"));
  EXPECT_TRUE(r.hasAttribute("b"));
  EXPECT_FALSE(r.hasAttribute("c"));
  r.setAttribute("a", "own");
  EXPECT_EQ(r.getAttribute("a"), "own");
  EXPECT_TRUE(r.endsWithAttributes({{"b", "2"}, {"a", "own"}}));
  r.setAttribute("c", "new");  // absent and without a default: appended
  EXPECT_TRUE(r.endsWithAttributes({{"a", "own"}, {"c", "new"}}));

  // An attribute in a namespace is not the attribute of that plain name,
  // for reading and for presence alike.
  IXMLDOMDocumentPtr spaced = LoadXml(R"(<R xmlns:p="urn:p" p:a="1"/>)");
  IXMLDOMElementPtr s = spaced.documentElement();
  EXPECT_FALSE(s.hasAttribute("a"));
  EXPECT_EQ(s.getAttribute("a"), "");
}

// A value is rewritten in the attribute's own text node: shorter, longer,
// empty or with markup characters, it reads and writes back as set.
TEST_F(DomHandleTest, RewrittenValuesReadAndWriteAsSet) {
  IXMLDOMDocumentPtr doc = LoadXml("<R a=\"1\" b=\"x&amp;y\"/>");
  ASSERT_TRUE(doc);
  IXMLDOMElementPtr r = doc.documentElement();
  EXPECT_EQ(r.getAttribute("b"), "x&y");
  for (const char* value : {"", "A < B & 'c' \"d\"", "long text that is longer than the first one", "1"}) {
    r.setAttribute("a", value);
    r.setAttribute("b", value);
    EXPECT_EQ(r.getAttribute("a"), value);
    EXPECT_EQ(r.getAttribute("b"), value);
    EXPECT_TRUE(r.endsWithAttributes({{"a", value}, {"b", value}}));
  }
  r.setAttribute("a", "A < B & 'c'");
  EXPECT_EQ(r.xml(), "<R a=\"A &lt; B &amp; 'c'\" b=\"1\"/>");
}

// New attributes get the names they were given, also when a caller hands
// over the same buffer with another name each time, in a parsed document
// (which keeps names in a dictionary) and in a new one (which does not).
TEST_F(DomHandleTest, NewAttributesTakeTheNamesGiven) {
  IXMLDOMDocumentPtr parsed = LoadXml("<R/>");
  IXMLDOMDocumentPtr created = IXMLDOMDocumentPtr::Create();
  created.appendChild(created.createElement("R"));
  for (IXMLDOMDocumentPtr& doc : {std::ref(parsed), std::ref(created)}) {
    IXMLDOMElementPtr r = doc.documentElement();
    char name[8] = "Sql0";
    for (char digit = '0'; digit <= '9'; ++digit) {
      name[3] = digit;
      r.setAttribute(name, name);
      r.setAttribute("Expression", "x");
      r.removeAttribute("Expression");
    }
    EXPECT_EQ(r.xml(), "<R Sql0=\"Sql0\" Sql1=\"Sql1\" Sql2=\"Sql2\" Sql3=\"Sql3\" Sql4=\"Sql4\" Sql5=\"Sql5\" "
                       "Sql6=\"Sql6\" Sql7=\"Sql7\" Sql8=\"Sql8\" Sql9=\"Sql9\"/>");
  }
}

// The texts a parse leaves end the attribute list, in order; an empty one
// leaves none. Each row: the element before, the two values, the element
// after.
TEST_F(DomHandleTest, LastAttributesEndTheListInOrder) {
  struct Case {
    const char* before;
    const char* x;
    const char* y;
    const char* after;
  };
  const Case cases[] = {
      {"<E a=\"1\"/>", "x", "y", "<E a=\"1\" X=\"x\" Y=\"y\"/>"},                      // added
      {"<E a=\"1\" X=\"x\" Y=\"y\"/>", "x", "y", "<E a=\"1\" X=\"x\" Y=\"y\"/>"},        // in place
      {"<E a=\"1\" X=\"old\" Y=\"y\"/>", "new", "y", "<E a=\"1\" X=\"new\" Y=\"y\"/>"},  // changed in place
      {"<E X=\"old\" Y=\"old\"/>", "new", "newer", "<E X=\"new\" Y=\"newer\"/>"},  // both changed in place
      {"<E a=\"1\" X=\"x\" Y=\"\"/>", "x", "y", "<E a=\"1\" X=\"x\" Y=\"y\"/>"},  // an empty text filled
      {"<E X=\"x\" a=\"1\" Y=\"y\"/>", "x", "y", "<E a=\"1\" X=\"x\" Y=\"y\"/>"},        // one elsewhere
      {"<E a=\"1\" Y=\"y\" X=\"x\"/>", "x", "y", "<E a=\"1\" X=\"x\" Y=\"y\"/>"},        // wrong order
      {"<E Y=\"y\" a=\"1\" X=\"x\"/>", "x", "", "<E a=\"1\" X=\"x\"/>"},                  // empty goes, rest in place
      {"<E X=\"x\" Y=\"y\" a=\"1\"/>", "", "y", "<E a=\"1\" Y=\"y\"/>"},                  // empty goes, rest moves
      {"<E X=\"x\" Y=\"y\" a=\"1\"/>", "", "", "<E a=\"1\"/>"},                             // both go
      {"<E xmlns:p=\"urn:p\" p:X=\"1\"/>", "x", "", "<E xmlns:p=\"urn:p\" p:X=\"1\" X=\"x\"/>"},  // other namespace
      {"<!DOCTYPE E [<!ATTLIST E Y CDATA \"d\">]><E Y=\"y\" a=\"1\"/>", "x", "y",
       "<E a=\"1\" X=\"x\" Y=\"y\"/>"},  // a document type: by the general operations
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    IXMLDOMDocumentPtr doc = LoadXml(c.before);
    ASSERT_TRUE(doc);
    IXMLDOMElementPtr e = doc.documentElement();
    e.setLastAttributes({{"X", c.x}, {"Y", c.y}});
    EXPECT_EQ(e.xml(), c.after);
    e.setLastAttributes({{"X", c.x}, {"Y", c.y}});  // again: nothing moves
    EXPECT_EQ(e.xml(), c.after);
  }
  // A name that is no XML name is refused before anything changes.
  IXMLDOMElementPtr e = LoadXml("<E X=\"x\" a=\"1\"/>").documentElement();
  EXPECT_THROW(e.setLastAttributes({{"X", "y"}, {"1bad", "v"}}), _com_error);
  EXPECT_EQ(e.xml(), "<E X=\"x\" a=\"1\"/>");
}

TEST_F(DomHandleTest, InterfaceQueriesGiveNullForOtherKinds) {
  EXPECT_FALSE(IXMLDOMElementPtr(IXMLDOMNodePtr(m_doc)));
  EXPECT_TRUE(IXMLDOMDocumentPtr(IXMLDOMNodePtr(m_doc)));
  EXPECT_FALSE(IXMLDOMDocumentPtr(IXMLDOMNodePtr(Root())));
  IXMLDOMDocumentPtr withText = LoadXml("<a>hello</a>");
  EXPECT_FALSE(IXMLDOMElementPtr(withText.documentElement().firstChild()));
}

TEST_F(DomHandleTest, FindElementByAttributeFollowsChanges) {
  IXMLDOMElementPtr q = Select("Query[2]");
  q.setAttribute("GUID", "{g-1}");
  EXPECT_EQ(m_doc.findElementByAttribute("GUID", "{g-1}"), q);
  q.setAttribute("GUID", "{g-2}");
  EXPECT_FALSE(m_doc.findElementByAttribute("GUID", "{g-1}"));
  EXPECT_EQ(m_doc.findElementByAttribute("GUID", "{g-2}"), q);
  Root().removeChild(q);
  EXPECT_FALSE(m_doc.findElementByAttribute("GUID", "{g-2}"));
}

TEST(DomLoadTest, MalformedTextGivesLineAndColumn) {
  IXMLDOMDocumentPtr doc;
  EXPECT_FALSE(doc.loadXML("<Root>\n  <Query Name=\"A\">\n</Root>"));
  EXPECT_EQ(doc.parseError().line, 3);
  EXPECT_GT(doc.parseError().linepos, 0);
  EXPECT_FALSE(doc.parseError().reason.IsEmpty());
  EXPECT_FALSE(doc);
  EXPECT_FALSE(doc.load("/nonexistent/file.xml"));
  EXPECT_FALSE(doc.parseError().reason.IsEmpty());
}

TEST(DomLoadTest, ADetachedSubtreeLivesWhileAnyOfItsNodesIsHeld) {
  // Run under AddressSanitizer and LeakSanitizer: a node stays readable
  // while a handle holds it or a node above it, and the subtree goes with
  // the last handle, whichever is let go last.
  IXMLDOMDocumentPtr doc = LoadXml("<Root><A><B><C Name='c'/></B></A></Root>");
  for (const bool parentFirst : {true, false}) {
    SCOPED_TRACE(parentFirst);
    IXMLDOMNodePtr a = doc.documentElement().appendChild(doc.createElement("A"));
    IXMLDOMElementPtr c = a.appendChild(doc.createElement("B")).appendChild(doc.createElement("C"));
    c.setAttribute("Name", "c");
    IXMLDOMNodePtr b = c.parentNode();
    doc.documentElement().removeChild(a);
    if (parentFirst) {
      a = nullptr;
      b = nullptr;
      EXPECT_EQ(c.getAttribute("Name"), "c");
      EXPECT_EQ(c.parentNode().parentNode().nodeName(), "A");
    } else {
      c = nullptr;
      EXPECT_EQ(b.firstChild().nodeName(), "C");
      b = nullptr;
      EXPECT_EQ(a.firstChild().firstChild().nodeName(), "C");
    }
  }
}

TEST(DomLoadTest, ManyEditsOfOneLongLivedDocumentFreeWhatTheyDetach) {
  // Run under LeakSanitizer: detached and replaced nodes must be freed.
  IXMLDOMDocumentPtr doc = LoadXml("<Root><List/></Root>");
  IXMLDOMNodePtr list = doc.selectSingleNode("Root/List");
  for (int i = 0; i < 2000; ++i) {
    IXMLDOMElementPtr holder = doc.createElement("WithWhereObjs");
    list.parentNode().appendChild(holder);
    holder.appendChild(doc.createElement("Field"));
    IXMLDOMNodePtr placeholder = IXMLDOMDocumentPtr::Create().createElement("Text");
    list.appendChild(placeholder);
    list.replaceChild(holder.firstChild(), placeholder);
    list.parentNode().removeChild(holder);
    list.removeChild(list.firstChild());
    doc.findElementByAttribute("Name", "x");
  }
  EXPECT_FALSE(list.hasChildNodes());
  EXPECT_EQ(doc.documentElement().childNodes().length(), 1);
}

}  // namespace
