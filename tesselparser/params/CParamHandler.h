// CParamHandler.h - parameter values and the substitution of references
// and "@" function calls in expression text.
//
// Attached to the element that holds the parameter definitions ("Parameter"
// elements, as a "Parameters" child or anywhere below), the handler sets
// parameter values and resolves the references that parsing leaves in SQL
// text: {? 'Name'} becomes the parameter's value, typed and quoted for SQL
// (or, for an object parameter, the object's expression), and {$ '...'}
// becomes the value the expression processor computes for it. It records
// the parameters each resolution used, per handler and process-wide.
// EvaluateFGFunctions evaluates "@Name(...)" calls in a text. The library's
// own parse path calls neither; the host does, on the texts it executes.
#pragma once

#include "TesselParserExport.h"
#include "contracts/basis30/CVelVariant.h"
#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMNodePtr.h"

class TESSEL_API CParamHandler {
 public:
  CParamHandler(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  // Copies share the node and take over the record of used parameters.
  CParamHandler(const CParamHandler& other) = default;
  CParamHandler& operator=(const CParamHandler& other) = default;
  virtual ~CParamHandler();

  void Attach(IXMLDOMNodePtr node);

  // Writes `value`'s text as the value of the parameter named `name`: with
  // `deep` every "Parameter" element below the node that bears the name,
  // else the first direct child that does. Names compare exactly. Returns
  // 0, 1 when no parameter bears the name, E_FAIL without a node.
  HRESULT SetParamValue(const char* name, const CVelVariant& value, bool deep);

  // The parameter element named `name`: with `deep` the first "Parameter"
  // below the node in document order, else the first direct child; null
  // when none bears the name or no node is attached.
  IXMLDOMNodePtr GetParam(const char* name, bool deep);

  // Resolves, in place, every parameter reference {? 'Name'} and every
  // computed reference {$ '...'} of `text` that stands outside quoted
  // literals and [...] names, left to right, each once. Text that a value
  // brings in is data: it is never searched again for references of
  // either kind. Returns 0 or:
  //   TPE_PARAM_FAILED        no parameter bears a referenced name, a value
  //                           does not fit its comparison, or an object
  //                           parameter's repository path neither loads nor
  //                           names a list entry (message recorded);
  //   TPE_NOT_A_NUMBER, TPE_NOT_A_DATE  an unparsed ("DisableParseValue")
  //                           numeric or date value that is none;
  //   TPE_PARAM_NOT_PROCESSED or the processor's code: an expression value
  //                           that does not evaluate (message recorded);
  //   a failing query object's or computed reference's own code.
  // On failure `text` holds the replacements made so far. Success with at
  // least one parameter used appends ";" and the used parameters to
  // m_strLastUsedParams.
  HRESULT EvaluateExprParam(CString& text);

  // The parameters the last EvaluateExprParam used, as Name=Value pairs
  // joined by ";" in the order they were resolved (up to a failure).
  CString GetUsedParams() const { return m_strUsedParams; }

  // Replaces every "@Name(arguments)" call outside quoted literals that the
  // expression processor evaluates by its value as an SQL literal (a NULL
  // result as NULL), and every call it leaves for a later stage by the
  // call without its "@". Returns the last evaluation's result (0, or 1
  // when the last call was left for later), TPE_UNKNOWN_LATER_CALL for a
  // call left for later that is none of the later stage's functions
  // (message recorded), or the processor's failure code; on failure `text`
  // holds the replacements made before it.
  HRESULT EvaluateFGFunctions(CString& text);

  // Every successful EvaluateExprParam of the process that used parameters
  // appends ";Name=Value;..." here. Process-wide and unlocked; the host
  // reads and resets it.
  static CString m_strLastUsedParams;

 protected:
  IXMLDOMNodePtr m_pNode;
  CString m_strUsedParams;
};
