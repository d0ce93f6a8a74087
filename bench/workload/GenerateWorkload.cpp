// GenerateWorkload.cpp - "tessel_workload N": writes the benchmark document
// with N queries to standard output, for whole-process measurements
// (tessel parse against xmllint) and for the output comparison script.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Workload.h"

int main(int argc, char** argv) {
  char* end = nullptr;
  const long queries = argc == 2 ? std::strtol(argv[1], &end, 10) : -1;
  if (argc != 2 || *end != '\0' || queries < 0 || queries > 10000000) {
    std::fprintf(stderr, "usage: tessel_workload N   (N queries, 0 to 10000000)\n");
    return 2;
  }
  const std::string xml = WorkloadDocument(static_cast<int>(queries));
  return std::fwrite(xml.data(), 1, xml.size(), stdout) == xml.size() ? 0 : 1;
}
