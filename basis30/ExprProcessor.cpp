// ExprProcessor.cpp - the expression processor: the classification of
// expression texts, the table of the processor's own functions, and the
// evaluator of those functions, host variables and computed references.
//
// A text is read once by the scanner (TokenizedText) into tokens, with the
// partner of every parenthesis. The classifier then looks only at the top
// level of a token range and takes every parenthesised group it meets as
// one operand whose class is already known: groups are classified in the
// order of their closing parenthesis, which puts every inner group before
// the group around it. Nothing recurses, so a text nested 100000 levels
// deep needs no more stack than a flat one, and the work stays linear in
// the length of the text. The evaluator walks the same tokens the same way,
// computing a value for each group where the classifier computes a class.
#include "contracts/basis30/ExprProcessor.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "platform/COleDateTime.h"

namespace {

// ---------------------------------------------------------------------------
// Characters and words

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// The words that mean something to the classifier, whatever their case.
enum class Word {
  None,     // an ordinary name
  Logical,  // AND OR NOT IN LIKE BETWEEN IS EXISTS EXIST
  Null,     // NULL
  As,       // AS, before a column alias
  Case,     // CASE ... END, one value however long
  End,
  Temporal,  // DATE, TIME, TIMESTAMP before a quoted literal
};

Word WordOf(std::string_view name) {
  struct Entry {
    std::string_view text;
    Word word;
  };
  static constexpr Entry kWords[] = {
      {"AND", Word::Logical},   {"OR", Word::Logical},  {"NOT", Word::Logical},      {"IN", Word::Logical},
      {"LIKE", Word::Logical},  {"BETWEEN", Word::Logical}, {"IS", Word::Logical},   {"EXISTS", Word::Logical},
      {"EXIST", Word::Logical}, {"NULL", Word::Null},   {"AS", Word::As},            {"CASE", Word::Case},
      {"END", Word::End},       {"DATE", Word::Temporal}, {"TIME", Word::Temporal}, {"TIMESTAMP", Word::Temporal},
  };
  for (const Entry& entry : kWords) {
    if (EqualsNoCase(name, entry.text)) return entry.word;
  }
  return Word::None;
}

// ---------------------------------------------------------------------------
// Scanner

enum class TokenKind {
  Number,       // 12, 1.5, .5, 1e3; a sign is a separate operator token
  String,       // 'abc', with '' inside for an apostrophe
  QuotedName,   // "name"
  BracketName,  // [name]
  Brace,        // {...}: a date escape, a data-source qualifier, a reference
  Name,         // a word: a name, a keyword or a function name
  Operator,     // = <> != < > <= >= + - * / % ||
  Open,         // (
  Close,        // )
  Comma,
  Dot,
  Other,  // any other character (@, ?, ;, ...)
};

struct Token {
  TokenKind kind;
  int begin;  // byte range [begin, end) in the text
  int end;
};

// A brace group opening at `i`, with nested braces and the literals inside
// skipped: the index just past its closing brace, or -1.
int SkipBrace(std::string_view t, int i) {
  const int n = static_cast<int>(t.size());
  int depth = 0;
  while (i < n) {
    const char c = t[static_cast<size_t>(i)];
    if (c == '\'' || c == '"' || c == '[') {
      i = SkipLiteral(t, i);
      if (i < 0) return -1;
      continue;
    }
    if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return i + 1;
    }
    ++i;
  }
  return -1;
}

// The digits, decimal part and exponent of a number starting at `i`.
int SkipNumber(std::string_view t, int i) {
  const int n = static_cast<int>(t.size());
  auto at = [&t](int k) { return t[static_cast<size_t>(k)]; };
  while (i < n && IsDigit(at(i))) ++i;
  if (i < n && at(i) == '.') {
    ++i;
    while (i < n && IsDigit(at(i))) ++i;
  }
  if (i < n && (at(i) == 'e' || at(i) == 'E')) {
    int k = i + 1;
    if (k < n && (at(k) == '+' || at(k) == '-')) ++k;
    if (k < n && IsDigit(at(k))) {  // "1e" alone is a number and a name
      while (k < n && IsDigit(at(k))) ++k;
      i = k;
    }
  }
  return i;
}

// The length of the operator at `i`, 0 when there is none.
int OperatorLength(std::string_view t, int i) {
  const std::string_view rest = t.substr(static_cast<size_t>(i));
  for (const std::string_view two : {"<>", "<=", ">=", "!=", "||"}) {
    if (rest.starts_with(two)) return 2;
  }
  switch (rest.front()) {
    case '=':
    case '<':
    case '>':
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
      return 1;
    default:
      return 0;
  }
}

// An expression text as tokens. Scan fails when a quote, bracket, brace or
// parenthesis is left open, or a parenthesis closes nothing.
class TokenizedText {
 public:
  bool Scan(std::string_view text);

  int Count() const { return static_cast<int>(m_tokens.size()); }
  const Token& At(int index) const { return m_tokens[static_cast<size_t>(index)]; }
  TokenKind KindAt(int index) const { return At(index).kind; }
  std::string_view TextAt(int index) const {
    const Token& token = At(index);
    return m_text.substr(static_cast<size_t>(token.begin), static_cast<size_t>(token.end - token.begin));
  }
  // The matching parenthesis of an Open or Close token.
  int Partner(int index) const { return m_partner[static_cast<size_t>(index)]; }
  bool IsOperator(int index, std::string_view op) const {
    return KindAt(index) == TokenKind::Operator && TextAt(index) == op;
  }

