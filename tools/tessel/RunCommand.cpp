// RunCommand.cpp - "tessel run [--db FILE|URI] [--set NAME=VALUE]...
// [--csv | --json] DOC.xml": composes the document as a host would,
// executes its command text on SQLite or PostgreSQL and prints the final
// dataset.
//
// Without --db the document runs on the demo database (the examples' sales
// model and rows, built in memory). A database file is opened read-only; a
// postgresql:// URI gets a session that is read-only apart from its
// temporary tables (RunDatabase): the datasets are temporary tables of the
// connection. The table output
// fits the terminal and ends with the row count; with --csv the data goes
// to standard output as CSV and the row count to standard error; --json
// prints the rows as a JSON array and nothing else. A statement the
// database refuses is printed with the database's message and exits 1.
#include <iostream>
#include <string>

#include "tools/tessel/DocumentCommands.h"
#include "tools/tessel/ResultPrinter.h"
#include "tools/tessel/RunDatabase.h"
#include "tools/tessel/Tool.h"

namespace {

// Reads the --set values. A name holds no apostrophe: parameters are found
// by a path that quotes the name with apostrophes.
bool ReadSettings(const ParsedArgs& args, std::vector<DocumentCommands::Setting>& settings, std::string& error) {
  for (const std::string& assignment : args.GetAll("--set")) {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = "bad --set value '" + assignment + "' (expected NAME=VALUE)";
      return false;
    }
    if (assignment.find('\'') < eq) {
      error = "a parameter name cannot hold an apostrophe: '" + assignment.substr(0, eq) + "'";
      return false;
    }
    settings.emplace_back(assignment.substr(0, eq), assignment.substr(eq + 1));
  }
  return true;
}

// Line ends as LF, as the other subcommands print command text.
std::string Printable(std::string text) {
  for (size_t pos; (pos = text.find("\r\n")) != std::string::npos;) text.erase(pos, 1);
  return text;
}

int ReportRejected(const CommandExecutor::Failure& failure) {
  std::cerr << "error: the statement could not be executed: " << failure.message << "\n"
            << Printable(failure.statement) << "\n";
  return kExitFailure;
}

int RunRun(const ParsedArgs& args) {
  if (args.Has("--csv") && args.Has("--json")) return UsageError("--csv and --json exclude each other");
  std::vector<DocumentCommands::Setting> settings;
  if (std::string error; !ReadSettings(args, settings, error)) return UsageError(error);
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(args.operands[0], document)) return kExitUsage;
  CString commands;
  std::string unknown;
  // The text is written for the database it runs on.
  const std::string target = args.Get("--db");
  const HRESULT hr = DocumentCommands::Build(document, settings, commands, unknown, RunDatabase::TypeOf(target));
  if (FAILED(hr)) return ReportFailure(hr);
  if (hr == S_FALSE) return UsageError("the document has no parameter named '" + unknown + "'");

  RunDatabase db;
  if (const int rc = db.Open(target, args.Has("--db")); rc >= 0) return rc;
  CommandExecutor& executor = db.Executor();
  CommandExecutor::Failure failure;
  if (!executor.Execute(commands.GetString(), failure)) return ReportRejected(failure);
  if (executor.FinalDataset().empty()) {
    std::cerr << "error: the document yields no dataset command\n";
    return kExitFailure;
  }
  ResultTable table;
  if (std::string error; !executor.Read(executor.FinalDataset(), table, error)) {
    std::cerr << "error: cannot read dataset [" << executor.FinalDataset() << "]: " << error << "\n";
    return kExitFailure;
  }
  if (args.Has("--csv")) {
    ResultPrinter::PrintCsv(table, std::cout);
    std::cout.flush();
    std::cerr << ResultPrinter::RowCount(table) << "\n";
  } else if (args.Has("--json")) {
    ResultPrinter::PrintJson(table, std::cout);
  } else {
    ResultPrinter::PrintTable(table, std::cout, ResultPrinter::TerminalWidth());
  }
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "run",
    .summary = "execute the document on SQLite or PostgreSQL and print the rows",
    .operands = {{"DOC.xml", "the query document (- reads standard input)"}},
    .options = {{.name = "--db", .takesValue = true, .valueName = "FILE|URI",
                 .help = "a SQLite database file, opened read-only, or a PostgreSQL URI "
                         "postgresql://[user@]host[:port]/dbname, a read-only session (default: the demo database)"},
                {.name = "--set", .alias = "-s", .takesValue = true, .repeatable = true, .valueName = "NAME=VALUE",
                 .help = "set the value of every parameter named NAME"},
                {.name = "--csv", .help = "print RFC 4180 CSV (the row count on standard error)"},
                JsonOption("print an array of objects, one per row (NULL as null, numbers as numbers)")},
    .details = "Composes the document as a host does, resolves its parameter references and @ calls\n"
               "for the database's type, executes the dataset commands (each dataset a temporary table)\n"
               "and prints the last dataset: as a table fitted to the terminal's width (long texts cut\n"
               "with ...), as CSV or as JSON. tessel demo-db puts the demo rows into a database.",
    .examples = {"tessel run examples/sales.xml",
                 "tessel run examples/parameters.xml --set 'Regions=North, West' --set Period=2011Q4",
                 "tessel run --csv examples/split.xml > regional.csv",
                 "tessel run --json --db shop.sqlite report.xml",
                 "tessel run --db postgresql://me@localhost:5432/sales examples/sales.xml"},
    .run = RunRun,
});

}  // namespace
