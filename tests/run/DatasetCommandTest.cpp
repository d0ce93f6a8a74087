// DatasetCommandTest.cpp - reading the dataset command forms.
#include <gtest/gtest.h>

#include "tools/tessel/DatasetCommand.h"

namespace {

using Op = DatasetCommand::SetOperation;

TEST(DatasetCommandTest, ReadsADatasetFromAQuery) {
  DatasetCommand command;
  std::string error;
  ASSERT_TRUE(command.Parse("create dataset [Sales Q1]\r\nby\r\nSELECT a,\r\n b FROM t \r\n", error)) << error;
  EXPECT_FALSE(command.IsCombination());
  EXPECT_EQ(command.Target(), "Sales Q1");
  EXPECT_EQ(command.Select(), "SELECT a,\r\n b FROM t");
}

TEST(DatasetCommandTest, ReadsUmiListsWithEveryOperation) {
  DatasetCommand command;
  std::string error;
  ASSERT_TRUE(
      command.Parse("CREATE DATASET BY UMI [P] UNION ALL [Q] INTERSET [R] MINUS [S] UNION [T] "
                    "INTERSECT [U] MERGE [V]",
                    error))
      << error;
  EXPECT_TRUE(command.Target().empty());
  const std::vector<std::pair<Op, std::string>> expected = {{Op::UnionAll, "Q"},  {Op::Intersect, "R"},
                                                            {Op::Except, "S"},    {Op::Union, "T"},
                                                            {Op::Intersect, "U"}, {Op::Merge, "V"}};
  ASSERT_EQ(command.Members().size(), expected.size() + 1);
  EXPECT_EQ(command.Members()[0].dataset, "P");
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(command.Members()[i + 1].operation, expected[i].first) << i;
    EXPECT_EQ(command.Members()[i + 1].dataset, expected[i].second) << i;
  }
  EXPECT_FALSE(command.IsMerge());
}

TEST(DatasetCommandTest, AMergeOfGroupsIsAMerge) {
  DatasetCommand command;
  std::string error;
  ASSERT_TRUE(command.Parse("CREATE DATASET [N_MQ] BY UMI [N_MQ1] MERGE [N_MQ2] MERGE [N_MQ3]", error)) << error;
  EXPECT_EQ(command.Target(), "N_MQ");
  EXPECT_EQ(command.Members().size(), 3u);
  EXPECT_TRUE(command.IsMerge());
}

TEST(DatasetCommandTest, RefusesTextsThatAreNoDatasetCommand) {
  const char* texts[] = {
      "SELECT 1",
      "DROP TABLE Orders",
      "CREATE DATASET BY SELECT 1",  // a query needs a dataset name
      "CREATE DATASET [] BY SELECT 1",
      "CREATE DATASET [N] SELECT 1",    // no BY
      "CREATE DATASET [N] BY   ",       // nothing after BY
      "CREATE DATASET [N BY SELECT 1",  // unclosed name
      "CREATE DATASETS [N] BY SELECT 1",
      "CREATE DATASET [N] BY UMI P",  // members are bracketed
      "CREATE DATASET [N] BY UMI [P] JOIN [Q]",
      "CREATE DATASET [N] BY UMI [P] UNION",
      "CREATE DATASET [N] BY UMI [P] [Q]",
  };
  for (const char* text : texts) {
    DatasetCommand command;
    std::string error;
    EXPECT_FALSE(command.Parse(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace
