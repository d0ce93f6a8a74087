// CommandLineToolTest.cpp - the tool's command line as a user types it:
// options before and after the operands, "--" in either place, help per
// subcommand, --version, nearest-name hints, usage errors; and every output
// format on the examples, the JSON read back and compared with the text
// and CSV forms of the same data.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/JsonReader.h"
#include "support/ToolRunner.h"

namespace {

std::string Example(const std::string& name) { return ShellQuote(SourceDir() + "/examples/" + name); }

// Standard output only (standard error dropped), with `env` before the
// command.
ToolRun StdOut(const std::string& args, const std::string& env = "") {
  return Shell("{ " + env + " " + std::string(TESSEL_TOOL_PATH) + " " + args + " 2>/dev/null; }");
}

JsonValue ReadJson(const std::string& text) {
  JsonValue value;
  EXPECT_TRUE(JsonReader::Read(text, value)) << "not JSON:\n" << text;
  return value;
}

// RFC 4180 records; a field is marked quoted so that NULL (an empty field)
// and an empty text ("") stay apart.
struct CsvField {
  std::string text;
  bool quoted = false;
};
std::vector<std::vector<CsvField>> ReadCsv(const std::string& text) {
  std::vector<std::vector<CsvField>> records(1, std::vector<CsvField>(1));
  bool inQuotes = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    CsvField& field = records.back().back();
    if (inQuotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field.text += '"';
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field.text += c;
      }
    } else if (c == '"') {
      inQuotes = true;
      field.quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\n') {
      records.emplace_back(1);
    } else {
      field.text += c;
    }
  }
  if (records.back().size() == 1 && records.back()[0].text.empty() && !records.back()[0].quoted) records.pop_back();
  return records;
}

