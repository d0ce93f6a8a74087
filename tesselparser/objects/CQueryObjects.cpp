// CQueryObjects.cpp - column lists, typed aliases and the split of a query
// into source groups.
#include "objects/CQueryObjects.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "contracts/basis30/CSqlParser.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "objects/CQueryObject.h"
#include "platform/IXMLDOMNodeListPtr.h"

namespace {

// "Sql<index>": the attribute that holds the statement of source group
// `index`.
CString SqlAttributeName(int index) { return "Sql" + CString(std::to_string(index)); }

int IntAttribute(const CVelObject& object, const char* name) {
  return static_cast<int>(std::strtol(object.GetAttribute(name), nullptr, 10));
}

// The length of a typed character alias: "MaxLength", else that of the
// only select item of the object's source, else 230; lengths of wide text
// count twice, at most 230.
int CharacterLength(CQueryObject& object, const IXMLDOMNodePtr& source) {
  int length = IntAttribute(object, "MaxLength");
  if (length == 0 && source) {
    IXMLDOMNodePtr item = source.selectSingleNode("Select/ExprBuildInfo/*");
    if (item && !item.nextSibling()) length = IntAttribute(CVelObject(item), "MaxLength");
  }
  if (length == 0) return 230;
  const int code = IntAttribute(object, "DataType");
  if (code == 8 || code == 130) length *= 2;
  return length >= 230 && (code == 8 || code == 130) ? 230 : length;
}

// " AS COL<n>_<TYPE>": the typed alias that the Dataset engine needs to
// know each column's type.
CString TypedAlias(CQueryObject& object, const IXMLDOMNodePtr& source, int n) {
  CString alias;
  switch (object.GetDataType()) {
    case DATATYPE_NUMERIC:
      alias.Format(" AS COL%d%s", n, object.GetAttribute("DataType") == "11" ? "_BOOL" : "_NUMBER");
      break;
    case DATATYPE_DATETIME:
      alias.Format(" AS COL%d_DATE", n);
      break;
    default:
      alias.Format(" AS COL%d_CHAR%d", n, CharacterLength(object, source));
      break;
  }
  return alias;
}

// The column text of an object: its expression without blanks around it,
// one enclosing pair of parentheses (a sub-select keeps its own) or its own
// condition. `zeroAt` is the least position at which a condition is cut.
CString ColumnText(CQueryObject& object, int zeroAt = 0) {
  CString col = object.GetExpression();
  CQueryObject::TrimColumnShell(col);
  const int where = CQueryObject::FindOwnCondition(col);
  if (where >= zeroAt) col = col.Left(where);
  return col;
}

bool IsElement(const IXMLDOMNodePtr& node) { return node.nodeType() == NODE_ELEMENT; }

bool HasOr(const CString& text) { return FindStringNoCase(text, " OR ", 0) >= 0; }

bool IsSqlAttribute(const CString& name) { return name.Left(3) == "Sql" && IsAllNumber(name.Mid(3)); }

}  // namespace

CQueryObjects::CQueryObjects(IXMLDOMNodePtr node) : CVelObject(node) {}

CQueryObjects::~CQueryObjects() = default;

CString CQueryObjects::Piece(const std::map<int, CString>& map, int index) {
  auto it = map.find(index);
  return it == map.end() ? CString() : it->second;
}

