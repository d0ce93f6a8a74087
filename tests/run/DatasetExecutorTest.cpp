// DatasetExecutorTest.cpp - datasets created from hand-written command texts
// on a small database: set operations, merges, the refusal of anything but
// one dataset statement, and the reports of failing statements.
#include <gtest/gtest.h>

#include "tools/tessel/DatasetExecutor.h"
#include "tools/tessel/SqliteDatabase.h"

namespace {

class DatasetExecutorTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  // A fresh database holding only T.
  void Open() {
    std::string error;
    ASSERT_TRUE(db_.OpenMemory(error)) << error;
    ASSERT_TRUE(
        db_.ExecuteScript("CREATE TABLE T (n INTEGER, s TEXT);"
                          "INSERT INTO T VALUES (1, 'a'), (2, 'b'), (3, NULL), (3, NULL);",
                          error))
        << error;
  }

  // The final dataset's column names and rows, NULL written as "NULL".
  std::vector<std::vector<std::string>> Result() {
    ResultTable table;
    std::string error;
    EXPECT_TRUE(executor_.Read(executor_.FinalDataset(), table, error)) << error;
    std::vector<std::vector<std::string>> out = {table.columns};
    for (const auto& row : table.rows) {
      auto& line = out.emplace_back();
      for (const auto& cell : row) line.push_back(cell.null ? "NULL" : cell.text);
    }
    return out;
  }

  // T exists in the database with its four rows.
  bool TableStillThere() {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db_.Handle(), "SELECT count(*) FROM main.T", -1, &statement, nullptr);
    const bool intact =
        statement != nullptr && sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_int(statement, 0) == 4;
    sqlite3_finalize(statement);
    return intact;
  }

  SqliteDatabase db_;
  DatasetExecutor executor_{nullptr};
  DatasetExecutor::Failure failure_;

  // Executes `commands` on a fresh database.
  bool Execute(const std::string& commands) {
    Open();
    executor_ = DatasetExecutor(db_.Handle());
    return executor_.Execute(commands, failure_);
  }
};

const char* kTwoDatasets =
    "CREATE DATASET [Low] BY SELECT n, s FROM T WHERE n <= 2 ORDER BY n DESC;\r\n\r\n"
    "CREATE DATASET [High] BY SELECT n, s FROM T WHERE n >= 2;\r\n\r\n";

TEST_F(DatasetExecutorTest, DatasetKeepsTheOrderOfItsQuery) {
  ASSERT_TRUE(Execute("CREATE DATASET [D] BY SELECT n AS number, s FROM T ORDER BY n DESC, s")) << failure_.message;
  EXPECT_EQ(executor_.FinalDataset(), "D");
  EXPECT_EQ(Result(), (std::vector<std::vector<std::string>>{
                          {"number", "s"}, {"3", "NULL"}, {"3", "NULL"}, {"2", "b"}, {"1", "a"}}));
}

TEST_F(DatasetExecutorTest, UmiOperationsCombineDatasetsLeftToRight) {
  const std::pair<const char*, std::vector<std::vector<std::string>>> cases[] = {
      {"[Low] UNION [High]", {{"n", "s"}, {"1", "a"}, {"2", "b"}, {"3", "NULL"}}},
      {"[Low] UNION ALL [High]", {{"n", "s"}, {"2", "b"}, {"1", "a"}, {"2", "b"}, {"3", "NULL"}, {"3", "NULL"}}},
      {"[Low] INTERSET [High]", {{"n", "s"}, {"2", "b"}}},
      {"[High] MINUS [Low]", {{"n", "s"}, {"3", "NULL"}}},
      {"[Low] UNION ALL [High] MINUS [Low]", {{"n", "s"}, {"3", "NULL"}}},
      {"[Low] MERGE [High]",
       {{"Column1", "Column2"}, {"2", "b"}, {"1", "a"}, {"2", "b"}, {"3", "NULL"}, {"3", "NULL"}}},
  };
  for (const auto& [list, expected] : cases) {
    ASSERT_TRUE(Execute(std::string(kTwoDatasets) + "CREATE DATASET BY UMI " + list))
        << list << ": " << failure_.message;
    EXPECT_EQ(Result(), expected) << list;
  }
}

