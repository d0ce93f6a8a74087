// CString.cpp - the byte string's members.
#include "platform/CString.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

}  // namespace

CString::CString(const char* text, int length) {
  if (text != nullptr && length > 0) m_str.assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat) {
  if (repeat > 0) m_str.assign(static_cast<size_t>(repeat), ch);
}

char CString::GetAt(int index) const {
  assert(index >= 0 && index <= GetLength() && "CString index out of range");
  return index < GetLength() ? m_str[static_cast<size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch) {
  assert(index >= 0 && index < GetLength() && "CString index out of range");
  m_str[static_cast<size_t>(index)] = ch;
}

namespace {

// True when every directive of `format` is a plain "%s" or "%%".
bool OnlyTextDirectives(const char* format) {
  for (const char* p = std::strchr(format, '%'); p != nullptr; p = std::strchr(p + 2, '%')) {
    if (p[1] != 's' && p[1] != '%') return false;
  }
  return true;
}

}  // namespace

void CString::FormatV(const char* format, va_list args) {
  if (format == nullptr) {
    m_str.clear();
    return;
  }
  // Most formats of the library only place texts ("%s IN (%s)"): those are
  // put together directly, which costs a fraction of the C library's
  // formatter; any other directive goes to the formatter.
  if (OnlyTextDirectives(format)) {
    // Two passes over the arguments: the length first, so that the text is
    // allocated once.
    size_t length = std::strlen(format);
    va_list count;
    va_copy(count, args);
    for (const char* p = std::strchr(format, '%'); p != nullptr; p = std::strchr(p + 2, '%')) {
      if (p[1] != 's') continue;
      const char* text = va_arg(count, const char*);
      if (text != nullptr) length += std::strlen(text);
    }
    va_end(count);
    std::string out;
    out.reserve(length);
    va_list copy;
    va_copy(copy, args);
    for (const char* p = format; *p != '\0'; ++p) {
      if (*p != '%') {
        const char* end = std::strchr(p, '%');
        const size_t run = end != nullptr ? static_cast<size_t>(end - p) : std::strlen(p);
        out.append(p, run);
        p += run - 1;
        continue;
      }
      ++p;
      if (*p == '%') {
        out += '%';
        continue;
      }
      const char* text = va_arg(copy, const char*);
      if (text != nullptr) out += text;
    }
    va_end(copy);
    m_str = std::move(out);
    return;
  }
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) {
    m_str.clear();
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    m_str.assign(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), format, args);
  big.resize(static_cast<size_t>(n));
  m_str = std::move(big);
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
  CString tail;
  va_list args;
  va_start(args, format);
  tail.FormatV(format, args);
  va_end(args);
  m_str += tail.m_str;
}

int CString::Find(char ch, int start) const {
  if (start < 0) start = 0;
  if (start >= GetLength()) return -1;
  size_t p = m_str.find(ch, static_cast<size_t>(start));
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* sub, int start) const {
  if (sub == nullptr) return -1;
  if (start < 0) start = 0;
  if (start > GetLength()) return -1;
  size_t p = m_str.find(sub, static_cast<size_t>(start));
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char ch) const {
  size_t p = m_str.rfind(ch);
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char* chars) const {
  if (chars == nullptr) return -1;
  size_t p = m_str.find_first_of(chars);
  return p == std::string::npos ? -1 : static_cast<int>(p);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = Clamp(first, 0, GetLength());
  count = Clamp(count, 0, GetLength() - first);
  return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
  count = Clamp(count, 0, GetLength());
  return Mid(GetLength() - count, count);
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char ch) { return TrimRight(ch).TrimLeft(ch); }
CString& CString::Trim(const char* set) { return TrimRight(set).TrimLeft(set); }
CString& CString::TrimLeft() { return TrimLeft(kWhiteSpace); }
CString& CString::TrimRight() { return TrimRight(kWhiteSpace); }

// Most texts have nothing to trim: one look at the end decides, and only
// a text that starts or ends with a character of the set is searched. A
// NUL is never trimmed (the set is a C string and cannot hold one).
namespace {
bool InSet(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }
}  // namespace

