// PostgresExecutor.cpp - datasets as temporary tables of a PostgreSQL
// session.
#include "tools/tessel/PostgresExecutor.h"

#include <memory>
#include <set>

#include "tools/tessel/CommandText.h"
#include "tools/tessel/PostgresDatabase.h"

namespace {

struct ResultClear {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClear>;

// Type OIDs of the built-in number types (pg_type.h is a server header).
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;
constexpr Oid kUnknown = 705;

bool IsNumber(Oid type) {
  return type == kInt8 || type == kInt2 || type == kInt4 || type == kOid || type == kFloat4 || type == kFloat8 ||
         type == kNumeric;
}

std::string Table(const std::string& name) { return "pg_temp." + CommandText::QuotedIdentifier(name); }


// `name`, or name:1, name:2, ... when it is taken already.
std::string Unique(const std::string& name, std::set<std::string>& taken) {
  std::string candidate = name;
  for (int n = 1; !taken.insert(candidate).second; ++n) candidate = name + ":" + std::to_string(n);
  return candidate;
}

}  // namespace

bool PostgresExecutor::CreateDataset(const DatasetCommand& command, const std::string& target, std::string& error) {
  return command.IsCombination()
             ? CreateAndFill(target, CombinedQuery(command), command.IsMerge(), error)
             : CreateAndFill(target, CommandText::QuoteBracketedNames(command.Select()), false, error);
}

std::string PostgresExecutor::CombinedQuery(const DatasetCommand& command) {
  std::string query;
  for (size_t i = 0; i < command.Members().size(); ++i) {
    const DatasetCommand::Member& member = command.Members()[i];
    const std::string select = "SELECT * FROM " + Table(member.dataset);
    query = i == 0 ? select : "(" + query + ")" + DatasetCommand::SqlKeyword(member.operation) + "(" + select + ")";
  }
  return query;
}

bool PostgresExecutor::CreateAndFill(const std::string& target, const std::string& query, bool positionalNames,
                                     std::string& error) {
  std::vector<Column> columns;
  if (!Describe(query, columns, error)) return false;
  std::set<std::string> taken;
  std::string create = "CREATE TEMP TABLE " + CommandText::QuotedIdentifier(target) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    // Positional names are stored as PostgreSQL stores an unquoted Column1,
    // which is how the aggregate command of a split query addresses them.
    const std::string name = positionalNames ? "column" + std::to_string(i + 1) : Unique(columns[i].name, taken);
    create += (i > 0 ? ", " : "") + CommandText::QuotedIdentifier(name) + " " + columns[i].type;
  }
  create += ")";
  // Only the CREATE runs read-write; the document's query runs after the
  // transaction has been made read-only, where it may write to temporary
  // tables alone.
  const bool done = Command("BEGIN READ WRITE", error) && Command(create, error) &&
                    Command("SET LOCAL transaction_read_only = on", error) &&
                    Command("INSERT INTO " + Table(target) + " " + query, error) && Command("COMMIT", error);
  if (done) return true;
  std::string ignored;
  Command("ROLLBACK", ignored);
  return false;
}

bool PostgresExecutor::Describe(const std::string& query, std::vector<Column>& columns, std::string& error) const {
  const Result prepared(PQprepare(m_conn, "", query.c_str(), 0, nullptr));
  if (!prepared || PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
    error = PostgresDatabase::ErrorOf(prepared.get(), m_conn);
    return false;
  }
  const Result described(PQdescribePrepared(m_conn, ""));
  if (!described || PQresultStatus(described.get()) != PGRES_COMMAND_OK) {
    error = PostgresDatabase::ErrorOf(described.get(), m_conn);
    return false;
  }
  const int count = PQnfields(described.get());
  if (count == 0) {
    error = "a dataset command must hold a query that returns rows";
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const Oid type = PQftype(described.get(), i);
    const std::string oid = std::to_string(type == kUnknown ? 25 : type);  // an untyped literal is text
    const std::string modifier = std::to_string(PQfmod(described.get(), i));
    const char* values[] = {oid.c_str(), modifier.c_str()};
    const Result name(PQexecParams(m_conn, "SELECT pg_catalog.format_type($1::oid, $2::int)", 2, nullptr, values,
                                   nullptr, nullptr, 0));
    if (!name || PQresultStatus(name.get()) != PGRES_TUPLES_OK || PQntuples(name.get()) != 1) {
      error = PostgresDatabase::ErrorOf(name.get(), m_conn);
      return false;
    }
    columns.push_back({PQfname(described.get(), i), PQgetvalue(name.get(), 0, 0)});
  }
  return true;
}

bool PostgresExecutor::CheckNameIsFree(const std::string& name, std::string& error) const {
  // Relations of the schemas an unqualified name is looked up in, other
  // than this session's temporary schema.
  const char* sql =
      "SELECT 1 FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
      "WHERE lower(c.relname) = lower($1) AND c.relkind IN ('r', 'v', 'm', 'p', 'f') "
      "AND n.nspname = ANY (pg_catalog.current_schemas(true)) AND c.relnamespace <> pg_catalog.pg_my_temp_schema()";
  const char* values[] = {name.c_str()};
  const Result found(PQexecParams(m_conn, sql, 1, nullptr, values, nullptr, nullptr, 0));
  if (!found || PQresultStatus(found.get()) != PGRES_TUPLES_OK) {
    error = PostgresDatabase::ErrorOf(found.get(), m_conn);
    return false;
  }
  if (PQntuples(found.get()) == 0) return true;
  error = "dataset [" + name + "] would hide the database's table or view of the same name";
  return false;
}

bool PostgresExecutor::Command(const std::string& sql, std::string& error) const {
  // The extended protocol runs exactly one statement.
  const Result result(PQexecParams(m_conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0));
  if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK) return true;
  error = PostgresDatabase::ErrorOf(result.get(), m_conn);
  return false;
}

bool PostgresExecutor::Read(const std::string& dataset, ResultTable& table, std::string& error) const {
  table = ResultTable();
  const std::string sql = "SELECT * FROM " + Table(dataset);
  const Result rows(PQexecParams(m_conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0));
  if (!rows || PQresultStatus(rows.get()) != PGRES_TUPLES_OK) {
    error = PostgresDatabase::ErrorOf(rows.get(), m_conn);
    return false;
  }
  const int count = PQnfields(rows.get());
  for (int i = 0; i < count; ++i) table.columns.emplace_back(PQfname(rows.get(), i));
  for (int r = 0; r < PQntuples(rows.get()); ++r) {
    std::vector<ResultCell>& row = table.rows.emplace_back(count);
    for (int i = 0; i < count; ++i) {
      row[i].null = PQgetisnull(rows.get(), r, i) != 0;
      row[i].number = IsNumber(PQftype(rows.get(), i));
      if (!row[i].null) row[i].text = PQgetvalue(rows.get(), r, i);
    }
  }
  return true;
}
