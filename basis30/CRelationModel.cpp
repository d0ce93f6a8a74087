// CRelationModel.cpp - reading a "Relations" element once: its relations,
// the numbering of the tables they name, and each table's relations.
#include "contracts/basis30/CRelationModel.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

CString Trimmed(const CString& text) {
  CString trimmed(text);
  trimmed.Trim();
  return trimmed;
}

}  // namespace

CRelationModel::Relation::Relation(const IXMLDOMElementPtr& source)
    : element(source),
      pkTable(source.getAttribute("PkTable")),
      pkColumn(source.getAttribute("PkColumn")),
      fkTable(source.getAttribute("FkTable")),
      fkColumn(source.getAttribute("FkColumn")),
      connectMode(source.getAttribute("ConnectMode")),
      connectSign(source.getAttribute("ConnectSign")),
      connectExpr(source.getAttribute("ConnectExpr")) {}

void CRelationModel::Relation::TurnRound() {
  std::swap(pkTable, fkTable);
  std::swap(pkColumn, fkColumn);
  std::swap(pk, fk);
  const CString mode = Trimmed(connectMode);
  if (mode == "0") connectMode = "1";
  if (mode == "1") connectMode = "0";
  static constexpr std::pair<const char*, const char*> kMirrored[] = {
      {"<", ">"}, {">", "<"}, {"<=", ">="}, {">=", "<="}};
  const CString sign = Trimmed(connectSign);
  for (const auto& [written, mirrored] : kMirrored) {
    if (sign != written) continue;
    connectSign = mirrored;
    return;
  }
}

CRelationModel::CRelationModel(IXMLDOMNodePtr relations) : m_node(std::move(relations)) {
  if (!m_node) return;
  // Counted first: a relation holds seven texts, which growing the vector
  // would move again for every relation added.
  std::size_t children = 0;
  for (IXMLDOMNodePtr child = m_node.firstChild(); child; child = child.nextSibling()) ++children;
  m_relations.reserve(children);
  for (IXMLDOMNodePtr child = m_node.firstChild(); child; child = child.nextSibling()) {
    const IXMLDOMElementPtr element(child);
    if (element && element.tagNameView() == "Relation") m_relations.emplace_back(element);
  }
  NumberTables();
  ListRelationsByTable();
}

int CRelationModel::CompareNames(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

const CString& CRelationModel::MentionedName(std::size_t mention) const {
  const Relation& relation = m_relations[mention / 2];
  return mention % 2 == 0 ? relation.pkTable : relation.fkTable;
}

const CString& CRelationModel::Spelling(int table) const {
  return MentionedName(m_spelling[static_cast<std::size_t>(table)]);
}

std::span<const std::size_t> CRelationModel::RelationsOf(int table) const {
  const std::size_t t = static_cast<std::size_t>(table);
  return {m_byTable.data() + m_firstOf[t], m_firstOf[t + 1] - m_firstOf[t]};
}

int CRelationModel::Find(std::string_view name) const {
  const auto it = std::lower_bound(m_byName.begin(), m_byName.end(), name, [this](int table, std::string_view key) {
    return CompareNames(Spelling(table).view(), key) < 0;
  });
  return it != m_byName.end() && CompareNames(Spelling(*it).view(), name) == 0 ? *it : -1;
}

bool CRelationModel::NumberedLate(std::size_t mention) const {
  const Relation& relation = m_relations[mention / 2];
  return relation.pkTable.IsEmpty() || relation.fkTable.IsEmpty();
}

int& CRelationModel::NumberOf(std::size_t mention) {
  Relation& relation = m_relations[mention / 2];
  return mention % 2 == 0 ? relation.pk : relation.fk;
}

std::vector<std::size_t> CRelationModel::MentionsByName() const {
  std::vector<std::size_t> mentions(2 * m_relations.size());
  std::iota(mentions.begin(), mentions.end(), std::size_t{0});
  std::sort(mentions.begin(), mentions.end(), [this](std::size_t a, std::size_t b) {
    const int order = CompareNames(MentionedName(a).view(), MentionedName(b).view());
    if (order != 0) return order < 0;
    return std::make_pair(NumberedLate(a), a) < std::make_pair(NumberedLate(b), b);
  });
  return mentions;
}

// In the mentions sorted by name, each run of one name is one table, headed
// by the mention that numbers it. Walking the mentions in the order of
// numbering then gives a new number at each head and the head's number to
// every other mention.
void CRelationModel::NumberTables() {
  const std::vector<std::size_t> byName = MentionsByName();
  const std::size_t mentions = byName.size();
  std::vector<std::size_t> head(mentions);
  std::size_t tables = 0;
  for (std::size_t i = 0; i < mentions; ++i) {
    const bool starts =
        i == 0 || CompareNames(MentionedName(byName[i - 1]).view(), MentionedName(byName[i]).view()) != 0;
    head[byName[i]] = starts ? byName[i] : head[byName[i - 1]];
    if (starts) ++tables;
  }

  m_spelling.reserve(tables);
  for (const bool late : {false, true}) {
    for (std::size_t mention = 0; mention < mentions; ++mention) {
      if (NumberedLate(mention) != late) continue;
      if (head[mention] != mention) {
        NumberOf(mention) = NumberOf(head[mention]);
        continue;
      }
      NumberOf(mention) = static_cast<int>(m_spelling.size());
      m_spelling.push_back(mention);
    }
  }

  m_byName.reserve(tables);
  for (std::size_t i = 0; i < mentions; ++i) {
    if (head[byName[i]] == byName[i]) m_byName.push_back(NumberOf(byName[i]));
  }
}

// A counting sort: the relations of each table are counted, the counts
// summed up to where each table's list ends, and the relations placed from
// the last one back, so that each list comes out in document order and
// m_firstOf ends at the start of each list.
void CRelationModel::ListRelationsByTable() {
  const std::size_t tables = TableCount();
  m_firstOf.assign(tables + 1, 0);
  for (const Relation& relation : m_relations) {
    ++m_firstOf[static_cast<std::size_t>(relation.pk)];
    if (relation.fk != relation.pk) ++m_firstOf[static_cast<std::size_t>(relation.fk)];
  }
  std::partial_sum(m_firstOf.begin(), m_firstOf.end(), m_firstOf.begin());
  m_byTable.resize(m_firstOf[tables]);
  for (std::size_t index = m_relations.size(); index-- > 0;) {
    const Relation& relation = m_relations[index];
    m_byTable[--m_firstOf[static_cast<std::size_t>(relation.pk)]] = index;
    if (relation.fk != relation.pk) m_byTable[--m_firstOf[static_cast<std::size_t>(relation.fk)]] = index;
  }
}
