// CFGFunctionPass.cpp - evaluating "@" calls in an expression text.
#include "params/CFGFunctionPass.h"

#include <algorithm>

#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/basis30/VelDate.h"
#include "params/SqlLiteral.h"

namespace {

constexpr size_t kNone = std::string::npos;
constexpr long kFailed = -1;
constexpr long kUnknown = -2;

bool OpensLiteral(char ch) { return ch == '\'' || ch == '"' || ch == '['; }

// The position just past the quoted literal or [...] name opening at `i`
// (doubled delimiters are escapes), or kNone when it does not close.
size_t SkipLiteral(const std::string& text, size_t i) {
  const char close = text[i] == '[' ? ']' : text[i];
  for (size_t j = i + 1; j < text.size(); ++j) {
    if (text[j] != close) continue;
    if (j + 1 < text.size() && text[j + 1] == close) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return kNone;
}

// An evaluated value as an SQL literal of its data type. A number or date
// without a value is the processor's NULL and stays NULL: writing 0 for
// it would compare against a value nobody gave.
CString Literal(const CString& value, DATATYPE type) {
  switch (type) {
    case DATATYPE_NUMERIC:
      return value.IsEmpty() ? CString("NULL") : value;
    case DATATYPE_CHARACTER:
      return SqlTextLiteral(value);
    case DATATYPE_DATETIME:
      return FormatVelDate(value.GetString());  // an empty value renders as NULL
    default:
      return value;
  }
}

}  // namespace

HRESULT CFGFunctionPass::Run(CString& text) {
  m_src = text.str();
  m_closeOf.clear();
  std::string out;
  HRESULT result = S_OK;
  size_t copied = 0;   // the source before this is settled in `out`
  size_t counted = 0;  // the apostrophes of the source before this are in `quotes`
  size_t quotes = 0;   // apostrophes of the rewritten text up to `counted`
  size_t paren = kNone;
  bool parenFound = false;
  for (size_t at = m_src.find('@'); at != kNone;) {
    const size_t next = m_src.find('@', at + 1);
    if (!parenFound || paren < at) {
      paren = m_src.find('(', at);
      parenFound = true;
    }
    if (paren == kNone) break;  // no call can follow
    quotes += static_cast<size_t>(std::count(m_src.begin() + static_cast<long>(counted),
                                             m_src.begin() + static_cast<long>(at), '\''));
    counted = at;
    // Inside a quoted literal, or a name that would hold another "@".
    if (quotes % 2 != 0 || next < paren) {
      at = next;
      continue;
    }
    CString name(m_src.substr(at + 1, paren - at - 1));
    name.Trim();
    const long close = IsTradNaming(name) ? CloseOf(paren) : kFailed;
    if (close < 0) {
      at = next;
      continue;
    }
    const CString call(m_src.substr(at + 1, static_cast<size_t>(close) - at));
    CString value;
    DATATYPE type = DATATYPE_OBJECT;
    result = CalculateExpr(call, value, &type);
    if (FAILED(result)) break;
    if (result == S_FALSE && type == DATATYPE_OBJECT && !IsKnownLaterCall(name, call)) {
      SetErrorInfo(FormatMsg(TPE_UNKNOWN_LATER_CALL, call), nullptr);
      result = TPE_UNKNOWN_LATER_CALL;
      break;
    }
    const CString literal = Literal(value, type);
    out.append(m_src, copied, at - copied);
    out += literal.str();
    copied = static_cast<size_t>(close) + 1;
    quotes += static_cast<size_t>(FindCharCount(literal, '\''));
    counted = copied;
    at = m_src.find('@', copied);  // right after the inserted literal
  }
  out.append(m_src, copied, kNone);
  text = CString(std::move(out));
  return result;
}

bool CFGFunctionPass::IsLaterStageName(const CString& name) {
  return name.CompareNoCase("CrossColumn") == 0 || name.CompareNoCase("ParentChild") == 0 ||
         name.CompareNoCase("If") == 0 || FindStringNoCase(name, "_X") >= 0;
}

// A call left for later is the later stage's when its function is one of
// its own, or when it is one of the processor's functions waiting for such
// a call among its arguments. The name decides, not a piece of text
// anywhere in the call: Modify(x) is not an If.
bool CFGFunctionPass::IsKnownLaterCall(const CString& name, const CString& call) {
  if (IsLaterStageName(name)) return true;
  if (!IsProcessorFunction(name)) return false;
  const std::string& t = call.str();
  for (size_t i = 0; i < t.size();) {
    if (OpensLiteral(t[i])) {
      const size_t end = SkipLiteral(t, i);
      if (end == kNone) return false;
      i = end;
      continue;
    }
    if (IsNoname(t[i]) || (i > 0 && !IsNoname(t[i - 1]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < t.size() && !IsNoname(t[end])) ++end;
    size_t after = end;
    while (after < t.size() && (t[after] == ' ' || t[after] == '\t')) ++after;
    if (after < t.size() && t[after] == '(' && IsLaterStageName(CString(t.substr(i, end - i)))) return true;
    i = end;
  }
  return false;
}

// Follows the text from the "(" at `open` as IsSubExpr reads it (literals
// skipped, brackets paired in order) up to the ")" that closes it. Every
// "(" met on the way learns its own ")" or that it has none, so later
// calls inside reuse the answer and the whole pass stays linear.
long CFGFunctionPass::CloseOf(size_t open) {
  if (m_closeOf.empty()) m_closeOf.assign(m_src.size(), kUnknown);
  if (m_closeOf[open] != kUnknown) return m_closeOf[open];
  std::vector<size_t> stack;  // positions of the open brackets
  const auto failAll = [&]() {
    for (const size_t p : stack) {
      if (m_src[p] == '(') m_closeOf[p] = kFailed;
    }
    return kFailed;
  };
  for (size_t i = open; i < m_src.size();) {
    const char ch = m_src[i];
    if (ch == '(' && m_closeOf[i] != kUnknown) {
      if (m_closeOf[i] == kFailed) return failAll();
      i = static_cast<size_t>(m_closeOf[i]) + 1;
      continue;
    }
    if (OpensLiteral(ch)) {
      const size_t end = SkipLiteral(m_src, i);
      if (end == kNone) return failAll();
      i = end;
      continue;
    }
    if (ch == '(' || ch == '{') {
      stack.push_back(i++);
      continue;
    }
    if (ch == ')' || ch == '}') {
      if (stack.empty() || m_src[stack.back()] != (ch == ')' ? '(' : '{')) return failAll();
      if (ch == ')') m_closeOf[stack.back()] = static_cast<long>(i);
      stack.pop_back();
      if (stack.empty()) return static_cast<long>(i);
      ++i;
      continue;
    }
    if (ch == ']') return failAll();  // closes nothing
    ++i;
  }
  return failAll();
}
