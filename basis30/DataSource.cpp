// DataSource.cpp - data-source types: names, look-up and the current type.
#include "contracts/basis30/DataSource.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

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

// Read in place: every query's data source is typed by its name.
DSTYPE DSTypeFromName(const char* text) {
  std::string_view value = text != nullptr ? std::string_view(text) : std::string_view();
  const size_t first = value.find_first_not_of(CString::kWhiteSpace);
  if (first == std::string_view::npos) return DSTYPE_NONE;
  value = value.substr(first, value.find_last_not_of(CString::kWhiteSpace) - first + 1);
  if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // A number too large to read is no type either.
    long number = 0;
    const auto read = std::from_chars(value.data(), value.data() + value.size(), number);
    const bool valid = read.ec == std::errc() && number <= DSTYPE_SQLITE;
    return valid ? static_cast<DSTYPE>(number) : DSTYPE_NONE;
  }
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (const auto& entry : kNames) {
    const std::string_view name(entry.name);
    if (name.size() == value.size() &&
        std::equal(name.begin(), name.end(), value.begin(), [&](char a, char b) { return lower(a) == lower(b); })) {
      return entry.type;
    }
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
