// CParamResolver.cpp - finding a referenced parameter, preparing its value
// for SQL and resolving object parameters.
#include "params/CParamResolver.h"

#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/trellis/CRepository.h"
#include "expr/CExprParser.h"
#include "objects/CQueryObject.h"
#include "params/CParamHandler.h"
#include "params/SqlLiteral.h"
#include "platform/COleDateTime.h"
#include "platform/IXMLDOMNodeListPtr.h"

namespace {

// "DisableParseValue" switches evaluation off only for this exact text.
bool DisablesParsing(const CParam& param) { return param.GetAttribute("DisableParseValue") == "True"; }

// Removes every data-source qualifier "{Source}." from an object's
// expression: the text goes into SQL that names its tables without them.
void RemoveSourceQualifiers(CString& text) {
  for (int start = 0;;) {
    CString found;
    const int at = FindSubObjExpr(text, "{", "}.", found, start, true);
    if (at < 0) return;
    text.Delete(at, found.GetLength());
    start = at;  // the text after the removed qualifier now starts here
  }
}

}  // namespace

CParamResolver::CParamResolver(CParamHandler& handler) : m_handler(handler) {}

CString CParamResolver::KeyOf(const CString& reference) {
  CString name(reference);
  name.TrimLeft("{? '");
  name.TrimRight("'}");
  name.Trim();
  return name;
}

HRESULT CParamResolver::Resolve(const CString& /*reference*/, const CString& name,
                                CReferenceRewriter::Replacement& out) {
  const IXMLDOMNodePtr node = m_handler.GetParam(name, true);
  if (!node) {
    // An empty value here would hide a broken document behind wrong SQL.
    SetErrorInfo(FormatMsg(TPE_PARAM_FAILED, name), "No parameter of this name is defined");
    return TPE_PARAM_FAILED;
  }
  m_param.Attach(node);
  CString value = m_param.GetValue(true);
  RecordUse(name, value);
  const HRESULT hr = PrepareValue(name, value);
  if (FAILED(hr)) return hr;
  if (CExprParser::m_lpfnDataUntranslateProc != nullptr && !value.IsEmpty()) {
    CExprParser::m_lpfnDataUntranslateProc(m_param.GetNode(), value);
  }
  if (m_param.GetParamType() == PTYPE_OBJECT) return ResolveObject(value, out);

  const DATATYPE type = m_param.GetDataType();
  if (type == DATATYPE_CHARACTER && DisablesParsing(m_param)) {
    // The callback may have changed the value: it must still be one literal.
    value.Trim();
    if (!value.IsEmpty() && value[0] != '\'') value = QuotedValue(value);
  }
  out.verbatim = false;
  out.value = value;
  out.type = type;
  return S_OK;
}

HRESULT CParamResolver::Failed(const CString& name, HRESULT code) {
  SetErrorInfo(FormatMsg(TPE_PARAM_FAILED, name), FormatMsg(code, name));
  return TPE_PARAM_FAILED;
}

void CParamResolver::RecordUse(const CString& name, const CString& value) {
  if (!m_strUsed.IsEmpty()) m_strUsed += ";";
  m_strUsed += name + "=" + value;
}

// --- value preparation ---------------------------------------------------------

HRESULT CParamResolver::PrepareValue(const CString& name, CString& value) {
  return DisablesParsing(m_param) ? PrepareUnparsed(value) : PrepareParsed(name, value);
}

// A value the host asked to take as data: it is only checked against the
// parameter's type, and text is made one literal.
HRESULT CParamResolver::PrepareUnparsed(CString& value) {
  switch (m_param.GetDataType()) {
    case DATATYPE_NUMERIC:
      if (value.CompareNoCase("true") == 0 || value.CompareNoCase("false") == 0 || TestNumeric(value) >= 0) {
        return S_OK;
      }
      return TPE_NOT_A_NUMBER;
    case DATATYPE_DATETIME: {
      if (value.Left(4) == "{d '") return S_OK;
      COleDateTime date;
      return VarDateFromStr(value, date) == S_OK ? S_OK : TPE_NOT_A_DATE;
    }
    case DATATYPE_CHARACTER:
      if (!value.IsEmpty() && value[0] != '\'') value = QuotedValue(value);
      return S_OK;
    default:
      return S_OK;
  }
}

// "@" followed by a call of the processor's functions is evaluated; such a
// call without "@" is meant as text; a host variable is read.
HRESULT CParamResolver::PrepareParsed(const CString& name, CString& value) {
  if (value.Left(1) == "@" && TestExprType(value.Mid(1)) == EXPR_FUNCTION) return Process(name, value.Mid(1), value);
  if (TestExprType(value) == EXPR_FUNCTION) {
    value = QuotedValue(value);
    return S_OK;
  }
  if (TestVariant(value) != VARIANT_NONE) return Process(name, value, value);
  return S_OK;
}

// Evaluates `expression` into `value`; `value` holds the text as the
// parameter gave it until then.
HRESULT CParamResolver::Process(const CString& name, const CString& expression, CString& value) {
  CString result;
  HRESULT hr = ProcessExpr(expression, result);
  if (hr == S_OK) {
    value = result;
    return S_OK;
  }
  CString detail;
  if (SUCCEEDED(hr)) {
    hr = TPE_PARAM_NOT_PROCESSED;
    detail = GetMsg(TPE_PARAM_NOT_PROCESSED) + ":" + value;
  } else {
    // The processor recorded what failed (the innermost call at fault).
    const ErrorInfo info = GetLastErrorInfo();
    detail = info.set && !info.message.IsEmpty() ? info.message : FormatMsg(hr, expression);
  }
  SetErrorInfo(FormatMsg(TPE_PARAM_VALUE_FAILED, name), detail);
  return hr;
}

// --- object parameters -------------------------------------------------------------

// The value names the object: a repository path (or, failing that, an
// entry of the parameter's value list), else it is the object's text.
HRESULT CParamResolver::ResolveObject(const CString& value, CReferenceRewriter::Replacement& out) {
  if (m_param.IsReferring()) m_param.AttachRefObject(true);
  CString objectText = value;
  HRESULT failure = S_OK;
  if (CRepository::IsRepositoryPath(value)) {
    objectText.Empty();
    CBaseObject loader;
    failure = loader.LoadFromRepositoryByPath(value, true);
    if (SUCCEEDED(failure)) {
      CQueryObject object(loader.GetNode());
      const HRESULT hr = object.Parse();
      if (FAILED(hr)) return hr;
      objectText = object.GetExpression();
    } else if (const IXMLDOMNodePtr entry = FindListEntry(value)) {
      objectText = CVelObject(entry).GetExpression();
      if (!objectText.IsEmpty()) failure = S_OK;
    }
  }
  RemoveSourceQualifiers(objectText);
  out.verbatim = true;
  out.value = objectText;
  out.deferred = failure;
  return S_OK;
}

// The first entry of "ValueSource/ValueList" whose "Value" is `value`.
IXMLDOMNodePtr CParamResolver::FindListEntry(const CString& value) const {
  const IXMLDOMNodePtr node = m_param.GetNode();
  if (!node) return nullptr;
  IXMLDOMNodeListPtr entries = node.selectNodes("ValueSource/ValueList/*");
  while (const IXMLDOMNodePtr entry = entries.nextNode()) {
    const IXMLDOMElementPtr element(entry);
    if (element && element.hasAttribute("Value") && element.getAttribute("Value") == value) return entry;
  }
  return nullptr;
}
