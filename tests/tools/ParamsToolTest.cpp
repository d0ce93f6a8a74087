// ParamsToolTest.cpp - the params and functions subcommands: resolved
// text, the record of used parameters, values set from the command line,
// failure reports and option errors.
#include <gtest/gtest.h>

#include <string>

#include "support/ToolRunner.h"

namespace {

// Read from standard input ("-"); the values live below the document
// element, one of them deeper down.
const char* kDocument = R"xml(<Report>
  <Parameters>
    <Parameter Name="A" Value="1" DataType="5"/>
    <Parameter Name="Name" Value="Smith" DataType="200" DisableParseValue="True"/>
    <Parameter Name="Ids" Value="1,2" DataType="5"/>
    <Parameter Name="Loop" Value="{? 'Loop'} + 1" DataType="0"/>
  </Parameters>
  <Query Name="Q"><Parameter Name="Deep" Value="old" DataType="200"/></Query>
</Report>)xml";

struct ToolCase {
  std::string args;
  int status;
  std::string out;  // standard output, then standard error
};

TEST(ParamsToolTest, ParamsPrintsTheTextThenTheUsedParameters) {
  const ToolCase cases[] = {
      {"params - " + ShellQuote("x = {? 'A'} AND n = {? 'Name'}"), 0, "x = 1 AND n = 'Smith'\nA=1;Name=Smith\n"},
      {"params - " + ShellQuote("T.id = {? 'Ids'}"), 0, "T.id IN (1, 2)\nIds=1,2\n"},
      {"params - " + ShellQuote("SELECT 1"), 0, "SELECT 1\n"},
      {"params --set A=7 --set " + ShellQuote("Name=O'Brien") + " - " + ShellQuote("{? 'A'}, {? 'Name'}"), 0,
       "7, 'O''Brien'\nA=7;Name=O'Brien\n"},
      {"params -s Deep=new - " + ShellQuote("d = {? 'Deep'}"), 0, "d = 'new'\nDeep=new\n"},
      {"params --set Name= - " + ShellQuote("SELECT {? 'Name'}"), 0, "SELECT ''\nName=\n"},
      // What a value brings in is never searched for references again.
      {"params --set " + ShellQuote("Name={$ ' OR 1=1 --'}") + " - " + ShellQuote("C.Region = {? 'Name'}"), 0,
       "C.Region = '{$ '' OR 1=1 --''}'\nName={$ ' OR 1=1 --'}\n"},
      {"params - " + ShellQuote("{? 'Loop'}"), 0, "{? 'Loop'} + 1\nLoop={? 'Loop'} + 1\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args, kDocument);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
}

TEST(ParamsToolTest, FunctionsEvaluatesEveryCall) {
  const ToolCase cases[] = {
      {"functions " + ShellQuote("@Year('2011-05-01')@Month('2011-05-01')"), 0, "20115\n"},
      {"functions " + ShellQuote("x = @CrossColumn(a, 1) AND '@Year(1)' = y"), 0,
       "x = CrossColumn(a, 1) AND '@Year(1)' = y\n"},
      {"functions " + ShellQuote("n = @Year(NULL)"), 0, "n = NULL\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
}

// Library failures exit 1 with one "error 0xXXXXXXXX: message" line.
TEST(ParamsToolTest, FailuresReportTheCodeAndName) {
  const ToolCase cases[] = {
      {"params - " + ShellQuote("{? 'Nope'}"), 1,
       "error 0xE00052A4: Parameter 'Nope' could not be substituted: No parameter of this name is defined\n"},
      {"functions " + ShellQuote("@Modify(x)"), 1, "error 0xE0003E9F: The function call 'Modify(x)' is not known\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args, kDocument);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
}

TEST(ParamsToolTest, BadAssignmentsAndOperandsExitTwo) {
  const std::string bad[] = {
      "params --set A - x",
      "params --set =1 - x",
      "params --set Nobody=1 - x",
      "params - ",
      "params",
      "functions",
      "functions a b",
  };
  for (const auto& args : bad) {
    const ToolRun run = Tool(args, kDocument);
    EXPECT_EQ(run.status, 2) << args << "\n" << run.out;
    EXPECT_EQ(run.out.rfind("tessel: ", 0), 0u) << args << "\n" << run.out;
  }
}

}  // namespace