 private:
  std::string_view m_text;
  std::vector<Token> m_tokens;
  std::vector<int> m_partner;
};

bool TokenizedText::Scan(std::string_view text) {
  m_text = text;
  m_tokens.clear();
  m_partner.clear();
  std::vector<int> opens;
  const int n = static_cast<int>(text.size());
  int i = 0;
  while (i < n) {
    const char c = text[static_cast<size_t>(i)];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    const int begin = i;
    TokenKind kind = TokenKind::Other;
    // After a name part a dot qualifies ("T.5" is no number); elsewhere ".5" is one.
    const bool afterPart = !m_tokens.empty() && (m_tokens.back().kind == TokenKind::Name ||
                                                 m_tokens.back().kind == TokenKind::QuotedName ||
                                                 m_tokens.back().kind == TokenKind::BracketName ||
                                                 m_tokens.back().kind == TokenKind::Brace ||
                                                 m_tokens.back().kind == TokenKind::Close);
    if (IsDigit(c) || (c == '.' && !afterPart && i + 1 < n && IsDigit(text[static_cast<size_t>(i + 1)]))) {
      kind = TokenKind::Number;
      i = SkipNumber(text, i);
    } else if (!IsNoname(c)) {
      kind = TokenKind::Name;
      while (i < n && !IsNoname(text[static_cast<size_t>(i)])) ++i;
    } else if (c == '\'' || c == '"' || c == '[') {
      kind = c == '\'' ? TokenKind::String : c == '"' ? TokenKind::QuotedName : TokenKind::BracketName;
      i = SkipLiteral(text, i);
      if (i < 0) return false;
    } else if (c == '{') {
      kind = TokenKind::Brace;
      i = SkipBrace(text, i);
      if (i < 0) return false;
    } else if (c == '(') {
      kind = TokenKind::Open;
      opens.push_back(Count());
      ++i;
    } else if (c == ')') {
      kind = TokenKind::Close;
      if (opens.empty()) return false;
      ++i;
    } else if (c == ',') {
      kind = TokenKind::Comma;
      ++i;
    } else if (c == '.') {
      kind = TokenKind::Dot;
      ++i;
    } else if (const int length = OperatorLength(text, i); length > 0) {
      kind = TokenKind::Operator;
      i += length;
    } else {
      ++i;
    }
    m_tokens.push_back(Token{kind, begin, i});
    m_partner.push_back(-1);
    if (kind == TokenKind::Close) {
      const int open = opens.back();
      opens.pop_back();
      m_partner[static_cast<size_t>(open)] = Count() - 1;
      m_partner.back() = open;
    }
  }
  return opens.empty();
}

bool IsComparison(std::string_view op) {
  return op == "=" || op == "<>" || op == "!=" || op == "<" || op == ">" || op == "<=" || op == ">=";
}

// ---------------------------------------------------------------------------
// The processor's own functions
//
// One table serves the classifier (a call of a name in it, with an argument
// count it takes, over constants, is EXPR_FUNCTION) and the evaluator (which
// computes exactly those calls), so the two cannot drift apart.

enum class FunctionId {
  Today,
  Now,
  Year,
  Month,
  Day,
  Quarter,
  FirstDayOfMonth,
  LastDayOfMonth,
  FirstDayOfYear,
  LastDayOfYear,
  FirstDayOfQuarter,
  DateAdd,
  Date,
};

struct ProcessorFunction {
  std::string_view name;
  unsigned arities;  // bit n set: the function takes n arguments
  FunctionId id;
};

constexpr unsigned Takes(int count) { return 1u << count; }

constexpr ProcessorFunction kProcessorFunctions[] = {
    {"Today", Takes(0), FunctionId::Today},
    {"Now", Takes(0), FunctionId::Now},
    {"Year", Takes(1), FunctionId::Year},
    {"Month", Takes(1), FunctionId::Month},
    {"Day", Takes(1), FunctionId::Day},
    {"Quarter", Takes(1), FunctionId::Quarter},
    {"FirstDayOfMonth", Takes(0) | Takes(1), FunctionId::FirstDayOfMonth},
    {"LastDayOfMonth", Takes(0) | Takes(1), FunctionId::LastDayOfMonth},
    {"FirstDayOfYear", Takes(0) | Takes(1), FunctionId::FirstDayOfYear},
    {"LastDayOfYear", Takes(0) | Takes(1), FunctionId::LastDayOfYear},
    {"FirstDayOfQuarter", Takes(0) | Takes(1), FunctionId::FirstDayOfQuarter},
    {"DateAdd", Takes(3), FunctionId::DateAdd},      // DateAdd(interval, count, date)
    {"Date", Takes(1) | Takes(3), FunctionId::Date},  // Date(text) or Date(year, month, day)
};

const ProcessorFunction* FindProcessorFunction(std::string_view name) {
  for (const ProcessorFunction& function : kProcessorFunctions) {
    if (EqualsNoCase(name, function.name)) return &function;
  }
  return nullptr;
}

bool AcceptsArgumentCount(const ProcessorFunction& function, int count) {
  return count >= 0 && count < 32 && (function.arities & Takes(count)) != 0;
}

// ---------------------------------------------------------------------------
// Classifier

