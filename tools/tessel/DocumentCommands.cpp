// DocumentCommands.cpp - from a document to the text a host executes.
#include "tools/tessel/DocumentCommands.h"

#include "contracts/basis30/CVelVariant.h"
#include "contracts/basis30/Messages.h"
#include "document/CTesselParser.h"
#include "params/CParamHandler.h"

HRESULT DocumentCommands::Build(const IXMLDOMDocumentPtr& document, const std::vector<Setting>& settings,
                                CString& commands, std::string& unknownParameter) {
  ClearErrorInfo();
  commands.Empty();
  CParamHandler handler(document.documentElement());
  for (const auto& [name, value] : settings) {
    const HRESULT hr = handler.SetParamValue(name.c_str(), CVelVariant(value.c_str()), true);
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) {
      unknownParameter = name;
      return S_FALSE;
    }
  }
  CTesselParser parser(document);
  if (const long rc = parser.Parse(); rc < 0) return static_cast<HRESULT>(rc);
  CString text = parser.GetCommands();
  if (const HRESULT hr = handler.EvaluateExprParam(text); FAILED(hr)) return hr;
  if (const HRESULT hr = handler.EvaluateFGFunctions(text); FAILED(hr)) return hr;
  commands = text;
  return S_OK;
}
