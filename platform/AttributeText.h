// AttributeText.h - an attribute's text read without a copy, for readers
// that only test or compare it (is it empty, is it "Excel"). The element
// handle (IXMLDOMElementPtr::attributeText) makes it.
#pragma once

#include <string_view>
#include <utility>

#include "platform/CString.h"

class AttributeText {
 public:
  AttributeText() noexcept = default;
  // A view of a text the document holds: valid until the attribute changes.
  static AttributeText InDocument(std::string_view text) noexcept {
    AttributeText t;
    t.m_view = text;
    return t;
  }
  // A text put together for the read: an attribute of several nodes, or a
  // default that the document type declares.
  static AttributeText Copied(CString text) noexcept {
    AttributeText t;
    t.m_copy = std::move(text);
    t.m_copied = true;
    return t;
  }

  // Makes an empty text a view of `text` (see InDocument).
  void SetView(std::string_view text) noexcept { m_view = text; }

  std::string_view view() const noexcept { return m_copied ? m_copy.view() : m_view; }
  bool empty() const noexcept { return view().empty(); }
  bool operator==(std::string_view other) const noexcept { return view() == other; }

 private:
  std::string_view m_view;
  CString m_copy;
  bool m_copied = false;
};
