// RunToolPostgresE2eTest.cpp - "tessel run --db postgresql://..." and
// "tessel demo-db" as a user calls them: every output format on the demo
// rows, the server's refusals, and a database whose own tables stay as they
// were whatever the documents run. Skipped without TESSEL_PG_URI.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "E2ePostgres.h"
#include "support/ToolRunner.h"

namespace e2e {
namespace {

// `uri` with its database name replaced by `database`.
std::string WithDatabase(const std::string& uri, const std::string& database) {
  const size_t path = uri.find('/', uri.find("://") + 3);
  const size_t query = uri.find('?', path);
  return uri.substr(0, path) + "/" + database + (query == std::string::npos ? "" : uri.substr(query));
}

class RunToolPostgresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    bool failed = false;
    server_ = PostgresDemoServer::Get(why, failed);
    ASSERT_FALSE(failed) << why;
    if (server_ == nullptr) GTEST_SKIP() << why;
    db_ = ShellQuote(WithDatabase(server_->Uri(), server_->Database()));
    dir_ = UniqueTempDir("tessel_run_pg_test");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::string Example(const std::string& name) const { return ShellQuote(SourceDir() + "/examples/" + name); }

  const PostgresDemoServer* server_ = nullptr;
  std::string db_;  // the demo database's URI, quoted for the shell
  std::string dir_;
};

TEST_F(RunToolPostgresTest, PrintsTheLastDatasetInEveryFormat) {
  const ToolRun table = Tool("run --db " + db_ + " " + Example("sales.xml"));
  EXPECT_EQ(table.status, 0) << table.out;
  EXPECT_EQ(table.out,
            "customername       region  sum\n"
            "-----------------  ------  ---\n"
            "Alpha Traders      South   544\n"
            "Smith, Jones & Co  South   200\n"
            "Mueller KG         North   174\n"
            "Quinn Partners     North   102\n"
            "(4 rows)\n");
  const ToolRun csv = Tool("run --csv --db " + db_ + " " + Example("sales.xml"));
  EXPECT_EQ(csv.status, 0) << csv.out;
  EXPECT_EQ(csv.out,
            "customername,region,sum\nAlpha Traders,South,544\n\"Smith, Jones & Co\",South,200\n"
            "Mueller KG,North,174\nQuinn Partners,North,102\n(4 rows)\n");
  const ToolRun json = Tool("run --json --db " + db_ + " " + Example("sales.xml"));
  EXPECT_EQ(json.status, 0) << json.out;
  EXPECT_NE(json.out.find("{\"customername\": \"Alpha Traders\", \"region\": \"South\", \"sum\": 544}"),
            std::string::npos)
      << json.out;
}

// Dates of the document, of parameter values and of "@" calls are typed
// literals PostgreSQL reads; the merge of a split query is addressed by
// position.
TEST_F(RunToolPostgresTest, RunsParametersDatesAndSplitQueries) {
  const ToolRun period =
      Tool("run --csv --db " + db_ + " --set Period=2012Q1 --set 'Regions=East' " + Example("parameters.xml"));
  EXPECT_EQ(period.status, 0) << period.out;
  EXPECT_EQ(period.out, "region,customername,sum\nEast,Aoki KK,30\nEast,Brown & Co,24.25\n(2 rows)\n");
  const ToolRun split = Tool("run --db " + db_ + " " + Example("split.xml"));
  EXPECT_EQ(split.status, 0) << split.out;
  EXPECT_NE(split.out.find("(10 rows)\n"), std::string::npos) << split.out;
}

TEST_F(RunToolPostgresTest, ReportsTheServersRefusalWithTheStatement) {
  const ToolRun run =
      Tool("run --db " + db_ + " -",
           "<D><Query Name='Q'><QueryObjects><Field Name='x' Table='Nowhere'/></QueryObjects></Query></D>");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("relation \"nowhere\" does not exist"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("CREATE DATASET [Q] BY SELECT Nowhere.x\nFROM Nowhere"), std::string::npos) << run.out;
  const ToolRun unreachable = Tool("run --db " + ShellQuote(WithDatabase(server_->Uri(), "no_such_db")) + " " +
                                   Example("sales.xml"));
  EXPECT_EQ(unreachable.status, 2) << unreachable.out;
  EXPECT_NE(unreachable.out.find("no_such_db"), std::string::npos) << unreachable.out;
}

TEST_F(RunToolPostgresTest, DocumentsLeaveTheDatabasesTablesUnchanged) {
  const std::string who =
      "<D Datasource='Sales'><Datasources><Datasource Name='Sales' DBType='PostgreSQL'/></Datasources>"
      "<Parameters><Parameter Name='Who' DataType='200'/></Parameters>"
      "<Query Name='Q' Datasource='Sales'><QueryObjects>"
      "<Field Name='CustomerName' Table='Customers' DataType='200'/></QueryObjects>"
      "<Condition ExType='WhereClause'><ExprBuildInfo><Field Name='CustomerName' Table='Customers' DataType='200'/>"
      "<Text Value='='/><Parameter Name='Who' DataType='200'/></ExprBuildInfo></Condition></Query></D>";
  const std::pair<std::string, int> settings[] = {
      {"Who='; DROP TABLE orders; --", 0},
      {"Who=^'' OR 1=1; DROP TABLE Orders; --", 1},
      {"Who=^(SELECT count(*) FROM (DELETE FROM Orders RETURNING 1) d)", 1},
      {"Who=^'x' UNION SELECT setval('x', 1)::text", 1},
  };
  for (const auto& [setting, status] : settings) {
    const ToolRun run = Tool("run --db " + db_ + " --set " + ShellQuote(setting) + " -", who);
    EXPECT_EQ(run.status, status) << setting << "\n" << run.out;
  }
  // A dataset named like a table of the database is refused.
  const ToolRun hiding =
      Tool("run --db " + db_ + " -",
           "<D><Query Name='ORDERS'><QueryObjects><Field Name='OrderID' Table='Orders'/></QueryObjects></Query></D>");
  EXPECT_EQ(hiding.status, 1);
  EXPECT_NE(hiding.out.find("would hide"), std::string::npos) << hiding.out;
  Rows census;
  std::string error;
  ASSERT_TRUE(server_->Census(census, error)) << error;
  EXPECT_EQ(census, server_->Loaded());
}

TEST_F(RunToolPostgresTest, DemoDbCreatesTheRowsOnceInAnEmptyDatabase) {
  const std::string name = server_->Database() + "_made";
  PostgresDatabase admin;
  std::string error;
  ASSERT_TRUE(admin.Connect(server_->Uri(), error)) << error;
  ASSERT_TRUE(admin.ExecuteScript("DROP DATABASE IF EXISTS " + name, error)) << error;
  ASSERT_TRUE(admin.ExecuteScript("CREATE DATABASE " + name, error)) << error;
  const std::string target = ShellQuote(WithDatabase(server_->Uri(), name));
  const ToolRun made = Tool("demo-db --db " + target);
  EXPECT_EQ(made.status, 0) << made.out;
  EXPECT_EQ(Tool("run --db " + target + " " + Example("union.xml")).out,
            Tool("run --db " + db_ + " " + Example("union.xml")).out);
  const ToolRun again = Tool("demo-db --db " + target);
  EXPECT_EQ(again.status, 1) << again.out;
  EXPECT_NE(again.out.find("already has a table named customers"), std::string::npos) << again.out;
  // The same tables and rows on SQLite, in a new file.
  const std::string file = ShellQuote(dir_ + "/demo.sqlite");
  EXPECT_EQ(Tool("demo-db --db " + file).status, 0);
  EXPECT_EQ(Tool("run --db " + file + " " + Example("sales.xml")).out, Tool("run " + Example("sales.xml")).out);
  EXPECT_TRUE(admin.ExecuteScript("DROP DATABASE " + name + " WITH (FORCE)", error)) << error;
}

}  // namespace
}  // namespace e2e
