// DocumentCommands.cpp - from a document to the text a host executes.
#include "tools/tessel/DocumentCommands.h"

#include <utility>

#include "contracts/basis30/CVelVariant.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/Messages.h"
#include "document/CTesselParser.h"
#include "params/CParamHandler.h"

namespace {

// Keeps the current data-source type for one build and puts the previous
// one back on every path.
class DataSourceScope {
 public:
  explicit DataSourceScope(DSTYPE type) : m_saved(GetCurDSType()) { SetCurDSType(type); }
  DataSourceScope(const DataSourceScope&) = delete;
  DataSourceScope& operator=(const DataSourceScope&) = delete;
  ~DataSourceScope() { SetCurDSType(m_saved); }

 private:
  DSTYPE m_saved;
};

// Takes the "Datasource" attribute off the document element for one
// resolution and puts it back on every path: the parameter handler renders
// values for the data source of the element it is attached to, and in a
// run that is the database the text executes on, whatever the document
// declares.
class DocumentDataSourceHidden {
 public:
  explicit DocumentDataSourceHidden(IXMLDOMElementPtr element)
      : m_element(std::move(element)), m_had(m_element && m_element.hasAttribute(kName)) {
    if (!m_had) return;
    m_value = m_element.getAttribute(kName);
    m_element.removeAttribute(kName);
  }
  DocumentDataSourceHidden(const DocumentDataSourceHidden&) = delete;
  DocumentDataSourceHidden& operator=(const DocumentDataSourceHidden&) = delete;
  ~DocumentDataSourceHidden() {
    if (m_had) m_element.setAttribute(kName, m_value.GetString());
  }

 private:
  static constexpr const char* kName = "Datasource";
  IXMLDOMElementPtr m_element;
  bool m_had;
  CString m_value;
};

}  // namespace

HRESULT DocumentCommands::Build(const IXMLDOMDocumentPtr& document, const std::vector<Setting>& settings,
                                CString& commands, std::string& unknownParameter, DSTYPE dataSource) {
  // The calls of the text and every value without a data source of its own
  // become literals the executing database reads: with no type at all a
  // date would be written {d '...'}, which SQLite refuses.
  const DataSourceScope scope(dataSource);
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
  {
    const DocumentDataSourceHidden hidden(document.documentElement());
    if (const HRESULT hr = handler.EvaluateExprParam(text); FAILED(hr)) return hr;
  }
  if (const HRESULT hr = handler.EvaluateFGFunctions(text); FAILED(hr)) return hr;
  commands = text;
  return S_OK;
}
