// XmlUtil.h - small element helpers of the object model.
#pragma once

#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMElementPtr.h"

// Reads attribute `name` of `node` into `value`: S_OK when present, S_FALSE
// (value emptied) when absent or `node` is not an element, E_POINTER for a
// null node.
HRESULT GetXmlNodeAttribute(IXMLDOMNodePtr node, const char* name, CString& value);

// The nearest ancestor element of `node` named `name`, or null.
IXMLDOMElementPtr FindAncestor(IXMLDOMNodePtr node, const char* name);
