// DomStore.cpp - reference counts, subtree moves and XPath caching for the
// DOM handles.
#include "platform/DomStore.h"

#include <libxml/dict.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ChildPath.h"
#include "platform/ComError.h"
#include "platform/XmlName.h"

namespace {

void SilentError(void*, xmlErrorPtr) {}

bool IsDocNode(const xmlNode* node) {
  return node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE;
}

// Compiled XPath expressions, per thread (libxml2 contexts are not shared
// between threads). A plain child path is kept as such and walked instead
// of evaluated. Bounded so that texts with formatted-in values cannot grow
// it without end. Looked up by the caller's text without copying it.
struct CompiledPath {
  std::string text;  // the expression
  bool simple = false;
  ChildPath path;
  xmlXPathCompExprPtr comp = nullptr;
};

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>()(text); }
};

class XPathCache {
 public:
  ~XPathCache() { Clear(); }
  // The library asks for the same few literal paths again and again: the
  // last ones asked for are found by their address (their text compared to
  // be sure) before the map is searched.
  const CompiledPath& Get(const char* xpath) {
    // The addresses of literals lie close together: they are spread over
    // the slots by a multiplicative hash, so that the few a composition
    // uses do not take each other's slots in turn.
    const std::uintptr_t spread = reinterpret_cast<std::uintptr_t>(xpath) * 0x9E3779B97F4A7C15ull;
    Recent& recent = m_recent[spread >> (std::numeric_limits<std::uintptr_t>::digits - kRecentBits)];
    if (recent.xpath == xpath && recent.compiled != nullptr && recent.compiled->text == xpath) return *recent.compiled;
    const CompiledPath& compiled = Find(xpath);
    recent = {xpath, &compiled};
    return compiled;
  }

 private:
  const CompiledPath& Find(const char* xpath) {
    auto it = m_map.find(std::string_view(xpath));
    if (it != m_map.end()) return it->second;
    if (m_map.size() >= kLimit) Clear();
    CompiledPath compiled;
    compiled.simple = compiled.path.Parse(xpath);
    if (!compiled.simple) {
      compiled.comp = xmlXPathCompile(reinterpret_cast<const xmlChar*>(xpath));
      if (compiled.comp == nullptr) throw _com_error(E_INVALIDARG, std::string("invalid XPath expression: ") + xpath);
    }
    compiled.text = xpath;
    return m_map.emplace(xpath, std::move(compiled)).first->second;
  }

  static constexpr size_t kLimit = 4096;
  static constexpr int kRecentBits = 8;
  static constexpr size_t kRecent = size_t{1} << kRecentBits;
  struct Recent {
    const char* xpath = nullptr;
    const CompiledPath* compiled = nullptr;
  };
  void Clear() {
    for (auto& entry : m_map) {
      if (entry.second.comp != nullptr) xmlXPathFreeCompExpr(entry.second.comp);
    }
    m_map.clear();
    for (Recent& recent : m_recent) recent = {};
  }
  std::unordered_map<std::string, CompiledPath, TextHash, std::equal_to<>> m_map;
  Recent m_recent[kRecent];
};

thread_local XPathCache t_xpathCache;
thread_local bool t_initialised = false;

}  // namespace

void DomStore::Init() {
  if (t_initialised) return;
  t_initialised = true;
  xmlInitParser();
  xmlSetStructuredErrorFunc(nullptr, SilentError);
}

DomDocHolder* DomStore::Holder(xmlDocPtr doc) {
  if (doc->_private == nullptr) {
    auto* holder = new DomDocHolder;
    holder->doc = doc;
    doc->_private = holder;
  }
  return static_cast<DomDocHolder*>(doc->_private);
}

long DomStore::Count(xmlNodePtr node) { return static_cast<long>(reinterpret_cast<intptr_t>(node->_private)); }

// No Init here: a node exists only once a document was made or read, and
// those paths (and the ones that may report errors: XPath, load, save and
// serialisation) start libxml2 for their thread. Handles are copied for
// every object of every query; the thread-local check is not free.
void DomStore::Acquire(xmlNodePtr node) {
  if (node == nullptr) return;
  if (!IsDocNode(node)) node->_private = reinterpret_cast<void*>(reinterpret_cast<intptr_t>(node->_private) + 1);
  Holder(node->doc)->refs++;
}

void DomStore::Release(xmlNodePtr node) {
  if (node == nullptr) return;
  DomDocHolder* holder = Holder(node->doc);
  if (!IsDocNode(node)) {
    node->_private = reinterpret_cast<void*>(reinterpret_cast<intptr_t>(node->_private) - 1);
    if (Count(node) == 0) FreeIfUnheld(node);
  }
  if (--holder->refs == 0) ReleaseDoc(holder);
}

