// FuzzSupport.h - what the fuzz harnesses share: cutting one input into
// fields, a plain reading of SQL text that is independent of the library's
// own scanners (SQL's '...' literals and "..." names, nothing else), and the
// abort that turns a broken property into a finding.
//
// The harnesses are built two ways: with libFuzzer (the "fuzz" preset) and
// as plain regression programs that replay stored inputs in every test
// build (RegressionMain.cpp).
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/basis30/Messages.h"

namespace fuzz {

// Reports a broken property with the text that shows it and aborts, so that
// libFuzzer keeps the input as a finding and a regression run fails.
[[noreturn]] inline void Fail(const char* property, const std::string& detail) {
  std::fprintf(stderr, "property broken: %s\n%s\n", property, detail.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void Check(bool holds, const char* property, const std::string& detail) {
  if (!holds) Fail(property, detail);
}

// The message recorded for a failure shows no template left unfilled: a
// "%s" that the input did not bring itself.
inline void CheckMessage(const std::string& input) {
  const ErrorInfo info = GetLastErrorInfo();
  const std::string shown = std::string(info.message.GetString()) + "\n" + info.detail.GetString();
  const bool unfilled = shown.find("%s") != std::string::npos && input.find("%s") == std::string::npos;
  Check(!unfilled, "a failure's message has no unfilled template", shown + "\nfor\n" + input);
}

// The input cut at every unit-separator byte (0x1F) into fields; missing
// fields read as empty. The library takes C strings, so a field ends at its
// first NUL byte.
class Fields {
 public:
  Fields(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\x1F') {
        const std::string_view field = text.substr(start, i - start);
        m_fields.emplace_back(field.substr(0, field.find('\0')));
        start = i + 1;
      }
    }
  }
  std::string Get(size_t i) const { return i < m_fields.size() ? m_fields[i] : std::string(); }
  // Byte `at` of field `i` (0 when absent), for choices.
  unsigned char Byte(size_t i, size_t at) const {
    const std::string f = Get(i);
    return at < f.size() ? static_cast<unsigned char>(f[at]) : 0;
  }

 private:
  std::vector<std::string> m_fields;
};

// The SQL text with every quoted text ('...' literals and "..." names, a
// doubled quote standing for one inside) replaced by one blank; `open` is
// set when a quoted text runs to the end unclosed. With `backslashEscapes`
// a backslash inside a quoted text takes the next character as it is, as
// MySQL reads it.
inline std::string OutsideLiterals(const std::string& sql, bool& open, bool backslashEscapes = false) {
  std::string out;
  open = false;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char quote = sql[i];
    if (quote != '\'' && quote != '"') {
      out += quote;
      continue;
    }
    size_t j = i + 1;
    for (;; ++j) {
      if (j >= sql.size()) {
        open = true;
        return out + ' ';
      }
      if (backslashEscapes && sql[j] == '\\') {
        ++j;  // the next character is taken as it is (MySQL)
        continue;
      }
      if (sql[j] != quote) continue;
      if (j + 1 < sql.size() && sql[j + 1] == quote) {
        ++j;
        continue;
      }
      break;
    }
    out += ' ';
    i = j;
  }
  return out;
}

inline bool IsWordByte(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

// The words of a text: runs of letters, digits, '_' and bytes of multi-byte
// characters, upper-cased. A run that starts with a digit or a '.' followed
// by a digit is a number and is left out.
// True when the word text[i, j) is the exponent of a number written with
// a bare point, such as "E5" in "2.E5" or "E" in "2.E+5": SQL reads
// "2.E5" as one number. The word before the point must be all digits, so
// that "C1.E5" (a column E5 of a table C1) stays a word.
inline bool IsBareExponent(const std::string& text, size_t i, size_t j) {
  if (i < 2 || text[i - 1] != '.' || (text[i] != 'e' && text[i] != 'E')) return false;
  size_t s = i - 1;
  while (s > 0 && IsWordByte(static_cast<unsigned char>(text[s - 1]))) --s;
  if (s == i - 1) return false;
  for (size_t k = s; k < i - 1; ++k) {
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
  }
  for (size_t k = i + 1; k < j; ++k) {
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
  }
  if (j > i + 1) return true;
  return j + 1 < text.size() && (text[j] == '+' || text[j] == '-') && std::isdigit(static_cast<unsigned char>(text[j + 1]));
}

inline std::set<std::string> Words(const std::string& text) {
  std::set<std::string> words;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!IsWordByte(c)) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && IsWordByte(static_cast<unsigned char>(text[j]))) ++j;
    const bool number = std::isdigit(c) || (i > 0 && text[i - 1] == '.' && std::isdigit(c)) || IsBareExponent(text, i, j);
    if (!number) {
      std::string word = text.substr(i, j - i);
      for (char& ch : word) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      words.insert(word);
    }
    i = j;
  }
  return words;
}

// How often `sub` occurs in `text`.
inline size_t Count(const std::string& text, const std::string& sub) {
  size_t n = 0;
  for (size_t at = text.find(sub); at != std::string::npos; at = text.find(sub, at + sub.size())) ++n;
  return n;
}

// The words that the value language and the date and value renderers put
// into a predicate of their own accord.
inline const std::set<std::string>& PredicateWords() {
  static const std::set<std::string> words = {
      "AND", "OR",   "NOT",     "IN",   "BETWEEN", "LIKE",      "IS",      "NULL",  "EXIST",
      "EXISTS", "TRUE", "FALSE", "D",  "TS",      "T",         "DATE",    "TIMESTAMP", "TO_DATE"};
  return words;
}

// The first word outside literals (`outside`) that is neither in `allowed`
// nor a predicate word and that one of `sources` holds (ignoring case): a
// word the substitution brought in from a value. Empty when there is none.
inline std::string ForeignWord(const std::string& outside, const std::set<std::string>& allowed,
                               const std::string& sources) {
  std::string upper = sources;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& w : Words(outside)) {
    if (!allowed.count(w) && !PredicateWords().count(w) && upper.find(w) != std::string::npos) return w;
  }
  return "";
}

// True when `value` (trimmed) is one call and nothing else: a name, "(",
// arguments with balanced parentheses outside quoted text ('...', "...",
// and [...] names, as SQL quotes them), and the ")" that closes the first
// "(" as the last character.
inline bool IsOneWholeCall(std::string value) {
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front()))) value.erase(0, 1);
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
  while (!value.empty() && value.front() == '@') value.erase(0, 1);
  const size_t open = value.find('(');
  if (open == std::string::npos || open == 0 || value.back() != ')') return false;
  for (size_t i = 0; i < open; ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (!IsWordByte(c) && c != '.' && c != ' ') return false;
  }
  int depth = 0;
  char closer = 0;  // the end of the quoted text we are in
  for (size_t i = open; i < value.size(); ++i) {
    const char c = value[i];
    if (closer != 0) {
      if (c != closer) continue;
      // Inside a [...] name "]]" is one "]" and the name goes on; a doubled
      // quote closes and reopens at once: the same balance either way.
      if (closer == ']' && i + 1 < value.size() && value[i + 1] == ']') {
        ++i;
        continue;
      }
      closer = 0;
      continue;
    }
    if (c == '\'' || c == '"') closer = c;
    if (c == '[') closer = ']';
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i + 1 == value.size();
  }
  return false;
}

}  // namespace fuzz
