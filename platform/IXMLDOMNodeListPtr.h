// IXMLDOMNodeListPtr.h - an ordered list of node handles.
//
// Returned by childNodes, selectNodes and getElementsByTagName. The list is a
// snapshot of the moment it was made; copies share the items and each copy
// has its own `nextNode` cursor.
#pragma once

#include <memory>
#include <vector>

#include "platform/IXMLDOMNodePtr.h"

class IXMLDOMNodeListPtr {
 public:
  IXMLDOMNodeListPtr() noexcept = default;
  IXMLDOMNodeListPtr(std::nullptr_t) noexcept {}  // NOLINT
  explicit IXMLDOMNodeListPtr(std::vector<IXMLDOMNodePtr> items);
  explicit operator bool() const noexcept { return m_items != nullptr; }
  const IXMLDOMNodeListPtr* operator->() const noexcept { return this; }

  long length() const;
  // Null past the end.
  IXMLDOMNodePtr item(long index) const;
  // Items in order, then null; `reset` starts over.
  IXMLDOMNodePtr nextNode();
  void reset() { m_cursor = 0; }

 private:
  const std::vector<IXMLDOMNodePtr>& Items() const;

  std::shared_ptr<const std::vector<IXMLDOMNodePtr>> m_items;
  size_t m_cursor = 0;
};
