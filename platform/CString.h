// CString.h - the byte string every text of the library is held in.
//
// A small value-semantic string over std::string with the members of the
// familiar MFC string that the query, expression and parameter code uses.
// Texts are bytes in the process code page (UTF-8); case conversion and
// case-insensitive comparison touch ASCII letters only, so multi-byte
// sequences pass through unchanged. Positions are byte indices; a failed
// search returns -1.
#pragma once

#include <compare>
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_str(text ? text : "") {}  // NOLINT: implicit by design
  CString(const char* text, int length);
  CString(const std::string& text) : m_str(text) {}       // NOLINT
  CString(std::string&& text) noexcept : m_str(std::move(text)) {}  // NOLINT
  CString(std::string_view text) : m_str(text) {}          // NOLINT
  CString(char ch, int repeat = 1);

  // Length and access.
  int GetLength() const noexcept { return static_cast<int>(m_str.size()); }
  bool IsEmpty() const noexcept { return m_str.empty(); }
  void Empty() noexcept { m_str.clear(); }
  char GetAt(int index) const;
  void SetAt(int index, char ch);
  char operator[](int index) const { return GetAt(index); }
  const char* GetString() const noexcept { return m_str.c_str(); }
  operator const char*() const noexcept { return m_str.c_str(); }  // NOLINT
  const std::string& str() const noexcept { return m_str; }
  std::string& str() noexcept { return m_str; }
  std::string_view view() const noexcept { return m_str; }

  // Formatting (printf conventions). A null %s argument prints as empty.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* format, va_list args);

  // Searching. `start` past the end gives -1.
  int Find(char ch, int start = 0) const;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const;
  int FindOneOf(const char* chars) const;

  // Extraction; counts are clamped to the string.
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;

  // Trimming. Without an argument white space (kWhiteSpace) is removed;
  // with a character or a set, only those characters.
  static constexpr const char* kWhiteSpace = " \t\r\n\v\f";
  CString& Trim();
  CString& Trim(char ch);
  CString& Trim(const char* set);
  CString& TrimLeft();
  CString& TrimLeft(char ch);
  CString& TrimLeft(const char* set);
  CString& TrimRight();
  CString& TrimRight(char ch);
  CString& TrimRight(const char* set);

  // Editing. Replace and Remove return the number of replacements made;
  // Insert and Delete return the new length.
  int Replace(char oldCh, char newCh);
  int Replace(const char* oldText, const char* newText);
  int Remove(char ch);
  int Insert(int index, char ch);
  int Insert(int index, const char* text);
  int Delete(int index, int count = 1);
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  // Comparison: <0, 0, >0. CompareNoCase folds ASCII letters only.
  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;

  CString& operator=(const char* text) {
    m_str = text ? text : "";
    return *this;
  }
  CString& operator=(char ch) {
    m_str.assign(1, ch);
    return *this;
  }
  CString& operator+=(const CString& text) {
    m_str += text.m_str;
    return *this;
  }
  CString& operator+=(const char* text) {
    if (text) m_str += text;
    return *this;
  }
  CString& operator+=(char ch) {
    m_str += ch;
    return *this;
  }

  friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
  friend CString operator+(const CString& a, const char* b) { return CString(a.m_str + (b ? b : "")); }
  friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_str); }
  friend CString operator+(const CString& a, char b) { return CString(a.m_str + b); }
  friend CString operator+(char a, const CString& b) { return CString(a + b.m_str); }
  // A chain ("(" + text + ")") appends to the text the left part made
  // instead of copying it again for each part.
  friend CString operator+(CString&& a, const CString& b) {
    a.m_str += b.m_str;
    return std::move(a);
  }
  friend CString operator+(CString&& a, const char* b) {
    if (b) a.m_str += b;
    return std::move(a);
  }
  friend CString operator+(CString&& a, char b) {
    a.m_str += b;
    return std::move(a);
  }

  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  // Lengths first: against a literal the length is known when compiled, and
  // the bytes of most texts of another length are never read.
  friend bool operator==(const CString& a, const char* b) {
    if (b == nullptr) return a.m_str.empty();
    const size_t n = std::char_traits<char>::length(b);
    return a.m_str.size() == n && std::char_traits<char>::compare(a.m_str.data(), b, n) == 0;
  }
  friend bool operator==(const char* a, const CString& b) { return b == a; }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
  friend bool operator!=(const char* a, const CString& b) { return !(b == a); }
  // Ordering compares the texts. Without it the implicit conversion to
  // const char* would make std::pair and friends compare addresses.
  friend std::strong_ordering operator<=>(const CString& a, const CString& b) { return a.m_str <=> b.m_str; }

 private:
  std::string m_str;
};

using CStringArray = std::vector<CString>;

// The multibyte lead-byte test of the runtime library, for UTF-8: true for a
// byte that starts a multi-byte sequence (0xC2 to 0xF4).
bool _ismbblead(unsigned int ch);

// ASCII-only case-insensitive search; -1 when `sub` does not occur at or
// after `start`.
int FindNoCase(std::string_view text, std::string_view sub, int start = 0);
