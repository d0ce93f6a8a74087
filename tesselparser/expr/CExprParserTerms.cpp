// CExprParserTerms.cpp - the term walker of CExprParser: classifies the
// terms of an expression tree and joins them into expression text.
#include <utility>
#include <vector>

#include "contracts/basis30/CSqlParser.h"
#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/basis30/ResultCodes.h"
#include "expr/CExprParser.h"
#include "objects/CQueryObject.h"
#include "query/CSingleQuery.h"

namespace {

// A value written "@<expression>" names an expression the processor can
// evaluate; it is replaced by the result. Returns 0 (value replaced or
// left as it was) or a failure, with the message recorded.
HRESULT PreprocessValue(CString& value) {
  if (value.IsEmpty() || value[0] != '@') return S_OK;
  const CString rest = value.Mid(1);
  if (TestExprType(rest) != EXPR_FUNCTION) return S_OK;
  CString out;
  HRESULT rc = ProcessExpr(rest, out);
  if (rc == S_OK) {
    value = out;
    return S_OK;
  }
  if (rc == S_FALSE) rc = TPE_AT_VALUE_UNPROCESSED;
  const CString detail = rc != TPE_AT_VALUE_UNPROCESSED ? GetMsg(rc) : CString();
  SetErrorInfo(FormatMsg(TPE_AT_VALUE_UNPROCESSED, value), detail);
  return rc;
}

// A value that is a complete function call stands in the condition as it
// is; an incomplete one ("f('") is data, so that it cannot leave a quote or
// parenthesis open in the statement.
bool IsCompleteCall(const CString& value) { return CExprParser::IsFunction(value) && IsSubExpr(value); }

// The terms of a build element: its element children, in order. A comment
// or processing instruction between them is no term and separates no
// triple.
std::vector<IXMLDOMNodePtr> TermsOf(const IXMLDOMElementPtr& element) {
  std::vector<IXMLDOMNodePtr> terms;
  for (IXMLDOMNodePtr child = element.firstChild(); child; child = child.nextSibling()) {
    if (child.nodeType() == NODE_ELEMENT) terms.push_back(child);
  }
  return terms;
}

// Term `i`, or a null node past the last one.
IXMLDOMNodePtr TermAt(const std::vector<IXMLDOMNodePtr>& terms, long i) {
  return i >= 0 && static_cast<size_t>(i) < terms.size() ? terms[static_cast<size_t>(i)] : IXMLDOMNodePtr();
}

void StoreIndex(std::int32_t* pErrorIndex, long index) {
  if (pErrorIndex != nullptr) *pErrorIndex = static_cast<std::int32_t>(index);
}

}  // namespace

CString CExprParser::GetExpression() const {
  return m_pElement ? m_pElement.getAttribute("Expression") : CString();
}

EXPROBJTYPE CExprParser::TestObjExprType(IXMLDOMNodePtr node) {
  CVelObject term(std::move(node));
  return ClassifyTerm(term);
}

EXPROBJTYPE CExprParser::ClassifyTerm(CVelObject& term) {
  const std::string_view type = term.TypeName();
  if (type == "Text") {
    const AttributeText preprocessed = term.AttributeView("PreprocessExpr");
    CString text = preprocessed.empty() ? term.GetValue() : CString(preprocessed.view());
    text.Trim(' ');
    if (IsOperatorText(text.view(), true)) return EXPROBJ_OPERATOR;
    if (text == "(") return EXPROBJ_LEFT_PAREN;
    if (text == ")") return EXPROBJ_RIGHT_PAREN;
    if (!GetLeftOperator(text, true).IsEmpty()) return EXPROBJ_OPERATOR_TEXT;
    if (IsFunction(text)) return EXPROBJ_FUNCTION;
    return EXPROBJ_TEXT;
  }
  if (type == "Query") return EXPROBJ_QUERY;
  return term.GetDataType() == DATATYPE_OBJECT ? EXPROBJ_UNTYPED : EXPROBJ_OBJECT;
}

HRESULT CExprParser::Parse(std::int32_t* pErrorIndex, CString* pTables) {
  if (!m_pElement) throw _com_error(E_POINTER, "the expression parser has no element");
  const IXMLDOMElementPtr attached = m_pElement;
  if (IXMLDOMElementPtr info = m_pElement.firstChildNamed("ExprBuildInfo")) m_pElement = info;
  // The attached element's text is emptied; the build element's is written
  // when the parse ends, emptied when it fails. A text that stands there
  // already is not emptied first: a composition run again then finds each
  // text in place and leaves it there.
  const bool ownText = attached == m_pElement;
  if (!ownText) attached.setAttribute("Expression", "");
  CString text;
  const HRESULT rc = RunOrOnFailure([&] { return ParseTerms(pErrorIndex, pTables, text); },
                                    [&] {
                                      if (ownText) m_pElement.setAttribute("Expression", "");
                                    });
  if (rc < 0) return rc;
  m_pElement.setAttribute("Expression", text);
  return S_OK;
}

