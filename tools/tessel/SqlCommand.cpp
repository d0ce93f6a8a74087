// SqlCommand.cpp - "tessel sql DOC.xml": each query's SQL text, queries
// separated by one blank line. Line ends are printed as LF.
#include <cstdio>

#include "document/CTesselParser.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "tools/tessel/Tool.h"

namespace {

int RunSql(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  CTesselParser parser;
  if (int exit = LoadAndParse(args.operands[0], document, parser); exit >= 0) return exit;
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
