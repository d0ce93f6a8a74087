// SqlLiteral.h - a text written as one SQL string literal.
//
// Shared by the parameter substitution and the "@" function pass, which
// both put values typed by users into SQL text.
#pragma once

#include "platform/CString.h"

// `text` enclosed in apostrophes with every apostrophe inside doubled, so
// that O'Brien becomes 'O''Brien' and no value can close its quotes early.
inline CString SqlTextLiteral(const CString& text) {
  CString inner(text);
  inner.Replace("'", "''");
  return "'" + inner + "'";
}
