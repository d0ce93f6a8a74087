// ExprEvaluator.cpp - the evaluator of the expression processor: a text of
// the processor's functions, literals, host variables or computed
// references evaluated to a value (ProcessExpr, CalculateExpr), and the
// host variables themselves (TestVariant, SetHostVariable,
// ClearHostVariables). It walks the tokens of the scanner (ExprScanner.cpp)
// as the classifier (ExprClassifier.cpp) does and computes each call with
// the functions of ExprFunctions.cpp.
#include "contracts/basis30/ExprProcessor.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "basis30/ExprProcessorInternal.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace exprproc {

namespace {

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

}  // namespace exprproc

using namespace exprproc;

// ---------------------------------------------------------------------------
// Evaluation entry points

VARIANTTYPE TestVariant(const char* text) {
  // White space around the text is ignored, as CString::Trim() takes it.
  constexpr std::string_view kWhite = CString::kWhiteSpace;
  std::string_view view = text != nullptr ? std::string_view(text) : std::string_view();
  const size_t first = view.find_first_not_of(kWhite);
  if (first == std::string_view::npos || view[first] != '$') return VARIANT_NONE;
  view = view.substr(first, view.find_last_not_of(kWhite) - first + 1);
  return IsPlainName(view.substr(1)) ? VARIANT_HOST : VARIANT_NONE;
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
