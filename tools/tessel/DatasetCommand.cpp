// DatasetCommand.cpp - reading the dataset command forms.
#include "tools/tessel/DatasetCommand.h"

#include <cctype>
#include <string_view>

namespace {

// A left-to-right reader over a statement.
class Reader {
 public:
  explicit Reader(std::string_view text) : m_text(text) {}

  void SkipSpace() {
    while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
  }
  bool AtEnd() {
    SkipSpace();
    return m_pos == m_text.size();
  }
  // Consumes `word` (any letter case) when it stands next as a whole word.
  bool Word(std::string_view word) {
    SkipSpace();
    if (m_text.size() - m_pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(m_text[m_pos + i])) != word[i]) return false;
    }
    const size_t end = m_pos + word.size();
    if (end < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[end])) || m_text[end] == '_')) {
      return false;
    }
    m_pos = end;
    return true;
  }
  // Consumes "[name]" into `name`; false when no bracketed name is next.
  bool BracketedName(std::string& name) {
    SkipSpace();
    if (m_pos >= m_text.size() || m_text[m_pos] != '[') return false;
    const size_t close = m_text.find(']', m_pos + 1);
    if (close == std::string_view::npos) return false;
    name = std::string(m_text.substr(m_pos + 1, close - m_pos - 1));
    m_pos = close + 1;
    return true;
  }
  std::string Rest() {
    SkipSpace();
    std::string_view rest = m_text.substr(m_pos);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) rest.remove_suffix(1);
    return std::string(rest);
  }

 private:
  std::string_view m_text;
  size_t m_pos = 0;
};

bool ReadOperation(Reader& in, DatasetCommand::SetOperation& operation) {
  using Op = DatasetCommand::SetOperation;
  if (in.Word("UNION")) {
    operation = in.Word("ALL") ? Op::UnionAll : Op::Union;
  } else if (in.Word("INTERSET") || in.Word("INTERSECT")) {
    operation = Op::Intersect;
  } else if (in.Word("MINUS")) {
    operation = Op::Except;
  } else if (in.Word("MERGE")) {
    operation = Op::Merge;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool DatasetCommand::IsMerge() const {
  for (size_t i = 1; i < m_members.size(); ++i) {
    if (m_members[i].operation != SetOperation::Merge) return false;
  }
  return true;
}

bool DatasetCommand::Parse(const std::string& statement, std::string& error) {
  *this = DatasetCommand();
  Reader in(statement);
  if (!in.Word("CREATE") || !in.Word("DATASET")) {
    error = "not a dataset command (CREATE DATASET ...)";
    return false;
  }
  if (in.BracketedName(m_target) && m_target.empty()) {
    error = "a dataset command with an empty name []";
    return false;
  }
  if (!in.Word("BY")) {
    error = "a dataset command without BY";
    return false;
  }
  if (!in.Word("UMI")) {
    m_select = in.Rest();
    if (m_target.empty()) error = "a dataset command from a query needs a dataset name";
    if (m_select.empty()) error = "a dataset command without a query after BY";
    return !m_target.empty() && !m_select.empty();
  }
  Member member;
  if (!in.BracketedName(member.dataset)) {
    error = "UMI must be followed by a [dataset]";
    return false;
  }
  m_members.push_back(member);
  while (!in.AtEnd()) {
    if (!ReadOperation(in, member.operation) || !in.BracketedName(member.dataset)) {
      error = "a UMI list needs UNION, UNION ALL, INTERSET, MINUS or MERGE and a [dataset] between members";
      m_members.clear();
      return false;
    }
    m_members.push_back(member);
  }
  return true;
}

const char* DatasetCommand::SqlKeyword(SetOperation operation) {
  switch (operation) {
    case SetOperation::Union:
      return " UNION ";
    case SetOperation::Intersect:
      return " INTERSECT ";
    case SetOperation::Except:
      return " EXCEPT ";
    case SetOperation::UnionAll:
    case SetOperation::Merge:
      break;
  }
  return " UNION ALL ";
}
