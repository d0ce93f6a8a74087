// SqlLiteral.h - a text written as one SQL string literal.
//
// Shared by everything that puts values typed by users into SQL text as
// string literals: the condition values (CExprParser), the parameter
// substitution, the "@" function pass and the literal texts of query
// objects.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "contracts/basis30/DataSource.h"
#include "platform/CString.h"

// True when the current data source reads a backslash inside a string
// literal as an escape character (MySQL in its default mode): there a
// trailing backslash would swallow the closing apostrophe and leave the
// literal open into the rest of the statement.
inline bool BackslashEscapes() { return GetCurDSType() == DSTYPE_MYSQL; }

// Appends to `out` the inside of a string literal that holds `text`: every
// apostrophe doubled and, where backslashes escape, every backslash doubled
// too, so that no value can close its quotes early or keep them open. One
// pass, each character copied and doubled where it has to be.
inline void AppendLiteralInside(std::string& out, std::string_view text) {
  const bool backslashes = BackslashEscapes();
  for (const char c : text) {
    out += c;
    if (c == '\'' || (backslashes && c == '\\')) out += c;
  }
}
// The inside of a string literal that holds `text` (see AppendLiteralInside).
inline CString SqlLiteralInside(const CString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.GetLength()) + 2);
  AppendLiteralInside(out, text.view());
  return CString(std::move(out));
}

// `text` enclosed in apostrophes (see SqlLiteralInside), so that O'Brien
// becomes 'O''Brien'.
inline CString SqlTextLiteral(const CString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.GetLength()) + 4);
  out += '\'';
  AppendLiteralInside(out, text.view());
  out += '\'';
  return CString(std::move(out));
}

// `text` enclosed in apostrophes with only its apostrophes doubled: the
// form of a value that is read again as a typed literal (TypedLiteral)
// before it reaches the statement, so that its backslashes are doubled
// once, there.
inline CString QuotedValue(CString text) {
  text.Replace("'", "''");
  return "'" + text + "'";
}

// A literal typed whole ("'C:\dir'"), its apostrophes already doubled, as
// the data source reads it: where backslashes escape they are doubled, so
// that it still holds what was typed and still ends where it seemed to.
inline CString TypedLiteral(const CString& literal) {
  if (!BackslashEscapes()) return literal;
  CString inner = literal.Mid(1, literal.GetLength() - 2);
  inner.Replace("\\", "\\\\");
  return "'" + inner + "'";
}
