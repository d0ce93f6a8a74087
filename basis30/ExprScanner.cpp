// ExprScanner.cpp - the scanner of the expression processor: an expression
// text read once into tokens (TokenizedText, declared in
// ExprProcessorInternal.h), with the partner of every parenthesis, for the
// classifier (ExprClassifier.cpp) and the evaluator (ExprEvaluator.cpp) to
// walk without reading the text again.
#include "basis30/ExprProcessorInternal.h"

#include <string_view>
#include <vector>

#include "contracts/basis30/TextUtil.h"

namespace exprproc {

namespace {

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

}  // namespace

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

}  // namespace exprproc
