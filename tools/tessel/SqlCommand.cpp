// SqlCommand.cpp - "tessel sql DOC.xml": each query's SQL text, queries
// separated by one blank line; with --json an array of objects with each
// query's name and SQL. Line ends are printed as LF.
#include <cstdio>
#include <string>

#include "document/CTesselParser.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "tools/tessel/JsonText.h"
#include "tools/tessel/Tool.h"

namespace {

int RunSql(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  CTesselParser parser;
  if (int exit = LoadAndParse(args.operands[0], document, parser); exit >= 0) return exit;
  IXMLDOMNodeListPtr queries = parser.GetRoot().selectNodes("Query");
  const bool json = args.Has("--json");
  if (json) std::printf("[");
  for (long i = 0; i < queries.length(); ++i) {
    const IXMLDOMElementPtr query(queries.item(i));
    CString sql = query.getAttribute("Sql");
    sql.Replace("\r\n", "\n");
    if (json) {
      std::printf("%s{\"name\": %s, \"sql\": %s}", i > 0 ? ",\n " : "",
                  JsonText::Quote(query.getAttribute("Name").GetString()).c_str(),
                  JsonText::Quote(sql.GetString()).c_str());
    } else {
      std::printf("%s%s\n", i > 0 ? "\n" : "", sql.GetString());
    }
  }
  if (json) std::printf("]\n");
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "sql",
    .summary = "compose every query and print its SQL text",
    .operands = {{"DOC.xml", "the query document (- reads standard input)"}},
    .options = {JsonOption("print [{\"name\": ..., \"sql\": ...}, ...]")},
    .details = "Queries are separated by a blank line; line ends are LF.",
    .examples = {"tessel sql examples/sales.xml", "tessel sql --json examples/union.xml"},
    .run = RunSql,
});

}  // namespace
