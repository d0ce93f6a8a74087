// ToolTest.cpp - the tessel tool's exit codes, error reports and the
// queries subcommand, run as a separate process.
#include <gtest/gtest.h>

#include <string>

#include "support/ToolRunner.h"

namespace {

TEST(ToolTest, HelpListsSubcommandsAndExitsZero) {
  ToolRun run = Tool("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("queries DOC.xml"), std::string::npos);
}

TEST(ToolTest, QueriesListsIndexNameAndKind) {
  ToolRun run = Tool("queries " + SourceDir() + "/examples/union.xml");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out,
            "0\tCurrentRevenue\tMain\n"
            "1\tArchivedRevenue\tUnion All\n");
}

TEST(ToolTest, QueriesReadsStandardInputAndShowsUnknownKindsAs99) {
  ToolRun run = Tool("queries -", "<D><Query Name='A' ExType='Odd'/><Query Name='B'/></D>");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "0\tA\t99\n1\tB\t99\n");
}

TEST(ToolTest, MalformedInputIsReportedWithLineAndColumn) {
  ToolRun run = Tool("queries -", "<D>\n<Query Name='A'>\n</D>\n");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out.rfind("<stdin>:3:", 0), 0u) << run.out;
}

TEST(ToolTest, UsageErrorsExitTwo) {
  EXPECT_EQ(Tool("").status, 2);
  EXPECT_EQ(Tool("nosuch").status, 2);
  EXPECT_EQ(Tool("queries").status, 2);
  EXPECT_EQ(Tool("queries a.xml b.xml").status, 2);
  EXPECT_EQ(Tool("queries --bogus x.xml").status, 2);
  EXPECT_EQ(Tool("queries /nonexistent/doc.xml").status, 2);
  EXPECT_EQ(Tool("queries --repository /nonexistent/dir " + SourceDir() + "/examples/sales.xml").status, 2);
}

TEST(ToolTest, DoubleDashEndsOptions) {
  ToolRun run = Tool("queries -- -", "<D><Query Name='A' ExType='Main'/></D>");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "0\tA\tMain\n");
}

}  // namespace