// A value known without a database: a literal or an evaluable call.
bool IsConstant(EXPRTYPE type) {
  return type == EXPR_NUMBER || type == EXPR_STRING || type == EXPR_DATE || type == EXPR_NULL ||
         type == EXPR_FUNCTION;
}

// True for "{d '...'}", "{t '...'}" and "{ts '...'}" (any letter case).
bool IsDateEscape(std::string_view brace) {
  std::string_view inner = brace.substr(1, brace.size() - 2);
  while (!inner.empty() && IsBlank(inner.front())) inner.remove_prefix(1);
  while (!inner.empty() && IsBlank(inner.back())) inner.remove_suffix(1);
  size_t letters = 0;
  while (letters < inner.size() && IsAsciiLetter(inner[letters])) ++letters;
  const std::string_view kind = inner.substr(0, letters);
  if (!EqualsNoCase(kind, "d") && !EqualsNoCase(kind, "t") && !EqualsNoCase(kind, "ts")) return false;
  size_t i = letters;
  while (i < inner.size() && IsBlank(inner[i])) ++i;
  if (i >= inner.size() || inner[i] != '\'') return false;
  return SkipLiteral(inner, static_cast<int>(i)) == static_cast<int>(inner.size());
}

// What the inside of a parenthesised group is: as one operand, and as the
// argument list of a call.
struct GroupInfo {
  EXPRTYPE content = EXPR_EMPTY;  // the class of the whole inside
  int argCount = 0;               // comma-separated parts; 0 for "()"
  bool constantArgs = true;       // every part a literal or an evaluable call
  bool stringArgs = true;         // every part a quoted literal
};

class Classifier {
 public:
  explicit Classifier(const TokenizedText& tokens)
      : m_tokens(tokens), m_groups(static_cast<size_t>(tokens.Count())) {}

  EXPRTYPE Classify();

 private:
  GroupInfo Summarise(int first, int last) const;
  EXPRTYPE ClassifyPart(int first, int last) const;
  int ReadOperand(int i, int last, EXPRTYPE& type) const;
  int ReadName(int i, int last, EXPRTYPE& type) const;
  EXPRTYPE CallType(int nameIndex, int open) const;
  // Past the group opening at `i` when it is one, else past the token.
  int Next(int i) const { return m_tokens.KindAt(i) == TokenKind::Open ? m_tokens.Partner(i) + 1 : i + 1; }

  const TokenizedText& m_tokens;
  std::vector<GroupInfo> m_groups;  // by index of the opening parenthesis
};

EXPRTYPE Classifier::Classify() {
  for (int i = 0; i < m_tokens.Count(); ++i) {
    if (m_tokens.KindAt(i) == TokenKind::Close) {
      const int open = m_tokens.Partner(i);
      m_groups[static_cast<size_t>(open)] = Summarise(open + 1, i);
    }
  }
  const EXPRTYPE whole = Summarise(0, m_tokens.Count()).content;
  return whole == EXPR_EMPTY ? EXPR_COLUMN : whole;
}

// Tokens [first, last) split at the commas of their own level. A list
// ("a + b, c") takes the strongest operator class of its parts, and is a
// column reference when no part has an operator: it is never a constant.
GroupInfo Classifier::Summarise(int first, int last) const {
  GroupInfo info;
  if (first >= last) return info;
  bool logical = false;
  bool arithmetic = false;
  int start = first;
  for (int i = first;; i = Next(i)) {
    if (i < last && m_tokens.KindAt(i) != TokenKind::Comma) continue;
    const EXPRTYPE part = ClassifyPart(start, i);
    ++info.argCount;
    info.content = part;
    info.constantArgs = info.constantArgs && IsConstant(part);
    info.stringArgs = info.stringArgs && part == EXPR_STRING;
    logical = logical || part == EXPR_LOGICAL;
    arithmetic = arithmetic || part == EXPR_ARITHMETIC;
    if (i >= last) break;
    start = i + 1;
  }
  if (info.argCount > 1) info.content = logical ? EXPR_LOGICAL : arithmetic ? EXPR_ARITHMETIC : EXPR_COLUMN;
  return info;
}

// One comma-free expression, tokens [first, last). Any operator at this
// level decides the class (logical before arithmetic), even in a text that
// is otherwise incomplete such as ">= 5"; without one, the text must be a
// single operand, and anything else counts as a column reference.
EXPRTYPE Classifier::ClassifyPart(int first, int last) const {
  if (first >= last) return EXPR_EMPTY;
  bool logical = false;
  bool arithmetic = false;
  int operands = 0;
  EXPRTYPE single = EXPR_EMPTY;
  bool expectOperand = true;
  int i = first;
  while (i < last) {
    const TokenKind kind = m_tokens.KindAt(i);
    const Word word = kind == TokenKind::Name ? WordOf(m_tokens.TextAt(i)) : Word::None;
    if (kind == TokenKind::Operator) {
      const std::string_view op = m_tokens.TextAt(i);
      // A sign in front of a number belongs to the number: "-5", "1 * -2".
      if (expectOperand && (op == "-" || op == "+") && i + 1 < last && m_tokens.KindAt(i + 1) == TokenKind::Number) {
        ++operands;
        single = EXPR_NUMBER;
        expectOperand = false;
        i += 2;
        continue;
      }
      // A binary operator, or a sign in front of anything else ("-Amount"),
      // which computes a value just the same.
      (IsComparison(op) ? logical : arithmetic) = true;
      expectOperand = true;
      ++i;
      continue;
    }
    if (word == Word::Logical) {  // "a AND b", "NOT a", "a IS NOT NULL"
      logical = true;
      expectOperand = true;
      ++i;
      continue;
    }
    if (!expectOperand) {
      // "x AS alias" at the end: the alias names the value, it is no part of it.
      if (word == Word::As && i + 2 == last &&
          (m_tokens.KindAt(i + 1) == TokenKind::Name || m_tokens.KindAt(i + 1) == TokenKind::QuotedName ||
           m_tokens.KindAt(i + 1) == TokenKind::BracketName)) {
        break;
      }
      // Otherwise two operands stand side by side ("a b", "12abc"): the
      // operand count below makes the text a column reference.
    }
    EXPRTYPE type = EXPR_EMPTY;
    i = ReadOperand(i, last, type);
    ++operands;
    single = type;
    expectOperand = false;
  }
  if (logical) return EXPR_LOGICAL;
  if (arithmetic) return EXPR_ARITHMETIC;
  if (operands != 1 || single == EXPR_EMPTY) return EXPR_COLUMN;
  return single;
}

