// QueriesCommand.cpp - "tessel queries DOC.xml": one line per query with
// its index, name and kind, separated by tabs; with --json an array of
// objects with the same three members.
#include <cstdio>
#include <string>

#include "contracts/basis30/CVelObject.h"
#include "document/CTesselParser.h"
#include "tools/tessel/JsonText.h"
#include "tools/tessel/Tool.h"

namespace {

// Reaches the query set through the entry class, as a host would.
class QueryLister : public CTesselParser {
 public:
  using CTesselParser::CTesselParser;
  void Print(bool json) {
    const long count = GetQueryCount();
    if (json) std::printf("[");
    for (int i = 0; i < count; ++i) {
      const CVelObject query(GetQuery(i));
      const char* kind = CTesselParser::GetQueryTypeText(GetQueryType(i));
      const std::string name = query.GetName().GetString();
      const std::string kindText = kind ? kind : "99";
      if (json) {
        std::printf("%s{\"index\": %d, \"name\": %s, \"kind\": %s}", i > 0 ? ",\n " : "", i,
                    JsonText::Quote(name).c_str(), JsonText::Quote(kindText).c_str());
      } else {
        std::printf("%d\t%s\t%s\n", i, name.c_str(), kindText.c_str());
      }
    }
    if (json) std::printf("]\n");
  }
};

int RunQueries(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(args.operands[0], document)) return kExitUsage;
  QueryLister lister(document);
  lister.Print(args.Has("--json"));
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    .name = "queries",
    .summary = "list the queries: index, name and kind (tab-separated)",
    .operands = {{"DOC.xml", "the query document (- reads standard input)"}},
    .options = {JsonOption("print [{\"index\": N, \"name\": ..., \"kind\": ...}, ...]")},
    .examples = {"tessel queries examples/union.xml", "tessel queries --json examples/union.xml"},
    .run = RunQueries,
});

}  // namespace
