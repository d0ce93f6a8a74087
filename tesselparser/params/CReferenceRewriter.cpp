// CReferenceRewriter.cpp - one left-to-right pass that replaces delimited
// references, with bounded context for TransformExpr.
#include "params/CReferenceRewriter.h"

#include <algorithm>
#include <string_view>

#include "contracts/basis30/TextUtil.h"
#include "expr/CExprParser.h"

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// The first window of finished text handed to TransformExpr; it doubles
// until the check below accepts it.
constexpr size_t kFirstWindow = 128;
// GetRightOperator reads the longest operator with a blank before it, and
// the character before that.
constexpr int kOperatorReach = CExprParser::kLongestOperator + 2;

// Quote states of the finished text as the operand scan of
// GetPreviousSubExpr reads it: outside any literal, inside one opened by
// ', " or [, or just after a character that closes it unless the next
// character doubles it (an escaped delimiter).
enum : unsigned char {
  kOutside = 0,
  kInSingle = 1,
  kInDouble = 2,
  kInBracket = 3,
  kClosingSingle = 4,
  kClosingDouble = 5,
  kClosingBracket = 6,
};

bool OpensLiteral(char ch) { return ch == '\'' || ch == '"' || ch == '['; }

unsigned char OpenedBy(char ch) {
  switch (ch) {
    case '\'':
      return kInSingle;
    case '"':
      return kInDouble;
    case '[':
      return kInBracket;
    default:
      return kOutside;
  }
}

char Closer(unsigned char inside) {
  if (inside == kInBracket) return ']';
  return inside == kInSingle ? '\'' : '"';
}

char Opener(unsigned char inside) {
  if (inside == kInBracket) return '[';
  return inside == kInSingle ? '\'' : '"';
}

unsigned char NextState(unsigned char state, char ch) {
  if (state == kOutside) return OpenedBy(ch);
  if (state <= kInBracket) return ch == Closer(state) ? static_cast<unsigned char>(state + 3) : state;
  const auto inside = static_cast<unsigned char>(state - 3);
  return ch == Closer(inside) ? inside : OpenedBy(ch);  // doubled: still inside; else closed before ch
}

// Reaches the operator reader that TransformExpr uses, so that a window of
// the text can be checked to read the same operator as the whole text.
struct OperatorReader : CExprParser {
  using CExprParser::GetRightOperator;
};

// False when no comparison operator can end `trimmed`: every one of them
// ends in "=", "<", ">" or a letter. Spares the operator reader, the
// costly part of a plain substitution.
bool MayEndInOperator(const CString& trimmed) {
  if (trimmed.IsEmpty()) return false;
  const char last = trimmed[trimmed.GetLength() - 1];
  return last == '=' || last == '<' || last == '>' || (last >= 'a' && last <= 'z') || (last >= 'A' && last <= 'Z');
}

// True when a ")" or "}" of `text`, outside literals, meets no open
// bracket. GetPreviousSubExpr pairs brackets within the text it is given,
// so a window cut after the partner of such a closer could read another
// operand than the whole text.
bool HasUnpairedCloser(std::string_view text) {
  std::vector<char> open;
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (OpensLiteral(ch)) {
      const int end = SkipLiteral(text, static_cast<int>(i));
      if (end < 0) return false;  // unclosed: the scan reads no operand at all
      i = static_cast<size_t>(end) - 1;
      continue;
    }
    if (ch == '(' || ch == '{') {
      open.push_back(ch);
    } else if (ch == ')' || ch == '}') {
      if (open.empty()) return true;
      if (open.back() == (ch == ')' ? '(' : '{')) open.pop_back();
    }
  }
  return false;
}

}  // namespace

CReferenceRewriter::CReferenceRewriter(const char* close) : m_close(close ? close : "") {}

void CReferenceRewriter::AddKind(const char* open, Resolver& resolver) {
  if (open != nullptr && *open != '\0') m_kinds.push_back({open, &resolver});
}

