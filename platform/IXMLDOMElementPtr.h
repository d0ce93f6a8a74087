// IXMLDOMElementPtr.h - handle on an element: the attribute operations.
//
// Built from any node handle as the COM interface query would be: a node
// that is not an element gives a null handle. Attribute values are UTF-8
// byte strings; an absent attribute reads as the empty string.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/AttributeText.h"
#include "platform/IXMLDOMNodePtr.h"

class IXMLDOMElementPtr : public IXMLDOMNodePtr {
 public:
  IXMLDOMElementPtr() noexcept = default;
  IXMLDOMElementPtr(std::nullptr_t) noexcept {}  // NOLINT
  // Null unless `node` is an element.
  IXMLDOMElementPtr(const IXMLDOMNodePtr& node);  // NOLINT: interface query
  // The same, taking over the handle instead of copying it.
  IXMLDOMElementPtr(IXMLDOMNodePtr&& node) noexcept;  // NOLINT: interface query
  const IXMLDOMElementPtr* operator->() const noexcept { return this; }

  CString tagName() const { return nodeName(); }
  // The tag name without a copy: a view of the name the element holds,
  // valid while the element stays in its document. Names are never changed
  // in place, but an element adopted by another document takes a copy of
  // its name along, and the old name goes with the old document.
  std::string_view tagNameView() const;
  // Attributes are named without a namespace (as every attribute the
  // library reads and writes is); a default that the document type
  // declares counts as present.
  CString getAttribute(const char* name) const;
  // The same text without a copy where the document holds it as one node,
  // for a reader that tests or compares it: valid until the attribute
  // changes. Composition reads most attributes only to ask whether they
  // are empty or equal to a word.
  AttributeText attributeText(const char* name) const;
  // The texts of several attributes, texts[i] for names[i] as attributeText
  // reads it, from one walk over the attribute list: for a reader that asks
  // whether an element has any of a few rarely present attributes. The
  // names must differ; `texts` come in empty. Throws
  // `_com_error(E_INVALIDARG)` for an empty name.
  void attributeTexts(const char* const* names, std::size_t count, AttributeText* texts) const;
  template <std::size_t N>
  std::array<AttributeText, N> attributeTexts(const char* const (&names)[N]) const {
    std::array<AttributeText, N> texts;
    attributeTexts(names, N, texts.data());
    return texts;
  }
  bool hasAttribute(const char* name) const;
  void setAttribute(const char* name, const char* value) const;
  // Removing an absent attribute is not an error.
  void removeAttribute(const char* name) const;
  // True when the element's last attributes are `expected`, (name, value)
  // pairs in document order, each holding exactly that text; true for an
  // empty list. Lets a writer that must leave attributes at the end of the
  // list leave them in place when they are there already.
  bool endsWithAttributes(std::initializer_list<std::pair<const char*, const char*>> expected) const;
  // Makes `last`, (name, value) pairs with different plain names, the
  // element's last attributes in that order; a pair whose value is empty
  // leaves no attribute of that name. When those of them that have a value
  // stand at the end already, they keep their place (a text that differs
  // is changed); otherwise the named attributes are removed and added anew
  // at the end. One walk of the attribute list finds what is there.
  void setLastAttributes(std::initializer_list<std::pair<const char*, const char*>> last) const;
  // All attributes as (name, value) pairs, in document order.
  std::vector<std::pair<CString, CString>> attributes() const;
  // The names of the attributes, in document order (no value is copied).
  std::vector<CString> attributeNames() const;
  // Descendant elements named `name` ("*" for all), in document order.
  IXMLDOMNodeListPtr getElementsByTagName(const char* name) const;
};
