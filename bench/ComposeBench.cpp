// ComposeBench.cpp - the cost per query of composing the benchmark document
// (see Workload.h) at 1,000 and 10,000 queries:
//   WarmCompose   the document is in memory and composed once already; every
//                 iteration composes all queries again (recompose switch on),
//                 as a host does when a user changes a value and re-runs.
//   FreshCompose  a freshly loaded document composed once (load not timed).
//   LoadSave      reading the document file and writing it back, the floor
//                 that any tool working on the document pays.
// Each reports "per_query" (time per query) and "heap_MB", the heap the
// composed document holds; "peak_rss_MB" is the process peak so far.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "Workload.h"
#include "contracts/trellis/CFrameCI.h"
#include "document/CTesselParser.h"

namespace {

// The heap in use, in bytes (malloc's own account, so it counts libxml2 too).
double HeapInUse() { return static_cast<double>(mallinfo2().uordblks); }

double PeakRssMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

IXMLDOMDocumentPtr Load(const std::string& text) {
  IXMLDOMDocumentPtr doc;
  if (!doc.loadXML(text.c_str())) std::abort();
  return doc;
}

// The workload document written to a scratch file, once per size.
std::string WorkloadFile(int queries) {
  const std::string path = "/tmp/tessel_bench_" + std::to_string(getpid()) + "_" + std::to_string(queries) + ".xml";
  std::ofstream(path, std::ios::binary) << WorkloadDocument(queries);
  return path;
}

void Report(benchmark::State& state, int queries, double heapBytes) {
  state.SetItemsProcessed(state.iterations() * queries);
  state.counters["per_query"] =
      benchmark::Counter(queries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["heap_MB"] = heapBytes / (1024.0 * 1024.0);
  state.counters["peak_rss_MB"] = PeakRssMB();
}

void WarmCompose(benchmark::State& state) {
  const int queries = static_cast<int>(state.range(0));
  const std::string text = WorkloadDocument(queries);
  const double before = HeapInUse();
  IXMLDOMDocumentPtr doc = Load(text);
  CFrameCI::SetExistGRS(true);
  CTesselParser parser(doc);
  if (parser.Parse() != 0) state.SkipWithError("the workload failed to compose");
  const double held = HeapInUse() - before;
  for (auto _ : state) benchmark::DoNotOptimize(parser.Parse());
  CFrameCI::SetExistGRS(false);
  Report(state, queries, held);
}
BENCHMARK(WarmCompose)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void FreshCompose(benchmark::State& state) {
  const int queries = static_cast<int>(state.range(0));
  const std::string text = WorkloadDocument(queries);
  double held = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const double before = HeapInUse();
    IXMLDOMDocumentPtr doc = Load(text);
    CTesselParser parser(doc);
    state.ResumeTiming();
    benchmark::DoNotOptimize(parser.Parse());
    state.PauseTiming();
    held = HeapInUse() - before;
    doc = nullptr;
    parser = CTesselParser();
    state.ResumeTiming();
  }
  Report(state, queries, held);
}
BENCHMARK(FreshCompose)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void LoadSave(benchmark::State& state) {
  const int queries = static_cast<int>(state.range(0));
  const std::string input = WorkloadFile(queries);
  const std::string output = input + ".out";
  double held = 0;
  for (auto _ : state) {
    const double before = HeapInUse();
    IXMLDOMDocumentPtr doc;
    if (!doc.load(input.c_str()) || !doc.save(output.c_str())) state.SkipWithError("load or save failed");
    held = HeapInUse() - before;
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
  Report(state, queries, held);
}
BENCHMARK(LoadSave)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
