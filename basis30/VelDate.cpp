// VelDate.cpp - date literals for the current data source.
#include "contracts/basis30/VelDate.h"

#include "contracts/basis30/DataSource.h"

CString FormatVelDate(const COleDateTime& date) {
  if (date.GetStatus() != COleDateTime::valid) return "NULL";
  const bool withTime = date.HasTime();
  // Years take four digits (0999-01-01): the date reader, and the literals
  // of every data source, read no shorter year.
  CString text;
  if (withTime) {
    text.Format("%04d-%02d-%02d %02d:%02d:%02d", date.GetYear(), date.GetMonth(), date.GetDay(), date.GetHour(),
                date.GetMinute(), date.GetSecond());
  } else {
    text.Format("%04d-%02d-%02d", date.GetYear(), date.GetMonth(), date.GetDay());
  }
  CString out;
  switch (GetCurDSType()) {
    case DSTYPE_ORACLE:
      out.Format("TO_DATE('%s','%s')", text.GetString(), withTime ? "YYYY-MM-DD HH24:MI:SS" : "YYYY-MM-DD");
      break;
    case DSTYPE_POSTGRESQL:
      // A typed literal: a bare text would compare as text with a text
      // column and could not be added to or subtracted from.
      out.Format(withTime ? "TIMESTAMP '%s'" : "DATE '%s'", text.GetString());
      break;
    case DSTYPE_SQLITE:
      out.Format("'%s'", text.GetString());
      break;
    default:
      out.Format(withTime ? "{ts '%s'}" : "{d '%s'}", text.GetString());
      break;
  }
  return out;
}

CString FormatVelDate(const char* text) {
  COleDateTime date;
  date.ParseDateTime(text);
  return FormatVelDate(date);
}
