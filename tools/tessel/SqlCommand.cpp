// SqlCommand.cpp - "tessel sql DOC.xml": each query's SQL text, queries
// separated by one blank line. Line ends are printed as LF.
#include <cstdio>

#include "contracts/basis30/Messages.h"
#include "document/CTesselParser.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "tools/tessel/Tool.h"

namespace {

int RunSql(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(args.operands[0], document)) return kExitUsage;
  ClearErrorInfo();
  CTesselParser parser(document);
  const long rc = parser.Parse();
  if (rc < 0) return ReportFailure(static_cast<HRESULT>(rc));
  IXMLDOMNodeListPtr queries = parser.GetRoot().selectNodes("Query");
  for (long i = 0; i < queries.length(); ++i) {
    CString sql = IXMLDOMElementPtr(queries.item(i)).getAttribute("Sql");
    sql.Replace("\r\n", "\n");
    std::printf("%s%s\n", i > 0 ? "\n" : "", sql.GetString());
  }
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    "sql",
    "sql DOC.xml                each query's SQL text",
    {},
    1,
    1,
    RunSql,
});

}  // namespace
