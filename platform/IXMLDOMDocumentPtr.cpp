// IXMLDOMDocumentPtr.cpp - loading, saving and creating documents.
#include "platform/IXMLDOMDocumentPtr.h"

#include <fcntl.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/xmlsave.h>
#include <libxml/tree.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/DomStore.h"

namespace {

// No network, no substitution of entities, no external DTD. CDATA sections
// stay sections, so their content (also white space only) survives a load
// and save. The parser leaves out most formatting white space itself
// (NOBLANKS) instead of making text nodes that the load then removes one by
// one; StripBlankText removes the rest, and both honour xml:space. A text of
// up to 15 bytes (most attribute values of a query document: names,
// aliases, type codes) is kept inside its text node (COMPACT) rather than in
// a block of its own: one allocation less at the load, and one memory read
// less each time a composition reads the value. libxml2 frees and rewrites
// such a text knowing where it lives, and a copy or a move between
// documents takes it along with its node.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

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

// A query document has no use for entity declarations, and an entity that
// is left unexpanded at load is expanded again on every read of the
// attribute that uses it: a few kilobytes of declarations can then cost
// gigabytes and minutes. So the first declaration (general or parameter,
// internal or external) stops the parse, and the load fails naming where it
// stands. Predefined entities and character references are not declarations
// and stay accepted.
struct EntityRefusal {
  bool refused = false;
  CString reason;
  int line = 0;
  int column = 0;
};

void RefuseEntityDecl(void* ctx, const xmlChar* name, int, const xmlChar*, const xmlChar*, xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  auto* refusal = static_cast<EntityRefusal*>(ctxt->_private);
  if (refusal == nullptr || refusal->refused) return;
  refusal->refused = true;
  refusal->reason = "the document declares the entity '";
  refusal->reason += name ? reinterpret_cast<const char*>(name) : "";
  refusal->reason += "'; a query document may not declare entities";
  refusal->line = xmlSAX2GetLineNumber(ctx);
  refusal->column = xmlSAX2GetColumnNumber(ctx);
  xmlStopParser(ctxt);
}

// A parser context whose entity declarations are refused (see above).
ParserCtxt NewParserCtxt(EntityRefusal& refusal) {
  ParserCtxt ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (ctxt == nullptr) throw _com_error(E_OUTOFMEMORY, "cannot create an XML parser");
  ctxt->_private = &refusal;
  ctxt->sax->entityDecl = RefuseEntityDecl;
  return ctxt;
}

bool Refused(XmlParseError& error, const EntityRefusal& refusal, const char* url) {
  error = XmlParseError();
  error.url = url ? url : "";
  error.reason = refusal.reason;
  error.line = refusal.line;
  error.linepos = refusal.column;
  return false;
}

// A name for the temporary file beside `target`, unique within the process
// and, with the process id, across processes.
std::string TemporaryBeside(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  return target.string() + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// The file that a save finally replaces: the target a symbolic link points
// to, so that saving through a link updates the linked file and keeps the
// link.
std::filesystem::path SaveTarget(const char* path) {
  std::error_code ec;
  std::filesystem::path target(path);
  const std::filesystem::path resolved = std::filesystem::canonical(target, ec);
  return ec ? target : resolved;
}

// Creates the temporary file exclusively (mode 0666 less the umask, as a new
// file would get); -1 when it cannot be created.
int CreateTemporary(const std::filesystem::path& target, std::string& name) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = TemporaryBeside(target);
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes the document to `fd` indented, as xmlSaveFormatFileEnc does; false
// on any write error.
bool WriteDocument(xmlDocPtr doc, int fd) {
  xmlSaveCtxtPtr save = xmlSaveToFd(fd, "UTF-8", XML_SAVE_FORMAT);
  if (save == nullptr) return false;
  const long written = xmlSaveDoc(save, doc);
  const int flushed = xmlSaveClose(save);
  return written >= 0 && flushed >= 0;
}

int WriteToStream(void* stream, const char* buffer, int length) {
  if (length <= 0) return 0;
  const size_t written = std::fwrite(buffer, 1, static_cast<size_t>(length), static_cast<std::FILE*>(stream));
  return written == static_cast<size_t>(length) ? length : -1;
}

int KeepStreamOpen(void*) { return 0; }

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
  EntityRefusal refusal;
  ParserCtxt ctxt = NewParserCtxt(refusal);
  xmlDocPtr doc = xmlCtxtReadFile(ctxt.get(), path, nullptr, kParseOptions);
  if (refusal.refused) {
    if (doc) xmlFreeDoc(doc);
    return Refused(m_error, refusal, path);
  }
  if (doc == nullptr || !ctxt->wellFormed) {
    if (doc) xmlFreeDoc(doc);
    return Fail(m_error, capture.First(), path);
  }
  return Adopt(doc, path);
}

bool IXMLDOMDocumentPtr::loadXML(const char* text) {
  DomStore::Init();
  ErrorCapture capture;
  EntityRefusal refusal;
  ParserCtxt ctxt = NewParserCtxt(refusal);
  const std::string_view body(text ? text : "");
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), body.data(), static_cast<int>(body.size()), "memory", nullptr, kParseOptions);
  if (refusal.refused) {
    if (doc) xmlFreeDoc(doc);
    return Refused(m_error, refusal, "");
  }
  if (doc == nullptr || !ctxt->wellFormed) {
    if (doc) xmlFreeDoc(doc);
    return Fail(m_error, capture.First(), "");
  }
  return Adopt(doc, "");
}

bool IXMLDOMDocumentPtr::save(const char* path) const {
  DomStore::Init();
  xmlNodePtr n = Checked("save");
  if (path == nullptr || *path == '\0') return false;
  const std::filesystem::path target = SaveTarget(path);
  std::string temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) return false;
  struct stat existing {};
  bool ok = WriteDocument(reinterpret_cast<xmlDocPtr>(n), fd);
  if (ok && stat(target.c_str(), &existing) == 0) ok = fchmod(fd, existing.st_mode & 07777) == 0;
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

bool IXMLDOMDocumentPtr::write(std::FILE* stream) const {
  DomStore::Init();
  xmlNodePtr n = Checked("write");
  if (stream == nullptr) return false;
  xmlSaveCtxtPtr save = xmlSaveToIO(WriteToStream, KeepStreamOpen, stream, "UTF-8", XML_SAVE_FORMAT);
  if (save == nullptr) return false;
  const long written = xmlSaveDoc(save, reinterpret_cast<xmlDocPtr>(n));
  const int flushed = xmlSaveClose(save);
  return written >= 0 && flushed >= 0 && std::fflush(stream) == 0;
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

IXMLDOMNodeListPtr IXMLDOMDocumentPtr::elementsNamed(const char* name) const {
  xmlNodePtr n = Checked("elementsNamed");
  std::vector<IXMLDOMNodePtr> items;
  if (name == nullptr) return IXMLDOMNodeListPtr(std::move(items));
  const std::vector<xmlNodePtr>& elements = DomStore::ElementsNamed(reinterpret_cast<xmlDocPtr>(n), name);
  items.reserve(elements.size());
  for (xmlNodePtr element : elements) items.emplace_back(element);
  return IXMLDOMNodeListPtr(std::move(items));
}
