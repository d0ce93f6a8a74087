// CSortObjects.cpp - the ORDER BY list of a query's sort objects.
#include "query/CSortObjects.h"

#include "objects/CQueryObject.h"

CSortObjects::CSortObjects(IXMLDOMNodePtr node) : CVelObject(node) {}

CSortObjects::~CSortObjects() = default;

HRESULT CSortObjects::Parse() {
  const IXMLDOMElementPtr& section = Checked("CSortObjects::Parse");
  CString orderBy;
  for (IXMLDOMNodePtr child = section.firstChild(); child; child = child.nextSibling()) {
    if (child.nodeType() != NODE_ELEMENT) continue;
    CQueryObject key(child);
    const HRESULT hr = key.Parse();
    if (FAILED(hr)) return hr;
    if (!orderBy.IsEmpty()) orderBy += ",";
    orderBy += key.GetExpression();
    if (key.GetAttribute("Order").CompareNoCase("DESC") == 0) orderBy += " DESC";
  }
  if (orderBy.IsEmpty()) {
    section.removeAttribute("OrderBy");
  } else {
    section.setAttribute("OrderBy", orderBy);
  }
  return S_OK;
}
