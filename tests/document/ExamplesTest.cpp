// ExamplesTest.cpp - the example documents end to end: every statement
// they produce for the SQLite data source is prepared by SQLite against
// the examples' schema, and the main example's SQL is held to its text.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "contracts/trellis/CFrameCI.h"
#include "document/CTesselParser.h"
#include "platform/IXMLDOMNodeListPtr.h"
#include "support/XmlFixture.h"

namespace {

std::string ExamplePath(const std::string& name) {
  const char* dir = std::getenv("TESSEL_SOURCE_DIR");
  return std::string(dir ? dir : TESSEL_SOURCE_DIR_DEFAULT) + "/examples/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

using Database = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

Database OpenSchema() {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  Database owned(db, sqlite3_close);
  char* error = nullptr;
  const std::string schema = ReadFile(ExamplePath("sales-schema.sql"));
  EXPECT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  return owned;
}

// Prepares `sql`; the failure text names SQLite's message and the statement.
::testing::AssertionResult Prepares(sqlite3* db, const CString& sql) {
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  sqlite3_finalize(statement);
  if (rc == SQLITE_OK) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << sqlite3_errmsg(db) << " in:\n" << sql.GetString();
}

class ExamplesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { CFrameCI::SetExistGRS(false); }
};

TEST_P(ExamplesTest, EveryStatementPreparesOnTheSchema) {
  IXMLDOMDocumentPtr doc;
  ASSERT_TRUE(doc.load(ExamplePath(GetParam()).c_str())) << doc.parseError().reason.GetString();
  CTesselParser parser(doc);
  ASSERT_EQ(parser.Parse(), 0);
  Database db = OpenSchema();
  IXMLDOMNodeListPtr queries = doc.documentElement().selectNodes("Query");
  ASSERT_GT(queries.length(), 0);
  for (long i = 0; i < queries.length(); ++i) {
    CString sql = IXMLDOMElementPtr(queries.item(i)).getAttribute("Sql");
    ASSERT_FALSE(sql.IsEmpty());
    // A split query holds one statement per group, joined by ";\r\n".
    for (int start = 0; start < sql.GetLength();) {
      int end = sql.Find(";\r\n", start);
      if (end < 0) end = sql.GetLength();
      EXPECT_TRUE(Prepares(db.get(), sql.Mid(start, end - start)));
      start = end + 3;
    }
  }
  // A document of unions becomes one statement: its SELECT part prepares.
  const CString commands = parser.GetCommands();
  if (commands.Find(" UNION ") > 0) {
    const int by = commands.Find("] BY ");
    ASSERT_GT(by, 0);
    EXPECT_TRUE(Prepares(db.get(), commands.Mid(by + 5)));
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, ExamplesTest,
                         ::testing::Values("sales.xml", "union.xml", "joins.xml", "subquery.xml", "split.xml"));

TEST(ExampleTextTest, MainExampleComposesToItsStatementAndCommand) {
  IXMLDOMDocumentPtr doc;
  ASSERT_TRUE(doc.load(ExamplePath("sales.xml").c_str()));
  CTesselParser parser(doc);
  ASSERT_EQ(parser.Parse(), 0);
  const CString sql =
      "SELECT C.CustomerName, C.Region, SUM(L.Amount)\r\n"
      "FROM (Customers C  LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) "
      "INNER JOIN OrderLines L ON (O.OrderID = L.OrderID)\r\n"
      "WHERE C.Region IN ('North', 'South') AND (L.Amount BETWEEN 10 AND 500) "
      "AND (O.OrderDate >= '2011-10-01' AND O.OrderDate < '2012-01-01')\r\n"
      "GROUP BY C.CustomerName,C.Region\r\n"
      "HAVING SUM(L.Amount) > 100\r\n"
      "ORDER BY SUM(L.Amount) DESC,C.CustomerName";
  IXMLDOMElementPtr query = doc.documentElement().selectSingleNode("Query");
  EXPECT_EQ(query.getAttribute("Sql"), sql);
  EXPECT_EQ(parser.GetCommands(), "CREATE DATASET [RevenueByCustomer] BY " + sql);
  EXPECT_FALSE(query.hasAttribute("MultiSQL"));
}

}  // namespace
