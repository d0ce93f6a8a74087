// HostileDocumentToolTest.cpp - documents and conditions that attack the
// tool: entity declarations, external references, writes that fail half
// way. Each must end in a clear error with the files as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ToolRunner.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class HostileDocumentToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = UniqueTempDir("tessel_hostile");
    ASSERT_FALSE(m_dir.empty());
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::string Write(const std::string& name, const std::string& text) const {
    const std::string path = m_dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // Runs the tool under a file-size limit of `blocks` KiB.
  static ToolRun LimitedTool(int blocks, const std::string& args) {
    return Shell("ulimit -f " + std::to_string(blocks) + "; " + std::string(TESSEL_TOOL_PATH) + " " + args);
  }

  std::string m_dir;
};

// A query named `name`, with `extra` attributes on its one field.
std::string Query(const std::string& name, const std::string& extra = "") {
  return "<Query Name='" + name + "'><QueryObjects><Field Name='CustomerName' Table='Customers' DataType='1' " + extra +
         "/></QueryObjects></Query>";
}

TEST_F(HostileDocumentToolTest, EntityDeclarationsAreRefusedByEverySubcommandWithTheirPlace) {
  const std::string big(50 * 1024, 'A');
  std::string uses;
  for (int i = 0; i < 2000; ++i) uses += "&e;";
  const std::string flat =
      Write("flat.xml", "<!DOCTYPE D [<!ENTITY e \"" + big + "\">]>\n<D>" + Query("Q", "Description='" + uses + "'") + "</D>");
  const std::string nested = Write("nested.xml",
                                   "<!DOCTYPE D [\n<!ENTITY a \"aaaaaaaaaa\">\n<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n"
                                   "<D Note='&b;'>" + Query("Q") + "</D>");
  const std::string external = Write("external.xml",
                                     "<!DOCTYPE D [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n<D>" +
                                         Query("Q") + "<Note>&x;</Note></D>");
  const struct {
    std::string file;
    std::string place;
  } documents[] = {{flat, ":1:"}, {nested, ":2:"}, {external, ":1:"}};
  for (const auto& d : documents) {
    for (const char* sub : {"sql", "parse", "run", "commands"}) {
      ToolRun run = Tool(std::string(sub) + " " + ShellQuote(d.file));
      EXPECT_EQ(run.status, 2) << sub << " " << d.file << "\n" << run.out;
      EXPECT_NE(run.out.find(d.file + d.place), std::string::npos) << run.out;
      EXPECT_NE(run.out.find("may not declare entities"), std::string::npos) << run.out;
      EXPECT_EQ(run.out.find("root:"), std::string::npos) << run.out;  // nothing of /etc/passwd
    }
  }
}

TEST_F(HostileDocumentToolTest, LibxmlLimitsHoldAndNothingIsFetched) {
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<a>";
  for (int i = 0; i < 300; ++i) deep += "</a>";
  const struct {
    std::string file;
    int status;
    const char* says;
  } documents[] = {
      {Write("deep.xml", "<D>" + Query("Q") + deep + "</D>"), 2, "depth"},
      {Write("long.xml", "<D>" + Query("Q", "Description='" + std::string(11 * 1024 * 1024, 'x') + "'") + "</D>"), 2,
       "too long"},
      // The external DTD is named but never read: the run goes on offline.
      {Write("dtd.xml", "<!DOCTYPE D SYSTEM \"http://127.0.0.1:9/query.dtd\">\n<D>" + Query("Q") + "</D>"), 0, "Q"},
  };
  for (const auto& d : documents) {
    for (const char* sub : {"parse", "run"}) {
      ToolRun run = Tool(std::string(sub) + " " + ShellQuote(d.file));
      EXPECT_EQ(run.status, d.status) << sub << " " << d.file << "\n" << run.out.substr(0, 300);
      EXPECT_NE(run.out.find(d.says), std::string::npos) << run.out.substr(0, 300);
    }
  }
}

TEST_F(HostileDocumentToolTest, AFailedWriteLeavesTheTargetAsItWas) {
  // A document large enough that its composed form passes a 4 KiB limit.
  std::string queries;
  for (int i = 0; i < 30; ++i) queries += Query("Q" + std::to_string(i));
  const std::string original = "<D>" + queries + "</D>";
  const std::string input = Write("doc.xml", original);
  ASSERT_LT(original.size(), 4096u);

  ToolRun inPlace = LimitedTool(4, "parse --in-place " + ShellQuote(input));
  EXPECT_EQ(inPlace.status, 2) << inPlace.out;
  EXPECT_NE(inPlace.out.find("cannot write the file"), std::string::npos) << inPlace.out;
  EXPECT_EQ(Slurp(input), original);

  const std::string output = Write("out.xml", "kept");
  ToolRun toFile = LimitedTool(4, "parse -o " + ShellQuote(output) + " " + ShellQuote(input));
  EXPECT_EQ(toFile.status, 2) << toFile.out;
  EXPECT_EQ(Slurp(output), "kept");

  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir)) ++files;
  EXPECT_EQ(files, 2u);  // no temporary file left beside the targets

  EXPECT_EQ(Tool("parse --in-place " + ShellQuote(input)).status, 0);
  EXPECT_NE(Slurp(input).find("Command="), std::string::npos);
}

TEST_F(HostileDocumentToolTest, PreservedSpaceAndCdataSurviveAWriteBack) {
  const std::string input =
      Write("doc.xml", "<D>" + Query("Q") + "<Note xml:space='preserve'>   </Note><Other><![CDATA[  ]]></Other></D>");
  ASSERT_EQ(Tool("parse --in-place " + ShellQuote(input)).status, 0);
  const std::string written = Slurp(input);
  EXPECT_NE(written.find("<Note xml:space=\"preserve\">   </Note>"), std::string::npos) << written;
  EXPECT_NE(written.find("<Other><![CDATA[  ]]></Other>"), std::string::npos) << written;
}

}  // namespace
