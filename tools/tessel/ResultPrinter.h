// ResultPrinter.h - writes a dataset for a reader: an aligned table with a
// header and the row count, CSV, or JSON.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "tools/tessel/ResultTable.h"

class ResultPrinter {
 public:
  // Columns padded to their widest value (counted in UTF-8 characters),
  // numbers aligned right, a dashed line under the header, NULL written as
  // NULL, line breaks and tabs inside a name or value written as \n, \r,
  // \t; then "(N rows)". When the lines would be wider than `maxWidth`
  // characters (0: no limit), the widest columns are narrowed until they
  // fit, down to one character each, and a name or value longer than its
  // column is cut and ends with "…" (an ellipsis).
  static void PrintTable(const ResultTable& table, std::ostream& out, size_t maxWidth = 0);

  // RFC 4180 CSV with a header line and LF line ends: a field holding a
  // comma, a double quote or a line break is enclosed in double quotes with
  // its quotes doubled. NULL is an empty field; an empty text is "" so the
  // two stay apart. The row count is not part of the data.
  static void PrintCsv(const ResultTable& table, std::ostream& out);

  // A JSON array with one object per row, members named after the columns
  // in column order: NULL as null, INTEGER and REAL values as JSON numbers
  // (a value JSON cannot write as a number, such as an infinity, as its
  // text), everything else as a string. A column name met a second time
  // is made unique with "_2", "_3", ... Texts are never cut.
  static void PrintJson(const ResultTable& table, std::ostream& out);

  // The width of the terminal the table goes to: the COLUMNS environment
  // variable when it holds a positive number, else the width of standard
  // output when it is a terminal, else 0 (no limit: a pipe or a file gets
  // the whole values).
  static size_t TerminalWidth();

  // "(1 row)", "(N rows)".
  static std::string RowCount(const ResultTable& table);
};
