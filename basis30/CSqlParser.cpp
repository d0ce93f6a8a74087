// CSqlParser.cpp - assembly of one SELECT statement from its pieces, and
// the table-list helpers (merge, lookup, tables named by an expression).
#include "contracts/basis30/CSqlParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsNameChar(char c) { return !IsNoname(c); }
bool IsNameStart(char c) { return IsNameChar(c) && !IsDigit(c); }

std::string_view TrimView(std::string_view t) {
  size_t b = 0;
  size_t e = t.size();
  while (b < e && IsWhite(t[b])) ++b;
  while (e > b && IsWhite(t[e - 1])) --e;
  return t.substr(b, e - b);
}

// Index just past the quoted literal or bracketed name opening at `i`;
// npos when it is not closed.
size_t SkipQuotedAt(std::string_view t, size_t i) {
  const int next = SkipLiteral(t, static_cast<int>(i));
  return next < 0 ? std::string_view::npos : static_cast<size_t>(next);
}

bool OpensLiteral(char c) { return c == '\'' || c == '"' || c == '['; }

// Calls `visit(i, depth)` for every position of `t` that lies outside
// quoted literals and bracketed names, with the number of ( and { still
// open before it; `visit` returns false to stop. An unclosed literal ends
// the scan.
template <typename Visit>
void ScanOutsideLiterals(std::string_view t, Visit visit) {
  int depth = 0;
  for (size_t i = 0; i < t.size();) {
    const char c = t[i];
    if (OpensLiteral(c)) {
      const size_t next = SkipQuotedAt(t, i);
      if (next == std::string_view::npos) return;
      i = next;
      continue;
    }
    if (!visit(i, depth)) return;
    if (c == '(' || c == '{') ++depth;
    if ((c == ')' || c == '}') && depth > 0) --depth;
    ++i;
  }
}

// Calls `visit(entry)` for every top-level comma entry of a list, trimmed;
// empty entries are visited too, so that positions count every comma. A
// blank list has no entries. Visiting needs no list of its own: the merge
// below runs for every object of every query.
template <typename Visit>
void ForEachEntry(std::string_view t, Visit visit) {
  if (TrimView(t).empty()) return;
  size_t start = 0;
  ScanOutsideLiterals(t, [&](size_t i, int depth) {
    if (depth == 0 && t[i] == ',') {
      visit(TrimView(t.substr(start, i - start)));
      start = i + 1;
    }
    return true;
  });
  visit(TrimView(t.substr(start)));
}

// Reads the comparison key of a table name one character at a time: ASCII
// upper case, white space runs as one blank, and each dot-separated part
// without its enclosing [ ], so that [Order Details] and order details, or
// [dbo].[T] and dbo.T, match. Reading keys instead of making them lets two
// names be compared without building either key.
class KeyReader {
 public:
  explicit KeyReader(std::string_view name) : m_t(TrimView(name)) {}

  // The next character of the key (as unsigned char), -1 at its end.
  int Next() {
    for (;;) {
      if (m_inBracket) {
        if (m_j < m_stop) {
          const char c = m_t[m_j];
          m_j += c == ']' ? 2 : 1;  // "]]" stands for one "]"
          return Key(AsciiUpper(c));
        }
        m_inBracket = false;
        m_i = m_after;
      }
      if (m_i >= m_t.size()) return -1;
      const char c = m_t[m_i];
      if (c == '[') {
        OpenBracket();
        continue;
      }
      ++m_i;
      if (c == '.') return 0x1F;  // a part separator that no name contains
      if (!IsWhite(c)) return Key(AsciiUpper(c));
      while (m_i < m_t.size() && IsWhite(m_t[m_i])) ++m_i;
      return ' ';
    }
  }

 private:
  static int Key(char c) { return static_cast<unsigned char>(c); }
  void OpenBracket() {
    const size_t next = SkipQuotedAt(m_t, m_i);
    m_stop = next == std::string_view::npos ? m_t.size() : next - 1;
    m_after = next == std::string_view::npos ? m_t.size() : next;
    m_j = m_i + 1;
    m_inBracket = true;
  }

  std::string_view m_t;
  size_t m_i = 0;
  bool m_inBracket = false;
  size_t m_j = 0;
  size_t m_stop = 0;
  size_t m_after = 0;
};

