// QueriesCommand.cpp - "tessel queries DOC.xml": one line per query with
// its index, name and kind, separated by tabs.
#include <cstdio>

#include "contracts/basis30/CVelObject.h"
#include "document/CTesselParser.h"
#include "tools/tessel/Tool.h"

namespace {

// Reaches the query set through the entry class, as a host would.
class QueryLister : public CTesselParser {
 public:
  using CTesselParser::CTesselParser;
  void Print() {
    const long count = GetQueryCount();
    for (int i = 0; i < count; ++i) {
      const CVelObject query(GetQuery(i));
      const QUERYTYPE type = GetQueryType(i);
      const char* kind = CTesselParser::GetQueryTypeText(type);
      std::printf("%d\t%s\t%s\n", i, query.GetName().GetString(), kind ? kind : "99");
    }
  }
};

int RunQueries(const ParsedArgs& args) {
  IXMLDOMDocumentPtr document;
  if (!LoadDocument(args.operands[0], document)) return kExitUsage;
  QueryLister lister(document);
  lister.Print();
  return kExitOk;
}

const SubcommandRegistration kRegistration({
    "queries",
    "queries DOC.xml            list the queries: index, name and kind",
    {},
    1,
    1,
    RunQueries,
});

}  // namespace
