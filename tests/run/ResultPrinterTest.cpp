// ResultPrinterTest.cpp - the aligned table and the CSV of a dataset.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/tessel/ResultPrinter.h"

namespace {

ResultCell Text(const std::string& text) { return {false, false, text}; }
ResultCell Number(const std::string& text) { return {false, true, text}; }
ResultCell Null() { return {true, false, ""}; }

ResultTable Sample() {
  ResultTable table;
  table.columns = {"Name", "Amount", "Note"};
  table.rows = {{Text("Sean O'Brien"), Number("12.5"), Text("a, \"b\"")},
                {Text("Zoë"), Null(), Text("")},
                {Text("two\nlines"), Number("100"), Null()}};
  return table;
}

TEST(ResultPrinterTest, TableAlignsColumnsAndCountsRows) {
  std::ostringstream out;
  ResultPrinter::PrintTable(Sample(), out);
  EXPECT_EQ(out.str(),
            "Name          Amount  Note\n"
            "------------  ------  ------\n"
            "Sean O'Brien    12.5  a, \"b\"\n"
            "Zoë             NULL\n"
            "two\\nlines       100  NULL\n"
            "(3 rows)\n");
}

TEST(ResultPrinterTest, CsvQuotesOnlyWhatNeedsIt) {
  std::ostringstream out;
  ResultPrinter::PrintCsv(Sample(), out);
  EXPECT_EQ(out.str(),
            "Name,Amount,Note\n"
            "Sean O'Brien,12.5,\"a, \"\"b\"\"\"\n"
            "Zoë,,\"\"\n"
            "\"two\nlines\",100,\n");
}

TEST(ResultPrinterTest, RowCountWordsOneRowAndNone) {
  ResultTable table;
  table.columns = {"x"};
  EXPECT_EQ(ResultPrinter::RowCount(table), "(0 rows)");
  table.rows.push_back({Number("1")});
  EXPECT_EQ(ResultPrinter::RowCount(table), "(1 row)");
  std::ostringstream out;
  ResultPrinter::PrintTable(table, out);
  EXPECT_EQ(out.str(), "x\n-\n1\n(1 row)\n");
}

}  // namespace