std::string NameKey(std::string_view name) {
  KeyReader reader(name);
  std::string key;
  key.reserve(name.size());
  for (int c = reader.Next(); c >= 0; c = reader.Next()) key += static_cast<char>(c);
  return key;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a == b) return true;  // the usual match: the same text
  KeyReader left(a);
  KeyReader right(b);
  for (;;) {
    const int c = left.Next();
    if (c != right.Next()) return false;
    if (c < 0) return true;
  }
}

// The names (entries and aliases) a table list holds, to check another
// name against. Lists are short (a query's tables), so names are compared
// one by one, key against key, until there are enough of them for a hash
// set of their keys to pay. The names are views into texts the caller keeps.
class NameKeys {
 public:
  bool Contains(std::string_view name) const {
    if (m_set.empty()) {
      const auto end = m_names.begin() + static_cast<std::ptrdiff_t>(m_count);
      return std::any_of(m_names.begin(), end, [name](std::string_view n) { return SameKey(n, name); });
    }
    return m_set.count(NameKey(name)) != 0;
  }
  void Add(std::string_view name) {
    if (m_set.empty() && m_count < kLinear) {
      m_names[m_count++] = name;
      return;
    }
    if (m_set.empty()) {
      for (size_t i = 0; i < m_count; ++i) m_set.insert(NameKey(m_names[i]));
    }
    m_set.insert(NameKey(name));
  }

 private:
  static constexpr size_t kLinear = 16;
  std::array<std::string_view, kLinear> m_names;  // held in place: no allocation for a short list
  size_t m_count = 0;
  std::unordered_set<std::string> m_set;
};

// The alias of a "table alias" entry: its last blank-separated word outside
// brackets, literals and parentheses; empty for a single word.
std::string_view AliasOf(std::string_view entry) {
  entry = TrimView(entry);
  size_t lastBlank = std::string_view::npos;
  ScanOutsideLiterals(entry, [&](size_t i, int depth) {
    if (depth == 0 && IsWhite(entry[i])) lastBlank = i;
    return true;
  });
  return lastBlank == std::string_view::npos ? std::string_view() : entry.substr(lastBlank + 1);
}

// True when the word OR occurs outside literals (a condition that must be
// parenthesised before it is joined with AND).
bool HasOrWord(std::string_view t) {
  bool found = false;
  ScanOutsideLiterals(t, [&](size_t i, int) {
    if (AsciiUpper(t[i]) == 'O' && i + 1 < t.size() && AsciiUpper(t[i + 1]) == 'R' &&
        (i == 0 || IsNoname(t[i - 1])) && (i + 2 >= t.size() || IsNoname(t[i + 2]))) {
      found = true;
      return false;
    }
    return true;
  });
  return found;
}

CString AndJoin(const CString& a, const CString& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  const CString left = HasOrWord(a.view()) ? "(" + a + ")" : a;
  const CString right = HasOrWord(b.view()) ? "(" + b + ")" : b;
  return left + " AND " + right;
}