void DomStore::ReleaseDoc(DomDocHolder* holder) {
  xmlDocPtr doc = holder->doc;
  if (holder->xpath != nullptr) xmlXPathFreeContext(holder->xpath);
  doc->_private = nullptr;
  delete holder;
  xmlFreeDoc(doc);
}

bool DomStore::IsDetached(xmlNodePtr node, xmlNodePtr* top) {
  xmlNodePtr n = node;
  while (n->parent != nullptr) n = n->parent;
  *top = n;
  return !IsDocNode(n);
}

long DomStore::SubtreeRefs(xmlNodePtr node) {
  long sum = Count(node);
  if (node->type == XML_ELEMENT_NODE) {
    for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) sum += SubtreeRefs(reinterpret_cast<xmlNodePtr>(a));
  }
  if (node->type == XML_ENTITY_REF_NODE) return sum;  // children belong to the entity
  for (xmlNodePtr c = node->children; c != nullptr; c = c->next) sum += SubtreeRefs(c);
  return sum;
}

void DomStore::FreeIfUnheld(xmlNodePtr node) {
  // The usual handle let go is of a node whose parent is the document or is
  // held itself (the element whose children or attributes are being read):
  // then the node's subtree is held or in the document, and nothing is
  // freed, without walking up to the top.
  const xmlNodePtr parent = node->parent;
  if (parent != nullptr && (IsDocNode(parent) || Count(parent) > 0)) return;
  xmlNodePtr top = nullptr;
  if (!IsDetached(node, &top)) return;
  if (SubtreeRefs(top) != 0) return;
  Invalidate(top->doc);
  ForgetParents(top);
  xmlFreeNode(top);
}

// The first-child answers kept for the elements of a subtree about to be
// freed go with them: a node made later at the same address (a copy, which
// is not inserted anywhere yet) must not find them.
void DomStore::ForgetParents(xmlNodePtr top) {
  if (top->doc == nullptr || top->doc->_private == nullptr) return;
  auto& kept = static_cast<DomDocHolder*>(top->doc->_private)->firstChildNamed;
  if (kept.empty() || top->type != XML_ELEMENT_NODE) return;
  std::vector<xmlNodePtr> stack{top};
  while (!stack.empty()) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    for (auto& [name, parents] : kept) parents.erase(n);
    for (xmlNodePtr c = n->children; c != nullptr; c = c->next) {
      if (c->type == XML_ELEMENT_NODE) stack.push_back(c);
    }
  }
}

void DomStore::Invalidate(xmlDocPtr doc) {
  if (doc != nullptr && doc->_private != nullptr) static_cast<DomDocHolder*>(doc->_private)->indexes.clear();
}

void DomStore::InvalidateAttribute(xmlDocPtr doc, const char* name) {
  if (doc == nullptr || doc->_private == nullptr) return;
  auto& indexes = static_cast<DomDocHolder*>(doc->_private)->indexes;
  if (!indexes.empty()) indexes.erase(name);
}

namespace {

// A name of `from`'s dictionary as the target keeps it: from its own
// dictionary, or a copy of its own when it has none.
const xmlChar* OwnName(const xmlChar* name, xmlDictPtr from, xmlDictPtr to) {
  if (name == nullptr || xmlDictOwns(from, name) <= 0) return name;
  const xmlChar* own = to != nullptr ? xmlDictLookup(to, name, -1) : xmlStrdup(name);
  if (own == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot copy a name into another document");
  return own;
}

// A text kept in `from`'s dictionary (the parser keeps short texts there),
// as a copy of its own: texts are changed in place, names never are.
xmlChar* OwnText(xmlChar* text, xmlDictPtr from) {
  if (text == nullptr || xmlDictOwns(from, text) <= 0) return text;
  xmlChar* own = xmlStrdup(text);
  if (own == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot copy a text into another document");
  return own;
}

// The strings of `node`'s subtree (its attributes included) that live in
// `from`, the dictionary of the document it leaves. That dictionary goes
// with its document, and a string the target document does not own would
// be freed with the node as if it were its own: a subtree that changes
// documents takes its strings along. Iterative: a deep subtree must not
// overflow the stack.
void TakeStringsAlong(xmlNodePtr node, xmlDictPtr from, xmlDictPtr to) {
  std::vector<xmlNodePtr> stack{node};
  while (!stack.empty()) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    n->name = OwnName(n->name, from, to);
    if (n->type == XML_ENTITY_REF_NODE) continue;  // its children belong to the entity
    if (n->type != XML_ELEMENT_NODE) {
      n->content = OwnText(n->content, from);
    } else {
      for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) {
        a->name = OwnName(a->name, from, to);
        for (xmlNodePtr c = a->children; c != nullptr; c = c->next) stack.push_back(c);
      }
    }
    for (xmlNodePtr c = n->children; c != nullptr; c = c->next) stack.push_back(c);
  }
}

}  // namespace

