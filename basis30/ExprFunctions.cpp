// ExprFunctions.cpp - what the evaluator (ExprEvaluator.cpp) computes with:
// values, the calendar arithmetic of DateAdd, the clock behind Today() and
// Now() (SetProcessorClock), the processor's own functions computed on
// evaluated arguments, and the reading of literals into values. Which
// functions there are, and the arguments they take, is the table in
// ExprProcessorInternal.h that the classifier reads too.
#include "contracts/basis30/ExprProcessor.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "basis30/ExprProcessorInternal.h"
#include "contracts/basis30/TextUtil.h"
#include "platform/COleDateTime.h"

namespace exprproc {

// ---------------------------------------------------------------------------
// Values
//
// What the evaluator computes (Value, declared in ExprProcessorInternal.h).

namespace {

Value DateValue(const COleDateTime& date, bool hasTime) {
  Value value;
  value.kind = ValueKind::Date;
  value.date = date;
  value.hasTime = hasTime;
  return value;
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS", always with four year digits.
std::string FormatDate(const COleDateTime& date, bool withTime) {
  char buffer[96];
  const int length =
      withTime ? std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", date.GetYear(),
                               date.GetMonth(), date.GetDay(), date.GetHour(), date.GetMinute(), date.GetSecond())
               : std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.GetYear(), date.GetMonth(), date.GetDay());
  return std::string(buffer, static_cast<size_t>(length));
}

}  // namespace

Value NumberValue(std::string text) {
  Value value;
  value.kind = ValueKind::Number;
  value.text = std::move(text);
  return value;
}

Value TextValue(std::string text) {
  Value value;
  value.kind = ValueKind::Text;
  value.text = std::move(text);
  return value;
}

Value NullOf(ValueKind kind) {
  Value value;
  value.kind = kind;
  value.isNull = true;
  return value;
}

std::string Render(const Value& value) {
  if (value.IsNull()) return std::string();
  if (value.kind == ValueKind::Date) return FormatDate(value.date, value.hasTime);
  return value.text;
}

DATATYPE DataTypeOf(ValueKind kind) {
  switch (kind) {
    case ValueKind::Number:
      return DATATYPE_NUMERIC;
    case ValueKind::Text:
      return DATATYPE_CHARACTER;
    case ValueKind::Date:
      return DATATYPE_DATETIME;
    case ValueKind::Null:
      break;
  }
  return DATATYPE_OBJECT;
}

