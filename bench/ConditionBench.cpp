// ConditionBench.cpp - the condition generator alone, on the five conditions
// of the benchmark document (see Workload.h): a list of five texts, a
// numeric range, a year code on a date, a pattern and a comparison with a
// number. Each reports the time of one generated predicate; composition
// spends about an eighth of its instructions here.
#include <benchmark/benchmark.h>

#include "contracts/basis30/DataSource.h"
#include "expr/CExprParser.h"

namespace {

struct Condition {
  const char* column;
  DATATYPE type;
  const char* op;
  const char* value;
};

constexpr Condition kConditions[] = {
    {"C.Region", DATATYPE_CHARACTER, "=", "North, South, East, West, O'Brien's Corner"},
    {"L.Amount", DATATYPE_NUMERIC, "=", "10~500"},
    {"O.OrderDate", DATATYPE_DATETIME, "=", "2011"},
    {"C.CustomerName", DATATYPE_CHARACTER, "=", "Sm%"},
    {"SUM(L.Amount)", DATATYPE_NUMERIC, ">", "100"},
};

void GenerateCondition(benchmark::State& state) {
  const Condition& c = kConditions[state.range(0)];
  SetCurDSType(DSTYPE_SQLITE);
  CString result;
  for (auto _ : state) {
    if (CExprParser::GenerateExpr(c.column, c.type, c.op, c.value, result, false) != 0) {
      state.SkipWithError("the condition failed");
      break;
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetLabel(result.GetString());
}
BENCHMARK(GenerateCondition)->DenseRange(0, 4);

}  // namespace
