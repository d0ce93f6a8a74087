// BaseObjectTest.cpp - reference resolution into the document and the
// repository, loading, repository identity, attachments and the framework
// switch.
#include <gtest/gtest.h>

#include "support/RepositoryFixture.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/trellis/CBaseObject.h"
#include "contracts/trellis/CFrameCI.h"

namespace {

const char* kDocument = R"(<Queries>
  <Query Name="Local" GUID="{G-LOCAL}"/>
  <Query Name="Orders" GUID="{G-ORDERS}" Tag="document copy"/>
  <Field Name="ToLocal" RefObject="{G-LOCAL}"/>
  <Field Name="ToOrdersGuid" RefObject="{G-ORDERS}"/>
  <Field Name="ToPath" RefObject="$/Sales/Orders"/>
  <Field Name="ToHashPath" RefObject="#/Sales/Returns"/>
  <Field Name="ToRepoGuid" RefObject="{G-CODE}"/>
  <Field Name="ToMissingPath" RefObject="$/Sales/Missing"/>
  <Field Name="ToEscape" RefObject="$/../outside/Secret"/>
  <Field Name="ToMissingGuid" RefObject="{G-NONE}"/>
  <Field Name="Self" GUID="{G-SELF}" RefObject="{G-SELF}"/>
  <Field Name="Plain"/>
</Queries>)";

class BaseObjectTest : public RepositoryFixture {
 protected:
  void SetUp() override {
    RepositoryFixture::SetUp();
    WriteStandardRepository();
    Load(kDocument);
  }

  CBaseObject Object(const char* name) const {
    CString xpath;
    xpath.Format("*[@Name='%s']", name);
    IXMLDOMElementPtr element = Select(xpath);
    EXPECT_TRUE(element) << name;
    return CBaseObject(element);
  }

  // Resolves `name`'s reference; `target` receives the target's "Name" and
  // "Tag" attributes joined by "|", or "-" when there is no target.
  HRESULT Resolve(const char* name, CString& target) const {
    CBaseObject object = Object(name);
    IXMLDOMNodePtr node = Root();  // must be overwritten
    const HRESULT hr = object.GetRefObject(node, true);
    IXMLDOMElementPtr element(node);
    target = element ? element.getAttribute("Name") + "|" + element.getAttribute("Tag") : CString("-");
    EXPECT_EQ(object.GetRefObject(false) == nullptr, hr != S_OK) << name;
    return hr;
  }
};