// Reads the operand that starts at token `i` (always at least one token)
// and returns the index past it. `type` is EXPR_EMPTY for a token that can
// start no operand.
int Classifier::ReadOperand(int i, int last, EXPRTYPE& type) const {
  switch (m_tokens.KindAt(i)) {
    case TokenKind::Number:
      type = EXPR_NUMBER;
      return i + 1;
    case TokenKind::String:
      type = EXPR_STRING;
      return i + 1;
    case TokenKind::Open:
      // "(x)" takes the class of x, a list that of its parts; "()" is empty.
      type = m_groups[static_cast<size_t>(i)].content;
      return m_tokens.Partner(i) + 1;
    case TokenKind::Brace:
      if (i + 1 < last && m_tokens.KindAt(i + 1) == TokenKind::Dot) return ReadName(i, last, type);  // {D}.S.T.c
      // A date escape, or a reference ({? 'P'}) whose value is unknown here.
      type = IsDateEscape(m_tokens.TextAt(i)) ? EXPR_DATE : EXPR_COLUMN;
      return i + 1;
    case TokenKind::Name:
    case TokenKind::QuotedName:
    case TokenKind::BracketName:
      return ReadName(i, last, type);
    default:
      type = EXPR_EMPTY;
      return i + 1;
  }
}

// A name, possibly qualified ("{D}.S.T.c", "[T].[c]", "T.*"), possibly
// called ("SUM(x)", "dbo.f(x)"); or a keyword that starts a value.
int Classifier::ReadName(int i, int last, EXPRTYPE& type) const {
  if (m_tokens.KindAt(i) == TokenKind::Name) {
    const bool next = i + 1 < last;
    switch (WordOf(m_tokens.TextAt(i))) {
      case Word::Null:
        type = EXPR_NULL;
        return i + 1;
      case Word::Case: {
        // CASE ... END with nested CASEs counted; whatever it tests, its value
        // comes from the database as far as the classifier can tell.
        type = EXPR_COLUMN;
        int depth = 0;
        for (int j = i; j < last; j = Next(j)) {
          if (m_tokens.KindAt(j) != TokenKind::Name) continue;
          const Word word = WordOf(m_tokens.TextAt(j));
          if (word == Word::Case) ++depth;
          if (word == Word::End && --depth == 0) return j + 1;
        }
        return last;
      }
      case Word::Temporal:  // DATE '2011-01-01'
        if (next && m_tokens.KindAt(i + 1) == TokenKind::String) {
          type = EXPR_DATE;
          return i + 2;
        }
        break;
      default:
        break;
    }
    // N'abc', a national-character literal: the prefix touches the quote.
    if (next && m_tokens.KindAt(i + 1) == TokenKind::String && EqualsNoCase(m_tokens.TextAt(i), "N") &&
        m_tokens.At(i).end == m_tokens.At(i + 1).begin) {
      type = EXPR_STRING;
      return i + 2;
    }
  }

  const int nameIndex = i;
  bool qualified = false;
  ++i;
  while (i < last && m_tokens.KindAt(i) == TokenKind::Dot) {
    if (i + 1 >= last) {  // "T." with nothing after the dot
      type = EXPR_EMPTY;
      return i + 1;
    }
    const TokenKind part = m_tokens.KindAt(i + 1);
    if (m_tokens.IsOperator(i + 1, "*")) {  // "T.*" ends the name
      type = EXPR_COLUMN;
      return i + 2;
    }
    if (part != TokenKind::Name && part != TokenKind::QuotedName && part != TokenKind::BracketName) {
      type = EXPR_EMPTY;
      return i + 1;
    }
    qualified = true;
    i += 2;
  }
  if (i < last && m_tokens.KindAt(i) == TokenKind::Open) {
    type = qualified || m_tokens.KindAt(nameIndex) != TokenKind::Name ? EXPR_COLUMN_FUNCTION
                                                                         : CallType(nameIndex, i);
    return m_tokens.Partner(i) + 1;
  }
  type = EXPR_COLUMN;
  return i;
}

