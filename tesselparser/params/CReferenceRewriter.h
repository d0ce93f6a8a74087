// CReferenceRewriter.h - replaces delimited references in an expression
// text, one occurrence at a time, left to right, in a single pass.
//
// A reference opens with one of several fixed texts ("{? '" for
// parameters, "{$ '" for computed references), each with its resolver,
// and closes with the first close text ("'}") after it; when another
// opening of the same kind lies between the two, the nearer opening starts
// the reference (an opening of the other kind there is part of the text).
// Openings count only outside the quoted literals and [...] names of the
// text; from an opening on, the text up to its close is read as it is.
// A resolver turns each distinct reference text into a value, once; the
// value goes in through CExprParser::TransformExpr (so that a comparison
// before the reference is regenerated as a predicate), or verbatim.
//
// Text that a value brought in is data: it is never searched again, for
// references of either kind, and no reference can be formed around it
// (an opening that waits for its close when a value goes in is dropped).
// So a value that holds "{$ '...'}" or "{? '...'}" text stays exactly as
// its type renders it, and every reference of the text is resolved once.
// TransformExpr sees only as much of the finished text before the
// reference as decides its result, found by a check that it would read
// the same operator and operand in the whole text; the pass runs in time
// linear in the text for plain substitutions.
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

  // Resolves references of one kind and words the failures met with them.
  class Resolver {
   public:
    virtual ~Resolver() = default;
    // The key that identifies what `reference` refers to (a parameter name).
    virtual CString KeyOf(const CString& reference) = 0;
    // Called once per distinct reference text; a failure ends the run.
    virtual HRESULT Resolve(const CString& reference, const CString& key, Replacement& out) = 0;
    // TransformExpr failed with `code`, or a deferred failure came due.
    virtual HRESULT Failed(const CString& key, HRESULT code) = 0;
  };

  // References close with `close`.
  explicit CReferenceRewriter(const char* close);

  // References that open with `open` are resolved by `resolver`, which
  // must outlive the rewriter. Openings must differ in their first two
  // characters so that no two of them overlap.
  void AddKind(const char* open, Resolver& resolver);

  // Rewrites `text` in place. S_OK, or the first failure; `text` then holds
  // the replacements made before it and the rest as it was.
  HRESULT Run(CString& text);

 private:
  struct Kind {
    std::string open;
    Resolver* resolver;
  };
  struct Opening {
    size_t at;  // in the finished text
    size_t kind;
  };

  size_t KindAt(const std::string& src, size_t i) const;
  size_t SkipLiteralAt(const std::string& src, size_t i);

  // The finished text.
  void Append(char ch);
  void Rewind(size_t length);

  HRESULT Substitute(const Opening& opening, size_t& i);
  HRESULT Lookup(const std::string& reference, size_t kind, const CString& key, Replacement& out);
  HRESULT Transform(const Replacement& rep, size_t at, size_t& keep, std::string& tail) const;
  HRESULT TransformIn(const Replacement& rep, size_t at, size_t start, char stub, size_t kept, size_t& keep,
                      std::string& tail) const;
  void ChooseWindow(size_t at, size_t& start, char& stub, size_t& keep) const;
  bool WindowStart(size_t start, char& stub) const;
  bool AnalyseWindow(size_t start, char stub, size_t at, size_t& keep) const;

  std::string m_close;
  std::vector<Kind> m_kinds;

  std::string m_out;                 // finished text
  std::vector<unsigned char> m_lit;  // quote state at each position of m_out (one more than its length)
  std::vector<Opening> m_openings;   // openings in m_out still waiting for their close
  size_t m_noBracketCloseFrom = std::string::npos;  // a "[" from here on closes nothing
  std::unordered_map<std::string, Replacement> m_cache;  // by kind and reference text
};
