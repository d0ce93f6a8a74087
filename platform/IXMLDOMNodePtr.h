// IXMLDOMNodePtr.h - counted handle on a node of an XML document (libxml2).
//
// Stands in for the COM smart pointer of the same name. A handle keeps its
// node and the node's document alive, also after the node was removed from
// or replaced in the tree; a node that is no longer in any document tree and
// no longer held by any handle is freed with its subtree, and a document is
// freed with its last handle. Handles compare by node identity.
//
// Every call on a null handle throws `_com_error(E_POINTER)`; a failing DOM
// operation throws `_com_error` with a failing code (E_INVALIDARG for a bad
// XPath or an impossible edit). Node lists are snapshots taken at the call.
// Neighbours: IXMLDOMElementPtr and IXMLDOMDocumentPtr derive from it;
// IXMLDOMNodeListPtr holds handles of this type.
#pragma once

#include <array>
#include <cstddef>
#include <functional>

#include "platform/CString.h"
#include "platform/ComError.h"

struct _xmlNode;
class IXMLDOMNodeListPtr;
class IXMLDOMDocumentPtr;

enum DOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
};

class IXMLDOMNodePtr {
 public:
  IXMLDOMNodePtr() noexcept = default;
  IXMLDOMNodePtr(std::nullptr_t) noexcept {}  // NOLINT: a null handle
  // Takes a counted reference on `node` (may be null).
  explicit IXMLDOMNodePtr(_xmlNode* node);
  IXMLDOMNodePtr(const IXMLDOMNodePtr& other);
  IXMLDOMNodePtr(IXMLDOMNodePtr&& other) noexcept;
  IXMLDOMNodePtr& operator=(const IXMLDOMNodePtr& other);
  IXMLDOMNodePtr& operator=(IXMLDOMNodePtr&& other) noexcept;
  IXMLDOMNodePtr& operator=(std::nullptr_t);
  ~IXMLDOMNodePtr();

  explicit operator bool() const noexcept { return m_node != nullptr; }
  bool operator!() const noexcept { return m_node == nullptr; }
  friend bool operator==(const IXMLDOMNodePtr& a, const IXMLDOMNodePtr& b) { return a.m_node == b.m_node; }
  friend bool operator!=(const IXMLDOMNodePtr& a, const IXMLDOMNodePtr& b) { return a.m_node != b.m_node; }
  friend bool operator==(const IXMLDOMNodePtr& a, std::nullptr_t) { return a.m_node == nullptr; }
  friend bool operator!=(const IXMLDOMNodePtr& a, std::nullptr_t) { return a.m_node != nullptr; }
  // COM-style member access: p->selectSingleNode(...).
  const IXMLDOMNodePtr* operator->() const noexcept { return this; }

  // Releases the reference; the handle becomes null.
  void Release();
  // The underlying node, for identity and for the platform's own use.
  _xmlNode* GetInterfacePtr() const noexcept { return m_node; }

  // Reading. nodeName is the tag name for an element, "#text", "#comment",
  // "#document" otherwise; text is the concatenated text content.
  CString nodeName() const;
  DOMNodeType nodeType() const;
  CString text() const;
  CString xml() const;

  // Navigation; a missing neighbour is a null handle.
  IXMLDOMNodePtr firstChild() const;
  IXMLDOMNodePtr lastChild() const;
  IXMLDOMNodePtr nextSibling() const;
  IXMLDOMNodePtr previousSibling() const;
  IXMLDOMNodePtr parentNode() const;
  // The document the node belongs to; null for a document handle.
  IXMLDOMDocumentPtr ownerDocument() const;
  IXMLDOMNodeListPtr childNodes() const;
  // The first element child named `name` (without a namespace); null when
  // there is none. The same as selectSingleNode(name) for a plain name, but
  // a node with many children is not looked through again each time.
  IXMLDOMNodePtr firstChildNamed(const char* name) const;
  bool hasChildNodes() const;
  // A hint for a walk that reaches this node's subtree next: asks memory
  // for the stretch of heap from this node up to `following` (the node made
  // after the subtree, such as the next sibling), or for the first 32 KB of
  // it when `following` lies before this node or further away. A document
  // read from text keeps each subtree there, in the order of the text, so
  // the walk then finds its nodes in the cache instead of waiting for each
  // in turn. Reads and changes nothing, so it cannot fail; when the nodes
  // lie elsewhere (a document built or edited by code) it only costs some
  // memory traffic. A null handle asks for nothing.
  void prefetchSubtree(const IXMLDOMNodePtr& following) const noexcept;

  // XPath 1.0 relative to this node; compiled expressions are cached per
  // thread. An invalid expression throws `_com_error(E_INVALIDARG)`.
  IXMLDOMNodePtr selectSingleNode(const char* xpath) const;
  IXMLDOMNodeListPtr selectNodes(const char* xpath) const;
  // out[i] = selectSingleNode(xpaths[i]) for each expression, from one walk
  // over the children when each is a plain child step ("Tables",
  // "Condition[@ExType='WhereClause']"): a reader that needs several
  // sections of one element does not look through its children for each.
  template <std::size_t N>
  std::array<IXMLDOMNodePtr, N> selectFirstOfEach(const char* const (&xpaths)[N]) const {
    std::array<IXMLDOMNodePtr, N> out;
    SelectFirstOfEach(xpaths, N, out.data());
    return out;
  }

  // Edits. A node already in this node's document is moved; a node of
  // another document (a scratch object) is adopted. Inserting a node into
  // itself or its own descendant, or a document or attribute node as a child,
  // throws `_com_error(E_INVALIDARG)`; `refChild`/`oldChild` that are not
  // children of this node throw as well. Each returns the node it moved,
  // inserted or removed.
  IXMLDOMNodePtr appendChild(const IXMLDOMNodePtr& newChild) const;
  IXMLDOMNodePtr insertBefore(const IXMLDOMNodePtr& newChild, const IXMLDOMNodePtr& refChild) const;
  IXMLDOMNodePtr replaceChild(const IXMLDOMNodePtr& newChild, const IXMLDOMNodePtr& oldChild) const;
  IXMLDOMNodePtr removeChild(const IXMLDOMNodePtr& oldChild) const;
  // A detached copy in the same document.
  IXMLDOMNodePtr cloneNode(bool deep) const;

 protected:
  // The node, or throws `_com_error(E_POINTER)` naming `call`. Every
  // operation starts with it: the test is inline, the throw is not.
  _xmlNode* Checked(const char* call) const {
    if (m_node == nullptr) ThrowNull(call);
    return m_node;
  }
  [[noreturn]] static void ThrowNull(const char* call);

 private:
  void SelectFirstOfEach(const char* const* xpaths, std::size_t count, IXMLDOMNodePtr* out) const;

 protected:
  _xmlNode* m_node = nullptr;
};

template <>
struct std::hash<IXMLDOMNodePtr> {
  size_t operator()(const IXMLDOMNodePtr& p) const noexcept { return std::hash<const void*>()(p.GetInterfacePtr()); }
};
