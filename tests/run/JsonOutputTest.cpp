// JsonOutputTest.cpp - JSON strings and numbers as the tool writes them,
// the --json form of a dataset, and the table narrowed to a width.
#include <gtest/gtest.h>

#include <sstream>

#include "support/JsonReader.h"
#include "tools/tessel/JsonText.h"
#include "tools/tessel/ResultPrinter.h"

namespace {

ResultCell Text(const std::string& text) { return {false, false, text}; }
ResultCell Number(const std::string& text) { return {false, true, text}; }
ResultCell Null() { return {true, false, ""}; }

TEST(JsonTextTest, QuoteEscapesAndAlwaysGivesValidUtf8) {
  const struct {
    std::string text;
    std::string quoted;
  } cases[] = {
      {"", "\"\""},
      {"O'Brien \"the\" \\ one", "\"O'Brien \\\"the\\\" \\\\ one\""},
      {"a\nb\r\tc", "\"a\\nb\\r\\tc\""},
      {std::string("nul\0x", 5), "\"nul\\u0000x\""},
      {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\""},
      {"Zo\xc3\xab \xe2\x80\xa6 \xf0\x9f\x98\x80", "\"Zo\xc3\xab \xe2\x80\xa6 \xf0\x9f\x98\x80\""},
      {"latin1 \xe9t\xe9", "\"latin1 \\ufffdt\\ufffd\""},             // not UTF-8
      {"cut \xe2\x80", "\"cut \\ufffd\\ufffd\""},                       // sequence cut short
      {"overlong \xc0\xaf", "\"overlong \\ufffd\\ufffd\""},             // overlong '/'
      {"surrogate \xed\xa0\x80", "\"surrogate \\ufffd\\ufffd\\ufffd\""},  // U+D800
      {"beyond \xf4\x90\x80\x80", "\"beyond \\ufffd\\ufffd\\ufffd\\ufffd\""},
  };
  for (const auto& c : cases) {
    const std::string quoted = JsonText::Quote(c.text);
    EXPECT_EQ(quoted, c.quoted);
    JsonValue value;
    EXPECT_TRUE(JsonReader::Read(quoted, value)) << quoted;
  }
}

TEST(JsonTextTest, OnlyJsonNumbersAreNumbers) {
  for (const char* number : {"0", "-0", "12", "-3.25", "1.0e+20", "2E-5", "100.0"}) {
    EXPECT_TRUE(JsonText::IsNumber(number)) << number;
  }
  for (const char* other : {"", "-", "Inf", "-Inf", "NaN", "01", "1.", ".5", "1e", "+1", "1 ", "0x10"}) {
    EXPECT_FALSE(JsonText::IsNumber(other)) << other;
  }
}

TEST(ResultPrinterJsonTest, RowsBecomeObjectsWithNullsAndNumbers) {
  ResultTable table;
  table.columns = {"Name", "Amount", "Amount", "Amount_2"};
  table.rows = {{Text("Sean \"O'Brien\""), Number("12.5"), Null(), Number("Inf")},
                {Text(""), Number("-3"), Text("7"), Null()}};
  std::ostringstream out;
  ResultPrinter::PrintJson(table, out);
  EXPECT_EQ(out.str(),
            "[{\"Name\": \"Sean \\\"O'Brien\\\"\", \"Amount\": 12.5, \"Amount_2\": null, \"Amount_2_2\": \"Inf\"},\n"
            " {\"Name\": \"\", \"Amount\": -3, \"Amount_2\": \"7\", \"Amount_2_2\": null}]\n");
  JsonValue value;
  EXPECT_TRUE(JsonReader::Read(out.str(), value));

  std::ostringstream empty;
  ResultPrinter::PrintJson(ResultTable{{"A"}, {}}, empty);
  EXPECT_EQ(empty.str(), "[]\n");
}

TEST(ResultPrinterTableWidthTest, WidestColumnsNarrowFirstAndTextsEndInAnEllipsis) {
  ResultTable table;
  table.columns = {"Id", "Name", "Note"};
  table.rows = {{Number("1"), Text("Zoë Østergård-Lindqvist"), Text("short")},
                {Number("22"), Null(), Text("a much longer note")}};
  std::ostringstream wide;
  ResultPrinter::PrintTable(table, wide, 0);
  std::ostringstream fitting;
  ResultPrinter::PrintTable(table, fitting, 60);
  EXPECT_EQ(fitting.str(), wide.str());  // already fits: nothing cut

  // 2 + 23 + 18 and two gaps of 2 is 47: Name and Note, the widest, give
  // up 17 characters between them, taking turns once they are level.
  std::ostringstream narrow;
  ResultPrinter::PrintTable(table, narrow, 30);
  EXPECT_EQ(narrow.str(),
            "Id  Name          Note\n"
            "--  ------------  ------------\n"
            " 1  Zoë Østergå…  short\n"
            "22  NULL          a much long…\n"
            "(2 rows)\n");

  // Narrower than one character a column: every column keeps one.
  std::ostringstream tiny;
  ResultPrinter::PrintTable(table, tiny, 3);
  EXPECT_EQ(tiny.str(),
            "…  …  …\n"
            "-  -  -\n"
            "1  …  …\n"
            "…  …  …\n"
            "(2 rows)\n");
}

}  // namespace
