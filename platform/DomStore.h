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

#include <string>
#include <unordered_map>
#include <vector>

struct DomDocHolder {
  xmlDocPtr doc = nullptr;
  long refs = 0;
  xmlXPathContextPtr xpath = nullptr;
  // attribute name -> value -> first element carrying it.
  std::unordered_map<std::string, std::unordered_map<std::string, xmlNodePtr>> indexes;
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

  // Runs a cached compiled XPath expression relative to `node`.
  static std::vector<xmlNodePtr> Select(xmlNodePtr node, const char* xpath, bool firstOnly);

  // Zeroes the handle counts of a fresh copy's subtree.
  static void ResetCounts(xmlNodePtr node);

  // Removes whitespace-only text nodes below `node` (the formatting between
  // elements), except inside elements with xml:space="preserve". CDATA
  // sections are content and always stay.
  static void StripBlankText(xmlNodePtr node);

  // One-pass index look-up for IXMLDOMDocumentPtr::findElementByAttribute.
  static xmlNodePtr FindByAttribute(xmlDocPtr doc, const char* name, const char* value);

 private:
  static long Count(xmlNodePtr node);
  static long SubtreeRefs(xmlNodePtr node);
  static bool IsDetached(xmlNodePtr node, xmlNodePtr* top);
  static void FreeIfUnheld(xmlNodePtr node);
  static void ReleaseDoc(DomDocHolder* holder);
  static void MoveToDocument(xmlNodePtr node, xmlDocPtr target);
};
