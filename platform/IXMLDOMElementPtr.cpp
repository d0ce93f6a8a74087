// IXMLDOMElementPtr.cpp - attribute access on element handles.
#include "platform/IXMLDOMElementPtr.h"

#include <libxml/tree.h>

#include <cstring>
#include <iterator>
#include <utility>

#include "platform/DomStore.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "platform/XmlName.h"

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

void CheckName(const char* name) {
  if (name == nullptr || *name == '\0') throw _com_error(E_INVALIDARG, "empty attribute name");
}

// The attribute `name` without a namespace, as getAttribute reads it. The
// element's attribute list is short and read for every object of every
// query: it is walked here. Only a document with a document type can give
// an absent attribute a default, which libxml2's own look-up finds.
xmlAttrPtr FindAttribute(xmlNodePtr element, const char* name) {
  for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next) {
    __builtin_prefetch(a->children);
    if (a->ns == nullptr && SameXmlName(a->name, name)) return a;
  }
  if (element->doc == nullptr || element->doc->intSubset == nullptr) return nullptr;
  return xmlHasNsProp(element, X(name), nullptr);
}

// The text of an attribute that holds one text node (the usual form), as
// the node holds it; null for any other form.
const char* SingleText(xmlAttrPtr attr) {
  xmlNodePtr text = attr->type == XML_ATTRIBUTE_NODE ? attr->children : nullptr;
  if (text == nullptr || text->next != nullptr || text->type != XML_TEXT_NODE) return nullptr;
  return text->content ? reinterpret_cast<const char*>(text->content) : "";
}

// The text of attribute `name` of `n` put together by libxml2: for an
// attribute of several nodes, or a default that the document type declares.
CString MergedText(xmlNodePtr n, const char* name) {
  xmlChar* value = xmlGetNoNsProp(n, X(name));
  CString out(value ? reinterpret_cast<const char*>(value) : "");
  xmlFree(value);
  return out;
}

// True for the names the library writes: ASCII letters, digits, '_', '-'
// and '.', not starting with a digit, '-' or '.'. Those are XML names
// without asking libxml2's full (Unicode) check.
bool IsPlainName(const char* name) {
  const auto start = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!start(*name)) return false;
  for (const char* p = name + 1; *p != '\0'; ++p) {
    if (!start(*p) && !(*p >= '0' && *p <= '9') && *p != '-' && *p != '.') return false;
  }
  return true;
}

// True when `attr` is an attribute of the element whose text is one text
// node equal to `value`.
bool HoldsText(xmlAttrPtr attr, const char* value) {
  if (attr == nullptr || attr->type != XML_ATTRIBUTE_NODE) return false;
  xmlNodePtr text = attr->children;
  if (text == nullptr) return *value == '\0';
  return text->next == nullptr && text->type == XML_TEXT_NODE && text->content != nullptr &&
         std::strcmp(reinterpret_cast<const char*>(text->content), value) == 0;
}

// Gives an attribute that holds one text node the text `value` in that
// node, instead of freeing the node and making another as libxml2's
// setter does. Not for an ID attribute, which the document indexes by its
// value. False when the attribute is not of that simple form.
bool ReplaceText(xmlAttrPtr attr, const char* value) {
  if (attr == nullptr || attr->type != XML_ATTRIBUTE_NODE || attr->atype == XML_ATTRIBUTE_ID) return false;
  xmlNodePtr text = attr->children;
  if (text == nullptr || text->next != nullptr || text->type != XML_TEXT_NODE) return false;
  xmlNodeSetContent(text, X(value));
  if (text->content == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot set an attribute's text");
  return true;
}

// True when `name` is a plain name (see IsPlainName); throws
// `_com_error(E_INVALIDARG)` when it is no XML name at all.
bool IsWritableName(const char* name) {
  if (IsPlainName(name)) return true;
  if (xmlValidateNameValue(X(name)) == 0) throw _com_error(E_INVALIDARG, std::string("invalid attribute name: ") + name);
  return false;
}

// Gives element `n` the attribute `name` holding `value`. With `searched`
// (a plain name), `existing` is what FindAttribute found for it, null when
// the element has none: a text that is there already changes nothing, one
// that differs is rewritten in its own node, and an absent attribute is
// added without libxml2 searching the list a second time. Otherwise
// libxml2's setter decides.
void WriteAttribute(xmlNodePtr n, const char* name, const char* value, xmlAttrPtr existing, bool searched) {
  if (searched && HoldsText(existing, value)) return;  // recomposing writes the same texts again
  DomStore::InvalidateAttribute(n->doc, name);
  if (ReplaceText(existing, value)) return;
  const xmlAttrPtr written = searched && existing == nullptr ? DomStore::NewAttribute(n, name, value)
                                                             : xmlSetProp(n, X(name), X(value));
  if (written == nullptr) throw _com_error(E_FAIL, std::string("cannot set attribute ") + name);
}

// Removes `attr`, the attribute `name` of its element.
void RemoveProperty(xmlAttrPtr attr, const char* name) {
  DomStore::InvalidateAttribute(attr->doc, name);
  if (attr->_private != nullptr) {
    // A handle still holds the attribute: detach it and let the handle free it.
    DomStore::Unlink(reinterpret_cast<xmlNodePtr>(attr));
    return;
  }
  xmlRemoveProp(attr);
}

}  // namespace