// The class of a call of the plain name at `nameIndex` with its argument
// list opening at `open`. Only a processor function called with a number
// of arguments it takes, all of them constants, can be evaluated here; a
// TO_DATE over quoted literals is a date literal; every other call may
// read a column.
EXPRTYPE Classifier::CallType(int nameIndex, int open) const {
  const std::string_view name = m_tokens.TextAt(nameIndex);
  const GroupInfo& args = m_groups[static_cast<size_t>(open)];
  if (const ProcessorFunction* function = FindProcessorFunction(name)) {
    if (args.constantArgs && AcceptsArgumentCount(*function, args.argCount)) return EXPR_FUNCTION;
    return EXPR_COLUMN_FUNCTION;
  }
  if (EqualsNoCase(name, "TO_DATE") && args.argCount > 0 && args.stringArgs) return EXPR_DATE;
  return EXPR_COLUMN_FUNCTION;
}

// ---------------------------------------------------------------------------
// Values
//
// What the evaluator computes. The NULL literal has no type of its own; a
// processor function applied to NULL gives NULL of its result type, as the
// database would, and NULL is written as the empty text.

enum class ValueKind { Null, Number, Text, Date };

struct Value {
  ValueKind kind = ValueKind::Null;
  bool isNull = false;   // a NULL of type Number or Date
  std::string text;      // Number: the decimal text with its sign; Text: unquoted
  COleDateTime date;     // Date
  bool hasTime = false;  // Date: written with its time of day

  bool IsNull() const { return kind == ValueKind::Null || isNull; }
};

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

Value DateValue(const COleDateTime& date, bool hasTime) {
  Value value;
  value.kind = ValueKind::Date;
  value.date = date;
  value.hasTime = hasTime;
  return value;
}

