// ConditionToolTest.cpp - the condition, transform and test-value
// subcommands: output, failure reports and option errors.
#include <gtest/gtest.h>

#include <string>

#include "support/ToolRunner.h"

namespace {

struct ToolCase {
  std::string args;
  int status;
  std::string out;
};

void CheckRuns(const ToolCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const ToolRun run = Tool(cases[i].args);
    EXPECT_EQ(run.status, cases[i].status) << cases[i].args << "\n" << run.out;
    EXPECT_EQ(run.out, cases[i].out) << cases[i].args;
  }
}

TEST(ConditionToolTest, ConditionPrintsThePredicate) {
  const ToolCase cases[] = {
      {"condition T.c = " + ShellQuote("O'Brien"), 0, "T.c = 'O''Brien'\n"},
      {"condition --type 0 T.n = 1,2,3", 0, "T.n IN (1, 2, 3)\n"},
      {"condition --type numeric T.n " + ShellQuote("<>") + " 1~5,8", 0, "((T.n NOT BETWEEN 1 AND 5) AND T.n <> 8)\n"},
      {"condition --type 0 --dstype FlatFile T.n = 1,2", 0, "(T.n = 1 OR T.n = 2)\n"},
      {"condition --type 0 --dstype 11 T.n = 1,2", 0, "(T.n = 1 OR T.n = 2)\n"},
      {"condition --type 2 --dstype sqlite T.d = 2011Q4", 0, "(T.d >= '2011-10-01' AND T.d < '2012-01-01')\n"},
      {"condition --type 2 T.d = 20120229", 0, "(T.d >= {d '2012-02-29'} AND T.d < {d '2012-03-01'})\n"},
      {"condition --type=0 T.n = " + ShellQuote("~5"), 0, "(T.n <= 5)\n"},
      {"condition T.c = {ALL}", 0, "1=1\n"},
      {"condition --data-only T.c = {ALL}", 0, "T.c = '{ALL}'\n"},
      {"condition T.c = " + ShellQuote("^ > 0"), 0, "T.c =  > 0\n"},
      {"condition -- -x = 1", 0, "-x = '1'\n"},
  };
  CheckRuns(cases, std::size(cases));
}

TEST(ConditionToolTest, TransformPrintsTheRewrittenText) {
  const ToolCase cases[] = {
      {"transform --type 0 " + ShellQuote("T.a = :p AND T.b <> :p") + " :p 1,2", 0,
       "T.a IN (1, 2) AND T.b NOT IN (1, 2)\n"},
      {"transform " + ShellQuote("SELECT :p") + " :p " + ShellQuote("it's"), 0, "SELECT 'it''s'\n"},
      {"transform --type date " + ShellQuote("d = :p") + " :p 2011", 0,
       "(d >= {d '2011-01-01'} AND d < {d '2012-01-01'})\n"},
      {"transform x :p 1", 0, "x\n"},
      // Only a bound that is exactly one call stays a call; NOT BETWEEN is
      // one operator; a year below 1000 keeps four digits.
      {"transform --type 1 -- " + ShellQuote("C.Region = :p") + " :p " + ShellQuote("zzz ~ upper(1) OR 1=1"), 0,
       "(C.Region BETWEEN 'zzz' AND 'upper(1) OR 1=1')\n"},
      {"transform --type 1 -- " + ShellQuote("C.Region = :p") + " :p " + ShellQuote("a ~ upper('x')"), 0,
       "(C.Region BETWEEN 'a' AND upper('x'))\n"},
      {"transform --type 0 -- " + ShellQuote("q NOT BETWEEN :p") + " :p 1~5", 0, "(q NOT BETWEEN 1 AND 5)\n"},
      {"transform --type date " + ShellQuote("d = :p") + " :p 0999", 0,
       "(d >= {d '0999-01-01'} AND d < {d '1000-01-01'})\n"},
  };
  CheckRuns(cases, std::size(cases));
}

TEST(ConditionToolTest, TestValuePrintsZeroForAcceptableValues) {
  const ToolCase cases[] = {
      {"test-value --type 0 1,2,3", 0, "0\n"},
      {"test-value --type 2 2011Q4", 0, "0\n"},
      {"test-value --type 1 " + ShellQuote("a, b ~ c"), 0, "0\n"},
  };
  CheckRuns(cases, std::size(cases));
}

// Library failures exit 1 with "error 0xXXXXXXXX: message".
TEST(ConditionToolTest, FailuresReportTheCode) {
  const struct {
    std::string args;
    std::string prefix;
  } cases[] = {
      {"condition --type 0 T.n = abc", "error 0xE00032D4: "},
      {"condition --type 2 T.d = 2011Q5", "error 0xE00032D5: "},
      {"condition --type 0 T.n " + ShellQuote(">") + " 1~5", "error 0xE00032D6: "},
      {"condition T.c LIKE a,b", "error 0xE00032D7: "},
      {"transform --type 0 " + ShellQuote("a = :p") + " :p x", "error 0xE00032D4: "},
      {"test-value --type 0 1,two", "error 0xE00032D4: "},
      {"test-value --type 2 20110229", "error 0xE00032D5: "},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args);
    EXPECT_EQ(run.status, 1) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out.rfind(c.prefix, 0), 0u) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;  // one line
  }
}

TEST(ConditionToolTest, BadOptionsAndOperandsExitTwo) {
  const std::string bad[] = {
      "condition --type x T.c = 1",
      "condition --type -1 T.c = 1",
      "condition --type 99999999999 T.c = 1",
      "condition --dstype Nosuch T.c = 1",
      "condition --dstype 13 T.c = 1",
      "condition T.c =",
      "condition T.c = 1 2",
      "transform --type date x",
      "transform --dstype 11 x :p 1",
      "test-value 1,2",
      "test-value --type 0",
      "test-value --type 0 --data-only 1",
  };
  for (const auto& args : bad) {
    const ToolRun run = Tool(args);
    EXPECT_EQ(run.status, 2) << args << "\n" << run.out;
    EXPECT_EQ(run.out.rfind("tessel: ", 0), 0u) << args << "\n" << run.out;
  }
  EXPECT_EQ(Tool("condition --dstype none --type untyped T.c = x").out, "T.c = x\n");
}

}  // namespace
