// Workload.cpp - the text of the benchmark document.
#include "Workload.h"

namespace {

void AppendQuery(std::string& xml, int index) {
  const std::string n = std::to_string(index);
  xml += "  <Query Name=\"Q" + n + "\" ExType=\"Main\" Datasource=\"Sales\">\n";
  xml +=
      "    <QueryObjects>\n"
      "      <Field Name=\"CustomerName\" Table=\"Customers\" Alias=\"C\" DataType=\"200\"/>\n"
      "      <Field Name=\"Region\" Table=\"Customers\" Alias=\"C\" DataType=\"200\"/>\n"
      "      <Field Name=\"OrderDate\" Table=\"Orders\" Alias=\"O\" DataType=\"7\"/>\n"
      "      <Field Name=\"OrderID\" Table=\"Orders\" Alias=\"O\" DataType=\"3\"/>\n"
      "      <Field Name=\"Amount\" Table=\"OrderLines\" Alias=\"L\" DataType=\"5\" Aggregation=\"Sum\"/>\n"
      "      <Field Name=\"Quantity\" Table=\"OrderLines\" Alias=\"L\" DataType=\"3\" Aggregation=\"Count\"/>\n"
      "    </QueryObjects>\n"
      "    <Condition ExType=\"WhereClause\">\n"
      "      <ExprBuildInfo>\n"
      "        <Field Name=\"Region\" Table=\"Customers\" Alias=\"C\" DataType=\"200\"/>\n"
      "        <Text Value=\"=\"/>\n"
      "        <Text Value=\"North, South, East, West, O'Brien's Corner\"/>\n"
      "        <Text Value=\"AND\"/>\n"
      "        <Field Name=\"Amount\" Table=\"OrderLines\" Alias=\"L\" DataType=\"5\"/>\n"
      "        <Text Value=\"=\"/>\n";
  xml += "        <Text Value=\"10~" + std::to_string(500 + index % 100) + "\"/>\n";
  xml +=
      "        <Text Value=\"AND\"/>\n"
      "        <Field Name=\"OrderDate\" Table=\"Orders\" Alias=\"O\" DataType=\"7\"/>\n"
      "        <Text Value=\"=\"/>\n"
      "        <Text Value=\"2011\"/>\n"
      "        <Text Value=\"AND\"/>\n"
      "        <Field Name=\"CustomerName\" Table=\"Customers\" Alias=\"C\" DataType=\"200\"/>\n"
      "        <Text Value=\"=\"/>\n"
      "        <Text Value=\"Sm%\"/>\n"
      "      </ExprBuildInfo>\n"
      "    </Condition>\n"
      "    <Condition ExType=\"HavingClause\">\n"
      "      <ExprBuildInfo>\n"
      "        <Field Name=\"Amount\" Table=\"OrderLines\" Alias=\"L\" DataType=\"5\" Aggregation=\"Sum\"/>\n"
      "        <Text Value=\"&gt;\"/>\n";
  xml += "        <Text Value=\"" + std::to_string(100 + index % 50) + "\"/>\n";
  xml +=
      "      </ExprBuildInfo>\n"
      "    </Condition>\n"
      "    <SortObjects>\n"
      "      <Field Name=\"Amount\" Table=\"OrderLines\" Alias=\"L\" DataType=\"5\" Aggregation=\"Sum\" Order=\"DESC\"/>\n"
      "    </SortObjects>\n"
      "    <TableRelations>\n"
      "      <Tables>\n"
      "        <Table Name=\"Customers\" Alias=\"C\" IsMaster=\"True\"/>\n"
      "        <Table Name=\"Orders\" Alias=\"O\"/>\n"
      "        <Table Name=\"OrderLines\" Alias=\"L\"/>\n"
      "      </Tables>\n"
      "      <Relations>\n"
      "        <Relation PkTable=\"C\" PkColumn=\"CustomerID\" FkTable=\"O\" FkColumn=\"CustomerID\" ConnectMode=\"0\" "
      "ConnectSign=\"=\"/>\n"
      "        <Relation PkTable=\"O\" PkColumn=\"OrderID\" FkTable=\"L\" FkColumn=\"OrderID\" ConnectMode=\"2\" "
      "ConnectSign=\"=\"/>\n"
      "      </Relations>\n"
      "    </TableRelations>\n"
      "  </Query>\n";
}

}  // namespace

std::string WorkloadDocument(int queries) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<QueryDocument Name=\"Workload\">\n"
      "  <Datasources>\n"
      "    <Datasource Name=\"Sales\" DBType=\"SQLite\" DBVersion=\"3\"/>\n"
      "  </Datasources>\n";
  for (int i = 0; i < queries; ++i) AppendQuery(xml, i);
  xml += "</QueryDocument>\n";
  return xml;
}
