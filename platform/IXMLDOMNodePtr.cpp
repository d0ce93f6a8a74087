// IXMLDOMNodePtr.cpp - node handle: counting, navigation, XPath, edits.
#include "platform/IXMLDOMNodePtr.h"

#include <libxml/tree.h>

#include <cstdint>
#include <iterator>

#include "platform/DomStore.h"
#include "platform/IXMLDOMDocumentPtr.h"
#include "platform/IXMLDOMNodeListPtr.h"

namespace {

IXMLDOMNodeListPtr ListOf(const std::vector<xmlNodePtr>& nodes) {
  std::vector<IXMLDOMNodePtr> items;
  items.reserve(nodes.size());
  for (xmlNodePtr n : nodes) items.emplace_back(n);
  return IXMLDOMNodeListPtr(std::move(items));
}

CString Owned(xmlChar* text) {
  CString out(text ? reinterpret_cast<const char*>(text) : "");
  xmlFree(text);
  return out;
}

}  // namespace

IXMLDOMNodePtr::IXMLDOMNodePtr(_xmlNode* node) : m_node(node) { DomStore::Acquire(m_node); }

IXMLDOMNodePtr::IXMLDOMNodePtr(const IXMLDOMNodePtr& other) : m_node(other.m_node) { DomStore::Acquire(m_node); }

IXMLDOMNodePtr::IXMLDOMNodePtr(IXMLDOMNodePtr&& other) noexcept : m_node(other.m_node) { other.m_node = nullptr; }

IXMLDOMNodePtr& IXMLDOMNodePtr::operator=(const IXMLDOMNodePtr& other) {
  if (m_node == other.m_node) return *this;
  DomStore::Acquire(other.m_node);
  Release();
  m_node = other.m_node;
  return *this;
}

IXMLDOMNodePtr& IXMLDOMNodePtr::operator=(IXMLDOMNodePtr&& other) noexcept {
  if (this == &other) return *this;
  Release();
  m_node = other.m_node;
  other.m_node = nullptr;
  return *this;
}

IXMLDOMNodePtr& IXMLDOMNodePtr::operator=(std::nullptr_t) {
  Release();
  return *this;
}

IXMLDOMNodePtr::~IXMLDOMNodePtr() { Release(); }

void IXMLDOMNodePtr::Release() {
  xmlNodePtr node = m_node;
  m_node = nullptr;
  DomStore::Release(node);
}

void IXMLDOMNodePtr::ThrowNull(const char* call) {
  throw _com_error(E_POINTER, std::string(call) + " called on a null node");
}

CString IXMLDOMNodePtr::nodeName() const {
  xmlNodePtr n = Checked("nodeName");
  switch (n->type) {
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return "#document";
    default: return CString(n->name ? reinterpret_cast<const char*>(n->name) : "");
  }
}

DOMNodeType IXMLDOMNodePtr::nodeType() const {
  switch (Checked("nodeType")->type) {
    case XML_ELEMENT_NODE: return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE: return NODE_ATTRIBUTE;
    case XML_TEXT_NODE: return NODE_TEXT;
    case XML_CDATA_SECTION_NODE: return NODE_CDATA_SECTION;
    case XML_PI_NODE: return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE: return NODE_COMMENT;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return NODE_DOCUMENT;
    default: return NODE_INVALID;
  }
}

CString IXMLDOMNodePtr::text() const { return Owned(xmlNodeGetContent(Checked("text"))); }

CString IXMLDOMNodePtr::xml() const {
  DomStore::Init();
  xmlNodePtr n = Checked("xml");
  if (n->type == XML_DOCUMENT_NODE) {
    xmlChar* mem = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(reinterpret_cast<xmlDocPtr>(n), &mem, &size, "UTF-8", 1);
    CString out(reinterpret_cast<const char*>(mem), size);
    xmlFree(mem);
    return out;
  }
  std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> buf(xmlBufferCreate(), xmlBufferFree);
  xmlNodeDump(buf.get(), n->doc, n, 0, 0);
  return CString(reinterpret_cast<const char*>(xmlBufferContent(buf.get())), xmlBufferLength(buf.get()));
}

namespace {

// A walk over children reads each element's attributes next: they are
// asked for from memory before the walk arrives there.
xmlNodePtr Ahead(xmlNodePtr node) {
  if (node != nullptr && node->type == XML_ELEMENT_NODE) __builtin_prefetch(node->properties);
  return node;
}

}  // namespace

IXMLDOMNodePtr IXMLDOMNodePtr::firstChild() const {
  xmlNodePtr n = Checked("firstChild");
  return IXMLDOMNodePtr(n->type == XML_ATTRIBUTE_NODE ? nullptr : Ahead(n->children));
}

void IXMLDOMNodePtr::prefetchSubtree(const IXMLDOMNodePtr& following) const noexcept {
  // A query of the benchmark document takes 27 KB: the stretch of a larger
  // subtree covers its start, where a walk begins, and the cache keeps what
  // the walk still needs of the current subtree.
  constexpr std::uintptr_t kMost = 32 * 1024;
  constexpr std::uintptr_t kLine = 64;
  if (m_node == nullptr) return;
  // Addresses as numbers: the stretch runs past this node's own block, so
  // it is no pointer arithmetic within one object.
  const auto from = reinterpret_cast<std::uintptr_t>(m_node);
  const auto until = reinterpret_cast<std::uintptr_t>(following.m_node);
  const std::uintptr_t stretch = until > from && until - from <= kMost ? until - from : kMost;
  for (std::uintptr_t at = from; at < from + stretch; at += kLine) {
    __builtin_prefetch(reinterpret_cast<const void*>(at));
  }
}

