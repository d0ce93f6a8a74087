// SingleQueryJoinTest.cpp - what the table relations give a composed
// statement: the join, the tables the join brings into FROM or lets a
// table constraint find, and the join text kept on the relations.
#include <gtest/gtest.h>

#include <string>

#include "contracts/basis30/ResultCodes.h"
#include "query/CSingleQuery.h"
#include "support/XmlFixture.h"

namespace {

std::string Rel(const char* pk, const char* pkColumn, const char* fk, const char* fkColumn, const char* mode,
                const char* extra = "") {
  return std::string("<Relation PkTable=\"") + pk + "\" PkColumn=\"" + pkColumn + "\" FkTable=\"" + fk +
         "\" FkColumn=\"" + fkColumn + "\" ConnectMode=\"" + mode + "\" ConnectSign=\"=\" " + extra + "/>";
}

const char* const kCustomerAndLine =
    R"(<QueryObjects><Field Name="CustomerName" Table="Customers" Alias="C"/>)"
    R"(<Field Name="Amount" Table="OrderLines" Alias="L"/></QueryObjects>)";
const char* const kCustomerAndOrder =
    R"(<QueryObjects><Field Name="CustomerName" Table="Customers" Alias="C"/>)"
    R"(<Field Name="OrderID" Table="Orders" Alias="O"/></QueryObjects>)";

std::string Tables(const char* first = "", const char* master = "C") {
  const auto table = [master](const char* name, const char* alias, const char* extra) {
    return std::string("<Table Name=\"") + name + "\" Alias=\"" + alias + "\"" + extra +
           (std::string(alias) == master ? " IsMaster=\"True\"" : "") + "/>";
  };
  return "<Tables>" + table("Customers", "C", first) + table("Orders", "O", "") + table("OrderLines", "L", "") +
         table("Products", "P", "") + "</Tables>";
}

std::string Relations(const std::string& tables, const std::string& relations, const std::string& more = "") {
  return "<TableRelations>" + tables + more + "<Relations>" + relations + "</Relations>" +
         R"(<TableConstrains><TableConstrain Alias="X"><ExprBuildInfo><Field Name="Flag" Table="Extra" Alias="X" )"
         R"(DataType="3"/><Text Value="="/><Text Value="1"/></ExprBuildInfo></TableConstrain></TableConstrains>)"
         "</TableRelations>";
}

const std::string kChain = Rel("C", "CustomerID", "O", "CustomerID", "0") + Rel("O", "OrderID", "L", "OrderID", "2");

const char* const kAnsiChain =
    "FROM (Customers C  LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)) INNER JOIN OrderLines L ON (O.OrderID = L.OrderID)";
// Relations that spell the aliases in lower case still bring the tables.
const char* const kLowerCaseChain =
    "FROM (Customers c  LEFT JOIN Orders o ON (c.CustomerID = o.CustomerID)) INNER JOIN OrderLines l ON (o.OrderID = "
    "l.OrderID)";
const char* const kDatasetChain =
    "FROM {DS}.Customers C  LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID) INNER JOIN OrderLines L ON (O.OrderID = L.OrderID)";

class SingleQueryJoinTest : public XmlFixture {};

struct JoinCase {
  const char* name;
  const char* columns;
  std::string relations;
  long rc;
  std::string sql;
  const char* expression;
};

TEST_F(SingleQueryJoinTest, TheJoinBringsItsTablesAsTheStatementNeedsThem) {
  const JoinCase cases[] = {
      {"bridging table the columns do not name", kCustomerAndLine, Relations(Tables(), kChain), 0,
       std::string("SELECT C.CustomerName, L.Amount\r\n") + kAnsiChain, kAnsiChain},
      {"relations in other letter case", kCustomerAndLine,
       Relations(Tables(), Rel("c", "CustomerID", "o", "CustomerID", "0") + Rel("o", "OrderID", "l", "OrderID", "2")),
       0, std::string("SELECT C.CustomerName, L.Amount\r\n") + kLowerCaseChain, kLowerCaseChain},
      {"free text naming a table no relation names", kCustomerAndOrder,
       Relations(Tables(), Rel("C", "", "O", "", "0",
                               "ConnectExpr=\"LEFT JOIN Orders O ON O.CustomerID = C.CustomerID AND X.Flag = O.Kind\"")),
       0,
       "SELECT C.CustomerName, O.OrderID\r\nFROM Customers C  LEFT JOIN Orders O ON O.CustomerID = C.CustomerID "
       "AND X.Flag = O.Kind\r\nWHERE X.Flag = 1",
       "FROM Customers C  LEFT JOIN Orders O ON O.CustomerID = C.CustomerID AND X.Flag = O.Kind"},
      {"relation without columns in the older form", kCustomerAndOrder,
       Relations(Tables(), Rel("C", "", "O", "", "2", "ConnectExpr=\"C.CustomerID = O.CustomerID\"")), 0,
       "SELECT C.CustomerName, O.OrderID\r\nFROM Customers C,Orders O\r\nWHERE C.CustomerID = O.CustomerID",
       "C.CustomerID = O.CustomerID"},
      {"master the columns do not name", kCustomerAndLine, Relations(Tables("", "O"), kChain), 0,
       std::string("SELECT C.CustomerName, L.Amount\r\n") + kAnsiChain, kAnsiChain},
      {"part of a larger model", kCustomerAndOrder,
       Relations(Tables(), kChain + Rel("P", "ProductID", "L", "ProductID", "0")), 0,
       "SELECT C.CustomerName, O.OrderID\r\nFROM Customers C  LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)",
       "FROM Customers C  LEFT JOIN Orders O ON (C.CustomerID = O.CustomerID)"},
      {"older form of an old Oracle", kCustomerAndLine,
       Relations(Tables(" Datasource=\"DS\""), kChain,
                 R"(<Datasources><Datasource Name="DS" DBType="Oracle" DBVersion="8"/></Datasources>)"),
       0,
       "SELECT C.CustomerName, L.Amount\r\nFROM Customers C,OrderLines L,Orders O\r\n"
       "WHERE C.CustomerID = O.CustomerID(+) AND O.OrderID = L.OrderID",
       "C.CustomerID = O.CustomerID(+) AND O.OrderID = L.OrderID"},
      {"other letter case in the older form", kCustomerAndLine,
       Relations(Tables(" Datasource=\"DS\""),
                 Rel("c", "CustomerID", "o", "CustomerID", "0") + Rel("o", "OrderID", "l", "OrderID", "2"),
                 R"(<Datasources><Datasource Name="DS" DBType="Oracle" DBVersion="8"/></Datasources>)"),
       0,
       "SELECT C.CustomerName, L.Amount\r\nFROM Customers C,OrderLines L,Orders o\r\n"
       "WHERE c.CustomerID = o.CustomerID(+) AND o.OrderID = l.OrderID",
       "c.CustomerID = o.CustomerID(+) AND o.OrderID = l.OrderID"},
      {"dataset engine", kCustomerAndLine,
       Relations(Tables(" Datasource=\"DS\""), kChain, R"(<Datasources><Datasource Name="DS" DBType="Dataset"/></Datasources>)"),
       0, std::string("SELECT C.CustomerName, L.Amount\r\n") + kDatasetChain, kDatasetChain},
      {"tables not connected", kCustomerAndOrder, Relations(Tables(), Rel("O", "OrderID", "L", "OrderID", "0")),
       static_cast<long>(TPE_RELATION_CYCLE), "SELECT C.CustomerName, O.OrderID\r\nFROM Customers C,Orders O", ""},
  };
  for (const JoinCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(std::string("<Doc><Query Name=\"Q\">") + c.columns + c.relations + "</Query></Doc>");
    EXPECT_EQ(CSingleQuery(Select("Query")).Parse(), c.rc);
    EXPECT_EQ(Select("Query").getAttribute("Sql"), c.sql.c_str());
    EXPECT_EQ(Select("Query/TableRelations").getAttribute("Expression"), c.expression);
  }
}

}  // namespace
