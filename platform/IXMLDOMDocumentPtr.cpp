// IXMLDOMDocumentPtr.cpp - loading, saving and creating documents.
#include "platform/IXMLDOMDocumentPtr.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

#include "platform/DomStore.h"

namespace {

constexpr int kParseOptions = XML_PARSE_NODICT | XML_PARSE_NONET | XML_PARSE_NOCDATA;

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

using ParserCtxt = std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)>;

// Keeps the first error of a parse: later ones ("premature end of data")
// are consequences of it and point past the real fault.
struct FirstError {
  bool set = false;
  CString message;
  int line = 0;
  int column = 0;
};

void CaptureFirst(void* data, xmlErrorPtr error) {
  auto* first = static_cast<FirstError*>(data);
  if (first->set || error == nullptr || error->level < XML_ERR_ERROR) return;
  first->set = true;
  first->message = error->message ? error->message : "malformed XML";
  first->message.TrimRight();
  first->line = error->line;
  first->column = error->int2;
}

// Routes libxml2's errors to a FirstError for the life of one parse.
class ErrorCapture {
 public:
  ErrorCapture() { xmlSetStructuredErrorFunc(&m_first, CaptureFirst); }
  ~ErrorCapture() { xmlSetStructuredErrorFunc(nullptr, [](void*, xmlErrorPtr) {}); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;
  const FirstError& First() const { return m_first; }

 private:
  FirstError m_first;
};

}  // namespace

IXMLDOMDocumentPtr::IXMLDOMDocumentPtr(const IXMLDOMNodePtr& node)
    : IXMLDOMNodePtr(node && node.GetInterfacePtr()->type == XML_DOCUMENT_NODE ? node : IXMLDOMNodePtr()) {}

IXMLDOMDocumentPtr IXMLDOMDocumentPtr::Create() {
  DomStore::Init();
  xmlDocPtr doc = xmlNewDoc(X("1.0"));
  if (doc == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create a document");
  return IXMLDOMDocumentPtr(IXMLDOMNodePtr(reinterpret_cast<xmlNodePtr>(doc)));
}

bool IXMLDOMDocumentPtr::Adopt(_xmlDoc* doc, const char* url) {
  m_error = XmlParseError();
  m_error.url = url ? url : "";
  DomStore::StripBlankText(reinterpret_cast<xmlNodePtr>(doc));
  static_cast<IXMLDOMNodePtr&>(*this) = IXMLDOMNodePtr(reinterpret_cast<xmlNodePtr>(doc));
  return true;
}

static bool Fail(XmlParseError& error, const FirstError& first, const char* url) {
  error = XmlParseError();
  error.url = url ? url : "";
  if (!first.set) {
    error.reason = "cannot read the document";
    return false;
  }
  error.reason = first.message;
  error.line = first.line;
  error.linepos = first.column;
  return false;
}

bool IXMLDOMDocumentPtr::load(const char* path) {
  DomStore::Init();
  ErrorCapture capture;
  ParserCtxt ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (ctxt == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create an XML parser");
  xmlDocPtr doc = xmlCtxtReadFile(ctxt.get(), path, nullptr, kParseOptions);
  if (doc == nullptr || !ctxt->wellFormed) {
    if (doc) xmlFreeDoc(doc);
    return Fail(m_error, capture.First(), path);
  }
  return Adopt(doc, path);
}

bool IXMLDOMDocumentPtr::loadXML(const char* text) {
  DomStore::Init();
  ErrorCapture capture;
  ParserCtxt ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (ctxt == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create an XML parser");
  const std::string_view body(text ? text : "");
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), body.data(), static_cast<int>(body.size()), "memory", nullptr, kParseOptions);
  if (doc == nullptr || !ctxt->wellFormed) {
    if (doc) xmlFreeDoc(doc);
    return Fail(m_error, capture.First(), "");
  }
  return Adopt(doc, "");
}

bool IXMLDOMDocumentPtr::save(const char* path) const {
  xmlNodePtr n = Checked("save");
  return xmlSaveFormatFileEnc(path, reinterpret_cast<xmlDocPtr>(n), "UTF-8", 1) >= 0;
}

IXMLDOMElementPtr IXMLDOMDocumentPtr::documentElement() const {
  xmlNodePtr n = Checked("documentElement");
  return IXMLDOMElementPtr(IXMLDOMNodePtr(xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(n))));
}

IXMLDOMElementPtr IXMLDOMDocumentPtr::createElement(const char* tagName) const {
  xmlNodePtr n = Checked("createElement");
  if (tagName == nullptr || xmlValidateNameValue(X(tagName)) == 0) {
    throw _com_error(E_INVALIDARG, std::string("invalid element name: ") + (tagName ? tagName : "(null)"));
  }
  xmlNodePtr element = xmlNewDocNode(reinterpret_cast<xmlDocPtr>(n), nullptr, X(tagName), nullptr);
  if (element == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create an element");
  return IXMLDOMElementPtr(IXMLDOMNodePtr(element));
}

IXMLDOMNodePtr IXMLDOMDocumentPtr::createTextNode(const char* text) const {
  xmlNodePtr n = Checked("createTextNode");
  xmlNodePtr node = xmlNewDocText(reinterpret_cast<xmlDocPtr>(n), X(text ? text : ""));
  if (node == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create a text node");
  return IXMLDOMNodePtr(node);
}

IXMLDOMElementPtr IXMLDOMDocumentPtr::findElementByAttribute(const char* name, const char* value) const {
  xmlNodePtr n = Checked("findElementByAttribute");
  if (name == nullptr || value == nullptr) return nullptr;
  xmlNodePtr hit = DomStore::FindByAttribute(reinterpret_cast<xmlDocPtr>(n), name, value);
  return IXMLDOMElementPtr(IXMLDOMNodePtr(hit));
}