void DomStore::MoveToDocument(xmlNodePtr node, xmlDocPtr target) {
  xmlDocPtr source = node->doc;
  if (source == target) return;
  long refs = SubtreeRefs(node);
  DomDocHolder* from = Holder(source);
  DomDocHolder* to = Holder(target);
  Invalidate(source);
  if (source->dict != nullptr && source->dict != target->dict) TakeStringsAlong(node, source->dict, target->dict);
  xmlSetTreeDoc(node, target);
  to->refs += refs;
  from->refs -= refs;
  if (from->refs == 0) ReleaseDoc(from);
}

void DomStore::Unlink(xmlNodePtr node) {
  if (node->parent == nullptr) return;
  Invalidate(node->doc);
  InvalidateNames(node);
  xmlUnlinkNode(node);
}

void DomStore::InvalidateNames(xmlNodePtr node) {
  if (node->doc == nullptr || node->doc->_private == nullptr) return;
  DomDocHolder* holder = static_cast<DomDocHolder*>(node->doc->_private);
  auto& named = holder->named;
  auto& children = holder->firstChildNamed;
  if ((named.empty() && children.empty()) || node->type != XML_ELEMENT_NODE) return;
  // Iterative walk: a deep subtree must not overflow the stack.
  std::vector<xmlNodePtr> stack{node};
  while (!stack.empty() && !(named.empty() && children.empty())) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    if (n->ns == nullptr) {
      named.erase(reinterpret_cast<const char*>(n->name));
      children.erase(reinterpret_cast<const char*>(n->name));
    }
    for (xmlNodePtr c = n->children; c != nullptr; c = c->next) {
      if (c->type == XML_ELEMENT_NODE) stack.push_back(c);
    }
  }
}

void DomStore::Insert(xmlNodePtr parent, xmlNodePtr node, xmlNodePtr before) {
  if (node->type == XML_ATTRIBUTE_NODE || IsDocNode(node)) {
    throw _com_error(E_INVALIDARG, "an attribute or document node cannot be inserted as a child");
  }
  if (parent->type != XML_ELEMENT_NODE && !IsDocNode(parent)) {
    throw _com_error(E_INVALIDARG, "only elements and documents take child nodes");
  }
  for (xmlNodePtr a = parent; a != nullptr; a = a->parent) {
    if (a == node) throw _com_error(E_INVALIDARG, "inserting the node would create a cycle");
  }
  if (before != nullptr && before->parent != parent) {
    throw _com_error(E_INVALIDARG, "the reference node is not a child of this node");
  }
  if (before == node) return;
  if (IsDocNode(parent) && node->type == XML_ELEMENT_NODE && xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent)) != nullptr &&
      node->parent != parent) {
    throw _com_error(E_INVALIDARG, "the document already has a root element");
  }
  // Hold the node while it is between places so that it is not freed.
  Acquire(node);
  Unlink(node);
  MoveToDocument(node, parent->doc);
  Invalidate(parent->doc);
  // Link by hand: xmlAddChild would merge adjacent text nodes and free the
  // node that a handle still holds.
  node->parent = parent;
  if (before == nullptr) {
    node->prev = parent->last;
    node->next = nullptr;
    if (parent->last != nullptr) parent->last->next = node; else parent->children = node;
    parent->last = node;
  } else {
    node->next = before;
    node->prev = before->prev;
    if (before->prev != nullptr) before->prev->next = node; else parent->children = node;
    before->prev = node;
  }
  InvalidateNames(node);
  Release(node);
}

std::vector<xmlNodePtr> DomStore::Evaluate(xmlNodePtr node, xmlXPathCompExprPtr comp, const char* xpath,
                                           bool firstOnly) {
  DomDocHolder* holder = Holder(node->doc);
  if (holder->xpath == nullptr) {
    holder->xpath = xmlXPathNewContext(node->doc);
    if (holder->xpath == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create an XPath context");
  }
  holder->xpath->node = node;
  holder->xpath->doc = node->doc;
  std::unique_ptr<xmlXPathObject, void (*)(xmlXPathObjectPtr)> result(xmlXPathCompiledEval(comp, holder->xpath),
                                                                       xmlXPathFreeObject);
  if (result == nullptr) throw _com_error(E_INVALIDARG, std::string("XPath evaluation failed: ") + xpath);
  std::vector<xmlNodePtr> nodes;
  if (result->type != XPATH_NODESET || result->nodesetval == nullptr) return nodes;
  for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
    xmlNodePtr n = result->nodesetval->nodeTab[i];
    if (n == nullptr || n->type == XML_NAMESPACE_DECL) continue;
    nodes.push_back(n);
    if (firstOnly) break;
  }
  return nodes;
}