TEST_F(BaseObjectTest, ReferencesWithTheRepositoryOpen) {
  OpenRepo();
  struct Case {
    const char* name;
    HRESULT hr;
    const char* target;
  };
  const Case cases[] = {
      {"ToLocal", S_OK, "Local|"},
      // The document's own element wins over the repository's.
      {"ToOrdersGuid", S_OK, "Orders|document copy"},
      {"ToPath", S_OK, "Orders|orders-file"},
      {"ToHashPath", S_OK, "Returns|"},
      {"ToRepoGuid", S_OK, "Code|"},
      {"ToMissingPath", TRLE_REFERENCE_UNRESOLVED, "-"},
      {"ToEscape", TRLE_REFERENCE_UNRESOLVED, "-"},
      {"ToMissingGuid", TRLE_REFERENCE_UNRESOLVED, "-"},
      {"Self", TRLE_REFERENCE_UNRESOLVED, "-"},
      {"Plain", S_FALSE, "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CString target;
    EXPECT_EQ(Resolve(c.name, target), c.hr);
    EXPECT_EQ(target, c.target);
  }
}

TEST_F(BaseObjectTest, ReferencesWithoutARepository) {
  struct Case {
    const char* name;
    HRESULT hr;
  };
  const Case cases[] = {
      {"ToLocal", S_OK},
      {"ToPath", TRLE_NO_REPOSITORY},
      {"ToHashPath", TRLE_NO_REPOSITORY},
      {"ToRepoGuid", TRLE_REFERENCE_UNRESOLVED},
      {"Plain", S_FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CString target;
    EXPECT_EQ(Resolve(c.name, target), c.hr);
  }
}

TEST_F(BaseObjectTest, ObjectCopiedFromTheRepositoryFindsItsOriginal) {
  // Same GUID as the repository object it refers to: the object itself is
  // not a target, the repository's element is.
  Load(R"(<Queries><Query Name="Orders" GUID="{G-ORDERS}" RefObject="{G-ORDERS}"/></Queries>)");
  OpenRepo();
  CString target;
  EXPECT_EQ(Resolve("Orders", target), S_OK);
  EXPECT_EQ(target, "Orders|orders-file");
}

TEST_F(BaseObjectTest, MalformedRepositoryFileFailsTheReference) {
  Write("Sales/Bad.xml", "<not xml");
  OpenRepo();
  CString target;
  EXPECT_EQ(Resolve("ToMissingGuid", target), B30E_XML_MALFORMED);
  EXPECT_TRUE(GetLastErrorInfo().set);
}

TEST_F(BaseObjectTest, AttachRefObjectFollowsIntoTheRepository) {
  OpenRepo();
  CBaseObject object = Object("ToPath");
  ASSERT_EQ(object.AttachRefObject(true), S_OK);
  EXPECT_EQ(object.GetAttribute("Tag"), "orders-file");
  EXPECT_TRUE(object.IsRepositoryObject(true));

  CBaseObject unresolved = Object("ToMissingPath");
  EXPECT_EQ(unresolved.AttachRefObject(true), TRLE_REFERENCE_UNRESOLVED);
  EXPECT_EQ(unresolved.GetName(), "ToMissingPath");  // still bound to its own element
}

TEST_F(BaseObjectTest, LoadFromRepositoryByPathOrGuid) {
  OpenRepo();
  struct Case {
    const char* text;
    bool byPath;
    HRESULT hr;
    const char* name;  // bound object's name afterwards ("" = still unbound)
  };
  const Case cases[] = {
      {"$/Sales/Orders", false, S_OK, "Orders"},
      {"#/Sales/Returns", false, S_OK, "Returns"},
      {"{G-CODE}", false, S_OK, "Code"},
      {"$/Finance/Ledger/Accounts", true, S_OK, "Accounts"},
      {"{G-CODE}", true, TRLE_PATH_NOT_FOUND, ""},  // a GUID is no path
      {"$/Sales/Missing", false, TRLE_PATH_NOT_FOUND, ""},
      {"$/../outside/Secret", true, TRLE_PATH_NOT_FOUND, ""},
      {"{G-NONE}", false, TRLE_REFERENCE_UNRESOLVED, ""},
      {"", false, TRLE_PATH_NOT_FOUND, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CBaseObject object;
    const HRESULT hr = c.byPath ? object.LoadFromRepositoryByPath(c.text, true) : object.LoadFromRepository(c.text, false);
    EXPECT_EQ(hr, c.hr);
    EXPECT_EQ(object.GetName(), c.name);
    EXPECT_EQ(object.IsNull(), hr != S_OK);
    EXPECT_EQ(object.IsRepositoryObject(false), hr == S_OK);
  }
  CRepository::Close();
  CBaseObject object;
  EXPECT_EQ(object.LoadFromRepository("$/Sales/Orders", true), TRLE_NO_REPOSITORY);
  EXPECT_EQ(object.LoadFromRepository("{G-CODE}", true), TRLE_NO_REPOSITORY);
}

TEST_F(BaseObjectTest, FailedLoadKeepsTheObjectsElement) {
  OpenRepo();
  CBaseObject object = Object("Plain");
  EXPECT_EQ(object.LoadFromRepository("$/Sales/Missing", true), TRLE_PATH_NOT_FOUND);
  EXPECT_EQ(object.GetName(), "Plain");
}

TEST_F(BaseObjectTest, PathNamesOfRepositoryAndDocumentObjects) {
  OpenRepo();
  struct Case {
    const char* load;
    const char* pathName;
    const char* path;
  };
  const Case cases[] = {
      {"$/Sales/Orders", "$/Sales/Orders", "$/Sales"},
      {"$/Sales/Returns", "$/Sales/Returns", "$/Sales"},
      {"$/Top", "$/Top", "$/"},
      {"{G-CODE}", "$/Finance/Ledger/Code", "$/Finance/Ledger"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.load);
    CBaseObject object;
    ASSERT_EQ(object.LoadFromRepository(c.load, true), S_OK);
    EXPECT_EQ(object.GetPathName(), c.pathName);
    EXPECT_EQ(object.GetPath(), c.path);
  }
  CBaseObject local = Object("Local");
  EXPECT_FALSE(local.IsRepositoryObject(true));
  EXPECT_EQ(local.GetPathName(), "Local");
  EXPECT_EQ(local.GetPath(), "");
  CBaseObject empty;
  EXPECT_FALSE(empty.IsRepositoryObject(true));
  EXPECT_EQ(empty.GetPathName(), "");
}

TEST_F(BaseObjectTest, DeleteRemovesDocumentObjectsButNotRepositoryObjects) {
  OpenRepo();
  CBaseObject local = Object("Local");
  EXPECT_EQ(local.Delete(false), S_OK);
  EXPECT_FALSE(Select("*[@Name='Local']"));

  CBaseObject stored;
  ASSERT_EQ(stored.LoadFromRepository("$/Sales/Returns", true), S_OK);
  EXPECT_EQ(stored.Delete(true), E_ACCESSDENIED);
  IXMLDOMElementPtr again;
  ASSERT_EQ(CRepository::FindByPath("$/Sales/Returns", again), S_OK);
  EXPECT_EQ(again, stored.GetElement());
}

TEST_F(BaseObjectTest, AttachmentsRoundTrip) {
  CBaseObject object = Object("Plain");
  const char* odd = "it's \"quoted\" ]|[ & <x>";
  CString data;
  EXPECT_EQ(object.GetAttachment("Notes", data), S_FALSE);

  EXPECT_EQ(object.SetAttachment("Notes", "first"), S_OK);
  EXPECT_EQ(object.SetAttachment(odd, "line 1\r\nline 2"), S_OK);
  EXPECT_EQ(object.SetAttachment("Empty", nullptr), S_OK);
  EXPECT_EQ(object.SetAttachment("Notes", "second"), S_OK);  // overwrites
  EXPECT_EQ(object.GetElement().selectNodes("Attachments/Attachment").length(), 3);

  EXPECT_EQ(object.GetAttachment("Notes", data), S_OK);
  EXPECT_EQ(data, "second");
  EXPECT_EQ(object.GetAttachment(odd, data), S_OK);
  EXPECT_EQ(data, "line 1\r\nline 2");
  EXPECT_EQ(object.GetAttachment("Empty", data), S_OK);
  EXPECT_EQ(data, "");
  EXPECT_EQ(object.GetAttachment("notes", data), S_FALSE);  // names are exact

  // Another object on the same element sees them: they live in the document.
  CBaseObject other(object.GetElement());
  EXPECT_EQ(other.GetAttachment("Notes", data), S_OK);

  EXPECT_EQ(object.DeleteAttachment("Notes"), S_OK);
  EXPECT_EQ(object.DeleteAttachment("Notes"), S_FALSE);
  EXPECT_EQ(object.GetAttachment("Notes", data), S_FALSE);
  EXPECT_EQ(data, "");
  EXPECT_EQ(object.DeleteAttachment(odd), S_OK);
  EXPECT_EQ(object.DeleteAttachment("Empty"), S_OK);
  EXPECT_FALSE(object.GetElement().selectSingleNode("Attachments"));  // no empty container left
}

TEST_F(BaseObjectTest, DeleteAttachmentRemovesDuplicates) {
  Load(R"(<Field Name="F"><Attachments><Attachment Name="A" Data="1"/><Attachment Name="A" Data="2"/>
          <Attachment Name="B" Data="3"/></Attachments></Field>)");
  CBaseObject object(Root());
  CString data;
  EXPECT_EQ(object.GetAttachment("A", data), S_OK);
  EXPECT_EQ(data, "1");
  EXPECT_EQ(object.DeleteAttachment("A"), S_OK);
  EXPECT_EQ(object.GetAttachment("A", data), S_FALSE);
  EXPECT_EQ(object.GetAttachment("B", data), S_OK);
  EXPECT_EQ(data, "3");
}

TEST_F(BaseObjectTest, AttachmentArgumentsAndNullObjects) {
  CBaseObject object = Object("Plain");
  CString data = "stale";
  EXPECT_EQ(object.SetAttachment("", "x"), E_INVALIDARG);
  EXPECT_EQ(object.SetAttachment(nullptr, "x"), E_INVALIDARG);
  EXPECT_EQ(object.GetAttachment(nullptr, data), S_FALSE);
  EXPECT_EQ(data, "");
  EXPECT_FALSE(object.GetElement().selectSingleNode("Attachments"));

  CBaseObject empty;
  data = "stale";
  EXPECT_EQ(empty.GetAttachment("Notes", data), S_FALSE);
  EXPECT_EQ(data, "");
  try {
    empty.SetAttachment("Notes", "x");
    ADD_FAILURE() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

TEST(FrameCITest, ExistGRSIsOffUntilSet) {
  EXPECT_FALSE(CFrameCI::ExistGRS());
  CFrameCI::SetExistGRS(true);
  EXPECT_TRUE(CFrameCI::ExistGRS());
  CFrameCI::SetExistGRS(false);
  EXPECT_FALSE(CFrameCI::ExistGRS());
}

}  // namespace

namespace {

class RepositoryAttachmentTest : public RepositoryFixture {};

TEST_F(RepositoryAttachmentTest, RepositoryObjectsRefuseAttachmentChanges) {
  Write("Sales/Orders.xml", R"(<Query Name="Orders"><Attachments><Attachment Name="n" Data="d"/></Attachments></Query>)");
  OpenRepo();
  CBaseObject object;
  ASSERT_EQ(object.LoadFromRepositoryByPath("$/Sales/Orders", true), S_OK);
  CString data;
  EXPECT_EQ(object.GetAttachment("n", data), S_OK);
  EXPECT_EQ(data, "d");
  EXPECT_EQ(object.SetAttachment("n", "changed"), E_ACCESSDENIED);
  EXPECT_EQ(object.DeleteAttachment("n"), E_ACCESSDENIED);
  EXPECT_EQ(object.GetAttachment("n", data), S_OK);
  EXPECT_EQ(data, "d");
}

}  // namespace
