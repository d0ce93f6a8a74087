// CObjectNesting.h - bounds the nesting of object expansions.
//
// Expanding a query object can expand others: a composite's members, a
// sub-query's objects, the tables of nested data objects. A document in
// which an object reaches itself again (through references, sub-queries or
// composite members) would recurse until the stack overflows. Each
// expansion holds a CObjectNesting on the element whose content it expands;
// entering an element that is already being expanded by the same kind of
// operation, or nesting deeper than kMaxDepth, is refused so that the
// caller can fail with TPE_REFERENCE_CYCLE. State is per thread.
#pragma once

#include "platform/IXMLDOMNodePtr.h"

class CObjectNesting {
 public:
  enum Operation { PARSE = 0, TABLES = 1, QUERY = 2 };
  static constexpr int kMaxDepth = 64;

  CObjectNesting(const IXMLDOMNodePtr& node, Operation operation);
  CObjectNesting(const CObjectNesting&) = delete;
  CObjectNesting& operator=(const CObjectNesting&) = delete;
  ~CObjectNesting();

  // False when the element is already being expanded by this operation or
  // the nesting is too deep; the guard then holds nothing.
  bool Entered() const noexcept { return m_entered; }

 private:
  bool m_entered = false;
};
