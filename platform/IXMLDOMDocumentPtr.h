// IXMLDOMDocumentPtr.h - handle on a whole XML document.
//
// Loading drops the whitespace-only text nodes between elements, so an
// indented document parses exactly like the same document on one line;
// white space inside xml:space="preserve" and CDATA sections is kept.
// Loading text that is not well-formed, or that declares an entity, fails
// with a parse error that names line and column; the handle is then left as
// it was. Nothing is ever fetched from outside the document.
#pragma once

#include <cstdio>

#include "platform/IXMLDOMElementPtr.h"
#include "platform/IXMLDOMNodeListPtr.h"

struct XmlParseError {
  CString reason;  // empty after a successful load
  CString url;
  int line = 0;
  int linepos = 0;
};

class IXMLDOMDocumentPtr : public IXMLDOMNodePtr {
 public:
  IXMLDOMDocumentPtr() noexcept = default;
  IXMLDOMDocumentPtr(std::nullptr_t) noexcept {}  // NOLINT
  // Null unless `node` is a document.
  IXMLDOMDocumentPtr(const IXMLDOMNodePtr& node);  // NOLINT: interface query
  const IXMLDOMDocumentPtr* operator->() const noexcept { return this; }

  // A new, empty document.
  static IXMLDOMDocumentPtr Create();

  // Parse a file or a text into a new document that this handle then holds.
  // false on failure, with the details in parseError().
  bool load(const char* path);
  bool loadXML(const char* text);
  const XmlParseError& parseError() const noexcept { return m_error; }
  // Writes the document, indented. The text goes to a new file beside the
  // target that then replaces it in one rename, so a failed write (a full
  // disk, a file-size limit) leaves an existing file untouched. A symbolic
  // link is followed: the file it names is replaced, with its permissions.
  // false when the file cannot be written.
  bool save(const char* path) const;
  // Writes the document to `stream` as save writes it (the same text that
  // xml() returns), without holding the text in memory first. false on a
  // write error.
  bool write(std::FILE* stream) const;

  IXMLDOMElementPtr documentElement() const;
  IXMLDOMElementPtr createElement(const char* tagName) const;
  IXMLDOMNodePtr createTextNode(const char* text) const;

  // The element of this document whose attribute `name` equals `value`
  // exactly (the first in document order), or null. Backed by an index that
  // is built in one pass and kept until the document changes, so repeated
  // look-ups cost no rescan.
  IXMLDOMElementPtr findElementByAttribute(const char* name, const char* value) const;

  // The elements of this document's tree named `name` (without a
  // namespace), in document order: what the XPath "//name" selects. Backed
  // by an index that is kept until an element of that name is inserted into
  // or removed from the tree, so repeated look-ups cost no rescan.
  IXMLDOMNodeListPtr elementsNamed(const char* name) const;

 private:
  bool Adopt(struct _xmlDoc* doc, const char* url);

  XmlParseError m_error;
};
