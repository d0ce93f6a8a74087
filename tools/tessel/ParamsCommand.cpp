// ParamsCommand.cpp - "tessel params DOC.xml [--set NAME=VALUE]... TEXT":
// sets parameter values in the document, then prints TEXT with its
// parameter and computed references resolved (standard output) and the
// parameters it used (standard error).
#include <cstdio>
#include <string>

#include "contracts/basis30/Messages.h"
#include "params/CParamHandler.h"
#include "tools/tessel/Tool.h"

namespace {

// Splits "NAME=VALUE" at its first "="; the name may not be empty, the
// value may.
bool SplitAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

int RunParams(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(args.operands[0], document)) return kExitUsage;
  const IXMLDOMElementPtr root = document.documentElement();
  CParamHandler handler(root);
  for (const std::string& assignment : args.GetAll("--set")) {
    std::string name;
    std::string value;
    if (!SplitAssignment(assignment, name, value)) {
      return UsageError("bad --set value '" + assignment + "' (expected NAME=VALUE)");
    }
    const HRESULT hr = handler.SetParamValue(name.c_str(), CVelVariant(value.c_str()), true);
    if (FAILED(hr)) return ReportFailure(hr);
    if (hr == S_FALSE) return UsageError("the document has no parameter named '" + name + "'");
  }
  ClearErrorInfo();
  CString text = args.operands[1].c_str();
  const HRESULT hr = handler.EvaluateExprParam(text);
  if (FAILED(hr)) return ReportFailure(hr);
  std::printf("%s\n", text.GetString());
  std::fflush(stdout);  // the text first, then the record, also when both go to one stream
  const CString used = handler.GetUsedParams();
  if (!used.IsEmpty()) std::fprintf(stderr, "%s\n", used.GetString());
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "params",
    .summary = "resolve the parameter references {? 'Name'} in TEXT",
    .operands = {{"DOC.xml", "the query document (- reads standard input)"}, {"TEXT", "the text whose references are resolved"}},
    .options = {{.name = "--set", .alias = "-s", .takesValue = true, .repeatable = true, .valueName = "NAME=VALUE",
                 .help = "set the value of every parameter named NAME first"}},
    .details = "Prints TEXT with its references resolved on standard output and the parameters\n"
               "it used (NAME=VALUE;...) on standard error.",
    .examples = {"tessel params examples/parameters.xml \"C.Region = {? 'Regions'}\"",
                 "tessel params examples/parameters.xml \"{? 'Regions'}\" --set 'Regions=North, West'"},
    .run = RunParams,
});

}  // namespace
