// TestValueCommand.cpp - "tessel test-value --type T VALUE": 0 when the
// value (a list, a range, a date code, ...) is acceptable for the type,
// else the failure code.
#include <cstdio>

#include "contracts/basis30/Messages.h"
#include "expr/CExprParser.h"
#include "tools/tessel/Tool.h"
#include "tools/tessel/ValueOptions.h"

namespace {

int RunTestValue(const ParsedArgs& args) {
  if (!args.Has("--type")) return UsageError("test-value needs --type");
  DATATYPE type = DATATYPE_CHARACTER;
  if (!ParseDataTypeOption(args.Get("--type"), type)) {
    return UsageError("bad --type value '" + args.Get("--type") + "'");
  }
  ClearErrorInfo();
  const HRESULT hr = CExprParser::TestMultiValue(type, args.operands[0].c_str());
  if (FAILED(hr)) return ReportFailure(hr);
  std::printf("0\n");
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "test-value",
    .summary = "print 0 when VALUE is acceptable for the data type, else fail",
    .operands = {{"VALUE", "the value as a user types it"}},
    .options = {{.name = "--type", .alias = "-t", .takesValue = true, .valueName = "T",
                 .help = "the data type (required): numeric, character, date, untyped or a number"}},
    .examples = {"tessel test-value --type numeric '1~5, 8'", "tessel test-value 2011Q5 --type date"},
    .run = RunTestValue,
});

}  // namespace
