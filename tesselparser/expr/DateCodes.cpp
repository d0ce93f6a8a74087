// DateCodes.cpp - period codes of date conditions, read into their bounds.
#include "expr/DateCodes.h"

namespace {

// The number the `count` characters of `text` at `at` spell, or -1 when one
// of them is no digit.
int DigitsAt(const CString& text, int at, int count) {
  int number = 0;
  for (int i = at; i < at + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// A period of whole months: `months` of them from the first of `month`.
// False when either bound is no date (a month outside 1 to 12, a year the
// reader refuses).
bool ReadMonths(int year, int month, int months, DatePeriod& period) {
  if (!period.first.SetDate(year, month, 1)) return false;
  const int after = month - 1 + months;
  return period.next.SetDate(year + after / 12, after % 12 + 1, 1);
}

// A day code: the day and the day after it.
bool ReadDay(int year, const CString& code, DatePeriod& period) {
  const int month = DigitsAt(code, 4, 2);
  const int day = DigitsAt(code, 6, 2);
  if (month < 0 || day < 0 || !period.first.SetDate(year, month, day)) return false;
  period.next = period.first;
  period.next.AddDays(1);
  return period.next.GetStatus() == COleDateTime::valid;
}

}  // namespace

// The year and the month must be digits: a six-character value such as
// {NULL} taken as data is a value, not a month code.
bool ReadDatePeriod(const CString& code, DatePeriod& period) {
  const int length = code.GetLength();
  if (length != 4 && length != 6 && length != 8) return false;
  const int year = DigitsAt(code, 0, 4);
  if (year < 0) return false;
  if (length == 4) return ReadMonths(year, 1, 12, period);
  if (length == 8) return ReadDay(year, code, period);
  if (code[4] == 'Q' || code[4] == 'q') {
    const int quarter = DigitsAt(code, 5, 1);
    return quarter >= 1 && quarter <= 4 && ReadMonths(year, quarter * 3 - 2, 3, period);
  }
  const int month = DigitsAt(code, 4, 2);
  return month >= 0 && ReadMonths(year, month, 1, period);
}
