// IXMLDOMNodeListPtr.cpp - snapshot node list.
#include "platform/IXMLDOMNodeListPtr.h"

IXMLDOMNodeListPtr::IXMLDOMNodeListPtr(std::vector<IXMLDOMNodePtr> items)
    : m_items(std::make_shared<const std::vector<IXMLDOMNodePtr>>(std::move(items))) {}

const std::vector<IXMLDOMNodePtr>& IXMLDOMNodeListPtr::Items() const {
  if (m_items == nullptr) throw _com_error(E_POINTER, "node list call on a null list");
  return *m_items;
}

long IXMLDOMNodeListPtr::length() const { return static_cast<long>(Items().size()); }

IXMLDOMNodePtr IXMLDOMNodeListPtr::item(long index) const {
  const auto& items = Items();
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return nullptr;
  return items[static_cast<size_t>(index)];
}

IXMLDOMNodePtr IXMLDOMNodeListPtr::nextNode() {
  const auto& items = Items();
  if (m_cursor >= items.size()) return nullptr;
  return items[m_cursor++];
}