Value NullOf(ValueKind kind) {
  Value value;
  value.kind = kind;
  value.isNull = true;
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

// The clock read at most once per evaluation, so that Today() and Now() in
// one text agree even when it is evaluated across midnight.
class ClockReading {
 public:
  const COleDateTime& Now() {
    if (!m_now) m_now = FixedClock() ? *FixedClock() : SystemNow();
    return *m_now;
  }

 private:
  std::optional<COleDateTime> m_now;
};

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

// ---------------------------------------------------------------------------
// Evaluator
//
// Works like the classifier: every parenthesised group is evaluated when its
// closing parenthesis is reached, so the arguments of a call are values
// before the call is, without recursion. A group's result is kept by the
// index of its opening parenthesis and moved into the group around it.

// Functions that a later stage of the host evaluates (they read columns of
// a result set). Any name the processor does not know is left alone in the
// same way; these are named so that they stay the host's even if the
// processor's own table grows.
bool IsLaterStageName(std::string_view name) {
  for (const std::string_view later : {"CrossColumn", "ParentChild", "If"}) {
    if (EqualsNoCase(name, later)) return true;
  }
  for (size_t i = 0; i + 1 < name.size(); ++i) {
    if (name[i] == '_' && AsciiUpper(name[i + 1]) == 'X') return true;
  }
  return false;
}

enum class SlotState {
  Value,        // evaluated
  NotConstant,  // a column, a computation, a list, ...: nothing the processor computes
  Later,        // holds a call left for a later stage
  Failed,       // a call of the processor's with arguments it cannot take
};

struct Slot {
  SlotState state = SlotState::NotConstant;
  Value value;
  // Later: the name token of the call left for later. Failed: the tokens
  // [first, last] of the call that failed (kept as positions, not as text,
  // so that a failure carried up through deep nesting copies nothing).
  int first = -1;
  int last = -1;
};

Slot ValueSlot(Value value) {
  Slot slot;
  slot.state = SlotState::Value;
  slot.value = std::move(value);
  return slot;
}

Slot MarkedSlot(SlotState state, int first, int last) {
  Slot slot;
  slot.state = state;
  slot.first = first;
  slot.last = last;
  return slot;
}

class Evaluator {
 public:
  explicit Evaluator(const TokenizedText& tokens);

  // The whole text as one value; a trailing column alias ("AS x") is
  // ignored, as the classifier ignores it.
  Slot Evaluate();

 private:
  Slot EvaluateGroup(int open, int close);
  Slot EvaluateCall(int nameIndex, int open, int close);
  Slot EvaluatePart(int first, int last);
  std::vector<Slot> Arguments(int open, int close);
  Slot TakeGroup(int open) { return std::move(m_slots[static_cast<size_t>(m_slotOf[static_cast<size_t>(open)])]); }
  int Next(int i) const { return m_tokens.KindAt(i) == TokenKind::Open ? m_tokens.Partner(i) + 1 : i + 1; }

  const TokenizedText& m_tokens;
  std::vector<int> m_slotOf;  // token index of an opening parenthesis -> its slot
  std::vector<Slot> m_slots;
  ClockReading m_clock;
};

Evaluator::Evaluator(const TokenizedText& tokens) : m_tokens(tokens), m_slotOf(static_cast<size_t>(tokens.Count()), -1) {
  int groups = 0;
  for (int i = 0; i < tokens.Count(); ++i) {
    if (tokens.KindAt(i) == TokenKind::Open) m_slotOf[static_cast<size_t>(i)] = groups++;
  }
  m_slots.resize(static_cast<size_t>(groups));
}

Slot Evaluator::Evaluate() {
  for (int i = 0; i < m_tokens.Count(); ++i) {
    if (m_tokens.KindAt(i) != TokenKind::Close) continue;
    const int open = m_tokens.Partner(i);
    m_slots[static_cast<size_t>(m_slotOf[static_cast<size_t>(open)])] = EvaluateGroup(open, i);
  }
  int last = m_tokens.Count();
  if (last >= 3 && m_tokens.KindAt(last - 2) == TokenKind::Name && WordOf(m_tokens.TextAt(last - 2)) == Word::As) {
    const TokenKind alias = m_tokens.KindAt(last - 1);
    if (alias == TokenKind::Name || alias == TokenKind::QuotedName || alias == TokenKind::BracketName) last -= 2;
  }
  return EvaluatePart(0, last);
}

Slot Evaluator::EvaluateGroup(int open, int close) {
  if (open > 0 && m_tokens.KindAt(open - 1) == TokenKind::Name) {
    // A qualified name (dbo.f(x)) calls a database function: left for later.
    if (open > 1 && m_tokens.KindAt(open - 2) == TokenKind::Dot) return MarkedSlot(SlotState::Later, open - 1, open - 1);
    return EvaluateCall(open - 1, open, close);
  }
  std::vector<Slot> parts = Arguments(open, close);
  if (parts.size() != 1) return Slot();  // "()" or a list
  return std::move(parts.front());
}

Slot Evaluator::EvaluateCall(int nameIndex, int open, int close) {
  const std::string_view name = m_tokens.TextAt(nameIndex);
  const ProcessorFunction* function = IsLaterStageName(name) ? nullptr : FindProcessorFunction(name);
  if (function != nullptr) {
    std::vector<Slot> args = Arguments(open, close);
    const Slot failed = MarkedSlot(SlotState::Failed, nameIndex, close);
    if (!AcceptsArgumentCount(*function, static_cast<int>(args.size()))) return failed;
    // A failure inside wins (it names the innermost call at fault); then an
    // argument that is no constant; a call left for later leaves this one
    // for later too, since its value is not known yet.
    for (Slot& arg : args) {
      if (arg.state == SlotState::Failed) return std::move(arg);
    }
    for (const Slot& arg : args) {
      if (arg.state == SlotState::NotConstant) return failed;
    }
    for (Slot& arg : args) {
      if (arg.state == SlotState::Later) return std::move(arg);
    }
    std::vector<Value> values;
    values.reserve(args.size());
    bool anyNull = false;
    for (Slot& arg : args) {
      anyNull = anyNull || arg.value.IsNull();
      values.push_back(std::move(arg.value));
    }
    if (anyNull) return ValueSlot(NullOf(ResultKind(function->id)));
    Value result;
    if (!Compute(function->id, values, m_clock, result)) return failed;
    return ValueSlot(std::move(result));
  }
  if (EqualsNoCase(name, "TO_DATE")) {
    std::vector<Slot> args = Arguments(open, close);
    bool literal = !args.empty();
    std::vector<Value> values;
    for (Slot& arg : args) {
      literal = literal && arg.state == SlotState::Value && arg.value.kind == ValueKind::Text;
      values.push_back(std::move(arg.value));
    }
    if (!literal) return MarkedSlot(SlotState::Later, nameIndex, nameIndex);  // TO_DATE over a column
    Value result;
    if (!ReadToDate(values, m_clock, result)) return MarkedSlot(SlotState::Failed, nameIndex, close);
    return ValueSlot(std::move(result));
  }
  if (WordOf(name) != Word::None) return Slot();  // a keyword before a group: "IN (1, 2)"
  return MarkedSlot(SlotState::Later, nameIndex, nameIndex);
}

// The comma-separated parts of the group between `open` and `close`; none
// for "()".
std::vector<Slot> Evaluator::Arguments(int open, int close) {
  std::vector<Slot> parts;
  if (open + 1 == close) return parts;
  int start = open + 1;
  for (int i = start;; i = Next(i)) {
    if (i < close && m_tokens.KindAt(i) != TokenKind::Comma) continue;
    parts.push_back(EvaluatePart(start, i));
    if (i >= close) break;
    start = i + 1;
  }
  return parts;
}

// Tokens [first, last) as one value: a literal, a group or a call. Anything
// else is no constant.
Slot Evaluator::EvaluatePart(int first, int last) {
  const int count = last - first;
  if (count <= 0) return Slot();
  const TokenKind kind = m_tokens.KindAt(first);
  if (kind == TokenKind::Open && m_tokens.Partner(first) == last - 1) return TakeGroup(first);
  if (kind == TokenKind::Name && count >= 3 && m_tokens.KindAt(first + 1) == TokenKind::Open &&
      m_tokens.Partner(first + 1) == last - 1) {
    return TakeGroup(first + 1);
  }
  Value value;
  if (count == 1) {
    switch (kind) {
      case TokenKind::Number:
        return ValueSlot(NumberValue(std::string(m_tokens.TextAt(first))));
      case TokenKind::String:
        return ValueSlot(TextValue(Unquote(m_tokens.TextAt(first))));
      case TokenKind::Brace:
        if (IsDateEscape(m_tokens.TextAt(first)) && ReadDateEscape(m_tokens.TextAt(first), value)) {
          return ValueSlot(std::move(value));
        }
        return Slot();
      case TokenKind::Name:
        if (WordOf(m_tokens.TextAt(first)) == Word::Null) return ValueSlot(Value());
        return Slot();
      default:
        return Slot();
    }
  }
  if (count == 2) {
    const TokenKind second = m_tokens.KindAt(first + 1);
    if (kind == TokenKind::Operator && second == TokenKind::Number &&
        (m_tokens.IsOperator(first, "-") || m_tokens.IsOperator(first, "+"))) {
      const std::string sign = m_tokens.IsOperator(first, "-") ? "-" : "";
      return ValueSlot(NumberValue(sign + std::string(m_tokens.TextAt(first + 1))));
    }
    if (kind == TokenKind::Name && second == TokenKind::String) {
      const std::string_view word = m_tokens.TextAt(first);
      if (EqualsNoCase(word, "N") && m_tokens.At(first).end == m_tokens.At(first + 1).begin) {
        return ValueSlot(TextValue(Unquote(m_tokens.TextAt(first + 1))));
      }
      if (WordOf(word) == Word::Temporal && ReadTemporal(word, m_tokens.TextAt(first + 1), value)) {
        return ValueSlot(std::move(value));
      }
    }
  }
  return Slot();
}

// ---------------------------------------------------------------------------
// Host variables and reporting

std::map<std::string, std::string>& HostVariables() {
  static std::map<std::string, std::string> variables;
  return variables;
}

std::string VariableKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = AsciiUpper(c);
  return key;
}

