// CObjectNesting.cpp - the per-thread stack of elements being expanded.
#include "objects/CObjectNesting.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

thread_local std::vector<std::pair<const void*, int>> t_active;

}  // namespace

CObjectNesting::CObjectNesting(const IXMLDOMNodePtr& node, Operation operation) {
  const std::pair<const void*, int> key(node.GetInterfacePtr(), operation);
  if (t_active.size() >= static_cast<size_t>(kMaxDepth)) return;
  if (std::find(t_active.begin(), t_active.end(), key) != t_active.end()) return;
  t_active.push_back(key);
  m_entered = true;
}

CObjectNesting::~CObjectNesting() {
  if (m_entered) t_active.pop_back();
}
