// RunToolE2eTest.cpp - "tessel run" as a user calls it: output formats on a
// database file of known rows, the demo database from any directory,
// --set values through the shell, and the exit codes of every failure.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ToolRunner.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class RunToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = UniqueTempDir("tessel_run_test");
    ASSERT_FALSE(dir_.empty());
    db_ = dir_ + "/known.sqlite";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(db_.c_str(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db,
                                "CREATE TABLE T (name TEXT, amount REAL);"
                                "INSERT INTO T VALUES ('Sean O''Brien', 12.5), ('a, \"b\"', NULL), ('', 100);",
                                nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    return ShellQuote(path);
  }

  std::string dir_;
  std::string db_;
};

// The rows of T sorted by name (in binary order: "" < "S" < "a").
const char* kSorted =
    "<D><Query Name='Q'><QueryObjects><Field Name='name' Table='T' DataType='200'/>"
    "<Field Name='amount' Table='T' DataType='5'/></QueryObjects>"
    "<SortObjects><Field Name='name' Table='T' DataType='200'/></SortObjects></Query></D>";

TEST_F(RunToolTest, PrintsAnAlignedTableAndTheRowCount) {
  const ToolRun run = Tool("run --db " + ShellQuote(db_) + " " + Write("q.xml", kSorted));
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out,
            "name          amount\n"
            "------------  ------\n"
            "               100.0\n"
            "Sean O'Brien    12.5\n"
            "a, \"b\"          NULL\n"
            "(3 rows)\n");
}

TEST_F(RunToolTest, CsvKeepsTheDataApartFromTheRowCount) {
  const ToolRun run = Tool("run --csv --db " + ShellQuote(db_) + " -", kSorted);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "name,amount\n\"\",100.0\nSean O'Brien,12.5\n\"a, \"\"b\"\"\",\n(3 rows)\n");
}

TEST_F(RunToolTest, LeavesTheDatabaseFileAsItWas) {
  const std::string before = Slurp(db_);
  EXPECT_EQ(Tool("run --db " + ShellQuote(db_) + " -", kSorted).status, 0);
  // A dataset named like a table would hide it from later statements.
  const ToolRun hiding =
      Tool("run --db " + ShellQuote(db_) + " -",
           "<D><Query Name='T'><QueryObjects><Field Name='name' Table='T'/></QueryObjects></Query></D>");
  EXPECT_EQ(hiding.status, 1);
  EXPECT_NE(hiding.out.find("would hide"), std::string::npos) << hiding.out;
  EXPECT_EQ(Slurp(db_), before);
}

TEST_F(RunToolTest, ReportsARejectedStatementWithSqlitesMessage) {
  const ToolRun run =
      Tool("run --db " + ShellQuote(db_) + " -",
           "<D><Query Name='Q'><QueryObjects><Field Name='x' Table='Nowhere'/></QueryObjects></Query></D>");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("no such table: Nowhere"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("CREATE DATASET [Q] BY SELECT Nowhere.x\nFROM Nowhere"), std::string::npos) << run.out;
}

TEST_F(RunToolTest, ExitCodesOfBadInput) {
  const std::string params =
      Write("p.xml",
            "<D><Parameters><Parameter Name='P' DataType='200'/></Parameters>"
            "<Query Name='Q'><QueryObjects><Field Name='name' Table='T'/></QueryObjects></Query></D>");
  const std::string empty = Write("e.xml", "<D><Query Name='Q'><QueryObjects/></Query></D>");
  const std::pair<std::string, int> cases[] = {
      {"run --db " + ShellQuote(dir_ + "/missing.sqlite") + " " + params, 2},
      {"run --db " + ShellQuote(dir_) + " " + params, 2},  // a directory is no database
      {"run --set Nope=1 " + params, 2},
      {"run --set P " + params, 2},
      {"run --set =1 " + params, 2},
      {"run --set \"it's=1\" " + params, 2},
      {"run " + Write("bad.xml", "<D><Query>"), 2},
      {"run " + ShellQuote(dir_ + "/absent.xml"), 2},
      {"run", 2},
      {"run " + empty, 1},
  };
  for (const auto& [args, status] : cases) {
    const ToolRun run = Tool(args);
    EXPECT_EQ(run.status, status) << args << "\n" << run.out;
    EXPECT_FALSE(run.out.empty()) << args;
  }
}

TEST_F(RunToolTest, DemoDatabaseTravelsWithTheTool) {
  const std::string example = ShellQuote(SourceDir() + "/examples/sales.xml");
  const ToolRun here = Tool("run " + example);
  ASSERT_EQ(here.status, 0) << here.out;
  EXPECT_NE(here.out.find(" rows)\n"), std::string::npos) << here.out;
  // The scripts are compiled in: a directory without examples/ changes nothing.
  const ToolRun elsewhere =
      Tool("run " + example + " && cd " + ShellQuote(dir_) + " && " + TESSEL_TOOL_PATH + " run " + example);
  EXPECT_EQ(elsewhere.out, here.out + here.out);
}

TEST_F(RunToolTest, SetValuesArriveAsTyped) {
  const std::string document = Write(
      "who.xml",
      "<D Datasource='Sales'><Datasources><Datasource Name='Sales' DBType='SQLite'/></Datasources>"
      "<Parameters><Parameter Name='Who' DataType='200'/></Parameters>"
      "<Query Name='Q' Datasource='Sales'><QueryObjects>"
      "<Field Name='CustomerName' Table='Customers' DataType='200'/></QueryObjects>"
      "<Condition ExType='WhereClause'><ExprBuildInfo><Field Name='CustomerName' Table='Customers' DataType='200'/>"
      "<Text Value='='/><Parameter Name='Who' DataType='200'/></ExprBuildInfo></Condition></Query></D>");
  const std::pair<std::string, std::string> cases[] = {
      {"Who=Sean O'Brien", "Sean O'Brien\n(1 row)\n"},
      {"Who='; DROP TABLE orders; --", "'; DROP TABLE orders; --\n(1 row)\n"},
      {"Who=Backslash Trading\\", "Backslash Trading\\\n(1 row)\n"},
      {"Who=Smith,, Jones & Co, Acme Corp", "Acme Corp\nSmith, Jones & Co\n(2 rows)\n"},
      {"Who=a=b", "(0 rows)\n"},
  };
  for (const auto& [setting, tail] : cases) {
    const ToolRun run = Tool("run --set " + ShellQuote(setting) + " " + document);
    EXPECT_EQ(run.status, 0) << setting << "\n" << run.out;
    ASSERT_GE(run.out.size(), tail.size()) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail) << setting << "\n" << run.out;
  }
}

}  // namespace
