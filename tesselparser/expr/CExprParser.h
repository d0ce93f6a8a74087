// CExprParser.h - expressions and conditions.
//
// An expression (a WHERE or HAVING condition, the expression of a computed
// query object) is stored in the query document as a flat sequence of term
// nodes under an expression element (or its "ExprBuildInfo" child): operand
// objects, operator texts, literal texts, parentheses and sub-queries.
// Parse walks the terms, turns every operand/operator/value triple into a
// SQL predicate with GenerateExpr, joins the terms with single blanks and
// stores the text as the build element's "Expression" attribute.
//
// The static helpers recognise the pieces of a condition (operators at
// either end of a text, function calls), render a value typed by a user as
// a SQL literal of a column's data type, generate predicates from the value
// language ("{ALL}", "{NULL}", "^raw", lists, ranges, "&" bounds, "%"
// patterns, year/quarter/month/day codes), substitute placeholders in
// expression texts and test values against a data type. They hold no state
// beyond three constant operator lists built once and the host's data
// untranslate callback.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "TesselParserExport.h"
#include "contracts/basis30/Basis30Types.h"
#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMElementPtr.h"

class CQueryObject;
class CVelObject;

// Kinds of expression terms, as TestObjExprType classifies them.
enum EXPROBJTYPE {
  EXPROBJ_UNTYPED = 0,        // neither "Text" nor "Query", data type 99
  EXPROBJ_OBJECT = 1,         // any other object: an operand
  EXPROBJ_OPERATOR = 2,       // "Text" that is a comparison operator
  EXPROBJ_FUNCTION = 3,       // "Text" that is a function call
  EXPROBJ_LEFT_PAREN = 4,     // "Text" that is exactly "("
  EXPROBJ_RIGHT_PAREN = 5,    // "Text" that is exactly ")"
  EXPROBJ_TEXT = 6,           // any other "Text": a value, AND, OR, ...
  EXPROBJ_OPERATOR_TEXT = 7,  // "Text" that starts with an operator and a value
  EXPROBJ_QUERY = 8,          // "Query": a sub-query
};

// The host's data untranslate callback: called with an operand term's node
// and the value text just before a condition is generated from a document
// expression; it may rewrite the value. Its result is not used.
typedef bool (*DATAUNTRANSLATEPROC)(IXMLDOMNodePtr node, CString& value);

