// CExprParserValues.cpp - operator recognition, function detection and
// literal rendering of CExprParser.
#include <algorithm>
#include <array>
#include <string_view>

#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/basis30/VelDate.h"
#include "expr/CExprParser.h"
#include "params/SqlLiteral.h"
#include "platform/COleDateTime.h"

namespace {

// The operators: the comparison ones, the full list (arithmetic signs
// first) and the word operators, which need a word boundary after them.
constexpr std::string_view kOperators[] = {
    "+", "-", "*", "/",                                                            // arithmetic
    "=", ">", "<", ">=", "<=", "<>",                                               // comparison signs
    "IN", "NOT IN", "BETWEEN", "NOT BETWEEN", "LIKE", "NOT LIKE", "EXIST", "NOT EXIST"};  // words
constexpr size_t kArithmeticCount = 4;
constexpr size_t kFirstWord = 10;

// True when `upper` (upper case already) is one of the operators; only the
// comparison ones with `compareOnly`, only the word ones with `wordsOnly`.
bool IsListed(std::string_view upper, bool compareOnly, bool wordsOnly = false) {
  const size_t first = wordsOnly ? kFirstWord : compareOnly ? kArithmeticCount : 0;
  return std::find(std::begin(kOperators) + first, std::end(kOperators), upper) != std::end(kOperators);
}

bool IsWordOperator(const CString& op) { return IsListed(op.view(), true, true); }

// True when `text` starts with one of the operators, in any letter case. An
// operator found at the left of a text is such a start; most values start
// otherwise and need no search.
bool StartsWithOperator(std::string_view text) {
  const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  // The first characters of the operators: most values start otherwise.
  static constexpr auto kFirst = [] {
    std::array<bool, 256> first{};
    for (const std::string_view op : kOperators) first[static_cast<unsigned char>(op[0])] = true;
    return first;
  }();
  if (text.empty() || !kFirst[static_cast<unsigned char>(upper(text[0]))]) return false;
  for (const std::string_view op : kOperators) {
    if (text.size() < op.size()) continue;
    size_t i = 0;
    while (i < op.size() && upper(text[i]) == op[i]) ++i;
    if (i == op.size()) return true;
  }
  return false;
}

// True when `value` is exactly one SQL string literal: it opens and closes
// with an apostrophe and every apostrophe inside is doubled.
bool IsOneLiteral(const CString& value) {
  const int n = value.GetLength();
  if (n < 2 || value[0] != '\'' || value[n - 1] != '\'') return false;
  for (int i = 1; i < n - 1; ++i) {
    if (value[i] != '\'') continue;
    if (i + 1 >= n - 1 || value[i + 1] != '\'') return false;
    ++i;
  }
  return true;
}

// True for a complete ODBC date literal whose date reads as a date.
bool IsDateLiteral(const CString& value) {
  const bool isDate = value.Left(4) == "{d '";
  const bool isStamp = value.Left(5) == "{ts '";
  if ((!isDate && !isStamp) || value.Right(2) != "'}") return false;
  const int open = isDate ? 4 : 5;
  COleDateTime date;
  return date.ParseDateTime(value.Mid(open, value.GetLength() - open - 2));
}

// True when a [...] name holds what would act as syntax on a database that
// takes brackets for no name quotes (PostgreSQL, Oracle, MySQL): a quote
// would open a literal running on into the rest of the statement, a ";" or
// a comment mark would end or hide it.
bool ActsWithoutBrackets(std::string_view name) {
  return name.find_first_of("'\";") != std::string_view::npos || name.find("--") != std::string_view::npos ||
         name.find("/*") != std::string_view::npos || name.find("*/") != std::string_view::npos;
}

// True when `text` holds, outside its quoted literals and [...] names, a
// statement separator or the start or end of a comment: raw text with one
// of them could end the statement or hide the rest of it. A [...] name
// holding one of them, or a quote, counts as well (see ActsWithoutBrackets),
// and so does a quoted literal holding a backslash: raw text must read the
// same wherever it runs.
bool BreaksStatement(const CString& text) {
  const std::string_view t = text.view();
  for (size_t i = 0; i < t.size(); ++i) {
    const char ch = t[i];
    if (ch == '\'' || ch == '"' || ch == '[') {
      const int end = SkipLiteral(t, static_cast<int>(i));
      if (end < 0) return true;
      const std::string_view inside = t.substr(i + 1, static_cast<size_t>(end) - i - 2);
      if (ch == '[' && ActsWithoutBrackets(inside)) return true;
      // A backslash escapes the closing quote on some databases (MySQL).
      if (ch != '[' && inside.find('\\') != std::string_view::npos) return true;
      i = static_cast<size_t>(end) - 1;
      continue;
    }
    if (ch == ';') return true;
    if (i + 1 < t.size() && ((ch == '-' && t[i + 1] == '-') || (ch == '/' && t[i + 1] == '*') ||
                             (ch == '*' && t[i + 1] == '/'))) {
      return true;
    }
  }
  return false;
}

// Removes a trailing exclusive-bound mark; true when there was one.
bool StripExclusiveMark(CString& value) {
  value.TrimRight();
  if (value.IsEmpty() || value[value.GetLength() - 1] != '&') return false;
  value.TrimRight('&');
  value.TrimRight();
  return true;
}

}  // namespace

