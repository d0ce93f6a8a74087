// COleDateTime.cpp - date validation, parsing and formatting on std::chrono.
#include "platform/COleDateTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string_view>

namespace {

using namespace std::chrono;

// Reads 1..maxDigits decimal digits at `pos`; advances it.
std::optional<int> ReadNumber(std::string_view text, size_t& pos, size_t maxDigits) {
  size_t start = pos;
  int value = 0;
  while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  if (pos == start) return std::nullopt;
  return value;
}

bool Expect(std::string_view text, size_t& pos, char ch) {
  if (pos >= text.size() || text[pos] != ch) return false;
  ++pos;
  return true;
}

struct Parsed {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Date part: YYYY-M-D, YYYY/M/D or M/D/YYYY.
bool ReadDate(std::string_view text, size_t& pos, Parsed& out) {
  size_t mark = pos;
  auto first = ReadNumber(text, pos, 4);
  if (!first) return false;
  if (pos - mark == 4) {
    if (pos >= text.size() || (text[pos] != '-' && text[pos] != '/')) return false;
    const char sep = text[pos++];
    auto month = ReadNumber(text, pos, 2);
    if (!month || !Expect(text, pos, sep)) return false;
    auto day = ReadNumber(text, pos, 2);
    if (!day) return false;
    out.year = *first, out.month = *month, out.day = *day;
    return true;
  }
  if (pos - mark > 2 || !Expect(text, pos, '/')) return false;
  auto day = ReadNumber(text, pos, 2);
  if (!day || !Expect(text, pos, '/')) return false;
  size_t yearStart = pos;
  auto year = ReadNumber(text, pos, 4);
  if (!year || pos - yearStart != 4) return false;
  out.year = *year, out.month = *first, out.day = *day;
  return true;
}

// Optional time part: " HH:MM" or " HH:MM:SS".
bool ReadTime(std::string_view text, size_t& pos, Parsed& out) {
  if (pos == text.size()) return true;
  if (!Expect(text, pos, ' ')) return false;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  auto hour = ReadNumber(text, pos, 2);
  if (!hour || !Expect(text, pos, ':')) return false;
  auto minute = ReadNumber(text, pos, 2);
  if (!minute) return false;
  out.hour = *hour, out.minute = *minute;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    auto second = ReadNumber(text, pos, 2);
    if (!second) return false;
    out.second = *second;
  }
  return pos == text.size();
}

}  // namespace

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

bool COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                           std::chrono::day{static_cast<unsigned>(day)}};
  const bool timeOk = hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
  if (month < 1 || day < 1 || year < 100 || year > 9999 || !ymd.ok() || !timeOk) {
    m_status = invalid;
    return false;
  }
  m_status = valid;
  m_year = year, m_month = month, m_day = day;
  m_seconds = hour * 3600 + minute * 60 + second;
  return true;
}

bool COleDateTime::ParseDateTime(const char* text) {
  std::string_view t(text ? text : "");
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  Parsed p;
  size_t pos = 0;
  if (!ReadDate(t, pos, p) || !ReadTime(t, pos, p)) {
    m_status = invalid;
    return false;
  }
  return SetDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second);
}

void COleDateTime::AddDays(int days) {
  if (m_status != valid) return;
  const sys_days moved = sys_days{year_month_day{std::chrono::year{m_year}, std::chrono::month{static_cast<unsigned>(m_month)},
                                                 std::chrono::day{static_cast<unsigned>(m_day)}}} +
                         std::chrono::days{days};
  const year_month_day ymd{moved};
  SetDateTime(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
              static_cast<int>(static_cast<unsigned>(ymd.day())), GetHour(), GetMinute(), GetSecond());
}

CString COleDateTime::Format(const char* pattern) const {
  if (m_status != valid || pattern == nullptr) return CString();
  std::tm tm{};
  tm.tm_year = m_year - 1900;
  tm.tm_mon = m_month - 1;
  tm.tm_mday = m_day;
  tm.tm_hour = GetHour();
  tm.tm_min = GetMinute();
  tm.tm_sec = GetSecond();
  const year_month_day ymd{std::chrono::year{m_year}, std::chrono::month{static_cast<unsigned>(m_month)},
                           std::chrono::day{static_cast<unsigned>(m_day)}};
  const sys_days days{ymd};
  tm.tm_wday = static_cast<int>(weekday{days}.c_encoding());
  tm.tm_yday = (days - sys_days{year_month_day{ymd.year(), January, std::chrono::day{1}}}).count();
  char buf[256];
  size_t n = std::strftime(buf, sizeof buf, pattern, &tm);
  return CString(buf, static_cast<int>(n));
}

HRESULT VarDateFromStr(const char* text, COleDateTime& out) {
  return out.ParseDateTime(text) ? S_OK : E_INVALIDARG;
}
