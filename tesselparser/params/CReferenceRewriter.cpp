// CReferenceRewriter.cpp - one left-to-right pass that replaces delimited
// references, with bounded context for TransformExpr and loop detection.
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
// GetRightOperator reads at most ten characters and the one before them.
constexpr int kOperatorReach = 11;

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
      const char close = ch == '[' ? ']' : ch;
      size_t j = i + 1;
      for (; j < text.size(); ++j) {
        if (text[j] != close) continue;
        if (j + 1 < text.size() && text[j + 1] == close) {
          ++j;
          continue;
        }
        break;
      }
      if (j >= text.size()) return false;  // unclosed: the scan reads no operand at all
      i = j;
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

CReferenceRewriter::CReferenceRewriter(const char* open, const char* close, bool bOutsideQuotes)
    : m_open(open ? open : ""), m_close(close ? close : ""), m_bOutsideQuotes(bOutsideQuotes) {}

HRESULT CReferenceRewriter::Run(CString& text, Resolver& resolver) {
  if (m_open.empty() || m_close.empty()) return S_OK;
  Reset(text);
  HRESULT hr = S_OK;
  while (!m_rev.empty()) {
    if (!m_openings.empty() && PendingStartsWith(m_close)) {
      // The close belongs to the last opening that lies wholly before it.
      const size_t here = m_out.size();
      size_t at = kNone;
      if (m_openings.back() + m_open.size() <= here) {
        at = m_openings.back();
      } else if (m_openings.size() >= 2) {
        at = m_openings[m_openings.size() - 2];
      }
      if (at != kNone) {
        hr = Substitute(at, resolver);
        if (FAILED(hr)) break;
        continue;
      }
    }
    if (PendingStartsWith(m_open)) {
      // From an opening on, the text up to its close is read as it is.
      m_openings.push_back(m_out.size());
      MoveToOut(1);
      continue;
    }
    if (m_openings.empty() && m_bOutsideQuotes && OpensLiteral(At(0))) {
      const size_t end = SkipPendingLiteral();
      if (end != kNone) {
        MoveToOut(end);
        continue;
      }
      if (At(0) != '[') break;  // the rest lies inside an unclosed quote: no reference follows
    }
    MoveToOut(1);
  }
  text = Finish();
  return hr;
}

void CReferenceRewriter::Reset(const CString& text) {
  m_out.clear();
  m_lit.assign(1, kOutside);
  m_chainOf.clear();
  m_openings.clear();
  m_rev.assign(text.str().rbegin(), text.str().rend());
  m_regions.clear();
  m_chains.clear();
  m_cache.clear();
  m_nested = 0;
  m_topLevel = 0;
  m_noBracketCloseBelow = 0;
}

CString CReferenceRewriter::Finish() const {
  std::string whole = m_out;
  whole.append(m_rev.rbegin(), m_rev.rend());
  return CString(std::move(whole));
}

// --- the unscanned rest --------------------------------------------------------

bool CReferenceRewriter::PendingStartsWith(const std::string& text) const {
  if (m_rev.size() < text.size()) return false;
  for (size_t k = 0; k < text.size(); ++k) {
    if (At(k) != text[k]) return false;
  }
  return true;
}

// The length of the quoted literal or [...] name that opens the rest (its
// doubled delimiters are escapes), or kNone when it does not close. An
// unclosed "[" is read as a plain character, so a text full of them would
// be searched to its end again and again; a failed search therefore
// remembers that below its start every run of "]" pairs up, and the next
// one stops where it reaches that part at the start of a run.
size_t CReferenceRewriter::SkipPendingLiteral() {
  const char open = At(0);
  const char close = open == '[' ? ']' : open;
  const size_t front = m_rev.size() - 1;
  for (size_t k = 1; k < m_rev.size(); ++k) {
    if (open == '[' && front - k < m_noBracketCloseBelow && At(k - 1) != ']') break;
    if (At(k) != close) continue;
    if (k + 1 < m_rev.size() && At(k + 1) == close) {
      ++k;
      continue;
    }
    return k + 1;
  }
  if (open == '[') m_noBracketCloseBelow = front;
  return kNone;
}

void CReferenceRewriter::MoveToOut(size_t count) {
  for (size_t k = 0; k < count && !m_rev.empty(); ++k) {
    const int chain = ChainOfFront();
    const char ch = m_rev.back();
    m_rev.pop_back();
    Append(ch, chain);
  }
}

void CReferenceRewriter::PushFront(const std::string& text, int chain) {
  const size_t size = m_rev.size();
  m_noBracketCloseBelow = std::min(m_noBracketCloseBelow, size);  // what lies above is new
  while (!m_regions.empty() && m_regions.back().begin >= size) m_regions.pop_back();
  if (!m_regions.empty() && m_regions.back().end > size) m_regions.back().end = size;
  m_rev.append(text.rbegin(), text.rend());
  if (!text.empty()) m_regions.push_back({size, m_rev.size(), chain});
}