std::vector<xmlNodePtr> DomStore::Select(xmlNodePtr node, const char* xpath) {
  Init();
  if (xpath == nullptr) throw _com_error(E_INVALIDARG, "null XPath expression");
  const CompiledPath& compiled = t_xpathCache.Get(xpath);
  if (!compiled.simple) return Evaluate(node, compiled.comp, xpath, false);
  std::vector<xmlNodePtr> nodes;
  compiled.path.Select(node, nodes);
  return nodes;
}

xmlNodePtr DomStore::SelectFirst(xmlNodePtr node, const char* xpath) {
  Init();
  if (xpath == nullptr) throw _com_error(E_INVALIDARG, "null XPath expression");
  const CompiledPath& compiled = t_xpathCache.Get(xpath);
  if (compiled.simple) return compiled.path.SelectFirst(node);
  const std::vector<xmlNodePtr> nodes = Evaluate(node, compiled.comp, xpath, true);
  return nodes.empty() ? nullptr : nodes.front();
}

void DomStore::SelectFirstOfEach(xmlNodePtr node, const char* const* xpaths, std::size_t count, xmlNodePtr* out) {
  Init();
  constexpr std::size_t kMost = 8;
  const CompiledPath* compiled[kMost];
  bool oneWalk = count <= kMost;
  for (std::size_t i = 0; i < count && oneWalk; ++i) {
    if (xpaths[i] == nullptr) throw _com_error(E_INVALIDARG, "null XPath expression");
    compiled[i] = &t_xpathCache.Get(xpaths[i]);
    oneWalk = compiled[i]->simple && compiled[i]->path.IsOneStep();
  }
  if (!oneWalk || (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE)) {
    for (std::size_t i = 0; i < count; ++i) out[i] = SelectFirst(node, xpaths[i]);
    return;
  }
  std::size_t left = count;
  for (std::size_t i = 0; i < count; ++i) out[i] = nullptr;
  for (xmlNodePtr child = node->children; child != nullptr && left > 0; child = child->next) {
    for (std::size_t i = 0; i < count; ++i) {
      if (out[i] != nullptr || !compiled[i]->path.MatchesChild(child)) continue;
      out[i] = child;
      --left;
    }
  }
}

void DomStore::ResetCounts(xmlNodePtr node) {
  node->_private = nullptr;
  if (node->type == XML_ELEMENT_NODE) {
    for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) ResetCounts(reinterpret_cast<xmlNodePtr>(a));
  }
  for (xmlNodePtr c = node->children; c != nullptr; c = c->next) ResetCounts(c);
}

namespace {

// The xml:space setting an element gives its content: its own attribute
// when it has one ("preserve" or "default"), else what it inherited.
bool PreservesSpace(xmlNodePtr element, bool inherited) {
  xmlChar* space = xmlGetNsProp(element, reinterpret_cast<const xmlChar*>("space"), XML_XML_NAMESPACE);
  if (space == nullptr) return inherited;
  const std::string value(reinterpret_cast<const char*>(space));
  xmlFree(space);
  if (value == "preserve") return true;
  if (value == "default") return false;
  return inherited;
}

void StripBlankTextBelow(xmlNodePtr node, bool preserve) {
  for (xmlNodePtr c = node->children; c != nullptr;) {
    xmlNodePtr next = c->next;
    if (c->type == XML_TEXT_NODE && !preserve && xmlIsBlankNode(c)) {
      xmlUnlinkNode(c);
      xmlFreeNode(c);
    } else if (c->type == XML_ELEMENT_NODE) {
      StripBlankTextBelow(c, PreservesSpace(c, preserve));
    }
    c = next;
  }
}

}  // namespace

void DomStore::StripBlankText(xmlNodePtr node) {
  const bool preserve = node->type == XML_ELEMENT_NODE && PreservesSpace(node, false);
  StripBlankTextBelow(node, preserve);
}

