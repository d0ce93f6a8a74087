// CommandText.cpp - statement splitting and qualifier removal.
#include "tools/tessel/CommandText.h"

#include <string_view>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsSpace(text[first])) ++first;
  while (last > first && IsSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace

size_t CommandText::SkipQuoted(const std::string& text, size_t pos) {
  const char c = text[pos];
  if (c == '-' && text.compare(pos, 2, "--") == 0) {
    const size_t end = text.find('\n', pos);
    return end == std::string::npos ? text.size() : end + 1;
  }
  if (c == '/' && text.compare(pos, 2, "/*") == 0) {
    const size_t end = text.find("*/", pos + 2);
    return end == std::string::npos ? text.size() : end + 2;
  }
  if (c == '[') {
    const size_t end = BracketEnd(text, pos);
    return end == std::string::npos ? text.size() : end;
  }
  char close = 0;
  if (c == '\'' || c == '"' || c == '`') close = c;
  if (close == 0) return pos;
  // A doubled quote inside a literal reads as the end of one literal and
  // the start of the next, which skips the same text.
  const size_t end = text.find(close, pos + 1);
  return end == std::string::npos ? text.size() : end + 1;
}

size_t CommandText::BracketEnd(const std::string& text, size_t pos) {
  for (size_t at = text.find(']', pos + 1); at != std::string::npos; at = text.find(']', at + 2)) {
    if (at + 1 >= text.size() || text[at + 1] != ']') return at + 1;
  }
  return std::string::npos;
}

bool CommandText::EndsStatement(const std::string& text, size_t pos) {
  int lineBreaks = 0;
  for (; pos < text.size() && IsSpace(text[pos]); ++pos) {
    if (text[pos] == '\n' && ++lineBreaks == 2) return true;
  }
  return pos == text.size();
}

std::vector<std::string> CommandText::SplitStatements(const std::string& text) {
  std::vector<std::string> statements;
  size_t start = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    if (const size_t skipped = SkipQuoted(text, pos); skipped != pos) {
      pos = skipped;
      continue;
    }
    if (text[pos] == ';' && EndsStatement(text, pos + 1)) {
      if (std::string statement = Trimmed(text.substr(start, pos - start)); !statement.empty()) {
        statements.push_back(std::move(statement));
      }
      start = pos + 1;
    }
    ++pos;
  }
  if (std::string statement = Trimmed(text.substr(start)); !statement.empty()) statements.push_back(statement);
  return statements;
}

size_t CommandText::QualifierEnd(const std::string& text, size_t pos) {
  if (text[pos] != '{') return pos;
  size_t end = pos + 1;
  while (end < text.size() && std::string_view("{}'\"\r\n").find(text[end]) == std::string_view::npos) ++end;
  const bool named = end > pos + 1;
  if (!named || text.compare(end, 2, "}.") != 0) return pos;
  return end + 2;
}

std::string CommandText::StripDataSourceQualifiers(const std::string& statement) {
  std::string out;
  out.reserve(statement.size());
  size_t pos = 0;
  while (pos < statement.size()) {
    if (const size_t skipped = SkipQuoted(statement, pos); skipped != pos) {
      out.append(statement, pos, skipped - pos);
      pos = skipped;
      continue;
    }
    if (const size_t end = QualifierEnd(statement, pos); end != pos) {
      pos = end;
      continue;
    }
    out += statement[pos++];
  }
  return out;
}

std::string CommandText::QuotedIdentifier(const std::string& name) {
  std::string out = "\"";
  for (const char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string CommandText::QuoteBracketedNames(const std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  size_t pos = 0;
  while (pos < sql.size()) {
    if (sql[pos] == '[') {
      const size_t end = BracketEnd(sql, pos);
      if (end == std::string::npos) break;  // not closed: kept as it is
      std::string name = sql.substr(pos + 1, end - pos - 2);
      for (size_t at = name.find("]]"); at != std::string::npos; at = name.find("]]", at + 1)) name.erase(at, 1);
      out += QuotedIdentifier(name);
      pos = end;
      continue;
    }
    const size_t skipped = SkipQuoted(sql, pos);
    if (skipped != pos) {
      out.append(sql, pos, skipped - pos);
      pos = skipped;
      continue;
    }
    out += sql[pos++];
  }
  out.append(sql, pos, std::string::npos);
  return out;
}