namespace {

// An argument read as a date: a date value, or a text that the date reader
// accepts ('2011-01-31', '2011-01-31 10:30').
bool ToDate(const Value& value, COleDateTime& date, bool& hasTime) {
  if (value.kind == ValueKind::Date) {
    date = value.date;
    hasTime = value.hasTime;
    return true;
  }
  if (value.kind != ValueKind::Text || VarDateFromStr(value.text.c_str(), date) != S_OK) return false;
  hasTime = date.HasTime();
  return true;
}

// An argument read as a whole number. Only a number value counts: a quoted
// '5' is a text, and a count with a fraction is refused rather than rounded.
bool ToInteger(const Value& value, long long& number) {
  if (value.kind != ValueKind::Number || TestNumeric(value.text.c_str()) != 0) return false;
  const char* begin = value.text.data();
  const char* end = begin + value.text.size();
  const auto [stop, error] = std::from_chars(begin, end, number);
  return error == std::errc() && stop == end;
}

// ---------------------------------------------------------------------------
// Calendar arithmetic
//
// The calendar runs from the year 100 to 9999 (what COleDateTime holds); a
// result outside it is an argument the function cannot take. Counts are
// checked against the span of that calendar before any multiplication, so
// no arithmetic here can overflow.

constexpr long long kMaxDays = 3700000;        // more than the 9900 years of the calendar
constexpr long long kMaxMonths = 12LL * 9900;  // the same span in months
constexpr long long kSecondsPerDay = 86400;

long long FloorDiv(long long a, long long b) {
  long long quotient = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --quotient;
  return quotient;
}

int DaysInMonth(int year, int month) {
  const std::chrono::year_month_day_last last{
      std::chrono::year{year}, std::chrono::month_day_last{std::chrono::month{static_cast<unsigned>(month)}}};
  return static_cast<int>(static_cast<unsigned>(last.day()));
}

COleDateTime DateOnly(const COleDateTime& date) { return COleDateTime(date.GetYear(), date.GetMonth(), date.GetDay()); }

bool AddDays(COleDateTime& date, long long days) {
  if (days > kMaxDays || days < -kMaxDays) return false;
  date.AddDays(static_cast<int>(days));
  return date.GetStatus() == COleDateTime::valid;
}

// Whole months, the day clamped to the length of the month reached:
// 2011-01-31 plus one month is 2011-02-28. The time of day is kept.
bool AddMonths(COleDateTime& date, long long months) {
  if (months > kMaxMonths || months < -kMaxMonths) return false;
  const long long total = date.GetYear() * 12LL + (date.GetMonth() - 1) + months;
  const long long year = FloorDiv(total, 12);
  if (year < 100 || year > 9999) return false;
  const int month = static_cast<int>(total - year * 12) + 1;
  const int day = std::min(date.GetDay(), DaysInMonth(static_cast<int>(year), month));
  return date.SetDateTime(static_cast<int>(year), month, day, date.GetHour(), date.GetMinute(), date.GetSecond());
}

bool AddSeconds(COleDateTime& date, long long seconds) {
  if (seconds > kMaxDays * kSecondsPerDay || seconds < -kMaxDays * kSecondsPerDay) return false;
  const long long total = date.GetHour() * 3600LL + date.GetMinute() * 60LL + date.GetSecond() + seconds;
  const long long days = FloorDiv(total, kSecondsPerDay);
  const int rest = static_cast<int>(total - days * kSecondsPerDay);
  if (!AddDays(date, days)) return false;
  return date.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), rest / 3600, rest / 60 % 60, rest % 60);
}

// The intervals of DateAdd, compared ignoring case: yyyy (years), q
// (quarters), m (months), y (day of year), d (days), w (weekdays), ww
// (weeks), h (hours), n (minutes), s (seconds). As in the scripting
// languages the hosts' users know, "y" and "w" step by whole days.
enum class Unit { Months, Days, Seconds };

struct Interval {
  std::string_view code;
  Unit unit;
  long long factor;
};

constexpr Interval kIntervals[] = {
    {"yyyy", Unit::Months, 12}, {"q", Unit::Months, 3},     {"m", Unit::Months, 1},     {"y", Unit::Days, 1},
    {"d", Unit::Days, 1},       {"w", Unit::Days, 1},       {"ww", Unit::Days, 7},      {"h", Unit::Seconds, 3600},
    {"n", Unit::Seconds, 60},   {"s", Unit::Seconds, 1},
};

bool DateAdd(std::string_view interval, long long count, COleDateTime& date, bool& hasTime) {
  // Any count beyond this leaves the calendar whatever the unit; checking it
  // first keeps count * factor in range.
  constexpr long long kMaxCount = kMaxDays * kSecondsPerDay;
  if (count > kMaxCount || count < -kMaxCount) return false;
  for (const Interval& entry : kIntervals) {
    if (!EqualsNoCase(interval, entry.code)) continue;
    switch (entry.unit) {
      case Unit::Months:
        return AddMonths(date, count * entry.factor);
      case Unit::Days:
        return AddDays(date, count * entry.factor);
      case Unit::Seconds:
        hasTime = true;
        return AddSeconds(date, count * entry.factor);
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// The clock behind Today() and Now()

std::optional<COleDateTime>& FixedClock() {
  static std::optional<COleDateTime> fixed;
  return fixed;
}

COleDateTime SystemNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // A leap second reads as the last second of its minute.
  return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      std::min(local.tm_sec, 59));
}

}  // namespace

const COleDateTime& ClockReading::Now() {
  if (!m_now) m_now = FixedClock() ? *FixedClock() : SystemNow();
  return *m_now;
}

// ---------------------------------------------------------------------------
// The processor's functions on evaluated arguments