CString& CString::TrimLeft(char ch) {
  if (ch == '\0') return *this;
  const size_t p = m_str.find_first_not_of(ch);
  if (p != 0) m_str.erase(0, p == std::string::npos ? m_str.size() : p);
  return *this;
}

CString& CString::TrimRight(char ch) {
  if (ch == '\0' || m_str.empty() || m_str.back() != ch) return *this;
  const size_t p = m_str.find_last_not_of(ch);
  m_str.erase(p == std::string::npos ? 0 : p + 1);
  return *this;
}

CString& CString::TrimLeft(const char* set) {
  if (set == nullptr || m_str.empty() || !InSet(set, m_str.front())) return *this;
  const size_t p = m_str.find_first_not_of(set);
  m_str.erase(0, p == std::string::npos ? m_str.size() : p);
  return *this;
}

CString& CString::TrimRight(const char* set) {
  if (set == nullptr || m_str.empty() || !InSet(set, m_str.back())) return *this;
  const size_t p = m_str.find_last_not_of(set);
  m_str.erase(p == std::string::npos ? 0 : p + 1);
  return *this;
}

int CString::Replace(char oldCh, char newCh) {
  int n = 0;
  for (char& c : m_str) {
    if (c == oldCh) {
      c = newCh;
      ++n;
    }
  }
  return n;
}

int CString::Replace(const char* oldText, const char* newText) {
  if (oldText == nullptr || *oldText == '\0') return 0;
  const std::string_view from(oldText);
  const std::string_view to(newText ? newText : "");
  std::string out;
  int n = 0;
  size_t pos = 0;
  for (size_t hit; (hit = m_str.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    if (n == 0) out.reserve(m_str.size());
    out.append(m_str, pos, hit - pos);
    out.append(to);
    ++n;
  }
  if (n == 0) return 0;
  out.append(m_str, pos, std::string::npos);
  m_str = std::move(out);
  return n;
}

int CString::Remove(char ch) {
  auto end = std::remove(m_str.begin(), m_str.end(), ch);
  int n = static_cast<int>(m_str.end() - end);
  m_str.erase(end, m_str.end());
  return n;
}

int CString::Insert(int index, char ch) {
  index = Clamp(index, 0, GetLength());
  m_str.insert(static_cast<size_t>(index), 1, ch);
  return GetLength();
}

int CString::Insert(int index, const char* text) {
  index = Clamp(index, 0, GetLength());
  if (text) m_str.insert(static_cast<size_t>(index), text);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0 || index >= GetLength() || count <= 0) return GetLength();
  m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  return GetLength();
}

CString& CString::MakeUpper() {
  for (char& c : m_str) c = AsciiUpper(c);
  return *this;
}

CString& CString::MakeLower() {
  for (char& c : m_str) c = AsciiLower(c);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(m_str.begin(), m_str.end());
  return *this;
}

int CString::Compare(const char* other) const { return std::strcmp(m_str.c_str(), other ? other : ""); }

int CString::CompareNoCase(const char* other) const {
  const char* a = m_str.c_str();
  const char* b = other ? other : "";
  for (;; ++a, ++b) {
    int ca = static_cast<unsigned char>(AsciiLower(*a));
    int cb = static_cast<unsigned char>(AsciiLower(*b));
    if (ca != cb || ca == 0) return ca - cb;
  }
}

bool _ismbblead(unsigned int ch) { return ch >= 0xC2 && ch <= 0xF4; }

int FindNoCase(std::string_view text, std::string_view sub, int start) {
  if (start < 0) start = 0;
  if (sub.empty()) return start <= static_cast<int>(text.size()) ? start : -1;
  if (sub.size() > text.size()) return -1;
  auto eq = [](char a, char b) { return AsciiLower(a) == AsciiLower(b); };
  for (size_t i = static_cast<size_t>(start); i + sub.size() <= text.size(); ++i) {
    if (std::equal(sub.begin(), sub.end(), text.begin() + static_cast<std::ptrdiff_t>(i), eq)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}
