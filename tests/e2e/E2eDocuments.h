// E2eDocuments.h - builds query documents over the demo sales model for the
// end-to-end tests, so that each case shows only what it is about.
//
// Columns are named "alias.Column" with the aliases C (Customers), O
// (Orders), L (OrderLines), P (Products) and A (ArchivedRevenue); the data
// type of each column is the one of the schema (200 text, 3 integer, 5
// real, 7 date).
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

// `text` escaped for an XML attribute value.
inline std::string Xml(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

inline std::string TableOf(const std::string& alias) {
  static const std::map<std::string, std::string> tables = {
      {"C", "Customers"}, {"O", "Orders"}, {"L", "OrderLines"}, {"P", "Products"}, {"A", "ArchivedRevenue"}};
  const auto it = tables.find(alias);
  if (it == tables.end()) throw std::invalid_argument("unknown alias " + alias);
  return it->second;
}

inline int TypeOf(const std::string& column) {
  static const std::map<std::string, int> types = {
      {"CustomerID", 3}, {"CustomerName", 200}, {"Region", 200},   {"City", 200},    {"JoinDate", 7},
      {"ProductID", 3},  {"ProductName", 200},  {"Category", 200}, {"UnitPrice", 5}, {"OrderID", 3},
      {"OrderDate", 7},  {"Status", 200},       {"LineNumber", 3}, {"Quantity", 3},  {"Amount", 5}};
  const auto it = types.find(column);
  if (it == types.end()) throw std::invalid_argument("unknown column " + column);
  return it->second;
}

// A "Field" object for "alias.Column", with more attributes when given
// (such as Aggregation="Sum" or Order="DESC").
inline std::string Col(const std::string& ref, const std::string& attributes = "") {
  const size_t dot = ref.find('.');
  const std::string alias = ref.substr(0, dot);
  const std::string column = ref.substr(dot + 1);
  return "<Field Name=\"" + column + "\" Table=\"" + TableOf(alias) + "\" Alias=\"" + alias + "\" DataType=\"" +
         std::to_string(TypeOf(column)) + "\"" + (attributes.empty() ? "" : " " + attributes) + "/>";
}

inline std::string Text(const std::string& value) { return "<Text Value=\"" + Xml(value) + "\"/>"; }

inline std::string ParamRef(const std::string& name, int type) {
  return "<Parameter Name=\"" + name + "\" DataType=\"" + std::to_string(type) + "\"/>";
}

inline std::string ParamDef(const std::string& name, int type, const std::string& defaultValue = "") {
  return "<Parameter Name=\"" + name + "\" DataType=\"" + std::to_string(type) + "\" DefaultValue=\"" +
         Xml(defaultValue) + "\"/>";
}

inline std::string Where(const std::string& terms) {
  return "<Condition ExType=\"WhereClause\"><ExprBuildInfo>" + terms + "</ExprBuildInfo></Condition>";
}

inline std::string Having(const std::string& terms) {
  return "<Condition ExType=\"HavingClause\"><ExprBuildInfo>" + terms + "</ExprBuildInfo></Condition>";
}

inline std::string Sort(const std::string& fields) { return "<SortObjects>" + fields + "</SortObjects>"; }

// A relation from the primary key "alias.Column" to the foreign key
// "alias.Column"; modes: 0 left, 1 right, 2 inner, 3 full join.
inline std::string Rel(const std::string& pk, const std::string& fk, int mode) {
  const size_t p = pk.find('.');
  const size_t f = fk.find('.');
  return "<Relation PkTable=\"" + pk.substr(0, p) + "\" PkColumn=\"" + pk.substr(p + 1) + "\" FkTable=\"" +
         fk.substr(0, f) + "\" FkColumn=\"" + fk.substr(f + 1) + "\" ConnectMode=\"" + std::to_string(mode) +
         "\" ConnectSign=\"=\"/>";
}

// The table relations of `aliases`; `master` (may be empty) is marked as
// the master table.
inline std::string Relations(const std::vector<std::string>& aliases, const std::string& master,
                             const std::string& relations) {
  std::string tables;
  for (const std::string& alias : aliases) {
    tables += "<Table Name=\"" + TableOf(alias) + "\" Alias=\"" + alias + "\"" +
              (alias == master ? " IsMaster=\"True\"" : "") + "/>";
  }
  return "<TableRelations><Tables>" + tables + "</Tables><Relations>" + relations + "</Relations></TableRelations>";
}

// A "Query" element of kind `exType` ("Main", "Union", ...).
inline std::string Query(const std::string& name, const std::string& exType, const std::string& objects,
                         const std::string& sections = "", const std::string& attributes = "") {
  return "<Query Name=\"" + name + "\" ExType=\"" + exType + "\" Datasource=\"Sales\"" +
         (attributes.empty() ? "" : " " + attributes) + "><QueryObjects>" + objects + "</QueryObjects>" + sections +
         "</Query>";
}

// A document on the SQLite data source "Sales" holding `queries` and the
// parameter definitions `parameters`. The document element names the data
// source too: the parameter handler renders values for the data source of
// the element it is attached to.
inline std::string Document(const std::string& queries, const std::string& parameters = "") {
  return "<QueryDocument Name=\"E2E\" Datasource=\"Sales\"><Datasources>"
         "<Datasource Name=\"Sales\" DBType=\"SQLite\" DBVersion=\"3\"/></Datasources>" +
         (parameters.empty() ? "" : "<Parameters>" + parameters + "</Parameters>") + queries + "</QueryDocument>";
}

}  // namespace e2e
