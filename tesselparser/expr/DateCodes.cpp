// DateCodes.cpp - period codes of date conditions, read into their bounds
// or expanded into range text.
#include "expr/DateCodes.h"

#include <cstdlib>

#include "contracts/basis30/TextUtil.h"

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

// The runtime's decimal conversion: leading digits, anything else 0.
int Number(const CString& text) { return std::atoi(text); }

// A year as the date reader takes it back: always four digits.
constexpr const char* kNextYearStart = "%04d-1-1&";

CString Formatted(const char* format, int number) {
  CString out;
  out.Format(format, number);
  return out;
}

// The month code YYYYMM; "12" rolls over into the next year. The month is
// copied as typed, the next one printed without a leading zero.
CString ExpandMonth(const CString& year, const CString& month) {
  CString upper;
  if (month == "12") {
    upper = Formatted(kNextYearStart, Number(year) + 1);
  } else {
    upper.Format("%s-%d-1&", year.GetString(), Number(month) + 1);
  }
  return year + "-" + month + "-1 ~ " + upper;
}

// The quarter code YYYYQn (n from 1 to 4); empty for any other digit.
CString ExpandQuarter(const CString& year, char digit) {
  switch (digit) {
    case '1':
      return year + "-1-1 ~ " + year + "-4-1&";
    case '2':
      return year + "-4-1 ~ " + year + "-7-1&";
    case '3':
      return year + "-7-1 ~ " + year + "-10-1&";
    case '4':
      return year + "-10-1 ~ " + Formatted(kNextYearStart, Number(year) + 1);
    default:
      return CString();
  }
}

// The day code YYYYMMDD up to the next day; empty when it is no date.
CString ExpandDay(const CString& value) {
  const CString day = value.Left(4) + "-" + value.Mid(4, 2) + "-" + value.Mid(6, 2);
  COleDateTime date;
  if (FAILED(VarDateFromStr(day, date))) return CString();
  date.AddDays(1);
  // The day after 9999-12-31 is beyond the date reader. The range then
  // ends at a date the reader refuses, so the code is reported as no date,
  // as the year 9999 is, instead of becoming an empty range (a lower bound
  // equal to its exclusive upper one).
  if (date.GetStatus() != COleDateTime::valid) return day + " ~ " + Formatted(kNextYearStart, Number(value.Left(4)) + 1);
  CString next;
  next.Format("%04d-%02d-%02d&", date.GetYear(), date.GetMonth(), date.GetDay());
  return day + " ~ " + next;
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

// A code with letters could never read as a date; it stays as typed.
void ExpandDateCode(CString& value) {
  const int length = value.GetLength();
  if (length != 4 && length != 6 && length != 8) return;
  const CString year = value.Left(4);
  if (!IsAllNumber(year)) return;
  CString expanded;
  if (length == 4) {
    expanded = year + "-1-1 ~ " + Formatted(kNextYearStart, Number(year) + 1);
  } else if (length == 8) {
    if (IsAllNumber(value)) expanded = ExpandDay(value);
  } else if (value[4] == 'Q' || value[4] == 'q') {
    expanded = ExpandQuarter(year, value[5]);
  } else if (IsAllNumber(value.Mid(4))) {
    expanded = ExpandMonth(year, value.Mid(4));
  }
  if (!expanded.IsEmpty()) value = expanded;
}
