// VelDate.h - date literals in the SQL of the current data source.
//
//   Oracle (2):  TO_DATE('2011-01-31','YYYY-MM-DD'),
//                TO_DATE('2011-01-31 10:30:00','YYYY-MM-DD HH24:MI:SS')
//   SQLite (12): '2011-01-31', '2011-01-31 10:30:00'
//   otherwise:   {d '2011-01-31'}, {ts '2011-01-31 10:30:00'}
// A date with a time of day takes the second form; the year always takes
// four digits (0999-01-01). An invalid date renders as NULL, which no
// comparison matches.
#pragma once

#include "platform/COleDateTime.h"
#include "platform/CString.h"

CString FormatVelDate(const COleDateTime& date);
// Parses `text` with the date reader first.
CString FormatVelDate(const char* text);
