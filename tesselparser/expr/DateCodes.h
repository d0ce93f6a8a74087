// DateCodes.h - the period codes of date conditions: a year (YYYY), a
// quarter (YYYYQn), a month (YYYYMM) or a day (YYYYMMDD) typed as the
// value of a date column selects the half-open range of that period.
#pragma once

#include "platform/COleDateTime.h"
#include "platform/CString.h"

// A period: its first day and the first day after it.
struct DatePeriod {
  COleDateTime first;
  COleDateTime next;
};

// Reads `code` as a period code whose both bounds are dates the date
// reader accepts (years 100 to 9999). False for any other text. A text of
// a code's shape that is refused (a year outside those, month 13, the
// fifth quarter, 20110230, 99991231) names no date: taken as typed, it
// reads as no date either, so the condition reports it as such.
bool ReadDatePeriod(const CString& code, DatePeriod& period);
