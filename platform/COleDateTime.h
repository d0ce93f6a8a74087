// COleDateTime.h - calendar date with time of day, and the date-text reader.
//
// Stands in for the automation date type and its locale-aware parser. The
// reader accepts the forms a user of the default locale types:
//   YYYY-MM-DD, YYYY-M-D, YYYY/MM/DD, MM/DD/YYYY (M and D may be one digit),
// each optionally followed by " HH:MM" or " HH:MM:SS" (24-hour clock).
// Impossible dates (2011-02-30) and times are rejected. Arithmetic and
// validity use std::chrono's calendar types.
#pragma once

#include "platform/CString.h"
#include "platform/HResult.h"

class COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  // A null (unset) value.
  COleDateTime() = default;
  COleDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

  // Sets the value; an impossible date or time makes it invalid. Returns
  // true when the result is valid.
  bool SetDateTime(int year, int month, int day, int hour, int minute, int second);
  bool SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }
  // Parses `text` as described above; on failure the value becomes invalid
  // and false is returned.
  bool ParseDateTime(const char* text);

  DateTimeStatus GetStatus() const noexcept { return m_status; }
  int GetYear() const noexcept { return m_year; }
  int GetMonth() const noexcept { return m_month; }
  int GetDay() const noexcept { return m_day; }
  int GetHour() const noexcept { return m_seconds / 3600; }
  int GetMinute() const noexcept { return m_seconds / 60 % 60; }
  int GetSecond() const noexcept { return m_seconds % 60; }
  bool HasTime() const noexcept { return m_seconds != 0; }

  // Moves the date by whole days (negative to go back); keeps the time.
  void AddDays(int days);

  // strftime-style formatting ("%Y-%m-%d", "%H:%M:%S", ...). Empty for a
  // value that is not valid.
  CString Format(const char* pattern) const;

  friend bool operator==(const COleDateTime& a, const COleDateTime& b) {
    return a.m_status == b.m_status && a.m_year == b.m_year && a.m_month == b.m_month && a.m_day == b.m_day &&
           a.m_seconds == b.m_seconds;
  }

 private:
  DateTimeStatus m_status = null;
  int m_year = 0;
  int m_month = 0;
  int m_day = 0;
  int m_seconds = 0;  // seconds since midnight
};

// The automation date parser: S_OK and the date, or E_INVALIDARG
// (the type-mismatch of the original) when `text` is not a date.
HRESULT VarDateFromStr(const char* text, COleDateTime& out);