HRESULT CExprParser::ParseTerms(std::int32_t* pErrorIndex, CString* pTables, CString& text) {
  const std::vector<IXMLDOMNodePtr> terms = TermsOf(m_pElement);
  const long count = static_cast<long>(terms.size());
  for (long i = 0; i < count;) {
    CQueryObject first(terms[static_cast<size_t>(i)]);
    HRESULT rc = first.Parse();
    if (rc < 0) return rc;
    CString item = first.GetExpression();
    if (!item.IsEmpty() && item[0] == '^') item.Delete(0);
    const EXPROBJTYPE kind = ClassifyTerm(first);
    // An operator ("AND", "=", "(") names no table.
    if (pTables != nullptr && kind != EXPROBJ_OPERATOR && kind != EXPROBJ_LEFT_PAREN && kind != EXPROBJ_RIGHT_PAREN) {
      CSqlParser::AddTables(*pTables, first.GetTable());
    }

    long next = i + 1;
    if (kind == EXPROBJ_OBJECT && i + 1 < count) {
      rc = ParseComparison(terms, i, first, item, next, pErrorIndex);
      if (rc < 0) return rc;
    }
    text += ' ';
    text += item;
    i = next;
  }
  text.Trim(' ');
  return S_OK;
}

// The terms after an operand: an operator and a value become one condition;
// an operator text ("IN (1, 2)") carries both. `next` is the index of the
// first term not consumed.
HRESULT CExprParser::ParseComparison(const std::vector<IXMLDOMNodePtr>& terms, long i, CQueryObject& operand,
                                     CString& item, long& next, std::int32_t* pErrorIndex) {
  const IXMLDOMNodePtr term = TermAt(terms, i);
  const IXMLDOMNodePtr opTerm = TermAt(terms, i + 1);
  CQueryObject opObject(opTerm);
  const EXPROBJTYPE opType = ClassifyTerm(opObject);  // as written, before the parse
  HRESULT rc = opObject.Parse();
  if (rc < 0) return rc;

  if (opType == EXPROBJ_OPERATOR_TEXT) {
    CString t = opObject.GetExpression();
    t.TrimLeft();
    const CString op = GetLeftOperator(t, true);
    CString value = t.Mid(op.GetLength());
    value.TrimLeft();
    rc = PreprocessValue(value);
    if (rc < 0) return rc;
    next = i + 2;
    if (IsCompleteCall(value)) {
      item += " " + op + " " + value;
      return S_OK;
    }
    rc = GenerateExprFor(operand, term, op, value, item, false);
    if (rc < 0) StoreIndex(pErrorIndex, i + 1);
    return rc < 0 ? rc : S_OK;
  }
  if (opType != EXPROBJ_OPERATOR) return S_OK;

  const CString op = opObject.GetExpression();
  item += ' ';
  item += op;
  next = i + 2;
  const IXMLDOMNodePtr valueTerm = TermAt(terms, i + 2);
  if (!valueTerm) return S_OK;
  CQueryObject valueObject(valueTerm);
  const EXPROBJTYPE valueType = ClassifyTerm(valueObject);
  rc = valueObject.Parse();
  if (rc < 0) return rc;

  switch (valueType) {
    case EXPROBJ_OBJECT:
      item += " " + valueObject.GetExpression();
      next = i + 3;
      return S_OK;
    case EXPROBJ_FUNCTION:
    case EXPROBJ_TEXT: {
      CString value = valueObject.GetExpression();
      rc = PreprocessValue(value);
      if (rc < 0) return rc;
      next = i + 3;
      if (IsCompleteCall(value)) {
        item += " " + value;
        return S_OK;
      }
      rc = GenerateExprFor(operand, term, op, value, item, false);
      if (rc < 0) StoreIndex(pErrorIndex, i + 2);
      return rc < 0 ? rc : S_OK;
    }
    case EXPROBJ_QUERY: {
      CSingleQuery subQuery(valueTerm);
      rc = subQuery.Parse();
      if (rc < 0) {
        StoreIndex(pErrorIndex, i + 2);
        SetErrorInfo(FormatMsg(TPE_QUERY_FAILED, subQuery.GetName(), GetMsg(rc)), nullptr);
        return rc;
      }
      item += " (" + subQuery.GetSql() + ")";
      next = i + 3;
      return S_OK;
    }
    default:
      return S_OK;  // the value term starts the next pass
  }
}