// A piece of the statement, trimmed, with every run of white space that
// holds a blank line (outside literals) reduced to one line break: the
// dataset commands built from a statement are split at blank lines.
// The result is a view of `piece` when that is all it takes (no line break,
// so no blank line to reduce), else of `cleaned`, which receives the text.
std::string_view CleanPiece(const CString& piece, std::string& cleaned) {
  const std::string_view t = TrimView(piece.view());
  if (std::memchr(t.data(), '\n', t.size()) == nullptr && std::memchr(t.data(), '\r', t.size()) == nullptr) return t;
  std::string& out = cleaned;
  out.clear();
  out.reserve(t.size());
  for (size_t i = 0; i < t.size();) {
    const char c = t[i];
    if (OpensLiteral(c)) {
      const size_t next = SkipQuotedAt(t, i);
      const size_t stop = next == std::string_view::npos ? t.size() : next;
      out.append(t.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (IsWhite(c)) {
      size_t j = i;
      int breaks = 0;
      for (; j < t.size() && IsWhite(t[j]); ++j) {
        if (t[j] == '\n' || (t[j] == '\r' && (j + 1 >= t.size() || t[j + 1] != '\n'))) ++breaks;
      }
      if (breaks >= 2) {
        out += "\r\n";
      } else {
        out.append(t.substr(i, j - i));
      }
      i = j;
      continue;
    }
    size_t j = i + 1;  // a run of plain characters is copied at once
    while (j < t.size() && !OpensLiteral(t[j]) && !IsWhite(t[j])) ++j;
    out.append(t.substr(i, j - i));
    i = j;
  }
  return out;
}

// Splits a column text that carries its own condition ("expr WHERE cond",
// as a query object's expression is written) at its first " WHERE " (any
// case, a blank on each side) outside literals and parentheses. Returns
// false when there is none.
bool SplitTrailingWhere(std::string_view t, CString& head, CString& condition) {
  size_t at = std::string_view::npos;
  ScanOutsideLiterals(t, [&](size_t i, int depth) {
    if (depth == 0 && i > 0 && t[i - 1] == ' ' && i + 5 < t.size() && t[i + 5] == ' ') {
      static constexpr char kWord[] = "WHERE";
      size_t k = 0;
      while (k < 5 && AsciiUpper(t[i + k]) == kWord[k]) ++k;
      if (k == 5) {
        at = i;
        return false;
      }
    }
    return true;
  });
  if (at == std::string_view::npos) return false;
  head = CString(TrimView(t.substr(0, at)));
  condition = CString(TrimView(t.substr(at + 5)));
  return true;
}

bool StartsWithFromKeyword(std::string_view t) {
  if (t.size() < 5) return false;
  static constexpr char kWord[] = "FROM";
  for (size_t k = 0; k < 4; ++k) {
    if (AsciiUpper(t[k]) != kWord[k]) return false;
  }
  return IsWhite(t[4]);
}

// End (exclusive) of the name part that starts at `i`: a plain name, a
// [bracketed] or "quoted" name, or a {braced} data-source part. npos when
// the part is not closed.
size_t PartEnd(std::string_view t, size_t i) {
  const char c = t[i];
  if (c == '[' || c == '"') return SkipQuotedAt(t, i);
  if (c == '{') {
    int depth = 0;
    for (size_t j = i; j < t.size();) {
      if (t[j] == '\'' || t[j] == '"') {
        const size_t next = SkipQuotedAt(t, j);
        if (next == std::string_view::npos) return next;
        j = next;
        continue;
      }
      if (t[j] == '{') ++depth;
      if (t[j] == '}' && --depth == 0) return j + 1;
      ++j;
    }
    return std::string_view::npos;
  }
  size_t j = i;
  while (j < t.size() && IsNameChar(t[j])) ++j;
  return j;
}

bool StartsPart(char c) { return IsNameChar(c) || c == '[' || c == '"' || c == '{'; }

}  // namespace

CSqlParser::CSqlParser(const char* sql) : m_strSql(sql) {}

namespace {

// Appends a clause, its keyword first, when it has a text.
void AppendClause(CString& sql, const char* keyword, std::string_view text) {
  if (text.empty()) return;
  sql.str().append(keyword).append(text);
}

}  // namespace

HRESULT CSqlParser::ComposeSql() {
  // Each piece is looked at where it stands; only one with a blank line to
  // reduce, or a column list that brings a condition, is copied.
  std::string cleaned[7];
  std::string_view columns = CleanPiece(m_strColumns, cleaned[0]);
  std::string_view where = CleanPiece(m_strWhere, cleaned[1]);
  // A query object's own expression may end in " WHERE condition"; that
  // condition belongs in the WHERE clause, not in the column list.
  CString head, condition, joinedWhere;
  if (SplitTrailingWhere(columns, head, condition)) {
    columns = head.view();
    joinedWhere = AndJoin(CString(where), condition);
    where = joinedWhere.view();
  }
  if (columns.empty()) return B30E_NO_COLUMNS;

  const std::string_view join = CleanPiece(m_strAnsiJoin, cleaned[2]);
  const std::string_view tables = join.empty() ? CleanPiece(m_strTables, cleaned[3]) : std::string_view();
  const std::string_view groupBy = CleanPiece(m_strGroupBy, cleaned[4]);
  const std::string_view having = CleanPiece(m_strHaving, cleaned[5]);
  const std::string_view orderBy = CleanPiece(m_strOrderBy, cleaned[6]);
  // The statement is put together in one buffer of its final size.
  constexpr size_t kKeywords = 64;  // "SELECT DISTINCT " and the clause keywords
  CString sql;
  std::string& text = sql.str();
  text.reserve(kKeywords + columns.size() + join.size() + tables.size() + where.size() + groupBy.size() +
               having.size() + orderBy.size());
  text.append(m_bDistinct ? "SELECT DISTINCT " : "SELECT ").append(columns);
  if (!join.empty()) {
    text.append(StartsWithFromKeyword(join) ? "\r\n" : "\r\nFROM ").append(join);
  } else {
    AppendClause(sql, "\r\nFROM ", tables);
  }
  AppendClause(sql, "\r\nWHERE ", where);
  AppendClause(sql, "\r\nGROUP BY ", groupBy);
  AppendClause(sql, "\r\nHAVING ", having);
  AppendClause(sql, "\r\nORDER BY ", orderBy);
  m_strSql = std::move(sql);
  return S_OK;
}

namespace {

// True when rebuilding `list` from its non-empty trimmed entries would give
// it back unchanged: no literal, bracket or parenthesis (every comma then
// separates entries), no empty entry and no blank next to a comma or at
// either end. Merging nothing into such a list, which most merges of a
// query's terms do, then leaves it as it is without splitting it.
bool IsPlainList(std::string_view t) {
  if (t.empty()) return true;
  if (IsWhite(t.front()) || IsWhite(t.back()) || t.front() == ',' || t.back() == ',') return false;
  // The characters that need a look: a literal's or a group's opening or
  // closing mark, and the comma. Names are skipped a table look-up each.
  static constexpr auto kMarks = [] {
    std::array<bool, 256> marks{};
    for (const unsigned char c : std::string_view("'\"[(){},")) marks[c] = true;
    return marks;
  }();
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (!kMarks[static_cast<unsigned char>(c)]) continue;
    if (c != ',') return false;
    if (IsWhite(t[i - 1]) || IsWhite(t[i + 1]) || t[i + 1] == ',') return false;
  }
  return true;
}

// Calls `visit(entry)` for every entry of a plain list (see IsPlainList),
// where every comma separates two entries and no entry is empty.
template <typename Visit>
void ForEachPlainEntry(std::string_view list, Visit visit) {
  for (size_t start = 0; start < list.size();) {
    const size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) {
      visit(list.substr(start));
      return;
    }
    visit(list.substr(start, comma - start));
    start = comma + 1;
  }
}

