// FunctionsFuzzer.cpp - "@" function calls (EvaluateFGFunctions) in a
// fuzzed text.
//
// Properties: the result is 0, 1, the code of a call left for later that
// no later stage knows, or a processor failure; a failure's message has no
// unfilled template; the text before the first "@" is never changed; and a
// text without an open literal keeps none open (every value is written as
// a complete literal).
#include <string>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "fuzz/FuzzSupport.h"
#include "params/CParamHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) return 0;  // a C string ends there
  CParamHandler handler;
  CString out(text.c_str());
  ClearErrorInfo();
  const HRESULT hr = handler.EvaluateFGFunctions(out);
  const std::string result = out.GetString();
  fuzz::Check(hr == S_OK || hr == S_FALSE || hr == TPE_UNKNOWN_LATER_CALL || hr < 0,
              "EvaluateFGFunctions returns 0, 1 or a failure", text);
  if (hr < 0) fuzz::CheckMessage(text);
  const size_t at = text.find('@');
  const size_t kept = at == std::string::npos ? text.size() : at;
  fuzz::Check(result.compare(0, kept, text, 0, kept) == 0, "the text before the first call is kept",
              text + "\n=> " + result);
  bool open = false;
  bool textOpen = false;
  fuzz::OutsideLiterals(text, textOpen);
  fuzz::OutsideLiterals(result, open);
  fuzz::Check(textOpen || !open, "every value is written as a complete literal", text + "\n=> " + result);
  return 0;
}
