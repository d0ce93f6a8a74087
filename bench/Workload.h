// Workload.h - the query document the benchmarks compose: N queries of the
// kind a reporting host keeps, each with six columns over three aliased
// tables, a WHERE tree (a list of five texts, one holding an apostrophe; a
// numeric range; a year code on a date column; a LIKE pattern), a HAVING tree
// on a sum, one descending sort key, a LEFT and an INNER relation, all on one
// SQLite data source declared once under the document element.
#pragma once

#include <string>

// The document text with `queries` queries, named Q0, Q1, ... The queries
// differ in their names and in a few values, so no two statements are equal.
std::string WorkloadDocument(int queries);
