// CParamResolver.h - the value that a parameter reference {? 'Name'}
// stands for.
//
// Used by CParamHandler::EvaluateExprParam through CReferenceRewriter: finds
// the parameter by name, records its use, prepares its value for SQL (the
// "DisableParseValue" checks, "@" expressions, host variables, the host's
// data untranslate callback) and, for an object parameter, turns the value
// into the object's expression. It also words the failures of the
// substitution as the handler reports them.
#pragma once

#include "params/CParam.h"
#include "params/CReferenceRewriter.h"

class CParamHandler;

class CParamResolver : public CReferenceRewriter::Resolver {
 public:
  explicit CParamResolver(CParamHandler& handler);

  // The name inside a reference: the delimiters' characters ('{', '?',
  // blanks and apostrophes on the left, apostrophes and '}' on the right)
  // removed from its ends, then white space.
  CString KeyOf(const CString& reference) override;
  HRESULT Resolve(const CString& reference, const CString& name, CReferenceRewriter::Replacement& out) override;
  HRESULT Failed(const CString& name, HRESULT code) override;

  // Name=Value of every parameter resolved, in order, joined by ";".
  const CString& UsedParams() const { return m_strUsed; }

 private:
  void RecordUse(const CString& name, const CString& value);
  HRESULT PrepareValue(const CString& name, CString& value);
  HRESULT PrepareUnparsed(CString& value);
  HRESULT PrepareParsed(const CString& name, CString& value);
  HRESULT Process(const CString& name, const CString& expression, CString& value);
  HRESULT ResolveObject(const CString& value, CReferenceRewriter::Replacement& out);
  IXMLDOMNodePtr FindListEntry(const CString& value) const;

  CParamHandler& m_handler;
  CParam m_param;  // one working object, attached to each parameter in turn
  CString m_strUsed;
};
