// DocumentToolTest.cpp - the parse, commands and sql subcommands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ToolRunner.h"

namespace {

std::string Example(const char* name) { return SourceDir() + "/examples/" + name; }

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const char* kFailing = "<D><Query Name='Good'><QueryObjects><Field Name='a' Table='T'/></QueryObjects></Query>"
                       "<Query Name='Bad'><QueryObjects/></Query></D>";

TEST(DocumentToolTest, SqlPrintsEachQuerySeparatedByABlankLine) {
  ToolRun run = Tool("sql " + Example("union.xml"));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out,
            "SELECT C.CustomerName, C.Region, SUM(L.Amount)\n"
            "FROM Customers C,OrderLines L,Orders O\n"
            "WHERE O.OrderID > 0 AND C.CustomerID = O.CustomerID AND O.OrderID = L.OrderID\n"
            "GROUP BY C.CustomerName,C.Region\n"
            "\n"
            "SELECT ArchivedRevenue.CustomerName, ArchivedRevenue.Region, SUM(ArchivedRevenue.Amount)\n"
            "FROM ArchivedRevenue\n"
            "GROUP BY ArchivedRevenue.CustomerName,ArchivedRevenue.Region\n");
}

TEST(DocumentToolTest, CommandsJoinsTheUnionIntoOneStatement) {
  ToolRun run = Tool("commands " + Example("union.xml"));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out.rfind("CREATE DATASET [CurrentRevenue] BY SELECT C.CustomerName", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\n UNION ALL \nSELECT ArchivedRevenue.CustomerName"), std::string::npos) << run.out;
}

TEST(DocumentToolTest, ParseWritesTheDocumentAlsoAfterAFailure) {
  ToolRun run = Tool("parse -", kFailing);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Command=\"CREATE DATASET [Good] BY SELECT T.a&#13;&#10;FROM T\""), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("error 0xE00032CD: Query 'Bad' could not be composed"), std::string::npos) << run.out;
}

TEST(DocumentToolTest, ParseReportsADocumentItCouldNotWrite) {
  // Standard output on a full device: the write fails, and so does the run.
  const std::string doc = SourceDir() + "/examples/sales.xml";
  ToolRun run = Shell("(" + std::string(TESSEL_TOOL_PATH) + " parse " + ShellQuote(doc) + " > /dev/full)");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("cannot write the document to standard output"), std::string::npos) << run.out;
}

TEST(DocumentToolTest, ParseNeverOverwritesTheInputUnlessAsked) {
  const std::string dir = UniqueTempDir("tessel_parse_test");
  ASSERT_FALSE(dir.empty());
  const std::string input = dir + "/doc.xml";
  std::ofstream(input) << "<D><Query Name='Q'><QueryObjects><Field Name='a' Table='T'/></QueryObjects></Query></D>";
  EXPECT_EQ(Tool("parse -o " + ShellQuote(input) + " " + ShellQuote(input)).status, 2);
  EXPECT_EQ(Slurp(input).find("Command="), std::string::npos);
  const std::string output = dir + "/out.xml";
  EXPECT_EQ(Tool("parse -o " + ShellQuote(output) + " " + ShellQuote(input)).status, 0);
  EXPECT_NE(Slurp(output).find("Command="), std::string::npos);
  EXPECT_EQ(Tool("parse --in-place " + ShellQuote(input)).status, 0);
  EXPECT_NE(Slurp(input).find("Command="), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(DocumentToolTest, GrsRecomposesStoredCommands) {
  const char* stored = "<D><Query Name='Q' Command='stale' Sql='stale'><QueryObjects><Field Name='a' Table='T'/>"
                       "</QueryObjects></Query></D>";
  EXPECT_EQ(Tool("sql -", stored).out, "stale\n");
  EXPECT_EQ(Tool("sql --grs -", stored).out, "SELECT T.a\nFROM T\n");
}

TEST(DocumentToolTest, FailingDocumentExitsOneForSqlAndCommands) {
  EXPECT_EQ(Tool("sql -", kFailing).status, 1);
  EXPECT_EQ(Tool("commands -", kFailing).status, 1);
}

}  // namespace
