// TextUtil.cpp - the byte-string helpers over SQL and expression texts:
// field splitting, case-insensitive search, shells, names, numbers and
// operand scanning.
//
// Every helper makes one pass (or a fixed number of passes) over its text
// and keeps its own stacks on the heap, so long or deeply nested input
// costs linear time and cannot exhaust the call stack. A null text is
// treated as the empty text.
#include "contracts/basis30/TextUtil.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

std::string_view View(const char* text) { return text ? std::string_view(text) : std::string_view(); }

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHighByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool OpensLiteral(char c) { return c == '\'' || c == '"' || c == '['; }

// The reserved words that cannot stand as plain names, upper case and
// sorted for binary search. Function names (LEFT, RIGHT, SUM, COUNT, YEAR,
// ...) are deliberately absent: a call such as LEFT(x, 2) must stay plain.
constexpr std::string_view kReserved[] = {
    "ADD",        "ALL",       "ALTER",       "AND",        "AS",      "ASC",     "BETWEEN",   "BY",
    "CASE",       "CAST",      "CHECK",       "COLLATE",    "COLUMN",  "CONSTRAINT", "CREATE", "CROSS",
    "DEFAULT",    "DELETE",    "DESC",        "DISTINCT",   "DROP",    "ELSE",    "END",       "ESCAPE",
    "EXCEPT",     "EXISTS",    "FOREIGN",     "FROM",       "FULL",    "GRANT",   "GROUP",     "HAVING",
    "IN",         "INDEX",     "INNER",       "INSERT",     "INTERSECT", "INTO",  "IS",        "JOIN",
    "KEY",        "LIKE",      "LIMIT",       "MINUS",      "NATURAL", "NOT",     "NULL",      "OFFSET",
    "ON",         "OR",        "ORDER",       "OUTER",      "PRIMARY", "REFERENCES", "REVOKE", "SELECT",
    "SET",        "TABLE",     "THEN",        "TOP",        "TRANSACTION", "TRIGGER", "UNION", "UNIQUE",
    "UPDATE",     "USING",     "VALUES",      "VIEW",       "WHEN",    "WHERE",   "WITH",
};
constexpr size_t kLongestReserved = 11;  // "TRANSACTION"
static_assert(std::is_sorted(std::begin(kReserved), std::end(kReserved)));

// The range of kReserved starting with each letter, and the lengths of
// those words, built once: a name is compared only with the few words of
// its first letter, and not at all when none of them has its length.
struct ReservedIndex {
  size_t first[26] = {};
  size_t last[26] = {};
  unsigned lengths[26] = {};  // bit n: a word of n letters
  ReservedIndex() {
    for (size_t i = std::size(kReserved); i-- > 0;) {
      const size_t letter = static_cast<size_t>(kReserved[i][0] - 'A');
      if (last[letter] == 0) last[letter] = i + 1;
      first[letter] = i;
      lengths[letter] |= 1u << kReserved[i].size();
    }
  }
};
static_assert(kLongestReserved < 32);

bool IsReservedWord(std::string_view name) {
  if (name.empty() || name.size() > kLongestReserved || !IsAsciiLetter(name[0])) return false;
  static const ReservedIndex index;
  const size_t letter = static_cast<size_t>(AsciiUpper(name[0]) - 'A');
  if ((index.lengths[letter] & (1u << name.size())) == 0) return false;
  char upper[kLongestReserved];
  for (size_t i = 0; i < name.size(); ++i) upper[i] = AsciiUpper(name[i]);
  const std::string_view key(upper, name.size());
  for (size_t i = index.first[letter]; i < index.last[letter]; ++i) {
    if (kReserved[i] == key) return true;
  }
  return false;
}

}  // namespace

int SkipLiteral(std::string_view t, int i) {
  if (i < 0 || static_cast<size_t>(i) >= t.size()) return -1;
  const char open = t[static_cast<size_t>(i)];
  const char close = open == '[' ? ']' : open;
  const int n = static_cast<int>(t.size());
  for (int j = i + 1; j < n; ++j) {
    if (t[static_cast<size_t>(j)] != close) continue;
    if (j + 1 < n && t[static_cast<size_t>(j + 1)] == close) {
      ++j;  // doubled delimiter: an escaped character, not the end
      continue;
    }
    return j + 1;
  }
  return -1;
}