xmlNodePtr DomStore::FindByAttribute(xmlDocPtr doc, const char* name, const char* value) {
  DomDocHolder* holder = Holder(doc);
  auto it = holder->indexes.find(name);
  if (it == holder->indexes.end()) {
    std::unordered_map<std::string, xmlNodePtr> index;
    const auto* attr = reinterpret_cast<const xmlChar*>(name);
    // Iterative pre-order walk: deep documents must not overflow the stack.
    std::vector<xmlNodePtr> stack;
    if (xmlNodePtr root = xmlDocGetRootElement(doc)) stack.push_back(root);
    while (!stack.empty()) {
      xmlNodePtr n = stack.back();
      stack.pop_back();
      if (xmlAttrPtr a = xmlHasProp(n, attr)) {
        xmlChar* v = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
        index.emplace(v ? reinterpret_cast<const char*>(v) : "", n);
        xmlFree(v);
      }
      for (xmlNodePtr c = n->last; c != nullptr; c = c->prev) {
        if (c->type == XML_ELEMENT_NODE) stack.push_back(c);
      }
    }
    it = holder->indexes.emplace(name, std::move(index)).first;
  }
  auto hit = it->second.find(value);
  return hit == it->second.end() ? nullptr : hit->second;
}

const std::vector<xmlNodePtr>& DomStore::ElementsNamed(xmlDocPtr doc, const char* name) {
  DomDocHolder* holder = Holder(doc);
  auto it = holder->named.find(name);
  if (it != holder->named.end()) return it->second;
  std::vector<xmlNodePtr> elements;
  std::vector<xmlNodePtr> stack;
  if (xmlNodePtr root = xmlDocGetRootElement(doc)) stack.push_back(root);
  while (!stack.empty()) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    if (n->ns == nullptr && SameXmlName(n->name, name)) elements.push_back(n);
    for (xmlNodePtr c = n->last; c != nullptr; c = c->prev) {
      if (c->type == XML_ELEMENT_NODE) stack.push_back(c);
    }
  }
  return holder->named.emplace(name, std::move(elements)).first->second;
}

// A parent with few children is looked through each time; for one with
// many (the document element of a document of thousands of queries) the
// answer is kept, so that asking for each query costs no scan of all of
// them. An element of that name entering or leaving the tree drops what
// was kept (InvalidateNames), and a freed parent takes its answers along
// (ForgetParents), so a kept answer is never stale: a parent that gains
// such a child gains it by an insertion.
xmlNodePtr DomStore::FirstChildNamed(xmlNodePtr parent, const char* name) {
  constexpr size_t kScannedEachTime = 32;
  const auto matches = [name](xmlNodePtr c) {
    return c->type == XML_ELEMENT_NODE && c->ns == nullptr && SameXmlName(c->name, name);
  };
  size_t seen = 0;
  xmlNodePtr c = parent->children;
  for (; c != nullptr && seen < kScannedEachTime; c = c->next, ++seen) {
    if (matches(c)) return c;
  }
  if (c == nullptr || parent->doc == nullptr) return nullptr;
  auto& kept = Holder(parent->doc)->firstChildNamed[name];
  const auto it = kept.find(parent);
  if (it != kept.end()) return it->second;
  for (; c != nullptr && !matches(c); c = c->next) {
  }
  kept.emplace(parent, c);
  return c;
}

// A composition adds the same few names ("Expression", "WhereClause") to
// thousands of elements. libxml2 looks each name up in the document's
// dictionary again; the names written lately are kept here with the
// dictionary's copy, so that the attribute takes that copy directly. A
// name is recognised by its text, the pointer only picks the entry to
// compare: a caller may pass the same buffer with another name later.
xmlAttrPtr DomStore::NewAttribute(xmlNodePtr element, const char* name, const char* value) {
  constexpr size_t kNamesKept = 16;
  xmlDocPtr doc = element->doc;
  if (doc == nullptr || doc->dict == nullptr) {
    return xmlNewProp(element, reinterpret_cast<const xmlChar*>(name), reinterpret_cast<const xmlChar*>(value));
  }
  auto& kept = Holder(doc)->writtenNames;
  const xmlChar* own = nullptr;
  for (const auto& [given, interned] : kept) {
    if (given == name && std::strcmp(reinterpret_cast<const char*>(interned), name) == 0) {
      own = interned;
      break;
    }
  }
  if (own == nullptr) {
    own = xmlDictLookup(doc->dict, reinterpret_cast<const xmlChar*>(name), -1);
    if (own == nullptr) return nullptr;
    if (kept.size() == kNamesKept) kept.erase(kept.begin());
    kept.emplace_back(name, own);
  }
  // The name is the dictionary's: the attribute takes it without a copy.
  return xmlNewNsPropEatName(element, nullptr, const_cast<xmlChar*>(own), reinterpret_cast<const xmlChar*>(value));
}
