// ParseCommand.cpp - "tessel parse [-o FILE | --in-place] DOC.xml":
// composes every query of the document, as a host would, and writes the
// updated document (with "Sql", "Command" and "MultiSQL" on each query).
#include <cstdio>
#include <filesystem>
#include <vector>

#include "contracts/basis30/Messages.h"
#include "document/CTesselParser.h"
#include "tools/tessel/Tool.h"

namespace {

// The tool's process ends once the document is written: the document is
// left to the system then, instead of being freed node by node (about a
// tenth of the run on a large document), as compilers leave their trees.
// The handle stays reachable from here, so leak checkers do not count it.
void KeepUntilExit(const IXMLDOMDocumentPtr& document) {
  static auto* const kept = new std::vector<IXMLDOMDocumentPtr>();
  kept->push_back(document);
}

bool SamePath(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) || a == b;
}

int RunParse(const ParsedArgs& args) {
  const std::string input = args.operands[0];
  std::string output = args.Get("--output");
  if (args.Has("--in-place")) {
    if (input == "-") return UsageError("--in-place needs a document file, not standard input");
    if (!output.empty() && !SamePath(output, input)) return UsageError("--in-place and -o name different files");
    output = input;
  } else if (!output.empty() && input != "-" && SamePath(output, input)) {
    return UsageError("-o names the input document; add --in-place to overwrite it");
  }
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(input, document)) return kExitUsage;
  ClearErrorInfo();
  KeepUntilExit(document);
  CTesselParser parser(document);
  const long rc = parser.Parse();
  // The document is written also after a failure: the queries before the
  // failing one carry their results.
  if (output.empty()) {
    // Straight to the stream: a large document is not held a second time.
    if (!document.write(stdout)) {
      std::fprintf(stderr, "cannot write the document to standard output\n");
      return kExitUsage;
    }
  } else if (!document.save(output.c_str())) {
    std::fprintf(stderr, "%s: cannot write the file\n", output.c_str());
    return kExitUsage;
  }
  return rc < 0 ? ReportFailure(static_cast<HRESULT>(rc)) : kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "parse",
    .summary = "compose every query; write the updated document",
    .operands = {{"DOC.xml", "the query document (- reads standard input)"}},
    .options = {{.name = "--output", .alias = "-o", .takesValue = true, .valueName = "FILE",
                 .help = "write the document to FILE (default: standard output)"},
                {.name = "--in-place", .help = "write the document back to its own file"}},
    .details = "Every query gains \"Sql\", \"Command\" and \"MultiSQL\". The document is written also after\n"
               "a failure: the queries before the failing one carry their results.",
    .examples = {"tessel parse examples/sales.xml -o composed.xml", "tessel parse --in-place report.xml"},
    .run = RunParse,
});

}  // namespace
