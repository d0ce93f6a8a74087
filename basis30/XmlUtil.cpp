// XmlUtil.cpp - attribute reading and ancestor look-up.
#include "contracts/basis30/XmlUtil.h"

HRESULT GetXmlNodeAttribute(IXMLDOMNodePtr node, const char* name, CString& value) {
  value.Empty();
  if (!node) return E_POINTER;
  IXMLDOMElementPtr element(node);
  if (!element || !element.hasAttribute(name)) return S_FALSE;
  value = element.getAttribute(name);
  return S_OK;
}

IXMLDOMElementPtr FindAncestor(IXMLDOMNodePtr node, const char* name) {
  if (!node) return nullptr;
  for (IXMLDOMNodePtr parent = node.parentNode(); parent; parent = parent.parentNode()) {
    if (parent.nodeType() == NODE_ELEMENT && parent.nodeName() == name) return IXMLDOMElementPtr(parent);
  }
  return nullptr;
}
