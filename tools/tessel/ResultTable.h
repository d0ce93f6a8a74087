// ResultTable.h - the rows of one dataset as read back from SQLite: column
// names and, per cell, the text SQLite gives for the value and whether it
// is NULL or a number (for right alignment).
#pragma once

#include <string>
#include <vector>

struct ResultCell {
  bool null = false;
  bool number = false;  // an INTEGER or REAL value
  std::string text;     // empty for NULL
};

struct ResultTable {
  std::vector<std::string> columns;
  std::vector<std::vector<ResultCell>> rows;
};
