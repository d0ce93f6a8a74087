// CReferenceRewriter.h - replaces delimited references in an expression
// text, one occurrence at a time, left to right.
//
// A reference opens with a fixed text ("{? '" for parameters, "{$ '" for
// computed references) and closes with the first "'}" after it; when
// another opening lies between the two, the nearer opening starts the
// reference. A resolver turns each distinct reference text into a value,
// once; the value goes in through CExprParser::TransformExpr (so that a
// comparison before the reference is regenerated as a predicate), or
// verbatim. Text that a value brought in is searched again, so a value may
// itself hold references.
//
// The text is scanned once. Whatever a replacement rewrites (the value, and
// the operand and operator before it that TransformExpr regenerates) is
// pushed back in front of the unscanned rest; nothing before it is scanned
// again. TransformExpr sees only as much of the finished text before the
// reference as decides its result, found by a check that it would read
// the same operator and operand in the whole text. Every character knows
// the chain of references whose values brought it in, so a reference met
// again inside text that its own value produced is reported instead of
// being expanded forever, and a budget in proportion to the text bounds
// values that fan out.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "contracts/basis30/Basis30Types.h"
#include "platform/CString.h"
#include "platform/HResult.h"

class CReferenceRewriter {
 public:
  // What a reference is replaced by.
  struct Replacement {
    bool verbatim = false;  // true: `value` goes in as it is, false: through TransformExpr
    CString value;
    DATATYPE type = DATATYPE_OBJECT;
    HRESULT deferred = S_OK;  // a failure to report once the reference is replaced
  };

  // Resolves references and words the failures the rewriter meets.
  class Resolver {
   public:
    virtual ~Resolver() = default;
    // The key that identifies what `reference` refers to (a parameter name).
    virtual CString KeyOf(const CString& reference) = 0;
    // Called once per distinct reference text; a failure ends the run.
    virtual HRESULT Resolve(const CString& reference, const CString& key, Replacement& out) = 0;
    // TransformExpr failed with `code`, or a deferred failure came due.
    virtual HRESULT Failed(const CString& key, HRESULT code) = 0;
    // `key` was met inside text that the values along `chain` produced,
    // and `chain` already holds it.
    virtual HRESULT SelfReference(const std::vector<CString>& chain, const CString& key) = 0;
    // Values brought in more references than the budget allows.
    virtual HRESULT TooManyNested(const CString& key) = 0;
  };

  // References opened by `open` and closed by `close`. With
  // `bOutsideQuotes`, openings inside quoted literals and [...] names are
  // not references (quote state followed from the start of the text).
  CReferenceRewriter(const char* open, const char* close, bool bOutsideQuotes);

  // Rewrites `text` in place. S_OK, or the first failure; `text` then holds
  // the replacements made before it.
  HRESULT Run(CString& text, Resolver& resolver);

  // References found inside text brought in by values may number this
  // many per run, plus so many for each reference of the text itself.
  static constexpr size_t kNestedAllowance = 4096;
  static constexpr size_t kNestedPerReference = 16;

 private:
  static constexpr int kRoot = -1;  // the chain of the original text

  struct Region {  // pending characters brought in by one replacement
    size_t begin;
    size_t end;
    int chain;
  };
  struct ChainNode {
    int parent;
    size_t depth;
    CString key;
  };

  void Reset(const CString& text);
  CString Finish() const;

  // The unscanned rest, kept reversed so that both taking its first
  // character and putting text in front of it are cheap.
  char At(size_t offset) const { return m_rev[m_rev.size() - 1 - offset]; }
  bool PendingStartsWith(const std::string& text) const;
  size_t SkipPendingLiteral();
  void MoveToOut(size_t count);
  void PushFront(const std::string& text, int chain);
  int ChainOfFront();

  // The finished text.
  void Append(char ch, int chain);
  void Rewind(size_t length);
  size_t BackOverPartialDelimiter(size_t from) const;

  HRESULT Substitute(size_t at, Resolver& resolver);
  HRESULT Lookup(const std::string& reference, const CString& key, Replacement& out, Resolver& resolver);
  HRESULT Transform(const Replacement& rep, size_t at, size_t& keep, std::string& tail) const;
  HRESULT TransformIn(const Replacement& rep, size_t at, size_t start, char stub, size_t kept, size_t& keep,
                      std::string& tail) const;
  void ChooseWindow(size_t at, size_t& start, char& stub, size_t& keep) const;
  bool WindowStart(size_t start, char& stub) const;
  bool AnalyseWindow(size_t start, char stub, size_t at, size_t& keep) const;

  size_t Depth(int chain) const;
  int AddChain(int parent, const CString& key);
  bool ChainHolds(int chain, const CString& key) const;
  std::vector<CString> ChainKeys(int chain) const;

  std::string m_open;
  std::string m_close;
  bool m_bOutsideQuotes;

  std::string m_out;                // finished text
  std::vector<unsigned char> m_lit;  // quote state at each position of m_out (one more than its length)
  std::vector<int> m_chainOf;       // chain of each character of m_out
  std::vector<size_t> m_openings;   // openings in m_out still waiting for their close
  std::string m_rev;                // unscanned rest, reversed
  std::vector<Region> m_regions;    // over m_rev positions, ascending
  size_t m_noBracketCloseBelow = 0;  // m_rev positions below this hold no "]" that closes a "["
  std::vector<ChainNode> m_chains;
  std::unordered_map<std::string, Replacement> m_cache;
  size_t m_nested = 0;    // substitutions of references that values brought in
  size_t m_topLevel = 0;  // substitutions of references of the text itself
};
