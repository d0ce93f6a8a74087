// DocumentLoadTest.cpp - what loading accepts and refuses (entity
// declarations, libxml2's depth and size limits), which white space it
// keeps, and that saving replaces a file only once the new text is written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "support/XmlFixture.h"

namespace {

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<a>";
  for (int i = 0; i < depth; ++i) text += "</a>";
  return text;
}

struct Refused {
  const char* name;
  std::string xml;
  const char* reason;  // a part of the reason the load gives
};

TEST(DocumentLoadTest, DocumentsThatDeclareEntitiesOrPassTheLimitsAreRefused) {
  const std::string big(50 * 1024, 'A');
  std::string uses;
  for (int i = 0; i < 2000; ++i) uses += "&e;";
  const Refused cases[] = {
      {"flat internal entity used many times",
       "<!DOCTYPE D [<!ENTITY e \"" + big + "\">]>\n<D><Q Description=\"" + uses + "\"/></D>",
       "declares the entity 'e'"},
      {"nested entities", "<!DOCTYPE D [<!ENTITY a \"xxxxxxxxxx\"><!ENTITY b \"&a;&a;&a;&a;\">]><D a=\"&b;\"/>",
       "declares the entity 'a'"},
      {"parameter entity", "<!DOCTYPE D [<!ENTITY % p \"x\">]><D/>", "declares the entity 'p'"},
      {"external entity in text", "<!DOCTYPE D [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><D>&x;</D>",
       "declares the entity 'x'"},
      {"external entity in an attribute", "<!DOCTYPE D [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><D a=\"&x;\"/>",
       "declares the entity 'x'"},
      {"entity loop", "<!DOCTYPE D [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><D a=\"&a;\"/>",
       "declares the entity 'a'"},
      {"undeclared entity", "<D a=\"&nothing;\"/>", "nothing"},
      {"depth past 256", Nested(300), "depth"},
      {"attribute longer than 10 MB", "<D a=\"" + std::string(11 * 1024 * 1024, 'x') + "\"/>", "too long"},
  };
  for (const Refused& c : cases) {
    IXMLDOMDocumentPtr doc;
    EXPECT_FALSE(doc.loadXML(c.xml.c_str())) << c.name;
    EXPECT_FALSE(doc) << c.name;
    const XmlParseError& e = doc.parseError();
    EXPECT_NE(std::string(e.reason.GetString()).find(c.reason), std::string::npos) << c.name << ": " << e.reason.GetString();
    EXPECT_GT(e.line, 0) << c.name;
    EXPECT_GT(e.linepos, 0) << c.name;
  }
}

TEST(DocumentLoadTest, ADeclarationIsReportedWhereItStands) {
  IXMLDOMDocumentPtr doc;
  ASSERT_FALSE(doc.loadXML("<?xml version=\"1.0\"?>\n<!DOCTYPE D [\n  <!ENTITY e \"x\">]>\n<D/>"));
  EXPECT_EQ(doc.parseError().line, 3);
}

TEST(DocumentLoadTest, PredefinedEntitiesCharacterReferencesAndABareDoctypeStayAccepted) {
  IXMLDOMDocumentPtr doc = LoadXml("<!DOCTYPE D><D a=\"&lt;&amp;&#65;&quot;&apos;\"/>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc.documentElement().getAttribute("a"), "<&A\"'");
  // An external DTD is named but never fetched.
  EXPECT_TRUE(LoadXml("<!DOCTYPE D SYSTEM \"http://127.0.0.1:9/none.dtd\"><D/>"));
}

TEST(DocumentLoadTest, FormattingIsDroppedButPreservedSpaceAndCdataStay) {
  IXMLDOMDocumentPtr doc = LoadXml(
      "<D>\n  <P xml:space=\"preserve\">   <In>  </In><Back xml:space=\"default\">  <X/>  </Back></P>\n"
      "  <C><![CDATA[  ]]></C>\n  <T>  </T>\n  <M>x <b/> <!--c--> y</M>\n  <R>&#32; <b/> </R>\n</D>");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc.documentElement().xml(),
            "<D><P xml:space=\"preserve\">   <In>  </In><Back xml:space=\"default\"><X/></Back></P>"
            "<C><![CDATA[  ]]></C><T/><M>x <b/><!--c--> y</M><R><b/></R></D>");
}

class DocumentSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    m_dir = std::filesystem::temp_directory_path() / ("tessel-save-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  static std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  size_t FilesInDir() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_dir), {}));
  }

  std::filesystem::path m_dir;
};

TEST_F(DocumentSaveTest, SaveReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporary) {
  const std::filesystem::path file = m_dir / "doc.xml";
  std::ofstream(file) << "old";
  chmod(file.c_str(), 0640);
  IXMLDOMDocumentPtr doc = LoadXml("<D a=\"1\"/>");
  ASSERT_TRUE(doc.save(file.c_str()));
  EXPECT_EQ(Slurp(file), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<D a=\"1\"/>\n");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(DocumentSaveTest, SavingThroughALinkReplacesTheLinkedFile) {
  const std::filesystem::path file = m_dir / "doc.xml";
  const std::filesystem::path link = m_dir / "link.xml";
  std::ofstream(file) << "old";
  std::filesystem::create_symlink(file, link);
  ASSERT_TRUE(LoadXml("<D/>").save(link.c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_NE(Slurp(file).find("<D/>"), std::string::npos);
}

TEST_F(DocumentSaveTest, AFailedSaveLeavesNothingBehind) {
  IXMLDOMDocumentPtr doc = LoadXml("<D/>");
  EXPECT_FALSE(doc.save((m_dir / "missing" / "doc.xml").c_str()));
  EXPECT_FALSE(doc.save(m_dir.c_str()));  // a folder is not replaced by a file
  EXPECT_TRUE(std::filesystem::is_directory(m_dir));
  EXPECT_FALSE(doc.save(""));
  EXPECT_EQ(FilesInDir(), 0u);
}

}  // namespace