// A name a variable can bear: name characters only, not starting with a digit.
bool IsPlainName(std::string_view name) {
  if (name.empty() || IsDigit(name.front())) return false;
  for (const char c : name) {
    if (IsNoname(c)) return false;
  }
  return true;
}

// The value of the variable that `reference` ("$Name") names.
HRESULT ReadHostVariable(const CString& reference, CString& out) {
  const auto& variables = HostVariables();
  const auto found = variables.find(VariableKey(reference.view().substr(1)));
  if (found == variables.end()) {
    SetErrorInfo(FormatMsg(B30E_UNKNOWN_VARIABLE, reference), nullptr);
    return B30E_UNKNOWN_VARIABLE;
  }
  out = found->second;
  return S_OK;
}

// Records the failure of `code` about `subject`, shortened so that a call
// nested thousands of levels deep does not make a message of megabytes.
HRESULT Report(HRESULT code, std::string_view subject) {
  constexpr size_t kMaxSubject = 200;
  CString shown(subject);
  if (subject.size() > kMaxSubject) {
    size_t cut = kMaxSubject;
    // Do not split a multi-byte character.
    while (cut > 0 && (static_cast<unsigned char>(subject[cut]) & 0xC0) == 0x80) --cut;
    shown = CString(std::string(subject.substr(0, cut)) + "...");
  }
  SetErrorInfo(FormatMsg(code, shown), nullptr);
  return code;
}

std::string_view TokenRange(const TokenizedText& tokens, std::string_view text, int first, int last) {
  const int begin = tokens.At(first).begin;
  return text.substr(static_cast<size_t>(begin), static_cast<size_t>(tokens.At(last).end - begin));
}

HRESULT ReportFailedCall(const TokenizedText& tokens, std::string_view text, const Slot& slot) {
  return Report(B30E_BAD_ARGUMENTS, TokenRange(tokens, text, slot.first, slot.last));
}

// A computed reference: "{$" + "'" + inside + "'" + "}", blanks allowed
// around the quoted part. False when `text` does not open with "{$" and
// close with "}"; `inside` is empty when the quotes are missing.
bool SplitComputedReference(std::string_view text, std::string_view& inside) {
  inside = std::string_view();
  if (text.size() < 3 || !text.starts_with("{$") || text.back() != '}') return false;
  std::string_view quoted = text.substr(2, text.size() - 3);
  while (!quoted.empty() && IsBlank(quoted.front())) quoted.remove_prefix(1);
  while (!quoted.empty() && IsBlank(quoted.back())) quoted.remove_suffix(1);
  if (quoted.size() >= 2 && quoted.front() == '\'' && quoted.back() == '\'') {
    inside = quoted.substr(1, quoted.size() - 2);
    while (!inside.empty() && IsBlank(inside.front())) inside.remove_prefix(1);
    while (!inside.empty() && IsBlank(inside.back())) inside.remove_suffix(1);
  }
  return true;
}

// What a computed reference may hold, and nothing else:
//   a host variable            {$ '$UserName'}            its value, a text
//   a number                   {$ '42'}, {$ '-1.5'}       the number
//   a quoted text              {$ ''North''}              the text
//   a call of the processor's  {$ 'DateAdd('m', 1, Today())'}
// The inside is written as it is, its apostrophes not doubled: the
// reference ends at the last "'}". A computed reference is never left for
// later: its caller has no later stage, and a reference handed back
// unchanged would stay in the SQL (or be found again and again), so a call
// the processor does not know fails here with B30E_UNKNOWN_FUNCTION and
// anything else with B30E_BAD_ARGUMENTS.
HRESULT CalculateReference(const CString& reference, std::string_view inside, CString& value, DATATYPE& type) {
  const CString text(inside);
  if (text.IsEmpty()) return Report(B30E_BAD_ARGUMENTS, reference.view());
  if (TestVariant(text) == VARIANT_HOST) {
    const HRESULT hr = ReadHostVariable(text, value);
    if (hr == S_OK) type = DATATYPE_CHARACTER;
    return hr;
  }
  TokenizedText tokens;
  if (!tokens.Scan(text.view())) return Report(B30E_BAD_ARGUMENTS, reference.view());
  const int count = tokens.Count();
  const TokenKind head = tokens.KindAt(0);
  const bool number = (count == 1 && head == TokenKind::Number) ||
                      (count == 2 && (tokens.IsOperator(0, "-") || tokens.IsOperator(0, "+")) &&
                       tokens.KindAt(1) == TokenKind::Number);
  const bool quoted = count == 1 && head == TokenKind::String;
  const bool call = count >= 3 && head == TokenKind::Name && tokens.KindAt(1) == TokenKind::Open &&
                    tokens.Partner(1) == count - 1;
  if (!number && !quoted && !call) return Report(B30E_BAD_ARGUMENTS, reference.view());
  const Slot result = Evaluator(tokens).Evaluate();
  switch (result.state) {
    case SlotState::Value:
      value = Render(result.value);
      type = DataTypeOf(result.value.kind);
      return S_OK;
    case SlotState::Later:
      return Report(B30E_UNKNOWN_FUNCTION, tokens.TextAt(result.first));
    case SlotState::Failed:
      return ReportFailedCall(tokens, text.view(), result);
    case SlotState::NotConstant:
      break;
  }
  return Report(B30E_BAD_ARGUMENTS, reference.view());
}


}  // namespace

