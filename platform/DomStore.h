// DomStore.h - the bookkeeping behind the DOM handles (internal to platform).
//
// Each libxml2 document gets a holder (in its _private field) that counts the
// handles on any of its nodes, owns the XPath context and the attribute
// indexes. Each node counts the handles on it in its own _private field.
// DomStore acquires and releases those references, frees detached subtrees
// that nobody holds any more, moves subtrees between documents, and keeps the
// per-thread cache of compiled XPath expressions.
#pragma once

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

struct DomDocHolder {
  xmlDocPtr doc = nullptr;
  long refs = 0;
  xmlXPathContextPtr xpath = nullptr;
  // attribute name -> value -> first element carrying it.
  std::unordered_map<std::string, std::unordered_map<std::string, xmlNodePtr>> indexes;
  // element name -> the elements of that name (no namespace), in document
  // order. Kept until an element of that name is inserted or removed.
  std::unordered_map<std::string, std::vector<xmlNodePtr>> named;
  // element name -> parent -> its first element child of that name (null:
  // none), for parents with many children. Kept as `named` is.
  std::unordered_map<std::string, std::unordered_map<xmlNodePtr, xmlNodePtr>> firstChildNamed;
  // The attribute names written lately, as the caller passed them and as
  // the document's dictionary holds them (see NewAttribute).
  std::vector<std::pair<const char*, const xmlChar*>> writtenNames;
};

class DomStore {
 public:
  // Sets up libxml2 for this thread (silent errors); cheap after the first call.
  static void Init();

  // Gives `doc` a holder (no-op when it has one) and returns it.
  static DomDocHolder* Holder(xmlDocPtr doc);
  static void Acquire(xmlNodePtr node);
  static void Release(xmlNodePtr node);

  // Structural edits that keep the counts right. `before` may be null
  // (append). Throw `_com_error(E_INVALIDARG)` for impossible edits.
  static void Insert(xmlNodePtr parent, xmlNodePtr node, xmlNodePtr before);
  static void Unlink(xmlNodePtr node);
  // Drops the indexes of the document (structure or indexed values changed).
  static void Invalidate(xmlDocPtr doc);
  static void InvalidateAttribute(xmlDocPtr doc, const char* name);

  // Runs a cached compiled XPath expression relative to `node`: all matches
  // in document order, or the first (null when none).
  static std::vector<xmlNodePtr> Select(xmlNodePtr node, const char* xpath);
  static xmlNodePtr SelectFirst(xmlNodePtr node, const char* xpath);
  // out[i] = SelectFirst(node, xpaths[i]) for each of `count` expressions;
  // one walk over the children when each is a path of one step.
  static void SelectFirstOfEach(xmlNodePtr node, const char* const* xpaths, std::size_t count, xmlNodePtr* out);

  // Adds the attribute `name` (without a namespace; the element has none
  // of that name) holding `value` at the end of `element`'s attributes.
  // Returns null when libxml2 cannot.
  static xmlAttrPtr NewAttribute(xmlNodePtr element, const char* name, const char* value);

  // Zeroes the handle counts of a fresh copy's subtree.
  static void ResetCounts(xmlNodePtr node);

  // Removes whitespace-only text nodes below `node` (the formatting between
  // elements), except inside elements with xml:space="preserve". CDATA
  // sections are content and always stay.
  static void StripBlankText(xmlNodePtr node);

  // One-pass index look-up for IXMLDOMDocumentPtr::findElementByAttribute.
  static xmlNodePtr FindByAttribute(xmlDocPtr doc, const char* name, const char* value);
  // The indexed elements named `name` for IXMLDOMDocumentPtr::elementsNamed.
  static const std::vector<xmlNodePtr>& ElementsNamed(xmlDocPtr doc, const char* name);
  // The first element child of `parent` named `name`, for
  // IXMLDOMNodePtr::firstChildNamed.
  static xmlNodePtr FirstChildNamed(xmlNodePtr parent, const char* name);

 private:
  static long Count(xmlNodePtr node);
  static long SubtreeRefs(xmlNodePtr node);
  static bool IsDetached(xmlNodePtr node, xmlNodePtr* top);
  static void FreeIfUnheld(xmlNodePtr node);
  static void ForgetParents(xmlNodePtr top);
  static void ReleaseDoc(DomDocHolder* holder);
  // Drops the name indexes that `node`'s subtree touches (it was inserted
  // into or removed from its document's tree).
  static void InvalidateNames(xmlNodePtr node);
  static void MoveToDocument(xmlNodePtr node, xmlDocPtr target);
  static std::vector<xmlNodePtr> Evaluate(xmlNodePtr node, xmlXPathCompExprPtr comp, const char* xpath,
                                          bool firstOnly);
};