ValueKind ResultKind(FunctionId id) {
  switch (id) {
    case FunctionId::Year:
    case FunctionId::Month:
    case FunctionId::Day:
    case FunctionId::Quarter:
      return ValueKind::Number;
    default:
      return ValueKind::Date;
  }
}

// Computes `id` on non-null arguments whose count the function takes.
// False when an argument is of a type the function does not take or when
// the result would leave the calendar.
bool Compute(FunctionId id, const std::vector<Value>& args, ClockReading& clock, Value& result) {
  COleDateTime date;
  bool hasTime = false;
  // The date argument of the functions that take one date or none (today).
  auto dateArgument = [&](size_t index) {
    if (args.size() <= index) {
      date = DateOnly(clock.Now());
      return true;
    }
    return ToDate(args[index], date, hasTime);
  };
  auto setDate = [&](int year, int month, int day) {
    result = DateValue(COleDateTime(year, month, day), false);
    return result.date.GetStatus() == COleDateTime::valid;
  };
  switch (id) {
    case FunctionId::Today:
      result = DateValue(DateOnly(clock.Now()), false);
      return true;
    case FunctionId::Now:
      result = DateValue(clock.Now(), true);
      return true;
    case FunctionId::Year:
    case FunctionId::Month:
    case FunctionId::Day:
    case FunctionId::Quarter: {
      if (!dateArgument(0)) return false;
      const int part = id == FunctionId::Year    ? date.GetYear()
                       : id == FunctionId::Month ? date.GetMonth()
                       : id == FunctionId::Day   ? date.GetDay()
                                                 : (date.GetMonth() - 1) / 3 + 1;
      result = NumberValue(std::to_string(part));
      return true;
    }
    case FunctionId::FirstDayOfMonth:
      return dateArgument(0) && setDate(date.GetYear(), date.GetMonth(), 1);
    case FunctionId::LastDayOfMonth:
      return dateArgument(0) && setDate(date.GetYear(), date.GetMonth(), DaysInMonth(date.GetYear(), date.GetMonth()));
    case FunctionId::FirstDayOfYear:
      return dateArgument(0) && setDate(date.GetYear(), 1, 1);
    case FunctionId::LastDayOfYear:
      return dateArgument(0) && setDate(date.GetYear(), 12, 31);
    case FunctionId::FirstDayOfQuarter:
      return dateArgument(0) && setDate(date.GetYear(), (date.GetMonth() - 1) / 3 * 3 + 1, 1);
    case FunctionId::DateAdd: {
      long long count = 0;
      if (args[0].kind != ValueKind::Text || !ToInteger(args[1], count) || !dateArgument(2)) return false;
      if (!DateAdd(args[0].text, count, date, hasTime)) return false;
      result = DateValue(date, hasTime);
      return true;
    }
    case FunctionId::Date: {
      if (args.size() == 1) {
        if (!dateArgument(0)) return false;
        result = DateValue(date, hasTime);
        return true;
      }
      long long parts[3] = {0, 0, 0};
      for (size_t i = 0; i < 3; ++i) {
        // Outside this range no part can make a date; the bound keeps the
        // conversion to int exact.
        if (!ToInteger(args[i], parts[i]) || parts[i] < 0 || parts[i] > 9999) return false;
      }
      // An impossible date is refused, not rolled over: Date(2011, 2, 30)
      // is far more likely a mistake than a wish for the 2nd of March.
      return setDate(static_cast<int>(parts[0]), static_cast<int>(parts[1]), static_cast<int>(parts[2]));
    }
  }
  return false;
}

