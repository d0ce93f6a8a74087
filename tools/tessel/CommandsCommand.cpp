// CommandsCommand.cpp - "tessel commands DOC.xml": the command text of the
// whole document, as a host executes it (queries joined with their set
// operations). Line ends are printed as LF.
#include <cstdio>

#include "contracts/basis30/Messages.h"
#include "document/CTesselParser.h"
#include "tools/tessel/Tool.h"

namespace {

int RunCommands(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(args.operands[0], document)) return kExitUsage;
  ClearErrorInfo();
  CTesselParser parser(document);
  const long rc = parser.Parse();
  if (rc < 0) return ReportFailure(static_cast<HRESULT>(rc));
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
