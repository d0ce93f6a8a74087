// CParamHandler.cpp - setting and finding parameters, and the two
// substitution passes over an expression text.
#include "params/CParamHandler.h"

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "document/CDSContext.h"
#include "params/CFGFunctionPass.h"
#include "params/CParam.h"
#include "params/CParamResolver.h"
#include "params/CReferenceRewriter.h"
#include "platform/IXMLDOMElementPtr.h"
#include "platform/IXMLDOMNodeListPtr.h"

CString CParamHandler::m_strLastUsedParams;

namespace {

constexpr const char* kParamOpen = "{? '";
constexpr const char* kComputedOpen = "{$ '";
constexpr const char* kReferenceClose = "'}";

// Names are compared in code, never formatted into a path: a name holding
// an apostrophe or XPath syntax must find exactly the parameter it names.
bool BearsName(const IXMLDOMNodePtr& node, const char* name) {
  const IXMLDOMElementPtr element(node);
  return element && element.hasAttribute("Name") && element.getAttribute("Name") == name;
}

// The "Parameter" elements below `node` (deep) or among its children.
IXMLDOMNodeListPtr Candidates(const IXMLDOMNodePtr& node, bool deep) {
  return node.selectNodes(deep ? ".//Parameter" : "Parameter");
}

// A computed reference {$ '...'} is evaluated by the expression processor,
// which records its own message when it fails.
class ComputedResolver : public CReferenceRewriter::Resolver {
 public:
  CString KeyOf(const CString& reference) override { return reference; }
  HRESULT Resolve(const CString& reference, const CString& /*key*/, CReferenceRewriter::Replacement& out) override {
    DATATYPE type = DATATYPE_OBJECT;
    CString value;
    const HRESULT hr = CalculateExpr(reference, value, &type);
    if (FAILED(hr)) return hr;
    out.value = value;
    out.type = type;
    return S_OK;
  }
  HRESULT Failed(const CString& reference, HRESULT code) override {
    SetErrorInfo(FormatMsg(TPE_PARAM_FAILED, reference), FormatMsg(code, reference));
    return TPE_PARAM_FAILED;
  }
};

}  // namespace

CParamHandler::CParamHandler(IXMLDOMNodePtr node) {
  if (node) Attach(node);
}

CParamHandler::~CParamHandler() = default;

void CParamHandler::Attach(IXMLDOMNodePtr node) { m_pNode = node; }

HRESULT CParamHandler::SetParamValue(const char* name, const CVelVariant& value, bool deep) {
  if (!m_pNode) return E_FAIL;
  IXMLDOMNodeListPtr candidates = Candidates(m_pNode, deep);
  bool found = false;
  while (const IXMLDOMNodePtr node = candidates.nextNode()) {
    if (!BearsName(node, name)) continue;
    CParam(node).SetValue(value.GetString());
    found = true;
    if (!deep) break;  // the first direct child only
  }
  return found ? S_OK : S_FALSE;
}

IXMLDOMNodePtr CParamHandler::GetParam(const char* name, bool deep) {
  if (!m_pNode) return nullptr;
  // The first in document order; ".//Parameter" also holds every
  // "Parameters/Parameter" child, so one pass over it finds either.
  IXMLDOMNodeListPtr candidates = Candidates(m_pNode, deep);
  while (const IXMLDOMNodePtr node = candidates.nextNode()) {
    if (BearsName(node, name)) return node;
  }
  return nullptr;
}

HRESULT CParamHandler::EvaluateExprParam(CString& text) {
  const CDSContext context(GetDSType(IXMLDOMElementPtr(m_pNode)));
  m_strUsedParams.Empty();

  // Both kinds of reference are resolved in one pass over the text, each
  // once: what a value brings in is never searched again.
  CParamResolver params(*this);
  ComputedResolver computed;
  CReferenceRewriter rewriter(kReferenceClose);
  rewriter.AddKind(kParamOpen, params);
  rewriter.AddKind(kComputedOpen, computed);
  const HRESULT hr = rewriter.Run(text);
  m_strUsedParams = params.UsedParams();
  if (FAILED(hr)) return hr;

  if (!m_strUsedParams.IsEmpty()) m_strLastUsedParams += ";" + m_strUsedParams;
  return S_OK;
}

HRESULT CParamHandler::EvaluateFGFunctions(CString& text) { return CFGFunctionPass().Run(text); }