TEST_F(DatasetExecutorTest, AggregateAddressesAMergeByPosition) {
  ASSERT_TRUE(Execute(std::string(kTwoDatasets) +
                      "CREATE DATASET [N_MQ] BY UMI [Low] MERGE [High];\r\n\r\n"
                      "CREATE DATASET [N] BY SELECT [N_MQ].Column1, SUM([N_MQ].Column1) FROM [N_MQ] "
                      "GROUP BY [N_MQ].Column1"))
      << failure_.message;
  EXPECT_EQ(Result(), (std::vector<std::vector<std::string>>{
                          {"Column1", "SUM([N_MQ].Column1)"}, {"1", "1"}, {"2", "4"}, {"3", "6"}}));
}

TEST_F(DatasetExecutorTest, DataSourceQualifiersAreDropped) {
  ASSERT_TRUE(Execute("CREATE DATASET [D] BY SELECT {Sales}.T.n FROM {Sales}.T WHERE s = '{Sales}.T'"))
      << failure_.message;
  EXPECT_EQ(Result().size(), 1u);  // the header only: the literal stayed as written
}

TEST_F(DatasetExecutorTest, RefusesAnythingButOneDatasetStatement) {
  const char* texts[] = {
      "CREATE DATASET [D] BY SELECT n FROM T; DROP TABLE T",
      "CREATE DATASET [D] BY SELECT n FROM T WHERE s = '' OR 1=1; DROP TABLE T; --'",
      "DROP TABLE T",
      "CREATE DATASET [D] BY DROP TABLE T",
      "CREATE DATASET [D] BY SELECT 1;\r\n\r\nDELETE FROM T",
  };
  for (const char* text : texts) {
    EXPECT_FALSE(Execute(text)) << text;
    EXPECT_FALSE(failure_.message.empty()) << text;
    EXPECT_TRUE(TableStillThere()) << text;
  }
}

TEST_F(DatasetExecutorTest, ReportsTheFailingStatementAndTheReason) {
  struct Case {
    std::string commands;
    std::string statement;
    std::string reason;
  };
  const Case cases[] = {
      {"CREATE DATASET [A] BY SELECT 1;\r\n\r\nCREATE DATASET [B] BY SELECT x FROM {Sales}.Nowhere",
       "CREATE DATASET [B] BY SELECT x FROM {Sales}.Nowhere", "no such table: Nowhere"},
      {"CREATE DATASET [T] BY SELECT 1", "CREATE DATASET [T] BY SELECT 1", "would hide"},
      {"CREATE DATASET [A] BY SELECT 1;\r\n\r\nCREATE DATASET [A] BY SELECT 2", "CREATE DATASET [A] BY SELECT 2",
       "already exists"},
      {"CREATE DATASET BY UMI [Low] UNION [Missing]", "CREATE DATASET BY UMI [Low] UNION [Missing]",
       "no dataset [Low]"},
      {"CREATE DATASET [A] BY SELECT 1;\r\n\r\nCREATE DATASET [B] BY SELECT 1, 2;\r\n\r\n"
       "CREATE DATASET BY UMI [A] UNION [B]",
       "CREATE DATASET BY UMI [A] UNION [B]", "same number of result columns"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Execute(c.commands)) << c.commands;
    EXPECT_EQ(failure_.statement, c.statement);
    EXPECT_NE(failure_.message.find(c.reason), std::string::npos) << failure_.message;
  }
}

TEST_F(DatasetExecutorTest, EmptyCommandTextCreatesNothing) {
  EXPECT_TRUE(Execute(" \r\n"));
  EXPECT_TRUE(executor_.FinalDataset().empty());
}

}  // namespace