// TO_DATE over quoted literals is a date literal of Oracle's; the
// classifier takes it for a constant, so the evaluator reads it. With one
// argument the date reader decides; with a format, the elements YYYY, MM,
// DD, HH24, MI and SS (any letter case) are read, up to four digits for
// YYYY and two for the others, and every other non-letter character must
// stand in the text as written. A format letter outside those elements
// (MON, HH, AM, ...) is not read. As in Oracle, a missing year or month is
// the current one and a missing day the first.
bool ReadToDate(const std::vector<Value>& args, ClockReading& clock, Value& result) {
  COleDateTime date;
  if (args.size() == 1) {
    if (VarDateFromStr(args[0].text.c_str(), date) != S_OK) return false;
    result = DateValue(date, date.HasTime());
    return true;
  }
  if (args.size() != 2) return false;
  const std::string_view text = args[0].text;
  const std::string_view mask = args[1].text;
  int year = -1;
  int month = -1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool hasTime = false;
  struct Element {
    std::string_view code;
    size_t digits;
    int* target;
    bool time;
  };
  const Element elements[] = {
      {"YYYY", 4, &year, false}, {"HH24", 2, &hour, true},  {"MM", 2, &month, false},
      {"DD", 2, &day, false},    {"MI", 2, &minute, true},  {"SS", 2, &second, true},
  };
  size_t t = 0;
  size_t m = 0;
  while (m < mask.size()) {
    const Element* match = nullptr;
    for (const Element& element : elements) {
      if (EqualsNoCase(mask.substr(m, element.code.size()), element.code)) {
        match = &element;
        break;
      }
    }
    if (match != nullptr) {
      const size_t start = t;
      int number = 0;
      while (t < text.size() && t - start < match->digits && IsDigit(text[t])) number = number * 10 + (text[t++] - '0');
      if (t == start) return false;
      *match->target = number;
      hasTime = hasTime || match->time;
      m += match->code.size();
      continue;
    }
    if (IsAsciiLetter(mask[m]) || t >= text.size() || text[t] != mask[m]) return false;
    ++t;
    ++m;
  }
  if (t != text.size()) return false;
  if (year < 0) year = clock.Now().GetYear();
  if (month < 0) month = clock.Now().GetMonth();
  if (!date.SetDateTime(year, month, day, hour, minute, second)) return false;
  result = DateValue(date, hasTime);
  return true;
}

// ---------------------------------------------------------------------------
// Literals

// 'it''s' -> it's (also the text of N'...', whose token is the quoted part).
std::string Unquote(std::string_view quoted) {
  std::string text;
  text.reserve(quoted.size());
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    text += quoted[i];
    if (quoted[i] == '\'' && i + 2 < quoted.size() && quoted[i + 1] == '\'') ++i;
  }
  return text;
}

// A date given as DATE '...' / {d '...'} (kind "d"), TIMESTAMP '...' /
// {ts '...'} ("ts") or TIME '...' / {t '...'} ("t"). A time of day alone
// has no date, so it stays a text. False for a date that does not exist.
bool ReadTemporal(std::string_view kind, std::string_view quoted, Value& value) {
  std::string text = Unquote(quoted);
  if (EqualsNoCase(kind, "t") || EqualsNoCase(kind, "time")) {
    value = TextValue(std::move(text));
    return true;
  }
  COleDateTime date;
  if (VarDateFromStr(text.c_str(), date) != S_OK) return false;
  const bool stamp = EqualsNoCase(kind, "ts") || EqualsNoCase(kind, "timestamp");
  value = DateValue(date, stamp || date.HasTime());
  return true;
}

// "{d '2011-01-01'}" and its kin (IsDateEscape has checked the shape).
bool ReadDateEscape(std::string_view brace, Value& value) {
  std::string_view inner = brace.substr(1, brace.size() - 2);
  while (!inner.empty() && IsBlank(inner.front())) inner.remove_prefix(1);
  while (!inner.empty() && IsBlank(inner.back())) inner.remove_suffix(1);
  size_t letters = 0;
  while (letters < inner.size() && IsAsciiLetter(inner[letters])) ++letters;
  std::string_view quoted = inner.substr(letters);
  while (!quoted.empty() && IsBlank(quoted.front())) quoted.remove_prefix(1);
  return ReadTemporal(inner.substr(0, letters), quoted, value);
}

}  // namespace exprproc

using namespace exprproc;

void SetProcessorClock(const COleDateTime* fixed) {
  if (fixed != nullptr && fixed->GetStatus() == COleDateTime::valid) {
    FixedClock() = *fixed;
  } else {
    FixedClock().reset();
  }
}