IXMLDOMElementPtr::IXMLDOMElementPtr(const IXMLDOMNodePtr& node)
    : IXMLDOMNodePtr(node && node.GetInterfacePtr()->type == XML_ELEMENT_NODE ? node : IXMLDOMNodePtr()) {}

IXMLDOMElementPtr::IXMLDOMElementPtr(IXMLDOMNodePtr&& node) noexcept : IXMLDOMNodePtr(std::move(node)) {
  if (*this && GetInterfacePtr()->type != XML_ELEMENT_NODE) IXMLDOMNodePtr::operator=(IXMLDOMNodePtr());
}

CString IXMLDOMElementPtr::getAttribute(const char* name) const {
  xmlNodePtr n = Checked("getAttribute");
  CheckName(name);
  xmlAttrPtr attr = FindAttribute(n, name);
  if (attr == nullptr) return CString();
  // The usual attribute holds one text node: its text is copied once.
  if (const char* text = SingleText(attr)) return CString(text);
  return MergedText(n, name);
}

AttributeText IXMLDOMElementPtr::attributeText(const char* name) const {
  xmlNodePtr n = Checked("attributeText");
  CheckName(name);
  xmlAttrPtr attr = FindAttribute(n, name);
  if (attr == nullptr) return AttributeText();
  if (const char* text = SingleText(attr)) return AttributeText::InDocument(text);
  return AttributeText::Copied(MergedText(n, name));
}

void IXMLDOMElementPtr::attributeTexts(const char* const* names, std::size_t count, AttributeText* texts) const {
  xmlNodePtr n = Checked("attributeTexts");
  for (std::size_t i = 0; i < count; ++i) CheckName(names[i]);
  if (n->doc != nullptr && n->doc->intSubset != nullptr) {
    // A document type may give defaults: each name is looked up on its own.
    for (std::size_t i = 0; i < count; ++i) texts[i] = attributeText(names[i]);
    return;
  }
  for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) {
    if (a->ns != nullptr) continue;
    for (std::size_t i = 0; i < count; ++i) {
      if (!SameXmlName(a->name, names[i])) continue;
      if (const char* text = SingleText(a)) texts[i].SetView(text);
      else texts[i] = AttributeText::Copied(MergedText(n, names[i]));
      break;
    }
  }
}

std::string_view IXMLDOMElementPtr::tagNameView() const {
  xmlNodePtr n = Checked("tagNameView");
  return n->name != nullptr ? std::string_view(reinterpret_cast<const char*>(n->name)) : std::string_view();
}

bool IXMLDOMElementPtr::hasAttribute(const char* name) const {
  xmlNodePtr n = Checked("hasAttribute");
  CheckName(name);
  return FindAttribute(n, name) != nullptr;
}

void IXMLDOMElementPtr::setAttribute(const char* name, const char* value) const {
  xmlNodePtr n = Checked("setAttribute");
  CheckName(name);
  const bool plain = IsWritableName(name);
  WriteAttribute(n, name, value ? value : "", plain ? FindAttribute(n, name) : nullptr, plain);
}

void IXMLDOMElementPtr::removeAttribute(const char* name) const {
  xmlNodePtr n = Checked("removeAttribute");
  CheckName(name);
  xmlAttrPtr attr = xmlHasProp(n, X(name));
  if (attr == nullptr) return;
  RemoveProperty(attr, name);
}

