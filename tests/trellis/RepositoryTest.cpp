// RepositoryTest.cpp - opening, path and GUID look-up, containment and the
// folder's boundary.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RepositoryFixture.h"
#include "contracts/basis30/ResultCodes.h"

namespace {

class RepositoryTest : public RepositoryFixture {};

TEST_F(RepositoryTest, OpenAcceptsOnlyFolders) {
  Write("Plain.xml", "<Query Name=\"Plain\"/>");
  const std::string file = (Repo() / "Plain.xml").string();
  const std::string missing = (Repo() / "missing").string();
  for (const char* dir : {static_cast<const char*>(nullptr), "", file.c_str(), missing.c_str()}) {
    SCOPED_TRACE(dir ? dir : "(null)");
    EXPECT_EQ(CRepository::Open(dir), E_INVALIDARG);
    EXPECT_FALSE(CRepository::IsOpen());
  }
  OpenRepo();
  EXPECT_EQ(CRepository::GetRoot(), std::filesystem::canonical(Repo()).string().c_str());
  // A failed open leaves the open repository alone.
  EXPECT_EQ(CRepository::Open(file.c_str()), E_INVALIDARG);
  EXPECT_TRUE(CRepository::IsOpen());
  CRepository::Close();
  EXPECT_FALSE(CRepository::IsOpen());
  EXPECT_TRUE(CRepository::GetRoot().IsEmpty());
}

TEST_F(RepositoryTest, IsRepositoryPathNeedsAPrefixAndASlash) {
  EXPECT_TRUE(CRepository::IsRepositoryPath("$/Sales/Orders"));
  EXPECT_TRUE(CRepository::IsRepositoryPath("#/Orders"));
  for (const char* text : {static_cast<const char*>(nullptr), "", "$", "#", "$Sales", "Sales/Orders", "{G-1}", "/$/x"}) {
    EXPECT_FALSE(CRepository::IsRepositoryPath(text)) << (text ? text : "(null)");
  }
}

TEST_F(RepositoryTest, FindByPathResolvesFileAndChildObjects) {
  WriteStandardRepository();
  OpenRepo();
  struct Case {
    const char* path;
    const char* tag;   // element name expected
    const char* name;  // its Name
  };
  const Case cases[] = {
      {"$/Sales/Orders", "Query", "Orders"},        // document element
      {"#/Sales/Orders", "Query", "Orders"},        // the other prefix
      {"$/Sales/Returns", "Query", "Returns"},      // direct child of a container
      {"$/Sales/Amount", "Field", "Amount"},
      {"$/Sales\\Returns", "Query", "Returns"},     // Windows separator
      {"$/Top", "Dataset", "Top"},                  // root folder
      {"$/Finance/Ledger/Accounts", "Dataset", "Accounts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    IXMLDOMElementPtr element;
    ASSERT_EQ(CRepository::FindByPath(c.path, element), S_OK);
    ASSERT_TRUE(element);
    EXPECT_EQ(element.tagName(), c.tag);
    EXPECT_EQ(element.getAttribute("Name"), c.name);
  }
}

TEST_F(RepositoryTest, FindByPathFailures) {
  WriteStandardRepository();
  Load("<Other/>");
  IXMLDOMElementPtr element;
  EXPECT_EQ(CRepository::FindByPath("$/Sales/Orders", element), TRLE_NO_REPOSITORY);
  OpenRepo();
  for (const char* path : {
           "$/Sales/Missing",
           "$/Nowhere/Orders",
           "$/Finance/Code",              // a grandchild is not an object of the folder
           "$/Sales/Orders/Id",           // objects are not folders
           "$/Sales/", "$/", "$//Orders", // empty segments
           "Sales/Orders", "{G-ORDERS}",  // not a path
           static_cast<const char*>(nullptr),
       }) {
    SCOPED_TRACE(path ? path : "(null)");
    element = Root();  // must be cleared
    EXPECT_EQ(CRepository::FindByPath(path, element), TRLE_PATH_NOT_FOUND);
    EXPECT_FALSE(element);
  }
}

TEST_F(RepositoryTest, FirstXmlFileInNameOrderWins) {
  Write("Sales/b.xml", R"(<Query Name="Orders" Tag="b"/>)");
  Write("Sales/a.xml", R"(<Objects><Query Name="Orders" Tag="a"/></Objects>)");
  Write("Sales/0.txt", R"(<Query Name="Orders" Tag="txt"/>)");
  std::filesystem::create_directories(Repo() / "Sales" / "0.xml");  // a folder, not a file
  OpenRepo();
  IXMLDOMElementPtr element;
  ASSERT_EQ(CRepository::FindByPath("$/Sales/Orders", element), S_OK);
  EXPECT_EQ(element.getAttribute("Tag"), "a");
}

TEST_F(RepositoryTest, FilesAreReadOncePerOpenRepository) {
  WriteStandardRepository();
  OpenRepo();
  IXMLDOMElementPtr first;
  ASSERT_EQ(CRepository::FindByPath("$/Sales/Orders", first), S_OK);
  Write("Sales/Orders.xml", R"(<Query Name="Orders" Tag="rewritten"/>)");
  IXMLDOMElementPtr again;
  ASSERT_EQ(CRepository::FindByPath("$/Sales/Orders", again), S_OK);
  EXPECT_EQ(again, first);  // the same element, not a second copy
  EXPECT_EQ(again.getAttribute("Tag"), "orders-file");
  IXMLDOMElementPtr byGuid;
  ASSERT_EQ(CRepository::FindByGUID("{G-ORDERS}", byGuid), S_OK);
  EXPECT_EQ(byGuid, first);

  // Reopening starts from the disk again.
  OpenRepo();
  ASSERT_EQ(CRepository::FindByPath("$/Sales/Orders", again), S_OK);
  EXPECT_EQ(again.getAttribute("Tag"), "rewritten");
}

TEST_F(RepositoryTest, PathsCannotLeaveTheRepositoryFolder) {
  WriteAt(Outside() / "Secret.xml", R"(<Query Name="Secret" GUID="{G-SECRET}"/>)");
  WriteAt(Outside() / "Deeper" / "Secret.xml", R"(<Query Name="Secret"/>)");
  Write("Sales/Orders.xml", R"(<Query Name="Orders"/>)");
  std::filesystem::create_directory_symlink(Outside(), Repo() / "Linked");
  OpenRepo();
  const std::string absolute = "$/" + Outside().string() + "/Secret";  // "$//tmp/..."
  const std::string absoluteNoSlash = "$/" + Outside().relative_path().string() + "/Secret";
  for (const std::string& path : {
           std::string("$/../outside/Secret"),
           std::string("$/Sales/../../outside/Secret"),
           std::string("#/..\\outside\\Secret"),
           std::string("$/../outside/Deeper/Secret"),
           std::string("$/./../outside/Secret"),
           absolute,
           std::string("$/Linked/Secret"),  // a link out of the folder
       }) {
    SCOPED_TRACE(path);
    IXMLDOMElementPtr element;
    EXPECT_EQ(CRepository::FindByPath(path.c_str(), element), TRLE_PATH_NOT_FOUND);
    EXPECT_FALSE(element);
  }
  // Without the leading slash the same text is a folder chain inside the
  // repository, which does not exist.
  IXMLDOMElementPtr element;
  EXPECT_EQ(CRepository::FindByPath(absoluteNoSlash.c_str(), element), TRLE_PATH_NOT_FOUND);
  // The GUID search does not walk through the link either.
  EXPECT_EQ(CRepository::FindByGUID("{G-SECRET}", element), TRLE_REFERENCE_UNRESOLVED);
}

TEST_F(RepositoryTest, FindByGUIDSearchesEveryFolder) {
  WriteStandardRepository();
  IXMLDOMElementPtr element;
  EXPECT_EQ(CRepository::FindByGUID("{G-CODE}", element), TRLE_NO_REPOSITORY);
  OpenRepo();
  struct Case {
    const char* guid;
    const char* name;
  };
  for (const Case& c : {Case{"{G-CODE}", "Code"}, Case{"{G-RETURNS}", "Returns"}, Case{"{G-TOP}", "Top"}}) {
    SCOPED_TRACE(c.guid);
    ASSERT_EQ(CRepository::FindByGUID(c.guid, element), S_OK);
    EXPECT_EQ(element.getAttribute("Name"), c.name);
  }
  for (const char* guid : {"{G-NONE}", "", "{g-code}", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(guid ? guid : "(null)");
    EXPECT_EQ(CRepository::FindByGUID(guid, element), TRLE_REFERENCE_UNRESOLVED);
    EXPECT_FALSE(element);
  }
}

TEST_F(RepositoryTest, MalformedFileIsReportedWithItsName) {
  Write("Sales/Bad.xml", "<Query Name=\"Orders\"><unclosed></Query>");
  Write("Sales/Good.xml", R"(<Query Name="Later" GUID="{G-LATER}"/>)");
  Write("Sales/Aaa.xml", R"(<Query Name="Early"/>)");
  OpenRepo();
  IXMLDOMElementPtr element;
  // The bad file comes before Good.xml, so "Later" cannot be told apart from
  // an object the bad file might hold.
  EXPECT_EQ(CRepository::FindByPath("$/Sales/Later", element), B30E_XML_MALFORMED);
  EXPECT_FALSE(element);
  const ErrorInfo info = GetLastErrorInfo();
  ASSERT_TRUE(info.set);
  EXPECT_GE(info.message.Find("not well-formed"), 0) << info.message.GetString();
  EXPECT_GE(info.message.Find("line 1"), 0) << info.message.GetString();
  EXPECT_GE(info.detail.Find("Bad.xml"), 0) << info.detail.GetString();
  // A match ahead of the bad file is still found; so is a GUID (GUIDs are
  // unique, so order does not matter).
  EXPECT_EQ(CRepository::FindByPath("$/Sales/Early", element), S_OK);
  EXPECT_EQ(CRepository::FindByGUID("{G-LATER}", element), S_OK);
  // A GUID held by no readable file may be in the bad one.
  ClearErrorInfo();
  EXPECT_EQ(CRepository::FindByGUID("{G-NONE}", element), B30E_XML_MALFORMED);
  EXPECT_TRUE(GetLastErrorInfo().set);
  // The failure is remembered, not a reason to read the file again.
  Write("Sales/Bad.xml", R"(<Query Name="Later"/>)");
  EXPECT_EQ(CRepository::FindByPath("$/Sales/Later", element), B30E_XML_MALFORMED);
}

TEST_F(RepositoryTest, ContainsGivesAPathThatLeadsBackToTheObject) {
  WriteStandardRepository();
  OpenRepo();
  struct Case {
    const char* find;    // path used to load
    const char* node;    // node below the found element ("." for itself)
    const char* path;    // expected object path
    const char* object;  // the object that path names, from the found element
  };
  const Case cases[] = {
      {"$/Sales/Orders", ".", "$/Sales/Orders", "."},
      {"$/Sales/Orders", "QueryObjects/Field", "$/Sales/Orders", "."},  // unnamed container
      {"$/Sales/Returns", ".", "$/Sales/Returns", "."},
      {"$/Top", ".", "$/Top", "."},
      {"$/Finance/Ledger/Accounts", ".", "$/Finance/Ledger/Accounts", "."},
      {"$/Finance/Ledger/Accounts", "Column", "$/Finance/Ledger/Code", "Column"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.find) + " " + c.node);
    IXMLDOMElementPtr element;
    ASSERT_EQ(CRepository::FindByPath(c.find, element), S_OK);
    IXMLDOMNodePtr node = element.selectSingleNode(c.node);
    ASSERT_TRUE(node);
    CString path;
    ASSERT_TRUE(CRepository::Contains(node, &path));
    EXPECT_EQ(path, c.path);
    IXMLDOMElementPtr back;
    ASSERT_EQ(CRepository::FindByPath(path, back), S_OK);
    EXPECT_EQ(back, element.selectSingleNode(c.object));
  }
}

TEST_F(RepositoryTest, UnnamedFileObjectIsNamedByItsFile) {
  Write("Misc/Index.xml", R"(<Objects GUID="{G-LOOSE}"/>)");
  OpenRepo();
  IXMLDOMElementPtr element;
  ASSERT_EQ(CRepository::FindByGUID("{G-LOOSE}", element), S_OK);
  CString path;
  ASSERT_TRUE(CRepository::Contains(element, &path));
  EXPECT_EQ(path, "$/Misc/Index");
}

TEST_F(RepositoryTest, ContainsIsFalseOutsideTheRepository) {
  WriteStandardRepository();
  Load(R"(<Query Name="Orders" GUID="{G-ORDERS}"/>)");
  EXPECT_FALSE(CRepository::Contains(Root()));  // closed
  OpenRepo();
  IXMLDOMElementPtr element;
  ASSERT_EQ(CRepository::FindByPath("$/Sales/Orders", element), S_OK);
  EXPECT_TRUE(CRepository::Contains(element));
  EXPECT_TRUE(CRepository::Contains(element.ownerDocument()));
  EXPECT_FALSE(CRepository::Contains(Root()));  // same content, another document
  EXPECT_FALSE(CRepository::Contains(IXMLDOMNodePtr()));
  CRepository::Close();
  EXPECT_FALSE(CRepository::Contains(element));
}

}  // namespace
