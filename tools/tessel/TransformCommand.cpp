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
    "transform",
    "transform [--type T] EXPR PLACEHOLDER VALUE  put a typed value in for every placeholder",
    {{"--type", "-t", true, false}},
    3,
    3,
    RunTransform,
});

}  // namespace
