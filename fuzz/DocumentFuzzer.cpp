// DocumentFuzzer.cpp - a whole query document: load, Parse, GetCommands,
// Parse again.
//
// Properties: nothing of the document is lost or changed apart from the
// result attributes the library writes ("Sql", "Command", "MultiSQL",
// "Sql<n>", "OrderBy", "Expression", "WhereClause", "Aggregation") and the
// order of a query-objects list that a split into source groups defines;
// no temporary element remains; a failure's message has no unfilled
// template; a second Parse and GetCommands give the same commands.
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "contracts/basis30/Messages.h"
#include "document/CTesselParser.h"
#include "fuzz/FuzzSupport.h"
#include "platform/ComError.h"
#include "platform/IXMLDOMDocumentPtr.h"

namespace {

bool IsResultAttribute(const char* name) {
  static const char* const kResults[] = {"Sql",     "Command",     "MultiSQL",   "OrderBy",
                                         "Expression", "WhereClause", "Aggregation"};
  for (const char* r : kResults) {
    if (std::strcmp(name, r) == 0) return true;
  }
  if (std::strncmp(name, "Sql", 3) != 0 || name[3] == '\0') return false;
  for (const char* p = name + 3; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

std::string Text(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

// The node as text without the result attributes; attributes in name order
// and the children of a query-objects list in text order, so that the order
// a split gives them does not count.
std::string Canonical(xmlNodePtr node) {
  if (node->type != XML_ELEMENT_NODE) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string out = "#" + std::to_string(node->type) + ":" + Text(content) + ";";
    xmlFree(content);
    return out;
  }
  std::vector<std::string> attributes;
  for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
    const char* name = reinterpret_cast<const char*>(a->name);
    if (IsResultAttribute(name)) continue;
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
    attributes.push_back(std::string(name) + "=" + Text(value));
    xmlFree(value);
  }
  std::sort(attributes.begin(), attributes.end());
  std::vector<std::string> children;
  for (xmlNodePtr c = node->children; c != nullptr; c = c->next) children.push_back(Canonical(c));
  if (std::strcmp(reinterpret_cast<const char*>(node->name), "QueryObjects") == 0) {
    std::sort(children.begin(), children.end());
  }
  std::string out = "<" + Text(node->name);
  for (const std::string& a : attributes) out += " " + a;
  out += ">";
  for (const std::string& c : children) out += c;
  return out + "</>";
}

std::string CanonicalDocument(const IXMLDOMDocumentPtr& doc) {
  std::string out;
  for (xmlNodePtr c = doc.GetInterfacePtr()->children; c != nullptr; c = c->next) out += Canonical(c);
  return out;
}

bool HasElementNamed(xmlNodePtr node, const char* name) {
  if (node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0) return true;
  for (xmlNodePtr c = node->children; c != nullptr; c = c->next) {
    if (HasElementNamed(c, name)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  IXMLDOMDocumentPtr doc;
  if (input.find('\0') != std::string::npos || !doc.loadXML(input.c_str())) return 0;
  if (!doc.documentElement()) return 0;
  const std::string before = CanonicalDocument(doc);
  try {
    ClearErrorInfo();
    CTesselParser parser(doc);
    const long first = parser.Parse();
    if (first < 0) fuzz::CheckMessage(input);
    const CString commands = parser.GetCommands();
    ClearErrorInfo();
    if (parser.Parse() < 0) fuzz::CheckMessage(input);
    // A query whose tables are not all joined keeps its statement and
    // command and still fails the parse, which stops at it; parsed again,
    // it counts as composed and the queries after it are composed too. Only
    // a parse that went through must give the same commands again.
    if (first >= 0) fuzz::Check(parser.GetCommands() == commands, "a second parse gives the same commands", input);
  } catch (const _com_error&) {
    // A document call that fails raises to the host; the document must
    // still be whole (checked below).
  }
  xmlNodePtr root = doc.GetInterfacePtr();
  fuzz::Check(!HasElementNamed(root, "WithWhereObjs") || before.find("<WithWhereObjs") != std::string::npos,
              "no temporary element remains", input);
  fuzz::Check(CanonicalDocument(doc) == before, "nothing but result attributes changes",
              input + "\n--- before\n" + before + "\n--- after\n" + CanonicalDocument(doc));
  return 0;
}
