// DataSource.cpp - data-source types: names, look-up and the current type.
#include "contracts/basis30/DataSource.h"

#include <array>
#include <cstdlib>

#include "platform/IXMLDOMDocumentPtr.h"

namespace {

DSTYPE g_currentType = DSTYPE_NONE;

struct TypeName {
  DSTYPE type;
  const char* name;
};

constexpr std::array<TypeName, 13> kNames = {{
    {DSTYPE_NONE, "None"},
    {DSTYPE_SQLSERVER, "SQLServer"},
    {DSTYPE_ORACLE, "Oracle"},
    {DSTYPE_DB2, "DB2"},
    {DSTYPE_MYSQL, "MySQL"},
    {DSTYPE_POSTGRESQL, "PostgreSQL"},
    {DSTYPE_DATASET, "Dataset"},
    {DSTYPE_ACCESS, "Access"},
    {DSTYPE_INFORMIX, "Informix"},
    {DSTYPE_SYBASE, "Sybase"},
    {DSTYPE_TERADATA, "Teradata"},
    {DSTYPE_FLATFILE, "FlatFile"},
    {DSTYPE_SQLITE, "SQLite"},
}};

bool IsDataSourceElement(const IXMLDOMElementPtr& element) {
  return element.hasAttribute("DBType") || element.nodeName() == "Datasource";
}

// The child of `datasources` whose "Name" equals `name`, or null.
IXMLDOMElementPtr FindIn(const IXMLDOMNodePtr& datasources, const CString& name) {
  for (IXMLDOMNodePtr child = datasources.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr e(child);
    if (e && e.getAttribute("Name") == name) return e;
  }
  return nullptr;
}

// The declaration of data source `name` for `element`: the first
// "Datasources" child of the nearest ancestor that has one holding it (the
// usual place is the document element), else any "Datasources" of the
// document. The children of the document element are not looked through
// again for each of thousands of queries (see firstChildNamed), and the
// document's "Datasources" elements are gathered only when the ancestors
// have none that holds the name.
IXMLDOMElementPtr FindDataSource(const IXMLDOMElementPtr& element, const CString& name) {
  for (IXMLDOMNodePtr node = element; node && node.nodeType() == NODE_ELEMENT; node = node.parentNode()) {
    const IXMLDOMNodePtr datasources = node.firstChildNamed("Datasources");
    if (!datasources) continue;
    if (IXMLDOMElementPtr hit = FindIn(datasources, name)) return hit;
  }
  IXMLDOMDocumentPtr document = element.ownerDocument();
  if (!document) return nullptr;
  const IXMLDOMNodeListPtr all = document.elementsNamed("Datasources");
  for (long i = 0; i < all.length(); ++i) {
    if (IXMLDOMElementPtr hit = FindIn(all.item(i), name)) return hit;
  }
  return nullptr;
}

}  // namespace

DSTYPE GetCurDSType() { return g_currentType; }

void SetCurDSType(DSTYPE type) { g_currentType = type; }

DSTYPE DSTypeFromName(const char* text) {
  CString value(text);
  value.Trim();
  if (value.IsEmpty()) return DSTYPE_NONE;
  bool digits = true;
  for (int i = 0; i < value.GetLength(); ++i) digits = digits && value[i] >= '0' && value[i] <= '9';
  if (digits) {
    const long number = std::strtol(value, nullptr, 10);
    return number >= 0 && number <= DSTYPE_SQLITE ? static_cast<DSTYPE>(number) : DSTYPE_NONE;
  }
  for (const auto& entry : kNames) {
    if (value.CompareNoCase(entry.name) == 0) return entry.type;
  }
  return DSTYPE_NONE;
}

const char* DSTypeName(DSTYPE type) {
  for (const auto& entry : kNames) {
    if (entry.type == type) return entry.name;
  }
  return "";
}

DSTYPE GetDSType(IXMLDOMElementPtr element) {
  if (!element) return DSTYPE_NONE;
  if (IsDataSourceElement(element)) return DSTypeFromName(element.getAttribute("DBType"));
  const CString name = element.getAttribute("Datasource");
  if (name.IsEmpty()) return DSTYPE_NONE;
  IXMLDOMElementPtr declaration = FindDataSource(element, name);
  return declaration ? DSTypeFromName(declaration.getAttribute("DBType")) : DSTYPE_NONE;
}
