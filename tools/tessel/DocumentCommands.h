// DocumentCommands.h - the command text that a host executes for a query
// document: parameter values set, every query composed, the commands joined,
// and the parameter references and "@" calls of the text resolved for the
// type of database that will execute it (SQLite or PostgreSQL for "tessel
// run").
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "contracts/basis30/Basis30Types.h"
#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

class DocumentCommands {
 public:
  using Setting = std::pair<std::string, std::string>;  // parameter name, value

  // Sets each value (in order, on every "Parameter" element below the
  // document element that bears the name), parses the document, takes its
  // command text and resolves it, as a host does before executing it on a
  // database of type `dataSource`: the "@" calls of the text, the
  // parameter values (whatever data source the document element names: the
  // one database serves them all) and the dates of queries without a data
  // source of their own are written as literals of that type. Returns S_OK with the text in `commands`; S_FALSE with the name
  // in `unknownParameter` when no parameter bears a name (nothing is
  // parsed); or the library's failure code, with its message recorded
  // (GetLastErrorInfo). The current data-source type is restored.
  static HRESULT Build(const IXMLDOMDocumentPtr& document, const std::vector<Setting>& settings, CString& commands,
                       std::string& unknownParameter, DSTYPE dataSource = DSTYPE_SQLITE);
};
