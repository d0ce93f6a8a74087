// DatasetExecutor.cpp - datasets as temporary tables.
#include "tools/tessel/DatasetExecutor.h"

#include <cctype>
#include <memory>

#include "tools/tessel/CommandText.h"

namespace {

struct Finalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

// `name` as an SQL identifier in double quotes.
std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (const char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

bool OnlySpace(const char* text) {
  for (; *text != '\0'; ++text) {
    if (!std::isspace(static_cast<unsigned char>(*text))) return false;
  }
  return true;
}


}  // namespace

bool DatasetExecutor::CreateDataset(const DatasetCommand& command, const std::string& target, std::string& error) {
  return command.IsCombination() ? CreateFromMembers(command, target, error) : CreateFromSelect(command, error);
}

bool DatasetExecutor::CreateFromSelect(const DatasetCommand& command, std::string& error) {
  return Run("CREATE TEMP TABLE " + Quoted(command.Target()) + " AS " + command.Select(), error);
}

bool DatasetExecutor::CreateFromMembers(const DatasetCommand& command, const std::string& target, std::string& error) {
  std::vector<std::string> columns;
  if (!DatasetColumns(command.Members().front().dataset, columns, error)) return false;
  std::string create = "CREATE TEMP TABLE " + Quoted(target) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    const std::string name = command.IsMerge() ? "Column" + std::to_string(i + 1) : columns[i];
    create += (i > 0 ? ", " : "") + Quoted(name);
  }
  create += ")";
  std::string fill = "INSERT INTO temp." + Quoted(target) + " ";
  for (size_t i = 0; i < command.Members().size(); ++i) {
    const DatasetCommand::Member& member = command.Members()[i];
    if (i > 0) fill += DatasetCommand::SqlKeyword(member.operation);
    fill += "SELECT * FROM temp." + Quoted(member.dataset);
  }
  return Run(create, error) && Run(fill, error);
}

bool DatasetExecutor::CheckNameIsFree(const std::string& name, std::string& error) const {
  sqlite3_stmt* raw = nullptr;
  sqlite3_prepare_v2(m_db,
                     "SELECT 1 FROM main.sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
                     -1, &raw, nullptr);
  Statement query(raw);
  if (!query) {
    error = sqlite3_errmsg(m_db);
    return false;
  }
  sqlite3_bind_text(query.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(query.get()) != SQLITE_ROW) return true;
  error = "dataset [" + name + "] would hide the database's table or view of the same name";
  return false;
}

bool DatasetExecutor::DatasetColumns(const std::string& name, std::vector<std::string>& columns,
                                     std::string& error) const {
  sqlite3_stmt* raw = nullptr;
  sqlite3_prepare_v2(m_db, ("SELECT * FROM temp." + Quoted(name)).c_str(), -1, &raw, nullptr);
  Statement query(raw);
  if (!query) {
    error = "no dataset [" + name + "] has been created";
    return false;
  }
  for (int i = 0; i < sqlite3_column_count(query.get()); ++i) columns.emplace_back(sqlite3_column_name(query.get(), i));
  return true;
}

bool DatasetExecutor::Run(const std::string& sql, std::string& error) const {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &raw, &tail);
  Statement statement(raw);
  if (rc != SQLITE_OK) {
    error = sqlite3_errmsg(m_db);
    return false;
  }
  if (!statement || !OnlySpace(tail)) {
    error = "a dataset command must hold exactly one statement";
    return false;
  }
  int step = SQLITE_ROW;
  while (step == SQLITE_ROW) step = sqlite3_step(statement.get());
  if (step == SQLITE_DONE) return true;
  error = sqlite3_errmsg(m_db);
  return false;
}

bool DatasetExecutor::Read(const std::string& dataset, ResultTable& table, std::string& error) const {
  table = ResultTable();
  sqlite3_stmt* raw = nullptr;
  const std::string sql = "SELECT * FROM temp." + Quoted(dataset) + " ORDER BY rowid";
  if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(m_db);
    return false;
  }
  Statement query(raw);
  const int count = sqlite3_column_count(query.get());
  for (int i = 0; i < count; ++i) table.columns.emplace_back(sqlite3_column_name(query.get(), i));
  int step;
  while ((step = sqlite3_step(query.get())) == SQLITE_ROW) {
    std::vector<ResultCell>& row = table.rows.emplace_back(count);
    for (int i = 0; i < count; ++i) {
      const int type = sqlite3_column_type(query.get(), i);
      row[i].null = type == SQLITE_NULL;
      row[i].number = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
      if (const unsigned char* text = sqlite3_column_text(query.get(), i))
        row[i].text = reinterpret_cast<const char*>(text);
    }
  }
  if (step == SQLITE_DONE) return true;
  error = sqlite3_errmsg(m_db);
  return false;
}
