// ExprClassifier.cpp - the classification of expression texts
// (TestExprType) and the names of the processor's own functions
// (IsProcessorFunction).
//
// A text is read once by the scanner (TokenizedText, ExprScanner.cpp) into
// tokens, with the partner of every parenthesis. The classifier then looks
// only at the top level of a token range and takes every parenthesised
// group it meets as one operand whose class is already known: groups are
// classified in the order of their closing parenthesis, which puts every
// inner group before the group around it. Nothing recurses, so a text
// nested 100000 levels deep needs no more stack than a flat one, and the
// work stays linear in the length of the text. The evaluator
// (ExprEvaluator.cpp) walks the same tokens the same way, computing a value
// for each group where the classifier computes a class; both take the
// processor's functions from the one table in ExprProcessorInternal.h.
#include "contracts/basis30/ExprProcessor.h"

#include <string_view>
#include <vector>

#include "basis30/ExprProcessorInternal.h"
#include "contracts/basis30/TextUtil.h"

namespace exprproc {

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

namespace {

bool IsComparison(std::string_view op) {
  return op == "=" || op == "<>" || op == "!=" || op == "<" || op == ">" || op == "<=" || op == ">=";
}

// A value known without a database: a literal or an evaluable call.
bool IsConstant(EXPRTYPE type) {
  return type == EXPR_NUMBER || type == EXPR_STRING || type == EXPR_DATE || type == EXPR_NULL ||
         type == EXPR_FUNCTION;
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

}  // namespace exprproc

using namespace exprproc;

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
