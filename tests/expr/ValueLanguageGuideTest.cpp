// ValueLanguageGuideTest.cpp - every example of the users' guide to the
// value language (docs/value-language.md) run through the library: the
// guide's sample table is built in SQLite from the guide's own SQL block,
// each example's value is turned into SQL by the condition generator (or by
// the parameter handler for the parameter table), the SQL is compared with
// the guide's text and executed to compare the rows it selects.
//
// A table is checked when an HTML comment stands before it:
//   <!-- check: type=numeric column=Qty -->   Operator | You type | SQL | Rows
//   <!-- check: parameters -->                Type | You type | Text | SQL | Rows
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/basis30/DataSource.h"
#include "expr/CExprParser.h"
#include "params/CParamHandler.h"
#include "support/XmlFixture.h"

namespace {

std::string GuidePath() {
  const char* dir = std::getenv("TESSEL_SOURCE_DIR");
  return std::string(dir ? dir : TESSEL_SOURCE_DIR_DEFAULT) + "/docs/value-language.md";
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A table cell as the user types it: without its code marks; "(empty)"
// for nothing typed.
std::string CellText(const std::string& cell) {
  std::string text = Trim(cell);
  if (text == "(empty)") return "";
  if (text.size() >= 2 && text.front() == '`' && text.back() == '`') text = text.substr(1, text.size() - 2);
  return text;
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream in(row.substr(1));  // after the leading '|'
  for (std::string cell; std::getline(in, cell, '|');) cells.push_back(CellText(cell));
  return cells;
}

// One checked example.
struct Example {
  std::string table;                // the check comment's text
  std::vector<std::string> cells;   // the row's cells
  size_t line = 0;                  // in the guide, for messages
};

// The SQL block that builds the sample table, and the checked rows.
struct Guide {
  std::string sampleSql;
  std::vector<Example> examples;
};

Guide ReadGuide() {
  Guide guide;
  const auto lines = ReadLines(GuidePath());
  std::string table;
  bool inSql = false;
  bool sqlSeen = false;
  size_t rowInTable = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line == "```sql" && !sqlSeen) {
      inSql = true;
      continue;
    }
    if (inSql) {
      if (line == "```") {
        inSql = false;
        sqlSeen = true;
      } else {
        guide.sampleSql += line + "\n";
      }
      continue;
    }
    if (line.rfind("<!-- check:", 0) == 0) {
      table = Trim(line.substr(11, line.find("-->") - 11));
      rowInTable = 0;
      continue;
    }
    if (table.empty()) continue;
    if (line.empty() || line[0] != '|') {
      if (rowInTable > 0) table.clear();  // the table ended
      continue;
    }
    if (++rowInTable <= 2) continue;  // header and separator
    guide.examples.push_back({table, Cells(line), i + 1});
  }
  return guide;
}

// "key=value" from a check comment.
std::string Setting(const std::string& table, const std::string& key) {
  const size_t at = table.find(key + "=");
  if (at == std::string::npos) return "";
  const size_t start = at + key.size() + 1;
  return table.substr(start, table.find(' ', start) - start);
}

class ValueLanguageGuideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guide_ = ReadGuide();
    ASSERT_FALSE(guide_.sampleSql.empty()) << "no sample table in " << GuidePath();
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, guide_.sampleSql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
    SetCurDSType(DSTYPE_SQLITE);
  }
  void TearDown() override {
    SetCurDSType(DSTYPE_NONE);
    sqlite3_close(db_);
  }

  // The Ids of the sample rows that `condition` keeps, "1, 2" or "none".
  std::string RowsSelected(const std::string& condition) {
    const std::string sql = "SELECT Id FROM Items WHERE " + condition + " ORDER BY Id";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      return std::string("SQLite refused: ") + sqlite3_errmsg(db_);
    }
    std::string ids;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      ids += (ids.empty() ? "" : ", ") + std::to_string(sqlite3_column_int(statement, 0));
    }
    sqlite3_finalize(statement);
    return ids.empty() ? "none" : ids;
  }

  // Compares a generated SQL text (or a refusal) and its rows with the
  // guide's cells.
  void Check(const Example& example, HRESULT hr, const std::string& sql, const std::string& expectedSql,
             const std::string& expectedRows) {
    const std::string where = "docs/value-language.md:" + std::to_string(example.line);
    if (expectedSql.rfind("refused", 0) == 0) {
      EXPECT_TRUE(FAILED(hr)) << where << ": expected a refusal, got " << sql;
      return;
    }
    ASSERT_FALSE(FAILED(hr)) << where << ": refused with 0x" << std::hex << static_cast<unsigned>(hr);
    EXPECT_EQ(sql, expectedSql) << where;
    EXPECT_EQ(RowsSelected(sql), expectedRows) << where << ": " << sql;
  }

  Guide guide_;
  sqlite3* db_ = nullptr;
};

TEST_F(ValueLanguageGuideTest, EveryConditionExampleGivesItsSqlAndRows) {
  size_t checked = 0;
  for (const Example& example : guide_.examples) {
    if (example.table == "parameters") continue;
    ASSERT_EQ(example.cells.size(), 4u) << "docs/value-language.md:" << example.line;
    DATATYPE type = DATATYPE_CHARACTER;
    const std::string typeName = Setting(example.table, "type");
    if (typeName == "numeric") type = DATATYPE_NUMERIC;
    if (typeName == "date") type = DATATYPE_DATETIME;
    CString result;
    const HRESULT hr = CExprParser::GenerateExpr(Setting(example.table, "column").c_str(), type,
                                                 example.cells[0].c_str(), example.cells[1].c_str(), result, false);
    Check(example, hr, result.GetString(), example.cells[2], example.cells[3]);
    ++checked;
  }
  // The guide's three type tables: a reader that found none would pass.
  EXPECT_GE(checked, 50u);
}

TEST_F(ValueLanguageGuideTest, EveryParameterExampleGivesItsSqlAndRows) {
  size_t checked = 0;
  for (const Example& example : guide_.examples) {
    if (example.table != "parameters") continue;
    ASSERT_EQ(example.cells.size(), 5u) << "docs/value-language.md:" << example.line;
    const std::string& kind = example.cells[0];
    const char* dataType = kind.rfind("numeric", 0) == 0 ? "5" : kind.rfind("date", 0) == 0 ? "7" : "200";
    const bool asTyped = kind.find("as typed") != std::string::npos;
    // The parameters' element names a SQLite data source, as a report on
    // such a database does, so dates are written for it.
    IXMLDOMDocumentPtr document = LoadXml(
        std::string("<Report Datasource='S'><Datasources><Datasource Name='S' DBType='SQLite' DBVersion='3'/>"
                    "</Datasources><Parameters><Parameter Name='P' DataType='") +
        dataType + "'" + (asTyped ? " DisableParseValue='True'" : "") + "/></Parameters></Report>");
    CParamHandler handler(document.documentElement());
    ASSERT_EQ(handler.SetParamValue("P", CVelVariant(example.cells[1].c_str()), true), S_OK);
    CString text = example.cells[2].c_str();
    const HRESULT hr = handler.EvaluateExprParam(text);
    Check(example, hr, text.GetString(), example.cells[3], example.cells[4]);
    ++checked;
  }
  EXPECT_GE(checked, 10u);
}

}  // namespace
