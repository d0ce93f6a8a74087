// FunctionsCommand.cpp - "tessel functions TEXT": TEXT with its "@" calls
// evaluated (values as SQL literals, calls for a later stage without "@").
#include <cstdio>

#include "contracts/basis30/Messages.h"
#include "params/CParamHandler.h"
#include "tools/tessel/Tool.h"

namespace {

int RunFunctions(const ParsedArgs& args) {
  ClearErrorInfo();
  CString text = args.operands[0].c_str();
  const HRESULT hr = CParamHandler().EvaluateFGFunctions(text);
  if (FAILED(hr)) return ReportFailure(hr);
  std::printf("%s\n", text.GetString());
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "functions",
    .summary = "evaluate the @ function calls in TEXT into SQL literals",
    .operands = {{"TEXT", "an expression text holding @Function(...) calls"}},
    .examples = {"tessel functions \"@Year('2011-05-01')\"", "tessel functions 'x = @CrossColumn(a, 1)'"},
    .run = RunFunctions,
});

}  // namespace