HRESULT CQueryObjects::ComposeSelect(CString& sql) {
  const DSTYPE dsType = GetCurDSType();
  int n = 1;
  bool aggregates = false;
  std::optional<CString> lastTable;
  for (IXMLDOMNodePtr child = Checked("ComposeSelect").firstChild(); child; child = child.nextSibling()) {
    // Comments and processing instructions among the objects are no columns.
    if (!IsElement(child)) continue;
    CQueryObject object(child);
    const HRESULT rc = object.Parse();
    if (rc < 0) {
      SetErrorInfo(FormatMsg(TPE_OBJECT_FAILED, object.GetName()), GetMsg(rc));
      return TPE_OBJECT_FAILED;
    }
    const CString col = ColumnText(object);
    // The typed alias names the column; grouping is by the column itself,
    // since no database takes "GROUP BY x AS name".
    CString column = col;
    if (dsType == DSTYPE_DATASET) {
      IXMLDOMNodePtr source = object.IsReferring() ? object.GetRefObject(true) : IXMLDOMNodePtr();
      column += TypedAlias(object, source ? source : child, n++);
    }
    if (!m_strColumns.IsEmpty()) m_strColumns += ", ";
    m_strColumns += column;
    // Neighbouring columns mostly come from one table: merging the same
    // text again adds nothing.
    CString table = object.GetTable();
    if (!lastTable || table != *lastTable) {
      CSqlParser::AddTables(m_strTables, table);
      lastTable = std::move(table);
    }
    if (object.GetAggregationType() != AGG_NONE) {
      aggregates = true;
    } else if (TestExprType(col) >= EXPR_COLUMN) {
      if (!m_strGroupBy.IsEmpty()) m_strGroupBy += ",";
      m_strGroupBy += col;
    }
    const CString where = object.GetWhereClause();
    if (where.IsEmpty()) continue;
    if (m_strWhere.IsEmpty()) m_strWhere = where;
    else m_strWhere += HasOr(where) ? " AND (" + where + ")" : " AND " + where;
  }
  if (!aggregates) m_strGroupBy.Empty();
  CSqlParser parser(nullptr);
  parser.SetTables(m_strTables);
  parser.SetColumns(m_strColumns);
  parser.SetWhereClause(m_strWhere);
  parser.SetGroupBy(m_strGroupBy);
  const HRESULT rc = parser.ComposeSql();
  if (rc < 0) return rc;
  sql = parser.GetSql();
  return S_OK;
}

// No statement of an earlier parse (whatever its number) may be taken for
// one of this parse.
void CQueryObjects::ClearSqlAttributes(const char* keep) {
  const IXMLDOMElementPtr& element = Checked("ClearSqlAttributes");
  for (const CString& name : element.attributeNames()) {
    if (IsSqlAttribute(name) && (keep == nullptr || name != keep)) element.removeAttribute(name);
  }
}

void CQueryObjects::SetSql(int index, const char* text) { SetAttribute(SqlAttributeName(index), text); }

void CQueryObjects::StorePieces(int index, const CQueryObjects& from) {
  m_mapSqlTables[index] = from.m_strTables;
  m_mapSqlColumns[index] = from.m_strColumns;
  m_mapSqlGroupBy[index] = from.m_strGroupBy;
  m_mapSqlWhere[index] = from.m_strWhere;
}

int CQueryObjects::GetSqlCount() const {
  int count = 0;
  while (!AttributeView(SqlAttributeName(count)).empty()) ++count;
  return count;
}

// The statements of the last parse are the list's last attributes. A
// single statement, as most queries have, replaces "Sql0" where it stands
// (a composition run again then finds it in place); the statements of a
// split are written anew after every earlier one is removed.
HRESULT CQueryObjects::ComposeSqls() {
  CString sql;
  IXMLDOMNodeListPtr conditional;
  const HRESULT rc = RunOrOnFailure(
      [&] {
        const HRESULT composed = ComposeSelect(sql);
        if (composed >= 0) conditional = GetElement().selectNodes("*[@WhereClause!='NULL']");
        return composed;
      },
      [&] { ClearSqlAttributes(nullptr); });  // a failed parse leaves no statement
  if (rc < 0) return rc;
  if (conditional.length() <= 1) {
    ClearSqlAttributes("Sql0");
    GetElement().setLastAttributes({{"Sql0", sql}});
    StorePieces(0, *this);
    return S_OK;
  }
  ClearSqlAttributes(nullptr);
  return Split(conditional);
}

