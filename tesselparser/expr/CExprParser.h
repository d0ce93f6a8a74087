// CExprParser.h - expressions and conditions: operators, functions and the
// rendering of typed values as SQL literals.
//
// The static helpers here recognise the pieces of a condition (operators at
// either end of a text, function calls) and render a value typed by a user
// as a SQL literal of a column's data type. They hold no state beyond three
// constant operator lists built once. The query-object parser, the term
// walker of expression trees and the condition generator use them.
#pragma once

#include "TesselParserExport.h"
#include "contracts/basis30/Basis30Types.h"
#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMElementPtr.h"

class CQueryObject;

class TESSEL_API CExprParser {
 public:
  CExprParser(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  CExprParser(const CExprParser& other) = default;
  CExprParser& operator=(const CExprParser& other) = default;
  virtual ~CExprParser();

  // Keeps `node` as the expression element when it is an element, else
  // leaves the parser without one.
  void Attach(IXMLDOMNodePtr node);

  // True when `text`, trimmed of blanks and upper-cased, is one of the
  // comparison operators (=, >, <, >=, <=, <>, IN, NOT IN, BETWEEN,
  // NOT BETWEEN, LIKE, NOT LIKE, EXIST, NOT EXIST), or with
  // `bCompareOnly` false also an arithmetic one (+, -, *, /). Words must be
  // separated by exactly one blank.
  static bool IsOperator(CString text, bool bCompareOnly);
  // True when `text` (leading white space and '@' characters ignored) is a
  // call: a plain name followed by "(" (the "(" not at position 0).
  static bool IsFunction(CString text);

 protected:
  // The query-object parser tests expressions for operators at their ends.
  friend class CQueryObject;

  // True when a comparison operator starts `text`.
  static bool IsTextWithOperator(CString text);
  // The operator at the start of `text` (upper case, longest first), or "".
  // A word operator counts only when a character that cannot be part of a
  // name follows it; the whole text is never a candidate.
  static CString GetLeftOperator(CString text, bool bCompareOnly);
  // The operator at the end of `text` (as written, blanks trimmed), or "".
  // It must start with a character that cannot be part of a name, or stand
  // after one; the start of the text counts as such a boundary, so a text
  // that is just "IN" ends with the operator IN.
  static CString GetRightOperator(CString text, bool bCompareOnly);
  // Renders `value` as a SQL literal of `type`, in place:
  //   any type: "{NULL}" (any case) becomes NULL;
  //   numeric:  a trailing "&" (exclusive range bound) is removed and
  //             reported with result 1; empty becomes 0; true/false stay;
  //             anything else must be a number (TPE_NOT_A_NUMBER);
  //   character: quoted with every apostrophe doubled; a value that is
  //             already exactly one well-formed literal ('it''s') stays, so
  //             a typed value can never close its quotes early;
  //   date:     "&" as for numbers; empty becomes ''; a complete date
  //             literal {d '...'} or {ts '...'} stays; anything else must
  //             read as a date (TPE_NOT_A_DATE) and becomes the literal of
  //             the current data source;
  //   other:    trimmed only.
  // Returns 0, 1 (exclusive mark removed) or a failure code.
  static HRESULT TransformValue(DATATYPE type, CString& value);

  IXMLDOMElementPtr m_pElement;
};
