// CommandsCommand.cpp - "tessel commands DOC.xml": the command text of the
// whole document, as a host executes it (queries joined with their set
// operations). Line ends are printed as LF. With --json: an object with the
// whole text and its statements as "tessel run" cuts them.
#include <cstdio>
#include <string>

#include "document/CTesselParser.h"
#include "tools/tessel/CommandText.h"
#include "tools/tessel/JsonText.h"
#include "tools/tessel/Tool.h"

namespace {

int RunCommands(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  CTesselParser parser;
  if (int exit = LoadAndParse(args.operands[0], document, parser); exit >= 0) return exit;
  CString commands = parser.GetCommands();
  commands.Replace("\r\n", "\n");
  if (!args.Has("--json")) {
    std::printf("%s\n", commands.GetString());
    return kExitOk;
  }
  std::string statements;
  for (const std::string& statement : CommandText::SplitStatements(commands.GetString())) {
    statements += (statements.empty() ? "" : ",\n  ") + JsonText::Quote(statement);
  }
  std::printf("{\"commands\": %s,\n \"statements\": [%s]}\n", JsonText::Quote(commands.GetString()).c_str(),
              statements.c_str());
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "commands",
    .summary = "the dataset commands of the whole document",
    .operands = {{"DOC.xml", "the query document (- reads standard input)"}},
    .options = {JsonOption("print {\"commands\": TEXT, \"statements\": [...]} for a program to read")},
    .details = "Composes every query and prints the document's command text as a host executes it:\n"
               "the queries' dataset commands joined with their set operations. Line ends are LF.",
    .examples = {"tessel commands examples/union.xml", "tessel commands --json examples/split.xml"},
    .run = RunCommands,
});

}  // namespace