// True when `entry`, one entry of a plain list, is an entry of the plain
// list `list` written exactly so.
bool HoldsEntry(std::string_view list, std::string_view entry) {
  for (size_t at = list.find(entry); at != std::string_view::npos; at = list.find(entry, at + 1)) {
    const size_t end = at + entry.size();
    if ((at == 0 || list[at - 1] == ',') && (end == list.size() || list[end] == ',')) return true;
  }
  return false;
}

// True when every entry of the plain list `added` is an entry of the plain
// list `list` written exactly so: merging it then adds nothing.
bool HoldsEntries(std::string_view list, std::string_view added) {
  bool all = true;
  ForEachPlainEntry(added, [&](std::string_view entry) { all = all && HoldsEntry(list, entry); });
  return all;
}

// True when the plain list `list` names `entry` (one plain entry): an entry
// or the alias of an entry has its key. In a plain entry the alias is the
// word after its last blank.
bool NamesEntry(std::string_view list, std::string_view entry) {
  bool found = false;
  ForEachPlainEntry(list, [&](std::string_view listed) {
    if (found) return;
    size_t blank = listed.size();
    while (blank > 0 && !IsWhite(listed[blank - 1])) --blank;
    found = SameKey(listed, entry) || (blank > 0 && SameKey(listed.substr(blank), entry));
  });
  return found;
}

// True when the plain list `list` names every entry of the plain list
// `added`: merging it then adds nothing.
bool NamesEntries(std::string_view list, std::string_view added) {
  bool all = true;
  ForEachPlainEntry(added, [&](std::string_view entry) { all = all && NamesEntry(list, entry); });
  return all;
}

}  // namespace

void CSqlParser::AddTables(CString& list, const char* more) {
  if (more == nullptr) return;
  const std::string_view added = TrimView(more);
  const std::string_view current = list.view();
  // Most merges bring nothing, or tables that a list in its rebuilt form
  // holds already written the same way (a query's WHERE names the tables
  // its columns name): the list then stays as it is. The next most common
  // brings tables the list names already, by entry or alias (the tables
  // of a join, named by their aliases), or one table: it is appended unless
  // the list names it already.
  if (added.empty()) {
    if (IsPlainList(current)) return;
  } else if (IsPlainList(added) && IsPlainList(current)) {
    if (HoldsEntries(current, added) || NamesEntries(current, added)) return;
    if (added.find(',') == std::string_view::npos) {
      CString entry(added);  // copied first: `more` may lie in the list's own text
      if (!list.IsEmpty()) list += ",";
      list += entry;
      return;
    }
  }
  // The list is rebuilt from its non-empty entries: readers of a table
  // list stop at the first empty entry, so "A,,B" or "A," must not remain.
  // The keys of the listed entries and aliases are made only when `more`
  // brings an entry to check against them.
  const bool adding = !added.empty();
  NameKeys known;
  std::string merged;
  merged.reserve(static_cast<size_t>(list.GetLength()) + (adding ? std::strlen(more) + 1 : 0));
  auto append = [&known, &merged, adding](std::string_view entry) {
    if (!merged.empty()) merged += ',';
    merged.append(entry);
    if (!adding) return;
    known.Add(entry);
    const std::string_view alias = AliasOf(entry);
    if (!alias.empty()) known.Add(alias);
  };
  ForEachEntry(list.view(), [&](std::string_view entry) {
    if (!entry.empty()) append(entry);
  });
  ForEachEntry(more, [&](std::string_view entry) {
    if (!entry.empty() && !known.Contains(entry)) append(entry);
  });
  if (merged != list.view()) list = CString(std::move(merged));
}

