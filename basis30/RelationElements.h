// RelationElements.h - reading a relation model, shared by the join-order
// search (CRelationsAnalyser.cpp) and the cycle searches
// (CRelationsAnalyserCycles.cpp). Internal to basis30.
#pragma once

#include <string>
#include <vector>

#include "platform/CString.h"
#include "platform/IXMLDOMElementPtr.h"

// Table names compare ignoring ASCII case: they are kept folded to lower
// case wherever they are looked up.
inline std::string FoldTableName(const CString& name) {
  CString folded(name);
  folded.MakeLower();
  return folded.str();
}

// The "Relation" children of `relations`, in document order.
inline std::vector<IXMLDOMElementPtr> RelationElements(const IXMLDOMNodePtr& relations) {
  std::vector<IXMLDOMElementPtr> result;
  if (!relations) return result;
  for (IXMLDOMNodePtr child = relations.firstChild(); child; child = child.nextSibling()) {
    IXMLDOMElementPtr element(child);
    if (element && element.tagName() == "Relation") result.push_back(element);
  }
  return result;
}

