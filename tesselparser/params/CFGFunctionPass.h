// CFGFunctionPass.h - the "@" function pass over an expression text.
//
// Finds every "@Name(arguments)" call that stands outside quoted literals
// (an even number of apostrophes before its "@"), takes as its arguments
// everything up to the parenthesis that closes them, and has the
// expression processor evaluate it (CalculateExpr). An evaluated call is
// replaced by its value as an SQL literal; a call the processor leaves for
// a later stage is replaced by the call without its "@", provided the
// later stage knows it. Scanning resumes right after each replacement, so
// inserted values are never read again, and the pass runs in time linear
// in the text. CParamHandler::EvaluateFGFunctions runs it.
#pragma once

#include <string>
#include <vector>

#include "platform/CString.h"
#include "platform/HResult.h"

class CFGFunctionPass {
 public:
  // Rewrites `text`; the result codes are those of
  // CParamHandler::EvaluateFGFunctions.
  HRESULT Run(CString& text);

  // True for the functions that a later stage of the host evaluates:
  // CrossColumn, ParentChild, If (any letter case) and any name that
  // contains "_X" (any case).
  static bool IsLaterStageName(const CString& name);

 private:
  // The position of the ")" that closes the "(" at `open`, or -1 when the
  // call text would not be a complete sub-expression at any ")".
  long CloseOf(size_t open);
  static bool IsKnownLaterCall(const CString& name, const CString& call);

  std::string m_src;
  std::vector<long> m_closeOf;  // per "(" position: its ")", kFailed, or kUnknown
};
