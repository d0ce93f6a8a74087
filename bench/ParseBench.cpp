// ParseBench.cpp - how composing a document scales with its size: many
// queries, and one query with many objects. A document ten times larger
// should cost about ten times more.
#include <benchmark/benchmark.h>

#include <string>

#include "contracts/trellis/CFrameCI.h"
#include "document/CTesselParser.h"

namespace {

std::string Query(int index, int objects) {
  const std::string n = std::to_string(index);
  std::string xml = "<Query Name=\"Q" + n + "\" GUID=\"{q" + n + "}\"><QueryObjects>";
  for (int i = 0; i < objects; ++i) {
    xml += "<Field Name=\"f" + std::to_string(i) + "\" Table=\"Orders\" Alias=\"O\" DataType=\"3\"" +
           (i == 0 ? " Aggregation=\"Sum\"" : "") + "/>";
  }
  xml += "<Field Name=\"Region\" Table=\"Customers\" Alias=\"C\"/></QueryObjects>"
         "<Condition ExType=\"WhereClause\"><ExprBuildInfo>"
         "<Field Name=\"Region\" Table=\"Customers\" Alias=\"C\"/><Text Value=\"=\"/><Text Value=\"North, South\"/>"
         "<Text Value=\"AND\"/><Field Name=\"OrderDate\" Table=\"Orders\" Alias=\"O\" DataType=\"7\"/>"
         "<Text Value=\"=\"/><Text Value=\"2011Q4\"/></ExprBuildInfo></Condition>"
         "<SortObjects><Field Name=\"Region\" Table=\"Customers\" Alias=\"C\"/></SortObjects>"
         "<TableRelations><Tables><Table Name=\"Customers\" Alias=\"C\" IsMaster=\"True\"/>"
         "<Table Name=\"Orders\" Alias=\"O\"/></Tables><Relations>"
         "<Relation PkTable=\"C\" PkColumn=\"CustomerID\" FkTable=\"O\" FkColumn=\"CustomerID\" ConnectMode=\"0\" "
         "ConnectSign=\"=\"/></Relations></TableRelations></Query>";
  return xml;
}

IXMLDOMDocumentPtr Document(int queries, int objects) {
  std::string xml = "<Doc>";
  for (int i = 0; i < queries; ++i) xml += Query(i, objects);
  IXMLDOMDocumentPtr doc;
  doc.loadXML((xml + "</Doc>").c_str());
  return doc;
}

void ComposeManyQueries(benchmark::State& state) {
  IXMLDOMDocumentPtr doc = Document(static_cast<int>(state.range(0)), 5);
  CFrameCI::SetExistGRS(true);
  CTesselParser parser(doc);
  for (auto _ : state) benchmark::DoNotOptimize(parser.Parse());
  CFrameCI::SetExistGRS(false);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ComposeManyQueries)->RangeMultiplier(10)->Range(10, 1000)->Complexity(benchmark::oN);

void ComposeOneWideQuery(benchmark::State& state) {
  IXMLDOMDocumentPtr doc = Document(1, static_cast<int>(state.range(0)));
  CFrameCI::SetExistGRS(true);
  CTesselParser parser(doc);
  for (auto _ : state) benchmark::DoNotOptimize(parser.Parse());
  CFrameCI::SetExistGRS(false);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ComposeOneWideQuery)->RangeMultiplier(10)->Range(10, 1000)->Complexity(benchmark::oN);

}  // namespace