int CSqlParser::FindTable(const char* tables, const char* table) {
  if (tables == nullptr || table == nullptr) return -1;
  const std::string_view wanted = TrimView(table);
  if (wanted.empty()) return -1;
  int index = 0;
  int found = -1;
  ForEachEntry(tables, [&](std::string_view entry) {
    if (found < 0 && !entry.empty()) {
      const std::string_view alias = AliasOf(entry);
      if (SameKey(entry, wanted) || (!alias.empty() && SameKey(alias, wanted))) found = index;
    }
    ++index;
  });
  return found;
}

namespace {

// The ends of the parts of a dotted chain read so far: how many, and where
// the last two end.
struct PartEnds {
  size_t count = 0;
  size_t last = 0;
  size_t beforeLast = 0;
  void Add(size_t end) {
    beforeLast = last;
    last = end;
    ++count;
  }
};

}  // namespace

CString CSqlParser::GetTablesFromExpr(const char* expr, const char* /*unused*/) {
  const std::string_view t = expr ? std::string_view(expr) : std::string_view();
  if (t.find('.') == std::string_view::npos) return CString();  // a qualifier stands before a dot
  std::string result;
  NameKeys seen;  // the qualifiers taken: an expression names a few
  size_t i = 0;
  while (i < t.size()) {
    const char c = t[i];
    if (c == '\'') {
      const size_t next = SkipQuotedAt(t, i);
      if (next == std::string_view::npos) break;  // the rest is an open literal
      i = next;
      continue;
    }
    if (IsDigit(c)) {
      // A number (12, 1.5, 2e-3): never a qualifier.
      ++i;
      while (i < t.size()) {
        if (IsNameChar(t[i]) || t[i] == '.') {
          ++i;
        } else if ((t[i] == '+' || t[i] == '-') && (t[i - 1] == 'e' || t[i - 1] == 'E') && i + 1 < t.size() &&
                   IsDigit(t[i + 1])) {
          ++i;
        } else {
          break;
        }
      }
      continue;
    }
    if (!(IsNameStart(c) || c == '[' || c == '"' || c == '{')) {
      ++i;
      continue;
    }
    // A chain of dot-separated parts: T.c, [S].[T].[c], {D}.S.T.c.
    // Only the ends of the last two parts matter: the qualifier ends where
    // the part before the last one does.
    const size_t chainStart = i;
    PartEnds ends;
    size_t pos = i;
    for (;;) {
      const size_t end = PartEnd(t, pos);
      if (end == std::string_view::npos) break;
      ends.Add(end);
      if (end + 1 < t.size() && t[end] == '.' && t[end + 1] == '*') {
        ends.Add(end + 2);  // T.*
        break;
      }
      if (end + 1 < t.size() && t[end] == '.' && StartsPart(t[end + 1])) {
        pos = end + 1;
        continue;
      }
      break;
    }
    if (ends.count == 0 || (c == '{' && ends.count == 1)) {
      // An unclosed part, or a braced text that qualifies nothing (a
      // parameter reference, a date literal, an escape such as {fn ...}):
      // read on inside it.
      ++i;
      continue;
    }
    i = ends.last;
    if (i < t.size() && t[i] == '(') continue;  // a function call, not a column
    if (ends.count < 2) continue;
    const std::string_view table = t.substr(chainStart, ends.beforeLast - chainStart);
    if (seen.Contains(table)) continue;
    seen.Add(table);
    if (!result.empty()) result += ',';
    result.append(table);
  }
  return CString(std::move(result));
}