namespace {

// True for plain names joined by dots (Amount, T.c, S.T.c), none of them a
// reserved word: a column reference, and the text classified most often
// (every column of every statement), which then needs no tokens. A name
// that starts with a digit is not plain, so no number passes.
bool IsPlainColumnPath(std::string_view t) {
  if (t.empty()) return false;
  for (size_t start = 0;;) {
    const size_t dot = t.find('.', start);
    const std::string_view part = t.substr(start, dot == std::string_view::npos ? t.npos : dot - start);
    // IsTradNaming reads a C string: the part is copied when it is short
    // enough to be a name worth checking here.
    char name[64];
    if (part.empty() || part.size() >= sizeof name) return false;
    part.copy(name, part.size());
    name[part.size()] = '\0';
    if (!IsTradNaming(name)) return false;
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

}  // namespace

EXPRTYPE TestExprType(const char* text) {
  CString trimmed(text);
  trimmed.Trim();
  if (trimmed.IsEmpty()) return EXPR_EMPTY;
  if (IsPlainColumnPath(trimmed.view())) return EXPR_COLUMN;
  if (TestNumeric(trimmed) >= 0) return EXPR_NUMBER;
  TokenizedText tokens;
  if (!tokens.Scan(trimmed.view())) return EXPR_COLUMN;  // unbalanced: never a constant
  return Classifier(tokens).Classify();
}

bool IsProcessorFunction(const char* name) { return name != nullptr && FindProcessorFunction(name) != nullptr; }

// ---------------------------------------------------------------------------
// Evaluation entry points

VARIANTTYPE TestVariant(const char* text) {
  CString trimmed(text);
  trimmed.Trim();
  const std::string_view view = trimmed.view();
  return view.starts_with('$') && IsPlainName(view.substr(1)) ? VARIANT_HOST : VARIANT_NONE;
}

void SetHostVariable(const char* name, const char* value) {
  CString trimmed(name);
  trimmed.Trim();
  std::string_view plain = trimmed.view();
  if (plain.starts_with('$')) plain.remove_prefix(1);
  if (!IsPlainName(plain)) return;
  if (value == nullptr) {
    HostVariables().erase(VariableKey(plain));
  } else {
    HostVariables()[VariableKey(plain)] = value;
  }
}

void ClearHostVariables() { HostVariables().clear(); }

void SetProcessorClock(const COleDateTime* fixed) {
  if (fixed != nullptr && fixed->GetStatus() == COleDateTime::valid) {
    FixedClock() = *fixed;
  } else {
    FixedClock().reset();
  }
}

HRESULT ProcessExpr(const char* text, CString& out) {
  out.Empty();
  CString trimmed(text);
  trimmed.Trim();
  if (TestVariant(trimmed) == VARIANT_HOST) return ReadHostVariable(trimmed, out);
  if (TestExprType(trimmed) != EXPR_FUNCTION) return S_FALSE;
  TokenizedText tokens;
  if (!tokens.Scan(trimmed.view())) return S_FALSE;
  const Slot result = Evaluator(tokens).Evaluate();
  if (result.state == SlotState::Failed) return ReportFailedCall(tokens, trimmed.view(), result);
  if (result.state != SlotState::Value) return S_FALSE;  // not reached for a text of class EXPR_FUNCTION
  out = Render(result.value);
  return S_OK;
}

HRESULT CalculateExpr(const char* text, CString& value, DATATYPE* dataType) {
  DATATYPE unused = DATATYPE_OBJECT;
  DATATYPE& type = dataType != nullptr ? *dataType : unused;
  value.Empty();
  type = DATATYPE_OBJECT;
  const CString original(text);
  CString trimmed(original);
  trimmed.Trim();

  std::string_view inside;
  if (SplitComputedReference(trimmed.view(), inside)) return CalculateReference(trimmed, inside, value, type);

  TokenizedText tokens;
  if (!tokens.Scan(trimmed.view())) return Report(B30E_BAD_ARGUMENTS, trimmed.view());
  const Slot result = Evaluator(tokens).Evaluate();
  switch (result.state) {
    case SlotState::Value:
      // The NULL literal is already what SQL wants: it stays as it is.
      if (result.value.kind == ValueKind::Null) break;
      value = Render(result.value);
      type = DataTypeOf(result.value.kind);
      return S_OK;
    case SlotState::Failed:
      return ReportFailedCall(tokens, trimmed.view(), result);
    case SlotState::Later:
    case SlotState::NotConstant:
      break;
  }
  value = original;
  return S_FALSE;
}
