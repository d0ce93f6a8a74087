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
    .name = "condition",
    .summary = "the SQL predicate a typed value gives for a column",
    .operands = {{"COLUMN", "the SQL expression of the compared column"},
                 {"OP", "the operator: =, <>, <, >, <=, >=, LIKE, IN, BETWEEN, NOT ..."},
                 {"VALUE", "the value as a user types it: 1~5, 8 or 2011Q4 or {NULL} ..."}},
    .options = {{.name = "--type", .alias = "-t", .takesValue = true, .valueName = "T",
                 .help = "the column's data type: numeric, character (default), date, untyped or a number"},
                {.name = "--dstype", .takesValue = true, .valueName = "D",
                 .help = "the data-source type, by name or number (SQLite, Oracle, 11, ...)"},
                {.name = "--data-only", .help = "take the value as data only: no {ALL}, {NULL}, ^ or calls"}},
    .details = "The value language is described in docs/value-language.md.",
    .examples = {"tessel condition --type date T.OrderDate = 2011Q4",
                 "tessel condition -t numeric T.Qty = '1~5, 8'",
                 "tessel condition T.Name '<>' -- -x"},
    .run = RunCondition,
});

}  // namespace