HRESULT CReferenceRewriter::Run(CString& text) {
  const std::string src = text.str();
  m_out.clear();
  m_lit.assign(1, kOutside);
  m_openings.clear();
  m_cache.clear();
  m_noBracketCloseFrom = kNone;
  if (m_close.empty() || m_kinds.empty()) return S_OK;

  HRESULT hr = S_OK;
  size_t i = 0;
  while (i < src.size()) {
    if (!m_openings.empty() && src.compare(i, m_close.size(), m_close) == 0) {
      // The close belongs to the last opening that lies wholly before it.
      const size_t here = m_out.size();
      const Opening* opening = nullptr;
      const Opening& last = m_openings.back();
      if (last.at + m_kinds[last.kind].open.size() <= here) {
        opening = &last;
      } else if (m_openings.size() >= 2) {
        opening = &m_openings[m_openings.size() - 2];
      }
      if (opening != nullptr) {
        hr = Substitute(*opening, i);
        if (FAILED(hr)) break;
        continue;
      }
    }
    const size_t kind = KindAt(src, i);
    if (kind != kNone && (m_openings.empty() || kind == m_openings.back().kind)) {
      // From an opening on, the text up to its close is read as it is;
      // only an opening of the same kind can start a nearer reference.
      m_openings.push_back({m_out.size(), kind});
      Append(src[i++]);
      continue;
    }
    if (m_openings.empty() && OpensLiteral(src[i])) {
      const size_t end = SkipLiteralAt(src, i);
      if (end != kNone) {
        while (i < end) Append(src[i++]);
        continue;
      }
      if (src[i] != '[') break;  // the rest lies inside an unclosed quote: no reference follows
    }
    Append(src[i++]);
  }
  std::string whole = m_out;
  whole.append(src, i, kNone);
  text = CString(std::move(whole));
  return hr;
}

// The kind whose opening starts at `i`, or kNone.
size_t CReferenceRewriter::KindAt(const std::string& src, size_t i) const {
  for (size_t k = 0; k < m_kinds.size(); ++k) {
    if (src.compare(i, m_kinds[k].open.size(), m_kinds[k].open) == 0) return k;
  }
  return kNone;
}

// Just past the quoted literal or [...] name that opens at `i`, or kNone
// when it does not close. An unclosed "[" is read as a plain character;
// when one finds no close, no later "[" does either (runs of "]" pair up
// the same way from any "[" before them), so a text full of them is not
// searched to its end again and again.
size_t CReferenceRewriter::SkipLiteralAt(const std::string& src, size_t i) {
  const bool bracket = src[i] == '[';
  if (bracket && i >= m_noBracketCloseFrom) return kNone;
  const int end = SkipLiteral(src, static_cast<int>(i));
  if (end >= 0) return static_cast<size_t>(end);
  if (bracket) m_noBracketCloseFrom = i;
  return kNone;
}

// --- the finished text ------------------------------------------------------------

void CReferenceRewriter::Append(char ch) {
  m_out.push_back(ch);
  m_lit.push_back(NextState(m_lit.back(), ch));
}

void CReferenceRewriter::Rewind(size_t length) {
  m_out.resize(length);
  m_lit.resize(length + 1);
}

// --- one replacement ----------------------------------------------------------------

// The reference runs from the opening in the finished text through the
// close at `i` of the source; once it is replaced, `i` moves past the close.
HRESULT CReferenceRewriter::Substitute(const Opening& opening, size_t& i) {
  const size_t at = opening.at;
  const size_t kind = opening.kind;
  Resolver& resolver = *m_kinds[kind].resolver;
  const std::string reference = m_out.substr(at) + m_close;
  const CString key = resolver.KeyOf(CString(reference));
  Replacement rep;
  HRESULT hr = Lookup(reference, kind, key, rep);
  if (FAILED(hr)) return hr;
  size_t keep = at;
  std::string tail;
  if (rep.verbatim) {
    tail = rep.value.str();
  } else {
    hr = Transform(rep, at, keep, tail);
    if (FAILED(hr)) return resolver.Failed(key, hr);
  }
  // What replaces the reference is finished text: the scan goes on after
  // the close, and an opening before the reference would now enclose text
  // that the value brought in.
  Rewind(keep);
  // An object's text set against an operator is kept apart from it as a
  // rendered value is: "-" and "-x" must not join into a comment.
  if (rep.verbatim && !m_out.empty() && !tail.empty() && OpensCommentAcross(m_out.back(), tail.front())) Append(' ');
  for (const char ch : tail) Append(ch);
  m_openings.clear();
  i += m_close.size();
  if (FAILED(rep.deferred)) return resolver.Failed(key, rep.deferred);
  return S_OK;
}

HRESULT CReferenceRewriter::Lookup(const std::string& reference, size_t kind, const CString& key, Replacement& out) {
  const std::string cacheKey = std::to_string(kind) + ":" + reference;
  const auto cached = m_cache.find(cacheKey);
  if (cached != m_cache.end()) {
    out = cached->second;
    return S_OK;
  }
  const HRESULT hr = m_kinds[kind].resolver->Resolve(CString(reference), key, out);
  if (FAILED(hr)) return hr;
  m_cache.emplace(cacheKey, out);
  return S_OK;
}