int CReferenceRewriter::ChainOfFront() {
  if (m_rev.empty()) return kRoot;
  const size_t index = m_rev.size() - 1;
  while (!m_regions.empty() && m_regions.back().begin > index) m_regions.pop_back();
  if (!m_regions.empty() && index < m_regions.back().end) return m_regions.back().chain;
  return kRoot;
}

// --- the finished text ------------------------------------------------------------

void CReferenceRewriter::Append(char ch, int chain) {
  m_out.push_back(ch);
  m_lit.push_back(NextState(m_lit.back(), ch));
  m_chainOf.push_back(chain);
}

void CReferenceRewriter::Rewind(size_t length) {
  m_out.resize(length);
  m_lit.resize(length + 1);
  m_chainOf.resize(length);
  while (!m_openings.empty() && m_openings.back() >= length) m_openings.pop_back();
}

// Where scanning must resume so that an opening (or, while an opening
// waits, a close) split between the finished text and what is pushed back
// at `from` is still found.
size_t CReferenceRewriter::BackOverPartialDelimiter(size_t from) const {
  for (size_t j = std::min(m_open.size() - 1, from); j >= 1; --j) {
    if (m_out.compare(from - j, j, m_open, 0, j) == 0) return from - j;
  }
  for (size_t j = std::min(m_close.size() - 1, from); j >= 1; --j) {
    const bool waiting = !m_openings.empty() && m_openings.front() < from - j;
    if (waiting && m_out.compare(from - j, j, m_close, 0, j) == 0) return from - j;
  }
  return from;
}

// --- one replacement ----------------------------------------------------------------

// The reference runs from `at` in the finished text through the close at
// the front of the rest.
HRESULT CReferenceRewriter::Substitute(size_t at, Resolver& resolver) {
  const std::string reference = m_out.substr(at) + m_close;
  int chain = ChainOfFront();
  for (size_t p = at; p < m_out.size(); ++p) {
    const int c = m_chainOf[p];
    if (c != kRoot && (chain == kRoot || Depth(c) > Depth(chain))) chain = c;
  }
  const CString key = resolver.KeyOf(CString(reference));
  if (ChainHolds(chain, key)) return resolver.SelfReference(ChainKeys(chain), key);
  if (chain == kRoot) {
    ++m_topLevel;
  } else if (++m_nested > kNestedAllowance + kNestedPerReference * m_topLevel) {
    return resolver.TooManyNested(key);
  }

  Replacement rep;
  HRESULT hr = Lookup(reference, key, rep, resolver);
  if (FAILED(hr)) return hr;
  size_t keep = at;
  std::string tail;
  if (rep.verbatim) {
    tail = rep.value.str();
  } else {
    hr = Transform(rep, at, keep, tail);
    if (FAILED(hr)) return resolver.Failed(key, hr);
  }
  // Everything from `keep` on is new; it is scanned again, as the text
  // that this reference's value brought in.
  const size_t from = BackOverPartialDelimiter(keep);
  const std::string again = m_out.substr(from, keep - from) + tail;
  Rewind(from);
  m_rev.resize(m_rev.size() - m_close.size());
  PushFront(again, AddChain(chain, key));
  if (FAILED(rep.deferred)) return resolver.Failed(key, rep.deferred);
  return S_OK;
}

HRESULT CReferenceRewriter::Lookup(const std::string& reference, const CString& key, Replacement& out,
                                   Resolver& resolver) {
  const auto cached = m_cache.find(reference);
  if (cached != m_cache.end()) {
    out = cached->second;
    return S_OK;
  }
  const HRESULT hr = resolver.Resolve(CString(reference), key, out);
  if (FAILED(hr)) return hr;
  m_cache.emplace(reference, out);
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

// --- chains of references ---------------------------------------------------------

size_t CReferenceRewriter::Depth(int chain) const {
  return chain == kRoot ? 0 : m_chains[static_cast<size_t>(chain)].depth;
}

int CReferenceRewriter::AddChain(int parent, const CString& key) {
  m_chains.push_back({parent, Depth(parent) + 1, key});
  return static_cast<int>(m_chains.size() - 1);
}

bool CReferenceRewriter::ChainHolds(int chain, const CString& key) const {
  for (int c = chain; c != kRoot; c = m_chains[static_cast<size_t>(c)].parent) {
    if (m_chains[static_cast<size_t>(c)].key == key) return true;
  }
  return false;
}

std::vector<CString> CReferenceRewriter::ChainKeys(int chain) const {
  std::vector<CString> keys;
  for (int c = chain; c != kRoot; c = m_chains[static_cast<size_t>(c)].parent) {
    keys.push_back(m_chains[static_cast<size_t>(c)].key);
  }
  std::reverse(keys.begin(), keys.end());
  return keys;
}