IXMLDOMNodePtr IXMLDOMNodePtr::lastChild() const {
  xmlNodePtr n = Checked("lastChild");
  return IXMLDOMNodePtr(n->type == XML_ATTRIBUTE_NODE ? nullptr : n->last);
}

IXMLDOMNodePtr IXMLDOMNodePtr::nextSibling() const {
  xmlNodePtr n = Checked("nextSibling");
  return IXMLDOMNodePtr(n->type == XML_ATTRIBUTE_NODE ? nullptr : Ahead(n->next));
}

IXMLDOMNodePtr IXMLDOMNodePtr::previousSibling() const {
  xmlNodePtr n = Checked("previousSibling");
  return IXMLDOMNodePtr(n->type == XML_ATTRIBUTE_NODE ? nullptr : n->prev);
}

IXMLDOMNodePtr IXMLDOMNodePtr::parentNode() const {
  xmlNodePtr n = Checked("parentNode");
  return IXMLDOMNodePtr(n->type == XML_ATTRIBUTE_NODE ? nullptr : n->parent);
}

IXMLDOMDocumentPtr IXMLDOMNodePtr::ownerDocument() const {
  xmlNodePtr n = Checked("ownerDocument");
  if (n->type == XML_DOCUMENT_NODE) return nullptr;
  return IXMLDOMDocumentPtr(IXMLDOMNodePtr(reinterpret_cast<xmlNodePtr>(n->doc)));
}

IXMLDOMNodeListPtr IXMLDOMNodePtr::childNodes() const {
  xmlNodePtr n = Checked("childNodes");
  std::vector<xmlNodePtr> nodes;
  if (n->type != XML_ATTRIBUTE_NODE) {
    for (xmlNodePtr c = n->children; c != nullptr; c = c->next) nodes.push_back(c);
  }
  return ListOf(nodes);
}

bool IXMLDOMNodePtr::hasChildNodes() const {
  xmlNodePtr n = Checked("hasChildNodes");
  return n->type != XML_ATTRIBUTE_NODE && n->children != nullptr;
}

IXMLDOMNodePtr IXMLDOMNodePtr::firstChildNamed(const char* name) const {
  xmlNodePtr n = Checked("firstChildNamed");
  if (name == nullptr) return IXMLDOMNodePtr();
  return IXMLDOMNodePtr(DomStore::FirstChildNamed(n, name));
}

IXMLDOMNodePtr IXMLDOMNodePtr::selectSingleNode(const char* xpath) const {
  return IXMLDOMNodePtr(DomStore::SelectFirst(Checked("selectSingleNode"), xpath));
}

void IXMLDOMNodePtr::SelectFirstOfEach(const char* const* xpaths, std::size_t count, IXMLDOMNodePtr* out) const {
  xmlNodePtr found[8];
  if (count > std::size(found)) {
    for (std::size_t i = 0; i < count; ++i) out[i] = selectSingleNode(xpaths[i]);
    return;
  }
  DomStore::SelectFirstOfEach(Checked("selectFirstOfEach"), xpaths, count, found);
  for (std::size_t i = 0; i < count; ++i) out[i] = IXMLDOMNodePtr(found[i]);
}

IXMLDOMNodeListPtr IXMLDOMNodePtr::selectNodes(const char* xpath) const {
  return ListOf(DomStore::Select(Checked("selectNodes"), xpath));
}

IXMLDOMNodePtr IXMLDOMNodePtr::appendChild(const IXMLDOMNodePtr& newChild) const {
  xmlNodePtr parent = Checked("appendChild");
  DomStore::Insert(parent, newChild.Checked("appendChild (new child)"), nullptr);
  return newChild;
}

IXMLDOMNodePtr IXMLDOMNodePtr::insertBefore(const IXMLDOMNodePtr& newChild, const IXMLDOMNodePtr& refChild) const {
  xmlNodePtr parent = Checked("insertBefore");
  DomStore::Insert(parent, newChild.Checked("insertBefore (new child)"), refChild.m_node);
  return newChild;
}

IXMLDOMNodePtr IXMLDOMNodePtr::replaceChild(const IXMLDOMNodePtr& newChild, const IXMLDOMNodePtr& oldChild) const {
  xmlNodePtr parent = Checked("replaceChild");
  xmlNodePtr fresh = newChild.Checked("replaceChild (new child)");
  xmlNodePtr old = oldChild.Checked("replaceChild (old child)");
  if (old->parent != parent) throw _com_error(E_INVALIDARG, "the node to replace is not a child of this node");
  if (fresh == old) return oldChild;
  IXMLDOMNodePtr keep(oldChild);
  DomStore::Insert(parent, fresh, old);
  DomStore::Unlink(old);
  return keep;
}

IXMLDOMNodePtr IXMLDOMNodePtr::removeChild(const IXMLDOMNodePtr& oldChild) const {
  xmlNodePtr parent = Checked("removeChild");
  xmlNodePtr old = oldChild.Checked("removeChild (child)");
  if (old->parent != parent || old->type == XML_ATTRIBUTE_NODE) {
    throw _com_error(E_INVALIDARG, "the node to remove is not a child of this node");
  }
  IXMLDOMNodePtr keep(oldChild);
  DomStore::Unlink(old);
  return keep;
}

IXMLDOMNodePtr IXMLDOMNodePtr::cloneNode(bool deep) const {
  xmlNodePtr n = Checked("cloneNode");
  if (n->type == XML_DOCUMENT_NODE) throw _com_error(E_INVALIDARG, "cloning a whole document is not supported");
  xmlNodePtr copy = xmlDocCopyNode(n, n->doc, deep ? 1 : 2);
  if (copy == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot copy the node");
  // The copy must not inherit the handle counts of the original.
  DomStore::ResetCounts(copy);
  return IXMLDOMNodePtr(copy);
}
