// VelDate.cpp - date literals for the current data source.
#include "contracts/basis30/VelDate.h"

#include <string>

#include "contracts/basis30/DataSource.h"

namespace {

// `value` with at least `width` digits, as "%0*d" writes it. Dates are
// rendered for every date condition: without the general formatter.
void AppendPadded(std::string& out, int value, int width) {
  if (value < 0) {
    CString text;
    text.Format("%0*d", width, value);
    out += text.GetString();
    return;
  }
  char digits[16];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  for (int i = n; i < width; ++i) out += '0';
  while (n > 0) out += digits[--n];
}

}  // namespace

CString FormatVelDate(const COleDateTime& date) {
  if (date.GetStatus() != COleDateTime::valid) return "NULL";
  const bool withTime = date.HasTime();
  // Years take four digits (0999-01-01): the date reader, and the literals
  // of every data source, read no shorter year.
  std::string text;
  AppendPadded(text, date.GetYear(), 4);
  text += '-';
  AppendPadded(text, date.GetMonth(), 2);
  text += '-';
  AppendPadded(text, date.GetDay(), 2);
  if (withTime) {
    text += ' ';
    AppendPadded(text, date.GetHour(), 2);
    text += ':';
    AppendPadded(text, date.GetMinute(), 2);
    text += ':';
    AppendPadded(text, date.GetSecond(), 2);
  }
  switch (GetCurDSType()) {
    case DSTYPE_ORACLE:
      return CString("TO_DATE('" + text + "','" + (withTime ? "YYYY-MM-DD HH24:MI:SS" : "YYYY-MM-DD") + "')");
    case DSTYPE_POSTGRESQL:
      // A typed literal: a bare text would compare as text with a text
      // column and could not be added to or subtracted from.
      return CString((withTime ? "TIMESTAMP '" : "DATE '") + text + "'");
    case DSTYPE_SQLITE:
      return CString("'" + text + "'");
    default:
      return CString((withTime ? "{ts '" : "{d '") + text + "'}");
  }
}

CString FormatVelDate(const char* text) {
  COleDateTime date;
  date.ParseDateTime(text);
  return FormatVelDate(date);
}