size_t Utf8Width(const std::string& text) {
  size_t n = 0;
  for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

const char* const kExamples[] = {"sales.xml", "joins.xml", "subquery.xml", "split.xml", "union.xml", "parameters.xml"};

// --- option order and "--" ---------------------------------------------------

TEST(CommandLineToolTest, OptionsMayComeBeforeOrAfterTheOperands) {
  const std::string doc = Example("sales.xml");
  const ToolRun before = StdOut("run --csv " + doc);
  ASSERT_EQ(before.status, 0) << before.out;
  EXPECT_EQ(StdOut("run " + doc + " --csv").out, before.out);
  EXPECT_EQ(StdOut("run " + doc + " --json").out, StdOut("run --json " + doc).out);

  const std::string text = ShellQuote("C.Region = {? 'Regions'}");
  const ToolRun set = Tool("params " + Example("parameters.xml") + " " + text + " --set " +
                           ShellQuote("Regions=North, West"));
  EXPECT_EQ(set.status, 0) << set.out;
  EXPECT_EQ(set.out, Tool("params --set " + ShellQuote("Regions=North, West") + " " + Example("parameters.xml") +
                          " " + text).out);
  EXPECT_EQ(set.out.substr(0, set.out.find('\n')), "C.Region IN ('North', 'West')");

  // Between the operands, too; a repeated option keeps its order.
  EXPECT_EQ(Tool("condition T.a --type numeric = 1~5").out, "(T.a BETWEEN 1 AND 5)\n");
  EXPECT_EQ(Tool("params " + Example("parameters.xml") + " -s Regions=A " + text + " -s Regions=B").out,
            "C.Region = 'B'\nRegions=B\n");
}

TEST(CommandLineToolTest, DoubleDashEndsTheOptionsBeforeOrBetweenTheOperands) {
  const struct {
    std::string args;
    std::string out;
  } cases[] = {
      {"condition --type numeric -- T.a = -5", "T.a = -5\n"},
      {"condition --type numeric T.a = -- -5", "T.a = -5\n"},
      {"condition T.a -- = -x", "T.a = '-x'\n"},
      {"condition -- T.a = --type", "T.a = '--type'\n"},
      {"functions -- --help", "--help\n"},
      {"condition --type numeric T.a = ~5", "(T.a <= 5)\n"},  // '~' needs no --
      {"condition --type numeric T.a = -- ~-5", "(T.a <= -5)\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args);
    EXPECT_EQ(run.status, 0) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
  // Before the subcommand, -- ends the tool's own options.
  EXPECT_EQ(Tool("-- condition T.a = x").out, "T.a = 'x'\n");
  EXPECT_EQ(Tool("-- --help").status, 2);
  // Standard input after --.
  EXPECT_EQ(Tool("queries -- -", "<D><Query Name='A' ExType='Main'/></D>").out, "0\tA\tMain\n");
  EXPECT_EQ(Tool("queries --json -- -", "<D><Query Name='A' ExType='Main'/></D>").out,
            "[{\"index\": 0, \"name\": \"A\", \"kind\": \"Main\"}]\n");
}

// --- help and version ---------------------------------------------------------

TEST(CommandLineToolTest, EverySubcommandHasItsOwnHelp) {
  const ToolRun general = Tool("--help");
  ASSERT_EQ(general.status, 0);
  // The subcommands are the first words of the lines under "Subcommands:".
  std::vector<std::string> names;
  std::istringstream lines(general.out.substr(general.out.find("Subcommands:\n") + 13));
  for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
    names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  ASSERT_GE(names.size(), 10u) << general.out;
  for (const std::string& name : names) {
    const ToolRun help = Tool(name + " --help");
    EXPECT_EQ(help.status, 0) << name;
    EXPECT_EQ(help.out.rfind("usage: tessel " + name + " ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\nExamples:\n  tessel " + name + " "), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--repository DIR"), std::string::npos) << help.out;
    // -h, "help NAME" and --help after the operands give the same text.
    EXPECT_EQ(Tool(name + " -h").out, help.out) << name;
    EXPECT_EQ(Tool("help " + name).out, help.out) << name;
    EXPECT_EQ(Tool(name + " x y --help").out, help.out) << name;
  }
  const ToolRun run = Tool("run --help");
  EXPECT_NE(run.out.find("--json"), std::string::npos);
  EXPECT_NE(run.out.find("--set NAME=VALUE"), std::string::npos);
  EXPECT_EQ(run.out.find("Subcommands:"), std::string::npos);
}

TEST(CommandLineToolTest, TheManualPageDocumentsEverySubcommand) {
  std::ifstream in(SourceDir() + "/docs/tessel.1");
  std::ostringstream text;
  text << in.rdbuf();
  std::string page = text.str();
  for (size_t at; (at = page.find("\\-")) != std::string::npos;) page.erase(at, 1);  // roff's \- is a '-'
  ASSERT_NE(page.find(".TH TESSEL 1"), std::string::npos);
  const ToolRun general = Tool("--help");
  std::istringstream lines(general.out.substr(general.out.find("Subcommands:\n") + 13));
  for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
    const std::string name = line.substr(2, line.find(' ', 2) - 2);
    EXPECT_NE(page.find(".BI \"" + name + " "), std::string::npos) << name << " is missing from docs/tessel.1";
  }
}

TEST(CommandLineToolTest, VersionPrintsTheProjectVersion) {
  const ToolRun run = Tool("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(std::regex_match(run.out, std::regex("tessel [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << run.out;
}

// --- errors ---------------------------------------------------------------------

TEST(CommandLineToolTest, MistypedNamesGetTheNearestSuggestion) {
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"runn x.xml", "tessel: unknown subcommand 'runn' (did you mean 'run'?)"},
      {"qeuries x.xml", "tessel: unknown subcommand 'qeuries' (did you mean 'queries'?)"},
      {"frobnicate", "tessel: unknown subcommand 'frobnicate' (see tessel --help)"},
      {"run x.xml --cvs", "tessel: unknown option --cvs for 'run' (did you mean '--csv'?)"},
      {"run --jsno x.xml", "tessel: unknown option --jsno for 'run' (did you mean '--json'?)"},
      {"condition --tpye=date T.a = 1", "tessel: unknown option --tpye for 'condition' (did you mean '--type'?)"},
      {"condition T.a = -x", "tessel: unknown option -x for 'condition'; a value that begins with '-' goes after --"},
      {"--verison", "tessel: unknown option --verison (did you mean '--version'?)"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.out.rfind(c.message, 0), 0u) << c.args << "\n" << run.out;
  }
}

TEST(CommandLineToolTest, UsageErrorsExitTwoWithAMessage) {
  const std::string doc = Example("sales.xml");
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"queries", "tessel: missing operand DOC.xml; usage: tessel queries [--json] DOC.xml"},
      {"queries " + doc + " " + doc, "tessel: too many operands ('queries' takes 1)"},
      {"condition T.a =", "tessel: missing operand VALUE"},
      {"condition T.a = 1 --type", "tessel: option --type needs a value"},
      {"condition --type numeric --type date T.a = 1", "tessel: option --type given twice"},
      {"run --csv=no " + doc, "tessel: option --csv takes no value"},
      {"run --csv --json " + doc, "tessel: --csv and --json exclude each other"},
      {"run --set NoEquals " + doc, "tessel: bad --set value 'NoEquals' (expected NAME=VALUE)"},
      {"test-value 1", "tessel: test-value needs --type"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Tool(c.args);
    EXPECT_EQ(run.status, 2) << c.args << "\n" << run.out;
    EXPECT_EQ(run.out.rfind(c.message, 0), 0u) << c.args << "\n" << run.out;
  }
  // A library failure still exits 1 with its code and message.
  const ToolRun failure = Tool("condition -t numeric T.a '>' 1,2");
  EXPECT_EQ(failure.status, 1);
  EXPECT_EQ(failure.out.rfind("error 0xE00032D7: ", 0), 0u) << failure.out;
}

// --- output formats on the examples ---------------------------------------------

TEST(CommandLineToolTest, RunJsonCsvAndTableAgreeOnEveryExample) {
  for (const char* name : kExamples) {
    SCOPED_TRACE(name);
    const ToolRun json = StdOut("run --json " + Example(name));
    const ToolRun csv = StdOut("run --csv " + Example(name));
    const ToolRun table = StdOut("run " + Example(name));
    ASSERT_EQ(json.status, 0);
    ASSERT_EQ(csv.status, 0);
    ASSERT_EQ(table.status, 0);
    const JsonValue rows = ReadJson(json.out);
    ASSERT_EQ(rows.kind, JsonValue::Kind::Array);
    const auto records = ReadCsv(csv.out);
    ASSERT_FALSE(records.empty());
    ASSERT_EQ(rows.items.size(), records.size() - 1);  // CSV has a header
    ASSERT_FALSE(rows.items.empty());
    const size_t n = rows.items.size();
    EXPECT_NE(table.out.find("\n(" + std::to_string(n) + (n == 1 ? " row)\n" : " rows)\n")), std::string::npos);
    for (size_t r = 0; r < n; ++r) {
      const JsonValue& row = rows.items[r];
      ASSERT_EQ(row.kind, JsonValue::Kind::Object);
      ASSERT_EQ(row.members.size(), records[0].size());
      for (size_t c = 0; c < row.members.size(); ++c) {
        const auto& [key, cell] = row.members[c];
        const CsvField& field = records[r + 1][c];
        if (key == records[0][c].text) {
          // The column's own name; a repeated name gains a suffix.
        } else {
          EXPECT_EQ(key.rfind(records[0][c].text + "_", 0), 0u) << key;
        }
        switch (cell.kind) {
          case JsonValue::Kind::Null:
            EXPECT_TRUE(field.text.empty() && !field.quoted) << key;
            break;
          case JsonValue::Kind::Number:
          case JsonValue::Kind::String:
            EXPECT_EQ(cell.text, field.text) << key;
            break;
          default:
            ADD_FAILURE() << key << " holds neither null, a number nor a string";
        }
      }
    }
  }
}

TEST(CommandLineToolTest, RunJsonWritesNullAndNumbersAsJson) {
  // Region is NULL for one demo customer; amounts are numbers.
  const ToolRun json = Tool("run --json -", R"(<D><Query Name='Q'><QueryObjects>
      <Field Name='CustomerName' Table='Customers' DataType='200'/>
      <Field Name='Region' Table='Customers' DataType='200'/>
      <Field Name='CustomerID' Table='Customers' DataType='3'/>
    </QueryObjects></Query></D>)");
  ASSERT_EQ(json.status, 0) << json.out;
  const JsonValue rows = ReadJson(json.out);
  ASSERT_FALSE(rows.items.empty());
  bool sawNull = false;
  for (const JsonValue& row : rows.items) {
    ASSERT_EQ(row.members.size(), 3u);
    EXPECT_EQ(row.members[0].value.kind, JsonValue::Kind::String);
    EXPECT_EQ(row.members[2].value.kind, JsonValue::Kind::Number);
    sawNull = sawNull || row.members[1].value.kind == JsonValue::Kind::Null;
  }
  EXPECT_TRUE(sawNull) << json.out;
}

TEST(CommandLineToolTest, QueriesSqlAndCommandsJsonMatchTheirText) {
  for (const char* name : kExamples) {
    SCOPED_TRACE(name);
    const std::string doc = Example(name);

    const JsonValue queries = ReadJson(StdOut("queries --json " + doc).out);
    std::string lines;
    for (const JsonValue& q : queries.items) {
      ASSERT_EQ(q.members.size(), 3u);
      lines += q.Find("index")->text + "\t" + q.Find("name")->text + "\t" + q.Find("kind")->text + "\n";
    }
    EXPECT_EQ(lines, StdOut("queries " + doc).out);

    const JsonValue sql = ReadJson(StdOut("sql --json " + doc).out);
    std::string texts;
    for (size_t i = 0; i < sql.items.size(); ++i) {
      EXPECT_EQ(sql.items[i].Find("name")->text, queries.items[i].Find("name")->text);
      texts += (i > 0 ? "\n" : "") + sql.items[i].Find("sql")->text + "\n";
    }
    EXPECT_EQ(texts, StdOut("sql " + doc).out);

    const JsonValue commands = ReadJson(StdOut("commands --json " + doc).out);
    ASSERT_EQ(commands.kind, JsonValue::Kind::Object);
    EXPECT_EQ(commands.Find("commands")->text + "\n", StdOut("commands " + doc).out);
    const JsonValue* statements = commands.Find("statements");
    ASSERT_NE(statements, nullptr);
    ASSERT_FALSE(statements->items.empty());
    for (const JsonValue& statement : statements->items) {
      EXPECT_EQ(statement.text.rfind("CREATE DATASET", 0), 0u) << statement.text;
    }
  }
}

TEST(CommandLineToolTest, TheTableFitsTheTerminalAndOnlyTheTableIsCut) {
  const std::string doc = Example("sales.xml");
  const ToolRun whole = StdOut("run " + doc);
  for (const int width : {80, 40, 24, 12}) {
    SCOPED_TRACE(width);
    const ToolRun run = StdOut("run " + doc, "COLUMNS=" + std::to_string(width));
    ASSERT_EQ(run.status, 0);
    std::istringstream lines(run.out);
    size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
      EXPECT_LE(Utf8Width(line), static_cast<size_t>(width)) << line;
    }
    EXPECT_EQ(count, 2u + 4u + 1u);  // header, rule, four rows, row count
    EXPECT_NE(run.out.find("(4 rows)"), std::string::npos);
  }
  EXPECT_EQ(StdOut("run " + doc, "COLUMNS=200").out, whole.out);
  EXPECT_NE(StdOut("run " + doc, "COLUMNS=24").out.find("\u2026"), std::string::npos);
  // CSV and JSON are data: never cut.
  EXPECT_EQ(StdOut("run --csv " + doc, "COLUMNS=12").out, StdOut("run --csv " + doc).out);
  EXPECT_EQ(StdOut("run --json " + doc, "COLUMNS=12").out, StdOut("run --json " + doc).out);
  EXPECT_EQ(StdOut("run --csv " + doc).out.find("\u2026"), std::string::npos);
}

}  // namespace