// Runs TransformExpr on the finished text before `at` (as much of it as
// decides the result) followed by a placeholder for the reference.
// `keep` receives the length of finished text that stays as it is, `tail`
// what replaces the rest of it and the reference.
HRESULT CReferenceRewriter::Transform(const Replacement& rep, size_t at, size_t& keep, std::string& tail) const {
  size_t start = 0;
  char stub = 0;
  size_t kept = 0;
  ChooseWindow(at, start, stub, kept);
  const HRESULT hr = TransformIn(rep, at, start, stub, kept, keep, tail);
  if (hr != S_FALSE) return hr;
  // The window's result did not begin with the window: use the whole text.
  AnalyseWindow(0, 0, at, kept);
  return TransformIn(rep, at, 0, 0, kept, keep, tail);
}

HRESULT CReferenceRewriter::TransformIn(const Replacement& rep, size_t at, size_t start, char stub, size_t kept,
                                        size_t& keep, std::string& tail) const {
  std::string context;
  if (stub != 0) context += stub;
  context.append(m_out, start, at - start);
  // A placeholder that cannot occur in the context: "\x02" and more "\x01"
  // than any run of them there.
  size_t run = 0;
  size_t longest = 0;
  for (const char ch : context) {
    run = ch == '\x01' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  const std::string placeholder = "\x02" + std::string(longest + 1, '\x01');
  CString work(context + placeholder);
  const HRESULT hr = CExprParser::TransformExpr(work, placeholder.c_str(), rep.value, rep.type);
  if (FAILED(hr)) return hr;
  const std::string& result = work.str();
  const size_t stubLength = stub != 0 ? 1 : 0;
  size_t same = 0;
  while (same < context.size() && same < result.size() && context[same] == result[same]) ++same;
  if (same < stubLength) return S_FALSE;
  kept = std::min(kept, same - stubLength);
  keep = start + kept;
  tail = result.substr(stubLength + kept);
  return S_OK;
}

// The window of finished text before `at` to hand to TransformExpr: the
// whole text, or a suffix that provably reads the same operator and
// operand. `stub` re-opens a literal that the window starts inside of.
void CReferenceRewriter::ChooseWindow(size_t at, size_t& start, char& stub, size_t& keep) const {
  for (size_t want = kFirstWindow; want < at; want *= 2) {
    size_t s = at - want;
    while (s > 0 && !WindowStart(s, stub)) --s;
    if (s == 0) break;
    if (AnalyseWindow(s, stub, at, keep)) {
      start = s;
      return;
    }
    want = std::max(want, at - s);
  }
  start = 0;
  stub = 0;
  AnalyseWindow(0, 0, at, keep);
}

// A window may start outside any literal, or inside one (re-opened by
// `stub`), but not between the two characters of an escaped delimiter.
bool CReferenceRewriter::WindowStart(size_t start, char& stub) const {
  const unsigned char state = m_lit[start];
  stub = 0;
  if (state == kOutside) return true;
  if (state <= kInBracket) {
    stub = Opener(state);
    return true;
  }
  return m_out[start] != Closer(static_cast<unsigned char>(state - 3));
}

// Replays what TransformExpr reads before the placeholder: the operator at
// the end, then the operand before it. A window other than the whole text
// is accepted only when it holds every character those reads look at and
// pairs its brackets as the whole text does; `keep` is the length of the
// window's text that TransformExpr leaves unchanged.
bool CReferenceRewriter::AnalyseWindow(size_t start, char stub, size_t at, size_t& keep) const {
  const bool whole = start == 0;
  const int stubLength = stub != 0 ? 1 : 0;
  CString before;
  if (stub != 0) before += stub;
  before += CString(std::string_view(m_out).substr(start, at - start));
  CString trimmed(before);
  trimmed.TrimRight();
  if (!whole && trimmed.GetLength() < stubLength + kOperatorReach) return false;
  const CString op = MayEndInOperator(trimmed) ? OperatorReader::GetRightOperator(before, true) : CString();
  if (op.IsEmpty()) {
    keep = at - start;
    return true;
  }
  const CString cut = trimmed.Left(trimmed.GetLength() - op.GetLength());
  if (!whole) {
    // The operand scan first steps back over blanks: it must meet the
    // operand's last character inside the window.
    CString last(cut);
    last.TrimRight();
    if (last.GetLength() <= stubLength || HasUnpairedCloser(cut.view())) return false;
  }
  CString operand;
  const int found = GetPreviousSubExpr(cut, cut.GetLength() - 1, operand);
  if (found < 0) {
    keep = static_cast<size_t>(cut.GetLength() - stubLength);
    return true;
  }
  if (!whole && found < stubLength + 2) return false;
  keep = static_cast<size_t>(found - stubLength);
  return true;
}
