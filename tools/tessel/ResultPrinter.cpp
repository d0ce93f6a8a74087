// ResultPrinter.cpp - table, CSV and JSON output of a dataset.
#include "tools/tessel/ResultPrinter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <set>
#include <sstream>
#include <string>

#include "tools/tessel/JsonText.h"

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

// `text` cut to `width` characters, its last one an ellipsis, when it is
// longer; cut between UTF-8 sequences, never inside one.
std::string Cut(const std::string& text, size_t width) {
  if (Width(text) <= width) return text;
  size_t kept = 0;
  size_t end = 0;
  for (; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) continue;
    if (kept == width - 1) break;
    ++kept;
  }
  return text.substr(0, end) + "\u2026";
}

// Narrows the widest columns, one character at a time, until the line
// (columns and the two blanks between them) fits `maxWidth` or every
// column is one character wide.
void FitWidths(std::vector<size_t>& widths, size_t maxWidth) {
  if (maxWidth == 0 || widths.empty()) return;
  const size_t gaps = 2 * (widths.size() - 1);
  for (;;) {
    const size_t total = std::accumulate(widths.begin(), widths.end(), gaps);
    auto widest = std::max_element(widths.begin(), widths.end());
    if (total <= maxWidth || *widest <= 1) return;
    --*widest;
  }
}

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

void ResultPrinter::PrintTable(const ResultTable& table, std::ostream& out, size_t maxWidth) {
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
  FitWidths(widths, maxWidth);
  // One line of cells; no blanks are left at its end.
  const auto line = [&](const auto& text, auto alignRight) {
    std::ostringstream cells;
    for (size_t c = 0; c < count; ++c) {
      if (c > 0) cells << "  ";
      Pad(cells, Cut(text(c), widths[c]), widths[c], alignRight(c));
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

void ResultPrinter::PrintJson(const ResultTable& table, std::ostream& out) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& column : table.columns) {
    std::string name = column;
    for (int n = 2; !taken.insert(name).second; ++n) name = column + "_" + std::to_string(n);
    names.push_back(JsonText::Quote(name));
  }
  out << "[";
  for (size_t r = 0; r < table.rows.size(); ++r) {
    out << (r > 0 ? ",\n " : "") << "{";
    const auto& row = table.rows[r];
    for (size_t c = 0; c < row.size() && c < names.size(); ++c) {
      const ResultCell& cell = row[c];
      out << (c > 0 ? ", " : "") << names[c] << ": ";
      if (cell.null) {
        out << "null";
      } else if (cell.number && JsonText::IsNumber(cell.text)) {
        out << cell.text;
      } else {
        out << JsonText::Quote(cell.text);
      }
    }
    out << "}";
  }
  out << "]\n";
}

size_t ResultPrinter::TerminalWidth() {
  if (const char* columns = std::getenv("COLUMNS"); columns != nullptr) {
    char* end = nullptr;
    const long width = std::strtol(columns, &end, 10);
    if (end != columns && *end == '\0' && width > 0) return static_cast<size_t>(width);
  }
  winsize size{};
  if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 0;
}
