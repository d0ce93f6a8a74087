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
// reader accepts (years 100 to 9999). False for any other text, and for a
// code whose range would reach outside those years: such a code takes the
// path of ExpandDateCode, which reports it as the range text always has.
bool ReadDatePeriod(const CString& code, DatePeriod& period);

// Expands a period code into the range text it stands for
// ("2011-1-1 ~ 2012-1-1&", the upper bound carrying the exclusive mark).
// Anything else stays as typed, and so does a day code that is no date.
void ExpandDateCode(CString& value);
