// DocumentCommands.h - the command text that a host executes for a query
// document: parameter values set, every query composed, the commands joined,
// and the parameter references and "@" calls of the text resolved.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

class DocumentCommands {
 public:
  using Setting = std::pair<std::string, std::string>;  // parameter name, value

  // Sets each value (in order, on every "Parameter" element below the
  // document element that bears the name), parses the document, takes its
  // command text and resolves it, as a host does before executing it.
  // Returns S_OK with the text in `commands`; S_FALSE with the name in
  // `unknownParameter` when no parameter bears a name (nothing is parsed);
  // or the library's failure code, with its message recorded
  // (GetLastErrorInfo).
  static HRESULT Build(const IXMLDOMDocumentPtr& document, const std::vector<Setting>& settings, CString& commands,
                       std::string& unknownParameter);
};
