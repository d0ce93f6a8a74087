// CTesselParser.cpp - the query set of a document and the kinds of queries.
#include "document/CTesselParser.h"

#include <array>
#include <cstring>

#include "contracts/basis30/CVelObject.h"

namespace {

struct QueryTypeEntry {
  const char* text;
  QUERYTYPE type;
};

// Table order is the matching order.
constexpr std::array<QueryTypeEntry, 7> kQueryTypes = {{
    {"Main", QUERYTYPE_MAIN},
    {"Subquery", QUERYTYPE_SUBQUERY},
    {"Union", QUERYTYPE_UNION},
    {"Intersect", QUERYTYPE_INTERSECT},
    {"Minus", QUERYTYPE_MINUS},
    {"Merge", QUERYTYPE_MERGE},
    {"Union All", QUERYTYPE_UNIONALL},
}};

}  // namespace

const char* CTesselParser::GetQueryTypeText(QUERYTYPE type) {
  for (const auto& entry : kQueryTypes) {
    if (entry.type == type) return entry.text;
  }
  return nullptr;
}

CTesselParser::CTesselParser(IXMLDOMNodePtr node) {
  if (node) Attach(node);
}

CTesselParser::~CTesselParser() = default;

void CTesselParser::Attach(IXMLDOMNodePtr node) {
  if (!node) return;
  IXMLDOMDocumentPtr document(node);
  if (document) {
    m_pRoot = document->documentElement();
    return;
  }
  m_pRoot = IXMLDOMElementPtr(node);
}

long CTesselParser::GetQueryCount() {
  if (!m_pRoot) return 0;
  return m_pRoot->selectNodes("Query")->length();
}

IXMLDOMElementPtr CTesselParser::GetQuery(int index) {
  if (!m_pRoot) throw _com_error(E_POINTER, "the query document parser has no root element");
  CString path;
  path.Format("Query[%d]", index + 1);
  return IXMLDOMElementPtr(m_pRoot->selectSingleNode(path));
}

QUERYTYPE CTesselParser::GetQueryType(int index) {
  CVelObject query(GetQuery(index));
  if (query.IsNull()) return QUERYTYPE_UNKNOWN;
  const CString exType = query.GetExType();
  for (const auto& entry : kQueryTypes) {
    if (exType == entry.text) return entry.type;
  }
  return QUERYTYPE_UNKNOWN;
}