namespace {

// Ends a split: the placeholders and the holder are removed and `nodes`
// are appended to the list in order. After a failure `nodes` is every
// original child (the list is as it was); after success it is the
// conditional objects (they follow the objects without a condition).
void Restore(const IXMLDOMElementPtr& list, const std::vector<IXMLDOMNodePtr>& nodes,
             const std::vector<IXMLDOMNodePtr>& placeholders, const IXMLDOMElementPtr& holder) {
  for (const auto& placeholder : placeholders) {
    if (IXMLDOMNodePtr parent = placeholder.parentNode()) parent.removeChild(placeholder);
  }
  for (const auto& node : nodes) list.appendChild(node);
  if (IXMLDOMNodePtr parent = holder.parentNode()) parent.removeChild(holder);
}

std::vector<IXMLDOMNodePtr> Items(const IXMLDOMNodeListPtr& list) {
  std::vector<IXMLDOMNodePtr> items;
  for (long i = 0; i < list.length(); ++i) items.push_back(list.item(i));
  return items;
}

int ElementCount(const IXMLDOMNodeListPtr& list) {
  int count = 0;
  for (long i = 0; i < list.length(); ++i) count += IsElement(list.item(i)) ? 1 : 0;
  return count;
}

}  // namespace

HRESULT CQueryObjects::Split(const IXMLDOMNodeListPtr& conditionalList) {
  const IXMLDOMElementPtr& list = GetElement();
  const std::vector<IXMLDOMNodePtr> original = Items(list.childNodes());
  const std::vector<IXMLDOMNodePtr> conditional = Items(conditionalList);
  IXMLDOMElementPtr holder = list.ownerDocument().createElement("WithWhereObjs");
  std::vector<IXMLDOMNodePtr> placeholders;
  HRESULT result = S_OK;
  try {
    if (IXMLDOMNodePtr parent = list.parentNode()) parent.appendChild(holder);
    for (const auto& object : conditional) holder.appendChild(object);
    m_nPlainCount = ElementCount(list.childNodes());
    result = m_nPlainCount == 0 ? TPE_ALL_CONDITIONAL : ComposeGroups(holder, placeholders);
  } catch (...) {
    Restore(list, original, placeholders, holder);
    throw;
  }
  Restore(list, result < 0 ? original : conditional, placeholders, holder);
  return result;
}

// Adds one zero placeholder per conditional object, then composes one group
// per conditional object with that object standing in its placeholder's
// place. `placeholders` receives every placeholder made, for the restore.
HRESULT CQueryObjects::ComposeGroups(const IXMLDOMElementPtr& holder, std::vector<IXMLDOMNodePtr>& placeholders) {
  const IXMLDOMElementPtr& list = GetElement();
  const std::vector<IXMLDOMNodePtr> objects = Items(holder.childNodes());
  CVelObject model;
  model.CreateObject("Text", true, false, nullptr);
  model.SetValue("SUM(0)");
  model.SetDataType(DATATYPE_NUMERIC);
  for (const auto& node : objects) {
    IXMLDOMNodePtr copy = model.CopyObject();
    CQueryObject object(node);
    HRESULT rc = object.Parse();
    if (rc < 0) return rc;
    if (object.GetAggregationType() <= AGG_NONE) {
      object.SetAggregationType(object.GetDataType() == DATATYPE_NUMERIC ? AGG_SUM : AGG_COUNT);
      rc = object.Parse();
      if (rc < 0) return rc;
    }
    // The next placeholder zeroes this object's column with its own type.
    model.SetAttribute("DataType", object.GetAttribute("DataType"));
    model.SetValue("(" + ColumnText(object, 1) + ") * 0");
    placeholders.push_back(list.appendChild(copy));
  }
  for (size_t i = 0; i < objects.size(); ++i) {
    const IXMLDOMNodePtr& object = objects[i];
    const IXMLDOMNodePtr next = object.nextSibling();
    const IXMLDOMNodePtr& placeholder = placeholders[i];
    list.replaceChild(object, placeholder);
    CQueryObjects group(list);
    CString sql;
    const HRESULT rc = group.ComposeSelect(sql);
    if (rc >= 0) {
      SetSql(static_cast<int>(i), sql);
      StorePieces(static_cast<int>(i), group);
    }
    list.replaceChild(placeholder, object);
    if (next) holder.insertBefore(object, next);
    else holder.appendChild(object);
    if (rc < 0) return rc;
  }
  return S_OK;
}