bool CExprParser::IsOperator(CString text, bool bCompareOnly) { return IsOperatorText(text.view(), bCompareOnly); }

// Looked at without copying: a text longer than the longest operator (the
// usual value) is none, and a shorter one is compared upper-cased in place.
bool CExprParser::IsOperatorText(std::string_view text, bool bCompareOnly) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) text = {};
  else text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  text = text.substr(0, text.find('\0'));  // compared as a C string, as the list is
  if (text.empty() || text.size() > static_cast<size_t>(kLongestOperator)) return false;
  char upper[kLongestOperator + 1] = {};
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return IsListed(std::string_view(upper, text.size()), bCompareOnly);
}

bool CExprParser::IsFunction(const CString& value) {
  if (value.Find('(') < 0) return false;  // no call without one
  CString text(value);
  text.Trim();
  text.TrimLeft('@');
  const int open = text.Find('(');
  const int last = text.GetLength() - 1;
  if (open < 1 || text[last] != ')') return false;
  if (!IsTradNaming(GetField(text, 0, '('))) return false;
  // With the whole text complete and the text between the first "(" and
  // the last ")" complete as well, the last ")" is the partner of the
  // first "(": nothing can follow the call. Nor can a separator or a
  // comment inside it reach the statement.
  return IsSubExpr(text) && IsSubExpr(text.Mid(open + 1, last - open - 1)) && !BreaksStatement(text);
}

bool CExprParser::IsTextWithOperator(const CString& text) { return !GetLeftOperator(text, true).IsEmpty(); }

CString CExprParser::GetLeftOperator(const CString& value, bool bCompareOnly) {
  // Most texts start with no operator: they are looked at without a copy.
  std::string_view start = value.view();
  start.remove_prefix(std::min(start.find_first_not_of(CString::kWhiteSpace), start.size()));  // as TrimLeft
  if (!StartsWithOperator(start)) return CString();
  CString text(value);
  text.TrimLeft();
  int n = text.GetLength() - 1;
  if (n > kLongestOperator + 1) n = kLongestOperator + 1;
  for (; n >= 1; --n) {
    if (static_cast<unsigned char>(text[n - 1]) >= 0x80) continue;
    CString candidate = text.Left(n);
    if (_ismbblead(static_cast<unsigned char>(candidate[0]))) {
      --n;  // skips n - 1 as well
      continue;
    }
    if (!IsOperatorText(candidate.view(), bCompareOnly)) continue;
    candidate.Trim(' ');
    candidate.MakeUpper();
    if (!IsWordOperator(candidate)) return candidate;
    if (text.GetLength() > candidate.GetLength() && IsNoname(text[candidate.GetLength()])) return candidate;
  }
  return CString();
}

CString CExprParser::GetRightOperator(CString text, bool bCompareOnly) {
  text.TrimRight();
  const int length = text.GetLength();
  int n = length > kLongestOperator + 1 ? kLongestOperator + 1 : length;
  for (; n >= 1; --n) {
    CString candidate = text.Right(n);
    if (_ismbblead(static_cast<unsigned char>(candidate[0]))) {
      --n;
      continue;
    }
    if (!IsOperatorText(candidate.view(), bCompareOnly)) continue;
    const bool boundary = IsNoname(candidate[0]) || n == length || IsNoname(text[length - n - 1]);
    if (boundary) return candidate.Trim(' ');
  }
  return CString();
}

HRESULT CExprParser::TransformValue(DATATYPE type, CString& value) {
  value.Trim(' ');
  if (value.CompareNoCase("{NULL}") == 0) {
    value = "NULL";
    return S_OK;
  }
  HRESULT result = S_OK;
  switch (type) {
    case DATATYPE_NUMERIC:
      if (StripExclusiveMark(value)) result = S_FALSE;
      if (value.IsEmpty()) {
        value = "0";
      } else if (value.CompareNoCase("true") != 0 && value.CompareNoCase("false") != 0 && TestNumeric(value) < 0) {
        return TPE_NOT_A_NUMBER;
      }
      return result;
    case DATATYPE_CHARACTER:
      if (value.IsEmpty()) {
        value = "''";
      } else if (IsOneLiteral(value)) {
        value = TypedLiteral(value);
      } else {
        value = SqlTextLiteral(value);
      }
      return S_OK;
    case DATATYPE_DATETIME: {
      if (StripExclusiveMark(value)) result = S_FALSE;
      if (value.IsEmpty()) {
        value = "''";
        return result;
      }
      if (IsDateLiteral(value)) return result;
      COleDateTime date;
      if (FAILED(VarDateFromStr(value, date))) return TPE_NOT_A_DATE;
      value = FormatVelDate(date);
      return result;
    }
    default:
      return S_OK;
  }
}