void IXMLDOMElementPtr::setLastAttributes(std::initializer_list<std::pair<const char*, const char*>> last) const {
  xmlNodePtr n = Checked("setLastAttributes");
  constexpr size_t kMost = 8;
  bool allFilled = true;
  for (const auto& [name, value] : last) {
    CheckName(name);
    allFilled = allFilled && value != nullptr && *value != '\0';
  }
  if (last.size() > kMost || (n->doc != nullptr && n->doc->intSubset != nullptr)) {
    // A document type may give defaults: the general operations decide.
    for (const auto& [name, value] : last) removeAttribute(name);
    for (const auto& [name, value] : last) {
      if (value != nullptr && *value != '\0') setAttribute(name, value);
    }
    return;
  }
  const std::pair<const char*, const char*>* pairs = std::data(last);
  const size_t count = last.size();
  bool filled[kMost];
  for (size_t i = 0; i < count; ++i) filled[i] = pairs[i].second != nullptr && *pairs[i].second != '\0';
  // In place when, read back from the end, the attributes with a value
  // come in the reverse order of `last` (the usual case of a composition
  // run again): then only those without a value are looked for.
  xmlAttrPtr found[kMost];
  xmlAttrPtr at = n->properties;
  while (at != nullptr && at->next != nullptr) at = at->next;
  bool inPlace = true;
  for (size_t k = count; k-- > 0 && inPlace;) {
    if (!filled[k]) continue;
    // Here the names usually match, whole: the library's comparison is the
    // quicker one for that.
    inPlace = at != nullptr && at->ns == nullptr && std::strcmp(reinterpret_cast<const char*>(at->name), pairs[k].first) == 0;
    found[k] = at;
    if (inPlace) at = at->prev;
  }
  if (inPlace && allFilled) {
    // A composition run again: every text stands where it belongs, and
    // only a text that changed is written.
    for (size_t i = 0; i < count; ++i) WriteAttribute(n, pairs[i].first, pairs[i].second, found[i], true);
    return;
  }
  // Names to add are checked before anything changes.
  bool plain[kMost];
  for (size_t i = 0; i < count; ++i) plain[i] = inPlace || !filled[i] || IsWritableName(pairs[i].first);
  for (size_t i = 0; i < count; ++i) {
    if (inPlace && filled[i]) continue;
    found[i] = FindAttribute(n, pairs[i].first);
    if (found[i] != nullptr) RemoveProperty(found[i], pairs[i].first);
  }
  // In place, an attribute stands where it is; else it was removed above
  // and is added at the end.
  for (size_t i = 0; i < count; ++i) {
    if (filled[i]) WriteAttribute(n, pairs[i].first, pairs[i].second, inPlace ? found[i] : nullptr, plain[i]);
  }
}

bool IXMLDOMElementPtr::endsWithAttributes(
    std::initializer_list<std::pair<const char*, const char*>> expected) const {
  xmlNodePtr n = Checked("endsWithAttributes");
  xmlAttrPtr attr = n->properties;
  while (attr != nullptr && attr->next != nullptr) attr = attr->next;
  for (auto it = std::rbegin(expected); it != std::rend(expected); ++it, attr = attr->prev) {
    if (attr == nullptr || attr->ns != nullptr) return false;
    if (!SameXmlName(attr->name, it->first)) return false;
    if (!HoldsText(attr, it->second ? it->second : "")) return false;
  }
  return true;
}

std::vector<std::pair<CString, CString>> IXMLDOMElementPtr::attributes() const {
  xmlNodePtr n = Checked("attributes");
  std::vector<std::pair<CString, CString>> out;
  for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) {
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
    out.emplace_back(reinterpret_cast<const char*>(a->name), value ? reinterpret_cast<const char*>(value) : "");
    xmlFree(value);
  }
  return out;
}

std::vector<CString> IXMLDOMElementPtr::attributeNames() const {
  xmlNodePtr n = Checked("attributeNames");
  std::vector<CString> out;
  for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) out.emplace_back(reinterpret_cast<const char*>(a->name));
  return out;
}

IXMLDOMNodeListPtr IXMLDOMElementPtr::getElementsByTagName(const char* name) const {
  xmlNodePtr root = Checked("getElementsByTagName");
  const bool all = name == nullptr || std::string_view(name) == "*";
  std::vector<IXMLDOMNodePtr> items;
  std::vector<xmlNodePtr> stack;
  for (xmlNodePtr c = root->last; c != nullptr; c = c->prev) stack.push_back(c);
  while (!stack.empty()) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    if (n->type != XML_ELEMENT_NODE) continue;
    if (all || xmlStrEqual(n->name, X(name))) items.emplace_back(n);
    for (xmlNodePtr c = n->last; c != nullptr; c = c->prev) stack.push_back(c);
  }
  return IXMLDOMNodeListPtr(std::move(items));
}
