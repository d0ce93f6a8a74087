// ExprProcessorInternal.h - what the parts of the expression processor
// share. Internal to basis30.
//
// The processor's public functions (contracts/basis30/ExprProcessor.h) are
// implemented in four files:
//   ExprScanner.cpp     reads a text into tokens (TokenizedText)
//   ExprClassifier.cpp  gives a token sequence its class (TestExprType)
//   ExprFunctions.cpp   values, the calendar, the clock and the processor's
//                       own functions computed on values
//   ExprEvaluator.cpp   evaluates a token sequence to a value (ProcessExpr,
//                       CalculateExpr), host variables, computed references
// This header declares what crosses between them: character and word tests,
// tokens, the table of the processor's functions, values and the clock
// reading of one evaluation. The small tests the classifier calls for every
// token are defined here so that they stay inline wherever they are used.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/basis30/Basis30Types.h"
#include "platform/COleDateTime.h"

// Hidden: these names are the processor's own and are no part of what
// libbasis30 exports, as when they were private to one file.
namespace exprproc __attribute__((visibility("hidden"))) {

// ---------------------------------------------------------------------------
// Characters and words

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
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

inline Word WordOf(std::string_view name) {
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

inline constexpr ProcessorFunction kProcessorFunctions[] = {
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

inline const ProcessorFunction* FindProcessorFunction(std::string_view name) {
  for (const ProcessorFunction& function : kProcessorFunctions) {
    if (EqualsNoCase(name, function.name)) return &function;
  }
  return nullptr;
}

inline bool AcceptsArgumentCount(const ProcessorFunction& function, int count) {
  return count >= 0 && count < 32 && (function.arities & Takes(count)) != 0;
}

// True for a brace token that is a date escape: "{d '...'}", "{t '...'}" or
// "{ts '...'}" (any letter case). Defined with the classifier.
bool IsDateEscape(std::string_view brace);

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

// Values made, written and typed (ExprFunctions.cpp).
Value NumberValue(std::string text);
Value TextValue(std::string text);
Value NullOf(ValueKind kind);  // a NULL of the given type
std::string Render(const Value& value);
DATATYPE DataTypeOf(ValueKind kind);

// ---------------------------------------------------------------------------
// Literals read into values (ExprFunctions.cpp)

std::string Unquote(std::string_view quoted);
bool ReadTemporal(std::string_view kind, std::string_view quoted, Value& value);
bool ReadDateEscape(std::string_view brace, Value& value);

// ---------------------------------------------------------------------------
// The clock behind Today() and Now()

// The clock read at most once per evaluation, so that Today() and Now() in
// one text agree even when it is evaluated across midnight.
class ClockReading {
 public:
  // The fixed time of SetProcessorClock while there is one, else the system
  // clock in local time.
  const COleDateTime& Now();

 private:
  std::optional<COleDateTime> m_now;
};

// ---------------------------------------------------------------------------
// The processor's functions on evaluated arguments (ExprFunctions.cpp)

// The kind of value `id` gives, and so the type of its NULL.
ValueKind ResultKind(FunctionId id);
bool Compute(FunctionId id, const std::vector<Value>& args, ClockReading& clock, Value& result);
// TO_DATE over quoted literals.
bool ReadToDate(const std::vector<Value>& args, ClockReading& clock, Value& result);

}  // namespace exprproc
