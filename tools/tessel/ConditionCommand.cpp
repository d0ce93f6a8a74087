// ConditionCommand.cpp - "tessel condition [--type T] [--dstype D]
// [--data-only] COLUMN OP VALUE": the SQL predicate that a typed value
// gives for a column.
#include <cstdio>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/Messages.h"
#include "expr/CExprParser.h"
#include "tools/tessel/Tool.h"
#include "tools/tessel/ValueOptions.h"

namespace {

int RunCondition(const ParsedArgs& args) {
  DATATYPE type = DATATYPE_CHARACTER;
  if (args.Has("--type") && !ParseDataTypeOption(args.Get("--type"), type)) {
    return UsageError("bad --type value '" + args.Get("--type") + "'");
  }
  DSTYPE dsType = DSTYPE_NONE;
  if (args.Has("--dstype") && !ParseDSTypeOption(args.Get("--dstype"), dsType)) {
    return UsageError("bad --dstype value '" + args.Get("--dstype") + "'");
  }
  SetCurDSType(dsType);
  ClearErrorInfo();
  CString result;
  const HRESULT hr = CExprParser::GenerateExpr(args.operands[0].c_str(), type, args.operands[1].c_str(),
                                               args.operands[2].c_str(), result, args.Has("--data-only"));
  if (FAILED(hr)) return ReportFailure(hr);
  std::printf("%s\n", result.GetString());
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    "condition",
    "condition [--type T] [--dstype D] [--data-only] COLUMN OP VALUE  the predicate of a typed value",
    {{"--type", "-t", true, false}, {"--dstype", "", true, false}, {"--data-only", "", false, false}},
    3,
    3,
    RunCondition,
});

}  // namespace
