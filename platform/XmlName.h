// XmlName.h - the comparison of a node's name with a name the library asks
// for, shared by the element handles, the child paths and the document
// store. Internal to the platform layer.
#pragma once

#include <libxml/xmlstring.h>

// True when `own`, the name of a node or attribute, is `name`. The names
// are short and often share their first letters ("DataType", "Datasource"),
// and they are compared for every object of every query: byte by byte
// here, not through a library call.
inline bool SameXmlName(const xmlChar* own, const char* name) {
  const char* a = reinterpret_cast<const char*>(own);
  for (; *a == *name; ++a, ++name) {
    if (*a == '\0') return true;
  }
  return false;
}
