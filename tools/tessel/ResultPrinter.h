// ResultPrinter.h - writes a dataset for a reader: an aligned table with a
// header and the row count, or CSV.
#pragma once

#include <ostream>

#include "tools/tessel/ResultTable.h"

class ResultPrinter {
 public:
  // Columns padded to their widest value (counted in UTF-8 characters),
  // numbers aligned right, a dashed line under the header, NULL written as
  // NULL, line breaks and tabs inside a name or value written as \n, \r,
  // \t; then "(N rows)".
  static void PrintTable(const ResultTable& table, std::ostream& out);

  // RFC 4180 CSV with a header line and LF line ends: a field holding a
  // comma, a double quote or a line break is enclosed in double quotes with
  // its quotes doubled. NULL is an empty field; an empty text is "" so the
  // two stay apart. The row count is not part of the data.
  static void PrintCsv(const ResultTable& table, std::ostream& out);

  // "(1 row)", "(N rows)".
  static std::string RowCount(const ResultTable& table);
};
