// CommandsCommand.cpp - "tessel commands DOC.xml": the command text of the
// whole document, as a host executes it (queries joined with their set
// operations). Line ends are printed as LF.
#include <cstdio>

#include "document/CTesselParser.h"
#include "tools/tessel/Tool.h"

namespace {

int RunCommands(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  CTesselParser parser;
  if (int exit = LoadAndParse(args.operands[0], document, parser); exit >= 0) return exit;
  CString commands = parser.GetCommands();
  commands.Replace("\r\n", "\n");
  std::printf("%s\n", commands.GetString());
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    "commands",
    "commands DOC.xml           the dataset commands of the whole document",
    {},
    1,
    1,
    RunCommands,
});

}  // namespace