CString GetField(const char* text, int index, char sep) {
  const std::string_view t = View(text);
  if (index < 0) return CString();
  size_t start = 0;
  for (int field = 0;; ++field) {
    const size_t stop = t.find(sep, start);
    if (field == index) return CString(t.substr(start, stop == std::string_view::npos ? t.npos : stop - start));
    if (stop == std::string_view::npos) return CString();
    start = stop + 1;
  }
}

CString GetFieldEx(const char* text, int index, char sep) {
  const std::string_view t = View(text);
  if (index < 0) return CString();
  const int n = static_cast<int>(t.size());
  int field = 0;
  int start = 0;
  int depth = 0;  // open ( and { not yet closed
  int i = 0;
  while (i < n) {
    const char c = t[static_cast<size_t>(i)];
    if (depth == 0 && c == sep) {
      if (field == index) return CString(t.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
      ++field;
      start = i + 1;
      ++i;
      continue;
    }
    if (OpensLiteral(c)) {
      const int next = SkipLiteral(t, i);
      if (next < 0) break;  // an unclosed literal runs to the end of the text
      i = next;
      continue;
    }
    if (c == '(' || c == '{') {
      ++depth;
    } else if ((c == ')' || c == '}') && depth > 0) {
      --depth;
    }
    ++i;
  }
  return field == index ? CString(t.substr(static_cast<size_t>(start))) : CString();
}

int FindField(const char* list, const char* field, char sep) {
  const std::string_view t = View(list);
  if (t.empty() || field == nullptr) return -1;
  const std::string_view wanted(field);
  size_t start = 0;
  for (int index = 0;; ++index) {
    const size_t stop = t.find(sep, start);
    const std::string_view entry = t.substr(start, stop == std::string_view::npos ? t.npos : stop - start);
    if (entry == wanted) return index;
    if (stop == std::string_view::npos) return -1;
    start = stop + 1;
  }
}

int FindStringNoCase(const char* text, const char* sub, int start) {
  const std::string_view t = View(text);
  const std::string_view s = View(sub);
  if (start < 0) start = 0;
  if (static_cast<size_t>(start) > t.size()) return -1;
  if (s.empty()) return start;
  // Knuth-Morris-Pratt over upper-cased bytes: linear in text and pattern.
  const size_t m = s.size();
  std::vector<char> pat(m);
  for (size_t k = 0; k < m; ++k) pat[k] = AsciiUpper(s[k]);
  std::vector<size_t> fail(m, 0);
  for (size_t k = 1, len = 0; k < m;) {
    if (pat[k] == pat[len]) {
      fail[k++] = ++len;
    } else if (len > 0) {
      len = fail[len - 1];
    } else {
      fail[k++] = 0;
    }
  }
  size_t matched = 0;
  for (size_t i = static_cast<size_t>(start); i < t.size(); ++i) {
    const char c = AsciiUpper(t[i]);
    while (matched > 0 && c != pat[matched]) matched = fail[matched - 1];
    if (c == pat[matched]) ++matched;
    if (matched == m) return static_cast<int>(i + 1 - m);
  }
  return -1;
}

int FindCharCount(const char* text, char ch, int length) {
  if (text == nullptr) return 0;
  int count = 0;
  for (int i = 0; (length < 0 || i < length) && text[i] != '\0'; ++i) {
    if (text[i] == ch) ++count;
  }
  return count;
}

bool TrimShell(CString& text, const char* shell, bool bRepeat) {
  text.Trim();
  if (shell == nullptr || std::strlen(shell) != 2) return false;
  const char open = shell[0];
  const char close = shell[1];
  const std::string_view t = text.view();
  const int n = static_cast<int>(t.size());
  if (n < 2 || t[0] != open || t[static_cast<size_t>(n - 1)] != close) return false;

  if (open == close || OpensLiteral(open)) {
    // A quote or bracket pair: its content is literal text, so at most one
    // pair is removed, and only when the delimiter at 0 is closed by the
    // last character (doubled delimiters inside are escapes).
    if (SkipLiteral(t, 0) != n) return false;
    text = CString(t.substr(1, static_cast<size_t>(n - 2)));
    text.Trim();
    return true;
  }

  // Partner of every `open` outside literals, by one pass with a stack.
  std::vector<int> partner(static_cast<size_t>(n), -1);
  std::vector<int> opens;
  for (int i = 0; i < n;) {
    const char c = t[static_cast<size_t>(i)];
    if (OpensLiteral(c)) {
      const int next = SkipLiteral(t, i);
      if (next < 0) break;
      i = next;
      continue;
    }
    if (c == open) {
      opens.push_back(i);
    } else if (c == close && !opens.empty()) {
      partner[static_cast<size_t>(opens.back())] = i;
      opens.pop_back();
    }
    ++i;
  }
  // Peel pairs from the outside in; the inner text of a balanced pair has
  // the same partners as in the whole text.
  int left = 0;
  int right = n - 1;
  bool removed = false;
  while (left < right && t[static_cast<size_t>(left)] == open && partner[static_cast<size_t>(left)] == right) {
    removed = true;
    ++left;
    --right;
    while (left <= right && IsWhite(t[static_cast<size_t>(left)])) ++left;
    while (right >= left && IsWhite(t[static_cast<size_t>(right)])) --right;
    if (!bRepeat) break;
  }
  if (removed) text = CString(t.substr(static_cast<size_t>(left), static_cast<size_t>(std::max(0, right - left + 1))));
  return removed;
}

namespace {

// The name characters by byte value: letters, digits, '_' and every byte of
// a multi-byte character. Names are checked for every column of every
// statement. Built at compile time, so that no initialisation order matters.
constexpr std::array<bool, 256> MakeNameChars() {
  std::array<bool, 256> name{};
  for (int c = 0; c < 256; ++c) {
    name[static_cast<size_t>(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                   c == '_' || c >= 0x80;
  }
  return name;
}
constexpr std::array<bool, 256> kNameChars = MakeNameChars();

}  // namespace

bool IsNoname(char ch) { return !kNameChars[static_cast<unsigned char>(ch)]; }

namespace {

// True when `name` is a plain SQL name: a letter, "_" or a multi-byte
// character first, then only those and digits, and no reserved word.
bool IsPlainSqlName(std::string_view name) {
  if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_' || IsHighByte(name[0]))) return false;
  const bool nameChars = std::all_of(name.begin() + 1, name.end(),
                                     [](char c) { return kNameChars[static_cast<unsigned char>(c)]; });
  return nameChars && !IsReservedWord(name);
}

}  // namespace

bool IsTradNaming(const char* name) { return name != nullptr && IsPlainSqlName(name); }

CString BracketName(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 2);
  out += '[';
  for (const char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  out += ']';
  return CString(std::move(out));
}

CString SqlName(const CString& name) { return IsPlainSqlName(name.view()) ? name : BracketName(name.view()); }

CString SqlName(std::string_view name) { return IsPlainSqlName(name) ? CString(name) : BracketName(name); }

bool IsAllNumber(const char* text) {
  const std::string_view t = View(text);
  return !t.empty() && std::all_of(t.begin(), t.end(), IsDigit);
}

int TestNumeric(const char* text) {
  const std::string_view t = View(text);
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  bool decimal = false;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    decimal = true;
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return -1;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    decimal = true;
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return -1;
  }
  if (i != t.size()) return -1;
  return decimal ? 1 : 0;
}

bool IsSubExpr(const char* text) {
  const std::string_view t = View(text);
  const int n = static_cast<int>(t.size());
  std::vector<char> opens;
  for (int i = 0; i < n;) {
    const char c = t[static_cast<size_t>(i)];
    if (OpensLiteral(c)) {
      const int next = SkipLiteral(t, i);
      if (next < 0) return false;
      i = next;
      continue;
    }
    if (c == '(' || c == '{') {
      opens.push_back(c);
    } else if (c == ')' || c == '}') {
      if (opens.empty() || opens.back() != (c == ')' ? '(' : '{')) return false;
      opens.pop_back();
    } else if (c == ']') {
      return false;  // a bracket that closes nothing
    }
    ++i;
  }
  return opens.empty();
}

namespace {

// The prefixes SQL dialects write against a string literal: national
// (N), hexadecimal (X), bit (B), escape (E) and character set
// introducers (_utf8).
bool IsLiteralPrefix(std::string_view word) {
  if (word.size() == 1) return std::strchr("NnXxBbEe", word[0]) != nullptr;
  return word.size() > 1 && word[0] == '_';
}

}  // namespace

bool FusesAcross(char last, char first) { return !IsNoname(last) && !IsNoname(first); }

bool OpensCommentAcross(char last, char first) { return (last == '-' && first == '-') || (last == '/' && first == '*'); }

void AppendApart(CString& text, std::string_view piece) {
  if (!text.IsEmpty() && !piece.empty() && OpensCommentAcross(text.view().back(), piece.front())) text += " ";
  text += CString(piece);
}

int GetPreviousSubExpr(const char* text, int end, CString& operand) {
  operand.Empty();
  const std::string_view whole = View(text);
  if (end < 0 || whole.empty()) return -1;
  end = std::min(end, static_cast<int>(whole.size()) - 1);
  while (end >= 0 && IsWhite(whole[static_cast<size_t>(end)])) --end;
  if (end < 0) return -1;
  const std::string_view t = whole.substr(0, static_cast<size_t>(end) + 1);
  auto at = [&t](int i) { return t[static_cast<size_t>(i)]; };

  // Forward pass: the opening position of every closing delimiter, so the
  // backward walk below can jump over literals and groups in one step.
  std::vector<int> partner(t.size(), -1);
  std::vector<int> opens;
  for (int i = 0; i <= end;) {
    const char c = at(i);
    if (OpensLiteral(c)) {
      const int next = SkipLiteral(t, i);
      if (next < 0) return -1;  // `end` lies inside an unclosed literal
      partner[static_cast<size_t>(next - 1)] = i;
      i = next;
      continue;
    }
    if (c == '(' || c == '{') {
      opens.push_back(i);
    } else if ((c == ')' || c == '}') && !opens.empty() && at(opens.back()) == (c == ')' ? '(' : '{')) {
      partner[static_cast<size_t>(i)] = opens.back();
      opens.pop_back();
    }
    ++i;
  }

  // The start of the name, number, literal or group that ends at `p`.
  auto partStart = [&](int p) -> int {
    const char c = at(p);
    if (c == '\'' || c == '"' || c == ']' || c == ')' || c == '}') return partner[static_cast<size_t>(p)];
    if (IsNoname(c)) return -1;
    int s = p;
    while (s > 0 && !IsNoname(at(s - 1))) --s;
    // A signed exponent: "1e-5" or "2.5E+3" reads as one number.
    const bool allDigits = std::all_of(t.begin() + s, t.begin() + p + 1, IsDigit);
    if (allDigits && s >= 3 && (at(s - 1) == '+' || at(s - 1) == '-') && (at(s - 2) == 'e' || at(s - 2) == 'E')) {
      int m = s - 2;
      while (m > 0 && IsDigit(at(m - 1))) --m;
      if (m < s - 2 && (m == 0 || IsNoname(at(m - 1)))) s = m;
    }
    return s;
  };
  auto endsPart = [&](char c) { return !IsNoname(c) || c == ']' || c == '}' || c == '"'; };

  int start = partStart(end);
  if (start < 0) return -1;
  char last = at(end);  // closing character of the part just taken
  for (;;) {
    // A parenthesised group takes the function name written right before it.
    if (last == ')' && start > 0 && (!IsNoname(at(start - 1)) || at(start - 1) == ']' || at(start - 1) == '"')) {
      const int s = partStart(start - 1);
      if (s < 0) break;
      last = at(start - 1);
      start = s;
      continue;
    }
    // A literal with an SQL prefix written against it (N'x', X'0A', E'\n',
    // _utf8'x') is one operand. Any other word there stays outside it, so a
    // keyword (AND'x') is not taken for a prefix. A literal takes no
    // qualifier.
    if (last == '\'') {
      int s = start;
      while (s > 0 && !IsNoname(at(s - 1))) --s;
      if (IsLiteralPrefix(t.substr(static_cast<size_t>(s), static_cast<size_t>(start - s)))) start = s;
      break;
    }
    if (start < 1 || at(start - 1) != '.') break;
    // A qualifier before a dot: T.c, [S].[T].[c], {D}.S.T.c, 1.5.
    if (start >= 2 && endsPart(at(start - 2))) {
      const int s = partStart(start - 2);
      if (s < 0) break;
      last = at(start - 2);
      start = s;
      continue;
    }
    if (IsDigit(at(start))) --start;  // ".5"
    break;
  }
  while (start > 0 && at(start - 1) == '@') --start;  // host calls and variables: @Today(), @p
  operand = CString(t.substr(static_cast<size_t>(start)));
  return start;
}

int FindSubObjExpr(const char* text, const char* open, const char* close, CString& found, int start,
                   bool bOutsideQuotes) {
  found.Empty();
  const std::string_view t = View(text);
  const std::string_view o = View(open);
  const std::string_view c = View(close);
  if (o.empty() || c.empty()) return -1;
  if (start < 0) start = 0;
  const size_t n = t.size();
  size_t i = 0;
  while (i < n) {
    if (t.compare(i, o.size(), o) == 0) {
      const size_t stop = t.find(c, i + o.size());
      if (stop == std::string_view::npos) return -1;
      if (i >= static_cast<size_t>(start)) {
        // Another opening before the close belongs to the nearer pair:
        // "{x} + {D}." with "{" and "}." yields "{D}.".
        const size_t nearest = t.substr(0, stop).rfind(o);
        const size_t first = (nearest != std::string_view::npos && nearest > i) ? nearest : i;
        found = CString(t.substr(first, stop + c.size() - first));
        return static_cast<int>(first);
      }
      i = stop + c.size();  // a whole sub-object before `start`: step over it
      continue;
    }
    if (bOutsideQuotes && OpensLiteral(t[i])) {
      const int next = SkipLiteral(t, static_cast<int>(i));
      if (next >= 0) {
        i = static_cast<size_t>(next);
        continue;
      }
      if (t[i] != '[') return -1;  // the rest of the text is inside a quote
    }
    ++i;
  }
  return -1;
}

namespace {

// False when `t` cannot hold `sub` in any case: it lacks `sub`'s first
// letter in both cases. Most texts asked about (a column, a table list)
// lack the word looked for altogether, and a search for one letter is
// quicker than the walk that tells literals and groups apart.
bool MayHoldLetterOf(std::string_view t, std::string_view sub) {
  const auto letter = std::find_if(sub.begin(), sub.end(), IsAsciiLetter);
  if (letter == sub.end()) return true;
  const char upper = AsciiUpper(*letter);
  const char lower = static_cast<char>(upper - 'A' + 'a');
  return t.find(upper) != std::string_view::npos || t.find(lower) != std::string_view::npos;
}

}  // namespace

int FindTextOutsideLiterals(const char* text, const char* sub, int start, bool bTopLevel) {
  const std::string_view t = View(text);
  const std::string_view s = View(sub);
  if (s.empty() || s.size() > t.size()) return -1;
  const size_t from = std::min(t.size(), static_cast<size_t>(std::max(start, 0)));
  if (!MayHoldLetterOf(t.substr(from), s)) return -1;
  const int n = static_cast<int>(t.size());
  const int last = n - static_cast<int>(s.size());
  int depth = 0;
  for (int i = 0; i <= last;) {
    const char c = t[static_cast<size_t>(i)];
    if (i >= start && (!bTopLevel || depth == 0)) {
      size_t k = 0;
      while (k < s.size() && AsciiUpper(t[static_cast<size_t>(i) + k]) == AsciiUpper(s[k])) ++k;
      if (k == s.size()) return i;
    }
    if (OpensLiteral(c)) {
      const int next = SkipLiteral(t, i);
      if (next < 0) return -1;
      i = next;
      continue;
    }
    if (c == '(' || c == '{') ++depth;
    if ((c == ')' || c == '}') && depth > 0) --depth;
    ++i;
  }
  return -1;
}

int SkipGroup(std::string_view t, int start) {
  if (start < 0 || static_cast<size_t>(start) >= t.size()) return -1;
  const char open = t[static_cast<size_t>(start)];
  if (open != '(' && open != '{') return -1;
  int depth = 0;
  const int n = static_cast<int>(t.size());
  for (int i = start; i < n;) {
    const char c = t[static_cast<size_t>(i)];
    if (OpensLiteral(c)) {
      const int next = SkipLiteral(t, i);
      if (next < 0) return -1;
      i = next;
      continue;
    }
    if (c == '(' || c == '{') ++depth;
    if ((c == ')' || c == '}') && --depth == 0) return i + 1;
    ++i;
  }
  return -1;
}
