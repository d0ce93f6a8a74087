// CTesselParser.cpp - the query set of a document and the kinds of queries.
#include "document/CTesselParser.h"

#include <array>
#include <cstring>

#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "query/CSingleQuery.h"

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

QUERYTYPE CTesselParser::GetQueryType(int index) { return QueryTypeOf(GetQuery(index)); }

QUERYTYPE CTesselParser::QueryTypeOf(const IXMLDOMElementPtr& element) {
  CVelObject query(element);
  if (query.IsNull()) return QUERYTYPE_UNKNOWN;
  const CString exType = query.GetExType();
  for (const auto& entry : kQueryTypes) {
    if (exType == entry.text) return entry.type;
  }
  return QUERYTYPE_UNKNOWN;
}

long CTesselParser::Parse() {
  if (!m_pRoot) throw _com_error(E_POINTER, "the query document parser has no root element");
  const IXMLDOMNodeListPtr queries = m_pRoot.selectNodes("Query");
  const long count = queries.length();
  for (long i = 0; i < count; ++i) {
    // While this query composes, the next one's nodes come into the cache:
    // a document of thousands of queries does not fit there, and a walk
    // that waits for each node it reaches takes a quarter longer.
    if (i + 1 < count) queries.item(i + 1).prefetchSubtree(i + 2 < count ? queries.item(i + 2) : nullptr);
    CSingleQuery query(queries.item(i));
    const long rc = query.Parse();
    if (rc >= 0) continue;
    SetErrorInfo(FormatMsg(TPE_QUERY_FAILED, query.GetName(), GetMsg(static_cast<HRESULT>(rc))), nullptr);
    return rc;
  }
  return S_OK;
}

CString CTesselParser::GetCommand(int index) { return CommandOf(GetQuery(index)); }

CString CTesselParser::CommandOf(const IXMLDOMElementPtr& query) {
  if (!query) return CString();
  CString command = query.getAttribute("Command");
  if (!command.IsEmpty()) return command;
  Parse();
  return query.getAttribute("Command");
}

namespace {

// What a set member adds to the closing statement, before its name.
const char* SetFragment(QUERYTYPE type) {
  switch (type) {
    case QUERYTYPE_UNION: return " UNION [";
    case QUERYTYPE_INTERSECT: return " INTERSET [";  // the dataset engine's keyword, as it reads it
    case QUERYTYPE_MINUS: return " MINUS [";
    case QUERYTYPE_MERGE: return " MERGE [";
    case QUERYTYPE_UNIONALL: return " UNION ALL [";
    default: return nullptr;
  }
}

}  // namespace

CString CTesselParser::GetCommands() {
  if (!m_pRoot) return CString();
  const IXMLDOMNodeListPtr queries = m_pRoot.selectNodes("Query");
  CString commands, setExpression, firstBracket;
  int common = -1;
  for (long i = 0; i < queries.length(); ++i) {
    const IXMLDOMElementPtr query(queries.item(i));
    const CString name = CVelObject(query).GetName();
    if (i == 0) {
      firstBracket = setExpression = "[" + name + "]";
      commands = CommandOf(query);
    } else {
      const QUERYTYPE type = QueryTypeOf(query);
      if (common == -1) common = type;
      else if (common >= 0 && common != type) common = -2;
      if (const char* fragment = SetFragment(type)) {
        setExpression += fragment + name + "]";
        commands += "\r\n\r\n" + CommandOf(query);
      }
    }
    if (commands.Right(3) != ";\r\n") commands += ";\r\n";
  }
  if (!setExpression.IsEmpty() && setExpression != firstBracket) {
    if (common == QUERYTYPE_UNIONALL || common == QUERYTYPE_UNION) {
      bool ok = true;
      commands = RewriteUnion(commands, common == QUERYTYPE_UNIONALL ? " UNION ALL " : " UNION ", ok);
      if (!ok) return CString();
    } else {
      commands += "\r\n\r\nCREATE DATASET BY UMI " + setExpression;
    }
  }
  commands.TrimRight(";\r\n");
  return commands;
}

// Joins the SELECT parts of every dataset statement after the first into
// the first statement with `joiner`. The SELECT part starts after the
// " BY " that follows the bracketed dataset name, so that a name holding
// " BY " does not cut the statement in the wrong place. `ok` is false when
// a statement holds no " BY ".
CString CTesselParser::RewriteUnion(const CString& commands, const char* joiner, bool& ok) {
  ok = true;
  CString rewritten;
  for (int p = 0; p >= 0;) {
    const int start = commands.Find("CREATE DATASET ", p);
    if (start < 0) break;
    p = commands.Find("\r\n\r\n", start);
    if (rewritten.IsEmpty() && p > 0) {
      rewritten = commands.Left(p);
    } else {
      const int bracketBy = commands.Find("] BY ", start);
      int by = bracketBy >= 0 && (p <= 0 || bracketBy < p) ? bracketBy + 1 : commands.Find(" BY ", start);
      if (by < 0 || (p > 0 && by > p)) {
        ok = false;
        return CString();
      }
      const int from = by + 4;
      const int end = p > 0 ? p : commands.GetLength();
      rewritten += CString("\r\n") + joiner + "\r\n" + commands.Mid(from, end - from);
    }
    rewritten.TrimRight();
    rewritten.TrimRight(';');
  }
  return rewritten;
}