class TESSEL_API CExprParser {
 public:
  CExprParser(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  CExprParser(const CExprParser& other) = default;
  CExprParser& operator=(const CExprParser& other) = default;
  virtual ~CExprParser();

  // Keeps `node` as the expression element when it is an element, else
  // leaves the parser without one.
  void Attach(IXMLDOMNodePtr node);

  // Builds the expression text of the attached element and stores it as the
  // "Expression" attribute of the build element (the "ExprBuildInfo" child
  // when there is one, which then stays the parser's element). Returns 0 or
  // the first failure: a term's parse code, a condition code
  // (TPE_NOT_A_NUMBER, TPE_NOT_A_DATE, TPE_RANGE_OPERATOR,
  // TPE_MULTI_VALUE_OPERATOR) with the rejected term's child index stored
  // through `pErrorIndex`, a sub-query's code (index stored, message
  // recorded), or an "@" value's code (message recorded). The attached
  // element's "Expression" is empty afterwards, unless it is the build
  // element and the parse succeeds; a build child keeps its earlier text
  // on failure.
  // With `pTables`, the tables of each pass's first term are merged into it.
  // Throws `_com_error(E_POINTER)` without an element.
  HRESULT Parse(std::int32_t* pErrorIndex, CString* pTables);
  // The "Expression" attribute of the element; "" without one.
  CString GetExpression() const;

  // A predicate for `column` compared by `op` with the typed `value`
  // (the value language above), written into `result`. `bDataOnly` takes
  // the value as data only (no special values, raw marker or expressions).
  // Returns 0 or TPE_NOT_A_NUMBER, TPE_NOT_A_DATE, TPE_RANGE_OPERATOR,
  // TPE_MULTI_VALUE_OPERATOR; on failure `result` is not usable. A null
  // column or operator is taken as empty.
  static HRESULT GenerateExpr(const char* column, DATATYPE type, const char* op, const char* value, CString& result,
                              bool bDataOnly);
  // The same for an operand term: the term is parsed as a query object for
  // its expression and data type; booleans of the Dataset data-source type
  // read 0/1 as False/True; the data untranslate callback sees the value.
  static HRESULT GenerateExpr(IXMLDOMNodePtr node, const char* op, const char* value, CString& result,
                              bool bDataOnly);
  // 0 when `value` is acceptable for `type` as the value of "=" (lists,
  // ranges and date codes included), else the failure code.
  static HRESULT TestMultiValue(DATATYPE type, const char* value);
  // Replaces every occurrence of `placeholder` in `expr`: after a column
  // and an operator the whole comparison is regenerated from `value`;
  // elsewhere the rendered value is put in, with a blank before it only
  // where the two would open a comment ("1-" and "-3" give "1- -3"). A
  // regenerated comparison never fuses with a word written right before
  // its operand ("a[b] = " with no value gives "a 1=1").
  // `expr` is left unchanged on failure.
  static HRESULT TransformExpr(CString& expr, const char* placeholder, const char* value, DATATYPE type);
  // Installs (or with nullptr removes) the data untranslate callback.
  static void SetDataUntranslateProc(DATAUNTRANSLATEPROC proc);

  // The process-wide data untranslate callback; null until set.
  static DATAUNTRANSLATEPROC m_lpfnDataUntranslateProc;

  // True when `text`, trimmed of blanks and upper-cased, is one of the
  // comparison operators (=, >, <, >=, <=, <>, IN, NOT IN, BETWEEN,
  // NOT BETWEEN, LIKE, NOT LIKE, EXIST, NOT EXIST), or with
  // `bCompareOnly` false also an arithmetic one (+, -, *, /). Words must be
  // separated by exactly one blank.
  static bool IsOperator(CString text, bool bCompareOnly);
  // True when `text` (white space around it and leading '@' characters
  // ignored) is exactly one call: a plain name, "(" right after it, and
  // the ")" that closes that "(" ending the text, with every parenthesis,
  // brace, quote and [...] name inside closed, and no ";", "--", "/*" or
  // "*/" outside its literals. A text that only starts like a call
  // ("f(1) OR 1=1", "x(1); DROP TABLE t") is none: it is data.
  static bool IsFunction(const CString& text);

  // The length of the longest operator of the lists ("NOT BETWEEN"); the
  // operator searches at either end of a text look at candidates up to
  // one character longer (a blank next to it).
  static constexpr int kLongestOperator = 11;

 protected:
  // The query-object parser tests expressions for operators at their ends.
  friend class CQueryObject;

  // True when a comparison operator starts `text`.
  static bool IsTextWithOperator(const CString& text);
  // The operator at the start of `text` (upper case, longest first), or "".
  // A word operator counts only when a character that cannot be part of a
  // name follows it; the whole text is never a candidate. Every operator
  // of the lists is found, "NOT BETWEEN" included.
  static CString GetLeftOperator(const CString& text, bool bCompareOnly);
  // The operator at the end of `text` (as written, blanks trimmed), or "".
  // It must start with a character that cannot be part of a name, or stand
  // after one; the start of the text counts as such a boundary, so a text
  // that is just "IN" ends with the operator IN. The longest match wins:
  // "q NOT BETWEEN" ends with NOT BETWEEN, not BETWEEN.
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
  // The kind of one expression term.
  static EXPROBJTYPE TestObjExprType(IXMLDOMNodePtr node);
  // The same for a term an object holds already (the walker's own objects).
  static EXPROBJTYPE ClassifyTerm(CVelObject& term);

  IXMLDOMElementPtr m_pElement;

 private:
  // IsOperator on a text that is not copied.
  static bool IsOperatorText(std::string_view text, bool bCompareOnly);
  // `operand` is the term at `i`, parsed already: its expression and data
  // type serve the condition without a second parse.
  HRESULT ParseComparison(const std::vector<IXMLDOMNodePtr>& terms, long i, CQueryObject& operand, CString& item,
                          long& next, std::int32_t* pErrorIndex);
  // The text of the build element's terms, joined with blanks (Parse).
  HRESULT ParseTerms(std::int32_t* pErrorIndex, CString* pTables, CString& text);
  // GenerateExpr for an operand term that `operand` has parsed.
  static HRESULT GenerateExprFor(CQueryObject& operand, const IXMLDOMNodePtr& node, const char* op,
                                 const char* value, CString& result, bool bDataOnly);
};
