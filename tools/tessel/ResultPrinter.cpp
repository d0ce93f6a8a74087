// ResultPrinter.cpp - table and CSV output of a dataset.
#include "tools/tessel/ResultPrinter.h"

#include <algorithm>
#include <sstream>
#include <string>

namespace {

// The number of characters of a UTF-8 text (continuation bytes not
// counted), which is its width for the scripts of the demo data.
size_t Width(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// `text` on one line: line breaks and tabs written as \n, \r, \t.
std::string OneLine(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Shown(const ResultCell& cell) { return cell.null ? "NULL" : OneLine(cell.text); }

void Pad(std::ostream& out, const std::string& text, size_t width, bool right) {
  const std::string fill(width - std::min(width, Width(text)), ' ');
  out << (right ? fill + text : text + fill);
}

std::string CsvField(const std::string& text, bool null) {
  if (null) return "";
  if (!text.empty() && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace

std::string ResultPrinter::RowCount(const ResultTable& table) {
  const size_t n = table.rows.size();
  return "(" + std::to_string(n) + (n == 1 ? " row)" : " rows)");
}

void ResultPrinter::PrintTable(const ResultTable& table, std::ostream& out) {
  const size_t count = table.columns.size();
  std::vector<size_t> widths(count);
  std::vector<bool> right(count, true);
  std::vector<std::string> header(count);
  for (size_t c = 0; c < count; ++c) {
    header[c] = OneLine(table.columns[c]);
    widths[c] = Width(header[c]);
  }
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < count; ++c) {
      widths[c] = std::max(widths[c], Width(Shown(row[c])));
      if (!row[c].null && !row[c].number) right[c] = false;
    }
  }
  // One line of cells; no blanks are left at its end.
  const auto line = [&](const auto& text, auto alignRight) {
    std::ostringstream cells;
    for (size_t c = 0; c < count; ++c) {
      if (c > 0) cells << "  ";
      Pad(cells, text(c), widths[c], alignRight(c));
    }
    std::string shown = cells.str();
    shown.erase(shown.find_last_not_of(' ') + 1);
    out << shown << "\n";
  };
  line([&](size_t c) { return header[c]; }, [&](size_t c) { return right[c]; });
  line([&](size_t c) { return std::string(widths[c], '-'); }, [](size_t) { return false; });
  for (const auto& row : table.rows) {
    line([&](size_t c) { return Shown(row[c]); }, [&](size_t c) { return right[c]; });
  }
  out << RowCount(table) << "\n";
}

void ResultPrinter::PrintCsv(const ResultTable& table, std::ostream& out) {
  for (size_t c = 0; c < table.columns.size(); ++c) {
    out << (c > 0 ? "," : "") << CsvField(table.columns[c], false);
  }
  out << "\n";
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < row.size(); ++c) out << (c > 0 ? "," : "") << CsvField(row[c].text, row[c].null);
    out << "\n";
  }
}
