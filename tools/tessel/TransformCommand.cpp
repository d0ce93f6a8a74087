// TransformCommand.cpp - "tessel transform [--type T] EXPR PLACEHOLDER
// VALUE": the expression text with every placeholder replaced by the value
// (a comparison before a placeholder is regenerated as a predicate).
#include <cstdio>

#include "contracts/basis30/Messages.h"
#include "expr/CExprParser.h"
#include "tools/tessel/Tool.h"
#include "tools/tessel/ValueOptions.h"

namespace {

int RunTransform(const ParsedArgs& args) {
  DATATYPE type = DATATYPE_CHARACTER;
  if (args.Has("--type") && !ParseDataTypeOption(args.Get("--type"), type)) {
    return UsageError("bad --type value '" + args.Get("--type") + "'");
  }
  ClearErrorInfo();
  CString expr = args.operands[0].c_str();
  const HRESULT hr = CExprParser::TransformExpr(expr, args.operands[1].c_str(), args.operands[2].c_str(), type);
  if (FAILED(hr)) return ReportFailure(hr);
  std::printf("%s\n", expr.GetString());
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "transform",
    .summary = "put a typed value in for every placeholder of an expression",
    .operands = {{"EXPR", "the expression text"},
                 {"PLACEHOLDER", "the text to replace"},
                 {"VALUE", "the value as a user types it"}},
    .options = {{.name = "--type", .alias = "-t", .takesValue = true, .valueName = "T",
                 .help = "the value's data type: numeric, character (default), date, untyped or a number"}},
    .details = "A comparison before a placeholder is regenerated as a predicate.",
    .examples = {"tessel transform --type numeric 'T.a = :v' :v '1,2'"},
    .run = RunTransform,
});

}  // namespace
