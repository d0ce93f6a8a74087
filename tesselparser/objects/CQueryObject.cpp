// CQueryObject.cpp - the query object's cache, accessors and parse.
#include "objects/CQueryObject.h"

#include <cstring>
#include <optional>
#include <utility>

#include "contracts/basis30/CSqlParser.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/basis30/VelDate.h"
#include "contracts/basis30/XmlUtil.h"
#include "contracts/trellis/CFrameCI.h"
#include "contracts/basis30/DataSource.h"
#include "document/CDSContext.h"
#include "expr/CExprParser.h"
#include "objects/CObjectNesting.h"
#include "params/CParam.h"
#include "params/SqlLiteral.h"
#include "query/CSingleQuery.h"
#include "platform/COleDateTime.h"
#include "platform/IXMLDOMNodeListPtr.h"

namespace {

// Attributes that a refreshed reference keeps as its own.
constexpr const char* kKeepPrefix = "GUID,ID,Name,Description,RefObject,AccessType,DatasourceGUID,ShowName,";

struct AggregationName {
  AGGTYPE type;
  const char* text;
  const char* function;  // nullptr: no wrapper
};

constexpr AggregationName kAggregations[] = {
    {AGG_SUM, "Sum", "SUM("},   {AGG_MAX, "Max", "MAX("}, {AGG_MIN, "Min", "MIN("},
    {AGG_COUNT, "Count", "COUNT("}, {AGG_AVG, "Avg", "AVG("}, {AGG_OTHER, "Other", nullptr},
};

// A text inside a quoted literal (see SqlLiteralInside).
CString Quoted(const CString& text) { return SqlLiteralInside(text); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `expr` with every parenthesised sub-select replaced by "0": the calls and
// the column qualifiers inside it belong to the sub-query, not to the
// expression around it.
CString WithoutSubSelects(const CString& expr) {
  CString out;
  int from = 0;
  for (int p = FindTextOutsideLiterals(expr, "SELECT", 0, false); p >= 0;
       p = FindTextOutsideLiterals(expr, "SELECT", p + 6, false)) {
    if (p + 6 < expr.GetLength() && !IsNoname(expr[p + 6])) continue;  // a longer name
    int open = p - 1;
    while (open >= from && IsBlank(expr[open])) --open;
    if (open < from || expr[open] != '(') continue;
    const int end = SkipGroup(expr.view(), open);
    if (end < 0) break;
    out += expr.Mid(from, open - from) + "0";
    from = end;
    p = end - 6;  // the search goes on after the sub-select
  }
  return out + expr.Mid(from);
}

// True when `expr`, blanks ignored, is one parenthesised sub-select.
bool IsSubSelect(CString expr) {
  expr.Trim();
  if (expr.IsEmpty() || expr[0] != '(' || SkipGroup(expr.view(), 0) != expr.GetLength()) return false;
  return WithoutSubSelects(expr) == "0";
}

// True for a type whose expression tree, when it has one, gives its text:
// every type but those whose text is made from their attributes.
bool IsComputedType(std::string_view type) {
  for (const char* fixed : {"Field", "Table", "Text", "Column", "Parameter", "LayoutItem", "Query", "Dataset"}) {
    if (type == fixed) return false;
  }
  return true;
}

// Appends `table` to the comma list `result` when it is not there yet.
void AddUnique(CString& result, const CString& table) {
  if (table.IsEmpty() || FindField(result, table, ',') >= 0) return;
  if (!result.IsEmpty()) result += ",";
  result += table;
}

}  // namespace

CQueryObject::CQueryObject(IXMLDOMNodePtr node) : CBaseObject(std::move(node)) {}

CQueryObject::~CQueryObject() = default;

void CQueryObject::Init() {
  m_bParsed = false;
  m_nAggregation = -1;
  m_strWhereClause = "NULL";
  m_strExpression = "NULL";
}

HRESULT CQueryObject::Attach(IXMLDOMNodePtr node) {
  const HRESULT hr = CBaseObject::Attach(node);
  Init();
  m_pSourceNode = nullptr;
  return hr;
}

CString CQueryObject::GetExpression() {
  if (m_strExpression == "NULL" && !m_bParsed) Parse();
  return m_strExpression == "NULL" ? CString() : m_strExpression;
}

CString CQueryObject::GetWhereClause() {
  if (m_strWhereClause == "NULL" && !m_bParsed) Parse();
  return m_strWhereClause == "NULL" ? CString() : m_strWhereClause;
}

AGGTYPE CQueryObject::GetAggregationType() {
  if (m_nAggregation != -1) return static_cast<AGGTYPE>(m_nAggregation);
  const AttributeText text = AttributeView("Aggregation");
  if (text.empty()) return AGG_NONE;
  for (const auto& entry : kAggregations) {
    if (text == entry.text) return entry.type;
  }
  return AGG_NONE;
}

void CQueryObject::SetAggregationType(AGGTYPE type) {
  const char* text = "";
  for (const auto& entry : kAggregations) {
    if (entry.type == type) text = entry.text;
  }
  SetAttribute("Aggregation", text);
}

bool CQueryObject::IsAggregationExpr(const char* expr) {
  // Every aggregate is a call: without a "(" there is none.
  if (expr == nullptr || std::strchr(expr, '(') == nullptr) return false;
  CString text = WithoutSubSelects(expr);
  text.Remove(' ');
  text.MakeUpper();
  for (const char* name : {"SUM(", "MAX(", "MIN(", "AVG(", "AVERAGE(", "COUNT("}) {
    const int p = text.Find(name);
    if (p < 0) continue;
    return p == 0 || FindCharCount(text, '\'', p) % 2 == 0;
  }
  return false;
}

void CQueryObject::TrimColumnShell(CString& expr) {
  expr.Trim(' ');
  // A shell, like a sub-select, opens with "(": a column without one (the
  // usual case) only loses the white space around it.
  const std::string_view text = expr.view();
  const size_t first = text.find_first_not_of(CString::kWhiteSpace);
  if (first == std::string_view::npos || text[first] != '(') {
    expr.Trim();
    return;
  }
  if (!IsSubSelect(expr)) TrimShell(expr, "()", false);
}

int CQueryObject::FindOwnCondition(const char* expr) { return FindTextOutsideLiterals(expr, " WHERE ", 0, true); }

void CQueryObject::ResolveSourceNode() {
  if (m_pSourceNode) return;
  if (IsReferring()) m_pSourceNode = GetRefObject(true);
  if (!m_pSourceNode) m_pSourceNode = GetElement();
}

CString CQueryObject::GetTable() {
  const std::string_view type = TypeName();
  if (type == "Parameter" && GetExType() == "ObjectParam") return ObjectParameterTables();
  if (type == "Field") {
    const AttributeText table = AttributeView("Table");
    if (table.empty()) return CString();
    CString result = SqlName(table.view());
    const AttributeText schema = AttributeView("Schema");
    if (!schema.empty()) result = SqlName(schema.view()) + "." + result;
    const AttributeText datasource = AttributeView("Datasource");
    if (!datasource.empty()) result = "{" + CString(datasource.view()) + "}." + result;
    const AttributeText alias = AttributeView("Alias");
    if (!alias.empty()) {
      result += ' ';
      result += SqlName(alias.view());
    }
    return result;
  }
  if (type == "DataObject" || type == "QueryObject") return MemberTables();
  // A sub-query brings its own FROM clause; its tables are not the outer
  // statement's.
  if (type == "Query") return CString();
  if (IsComputedType(type)) {
    ResolveSourceNode();
    if (!m_pSourceNode.selectSingleNode("Select")) {
      if (IXMLDOMNodePtr info = CVelObject(m_pSourceNode).GetExprBuildInfo(false)) return TermTables(info);
    }
  }
  CString expr = CVelObject::GetExpression();
  if (expr.IsEmpty()) expr = GetExpression();
  // A table qualifier stands before a dot: a text without one (an operator,
  // a connector, a plain value) names no table, sub-select or not.
  if (expr.Find('.') < 0) return CString();
  return CSqlParser::GetTablesFromExpr(WithoutSubSelects(expr), nullptr);
}

// The tables of a computed object: those of its terms, so that a column
// term brings its table as the term names it ("Orders O"), not only the
// qualifier its text shows; a sub-query term brings none.
CString CQueryObject::TermTables(const IXMLDOMNodePtr& info) {
  CString result;
  CObjectNesting nesting(m_pSourceNode, CObjectNesting::TABLES);
  if (!nesting.Entered()) return result;
  for (IXMLDOMNodePtr term = info.firstChild(); term; term = term.nextSibling()) {
    if (term.nodeType() != NODE_ELEMENT) continue;
    CSqlParser::AddTables(result, CQueryObject(term).GetTable());
  }
  return result;
}

CString CQueryObject::ObjectParameterTables() {
  ResolveSourceNode();
  CParam param(m_pSourceNode);
  IXMLDOMNodePtr source = param.GetValueSource();
  CString result;
  if (!source) return result;
  CObjectNesting nesting(m_pSourceNode, CObjectNesting::TABLES);
  if (!nesting.Entered()) return result;
  for (IXMLDOMNodePtr node = source.selectSingleNode("ObjectList/*"); node; node = node.nextSibling()) {
    CQueryObject member(node);
    AddUnique(result, member.GetTable());
  }
  return result;
}

namespace {

// True when `node` lies inside a "Query" element below `top`: a member of a
// sub-query, whose tables are the sub-query's own.
bool InsideSubQuery(IXMLDOMNodePtr node, const IXMLDOMNodePtr& top) {
  for (node = node.parentNode(); node && node != top; node = node.parentNode()) {
    if (node.nodeName() == "Query") return true;
  }
  return false;
}

}  // namespace

// The tables of every member of a composite, each once, in order of first
// appearance. A member without tables is skipped rather than ending the
// list, so that the tables of the members after it are not lost. Members of
// a sub-query term are not the composite's: the sub-select has its own FROM.
CString CQueryObject::MemberTables() {
  ResolveSourceNode();
  CString result;
  CObjectNesting nesting(m_pSourceNode, CObjectNesting::TABLES);
  if (!nesting.Entered()) return result;
  IXMLDOMNodeListPtr members = m_pSourceNode.selectNodes(".//Field | .//DataObject | .//QueryObject");
  for (long i = 0; i < members.length(); ++i) {
    if (InsideSubQuery(members.item(i), m_pSourceNode)) continue;
    CQueryObject member(members.item(i));
    const CString tables = member.GetTable();
    for (int start = 0; start <= tables.GetLength();) {
      int comma = tables.Find(',', start);
      if (comma < 0) comma = tables.GetLength();
      CString table = tables.Mid(start, comma - start);
      AddUnique(result, table.Trim(' '));
      start = comma + 1;
    }
  }
  return result;
}

CString CQueryObject::GetDatasource() {
  if (TypeName() == "QueryObject" && m_pSourceNode) {
    CVelObject source(m_pSourceNode);
    IXMLDOMNodePtr info = source.GetExprBuildInfo(false);
    if (info) {
      CString result;
      CQueryObject scratch;
      for (IXMLDOMNodePtr child = info.firstChild(); child && result.IsEmpty(); child = child.nextSibling()) {
        scratch.Attach(child);
        result = scratch.GetDatasource();
      }
      SetAttribute("Datasource", result);
      return result;
    }
  }
  return GetAttribute("Datasource");
}

HRESULT CQueryObject::ResolveReference(const CString& savedExpression, const CString& savedWhere, bool& fellBack) {
  fellBack = false;
  const HRESULT rc = CBaseObject::GetRefObject(m_pSourceNode, true);
  if (rc < 0 && CFrameCI::ExistGRS()) {
    SetErrorInfo(FormatMsg(TPE_OBJECT_FAILED, GetName()), GetMsg(rc));
    return TPE_OBJECT_FAILED;
  }
  if (rc < 0) {
    // Without the repository the object keeps what it had.
    m_pSourceNode = GetElement();
    m_strExpression = savedExpression;
    m_strWhereClause = savedWhere;
    SetExpression(savedExpression);
    SetAttribute("WhereClause", savedWhere);
    fellBack = true;
    return S_OK;
  }
  CBaseObject reference(m_pSourceNode);
  if (reference.IsRepositoryObject(true)) {
    UpdateFromObject(m_pSourceNode, CString(kKeepPrefix) + "Value,Attachments,Distinct,Order,Expression,Aggregation",
                     false);
    return S_OK;
  }
  UpdateFromObject(m_pSourceNode, CString(kKeepPrefix) + "Attachments,Distinct,Order,Expression,Aggregation", false);
  SetAttribute("Name", reference.GetName());
  return S_OK;
}

// Parsing again what parsed already writes the same texts again: the cache
// keeps the outcome until the object is attached anew.
HRESULT CQueryObject::Parse() {
  m_bParsed = false;
  const HRESULT hr = ParseObject();
  m_bParsed = SUCCEEDED(hr);
  return hr;
}

// A parse starts from cleared texts ("Expression" and "WhereClause") and
// writes both as the element's last attributes when it ends. An object that
// is not a reference keeps its texts until then (nothing reads them in
// between) and clears them when it fails: a composition run again then
// finds each text in place and leaves it there, instead of removing and
// adding two attributes for every object of every query. A reference
// clears them first, since it is refreshed from its target in between.
HRESULT CQueryObject::ParseObject() {
  if (IsNull()) return TPE_NO_ELEMENT;
  // Both are rare: one walk over the attributes asks for both.
  const auto [preprocessExpr, refObject] = AttributeViews({"PreprocessExpr", "RefObject"});
  if (!preprocessExpr.empty()) {
    const CString preprocessed(preprocessExpr.view());
    WriteTexts(preprocessed, "");
    m_strExpression = preprocessed;
    return S_OK;
  }
  const bool referring = !refObject.empty();
  if (referring) {
    const CString savedExpression = CVelObject::GetExpression();
    const CString savedWhere = GetAttribute("WhereClause");
    ClearTexts();
    bool fellBack = false;
    const HRESULT rc = ResolveReference(savedExpression, savedWhere, fellBack);
    if (rc < 0 || fellBack) return rc;
  } else {
    m_pSourceNode = GetElement();
  }
  CString expr;
  const HRESULT rc = ComposeExpression(expr);
  if (rc < 0) {
    if (!referring) ClearTexts();
    return rc;
  }
  WriteTexts(expr, m_strWhereClause);
  m_strExpression = expr;
  return S_OK;
}

void CQueryObject::ClearTexts() {
  SetExpression("");
  SetAttribute("WhereClause", "");
}

// A parse leaves its texts as the element's last attributes, "Expression"
// before "WhereClause" (each only when not empty). Texts that stand there
// already stay in place.
void CQueryObject::WriteTexts(const CString& expression, const CString& where) {
  GetElement().setLastAttributes({{"Expression", expression}, {"WhereClause", where}});
}

HRESULT CQueryObject::ComposeExpression(CString& expr) {
  const std::string_view type = TypeName();
  // A field, table or text is built from its own attributes and reaches no
  // other object: only the other kinds can come back to themselves.
  const bool leaf = type == "Field" || type == "Table" || type == "Text";
  std::optional<CObjectNesting> nesting;
  if (!leaf) nesting.emplace(m_pSourceNode, CObjectNesting::PARSE);
  if (nesting && !nesting->Entered()) {
    SetErrorInfo(FormatMsg(TPE_REFERENCE_CYCLE, GetName()), nullptr);
    return TPE_REFERENCE_CYCLE;
  }
  HRESULT rc = BuildExpression(type, expr);
  if (rc < 0) return rc;
  rc = ApplyAggregation(expr);
  if (rc < 0) return rc;
  if (!m_strWhereClause.IsEmpty() && m_strWhereClause != "NULL") expr += " WHERE " + m_strWhereClause;
  return S_OK;
}

// Puts the object's schema and data source before `expr`, a table or a
// qualified column: "{ds}.schema.expr".
void CQueryObject::QualifyBySchema(CString& expr) const {
  const AttributeText schema = AttributeView("Schema");
  if (!schema.empty()) expr = SqlName(schema.view()) + "." + expr;
  const AttributeText datasource = AttributeView("Datasource");
  if (!datasource.empty()) expr = "{" + CString(datasource.view()) + "}." + expr;
}

HRESULT CQueryObject::BuildExpression(std::string_view type, CString& expr) {
  expr.Empty();
  if (type == "Field") {
    const AttributeText name = AttributeView("Name");
    if (name.empty()) return S_OK;
    expr = SqlName(name.view());
    const AttributeText alias = AttributeView("Alias");
    if (!alias.empty()) {
      expr = SqlName(alias.view()) + "." + expr;
      return S_OK;
    }
    const AttributeText table = AttributeView("Table");
    if (!table.empty()) expr = SqlName(table.view()) + "." + expr;
    QualifyBySchema(expr);
    return S_OK;
  }
  if (type == "Table") {
    const AttributeText name = AttributeView("Name");
    if (name.empty()) return S_OK;
    expr = SqlName(name.view());
    QualifyBySchema(expr);
    return S_OK;
  }
  if (type == "Text") {
    // The value is the source's: the object's own unless it refers to
    // another (most texts of a condition are plain).
    const CString value = m_pSourceNode == GetElement() ? GetValue() : CBaseObject(m_pSourceNode).GetValue();
    if (AttributeView("ExType") != "Excel") {
      expr = value;
      return S_OK;
    }
    // A spreadsheet formula: Evaluate('formula') or, for a sheet reference
    // followed by arguments, Evaluate('sheet/range', 'arguments'). The
    // apostrophes of the value are doubled so that each stays one literal.
    const int comma = value.Find(',');
    const CString left = comma > 0 ? value.Left(comma) : CString();
    if (comma <= 0 || left.Find('/') < 0) {
      expr = "Evaluate('" + Quoted(value) + "')";
      return S_OK;
    }
    CString rest = value.Mid(comma + 1);
    rest.TrimLeft();
    expr = "Evaluate('" + Quoted(left) + "', '" + Quoted(rest) + "')";
    return S_OK;
  }
  // The other kinds read the object the expression comes from (a
  // reference's target); a field or a table is built from its own copy.
  CBaseObject source(m_pSourceNode);
  if (type == "Column") {
    IXMLDOMElementPtr dataset = FindAncestor(m_pSourceNode, "Dataset");
    if (!dataset) {
      CBaseObject loader;
      const HRESULT rc = loader.LoadFromRepository(source.GetAttribute("Dataset"), false);
      if (rc < 0) return rc;
      dataset = loader.GetElement();
    }
    expr = BracketName(CVelObject(dataset).GetName().view()) + "." + BracketName(source.GetName().view());
    return S_OK;
  }
  if (type == "Parameter") {
    expr.Format("{? '%s'}", GetName().GetString());
    return S_OK;
  }
  if (type == "LayoutItem") {
    expr.Format("Value('%s')", Quoted(source.GetName()).GetString());
    return S_OK;
  }
  if (type == "Query") {
    // A sub-query stands as a scalar sub-select, so its SQL is enclosed in
    // parentheses wherever the column is used.
    CSingleQuery subQuery(m_pSourceNode);
    const long rc = subQuery.Parse();
    if (rc < 0) {
      SetErrorInfo(FormatMsg(TPE_QUERY_FAILED, subQuery.GetName(), GetMsg(rc)), nullptr);
      return rc;
    }
    expr = "(" + subQuery.GetSql() + ")";
    return S_OK;
  }
  if (IXMLDOMNodePtr select = m_pSourceNode.selectSingleNode("Select")) {
    const HRESULT rc = BuildComposite(select, expr);
    if (rc < 0) return rc;
    ApplyGrouping(expr, true);
    return S_OK;
  }
  if (type == "Dataset") {
    expr = BracketName(GetName().view());
    return S_OK;
  }
  if (IXMLDOMNodePtr info = source.GetExprBuildInfo(false)) {
    // A computed object: its expression tree gives the text. A term that
    // fails leaves the text empty; the object itself still parses.
    CExprParser parser(info);
    parser.Parse(nullptr, nullptr);
    expr = parser.GetExpression();
    ApplyGrouping(expr, false);
    return S_OK;
  }
  // The stored expression was cleared when the parse began (see
  // ParseObject): the value gives the text.
  expr = GetValue();
  switch (GetDataType()) {
    case DATATYPE_CHARACTER:
      // A literal text: apostrophes inside are doubled so that the value
      // cannot end the literal early.
      expr = "'" + Quoted(expr) + "'";
      break;
    case DATATYPE_DATETIME:
      expr = FormatVelDate(expr);
      break;
    default:
      break;
  }
  ApplyGrouping(expr, false);
  return S_OK;
}

// A compound expression (arithmetic or logical) gets parentheses so that it
// stays one operand wherever it is used, unless it starts or ends with an
// operator (a fragment, not an operand) or, with `listCheck`, is a list.
void CQueryObject::ApplyGrouping(CString& expr, bool listCheck) {
  const int kind = TestExprType(expr);
  if (kind != EXPR_ARITHMETIC && kind != EXPR_LOGICAL) return;
  if (!CExprParser::GetLeftOperator(expr, false).IsEmpty()) return;
  if (!CExprParser::GetRightOperator(expr, false).IsEmpty()) return;
  if (listCheck && !GetFieldEx(expr, 1, ',').IsEmpty()) return;
  expr = "(" + expr + ")";
}

// A composite object: the "Select" tree gives the expression and the
// "Condition" tree, when there is one, the object's own condition. A
// condition already written into the select text after " WHERE " is moved
// into the condition, so that the expression stays a plain column.
HRESULT CQueryObject::BuildComposite(const IXMLDOMNodePtr& select, CString& expr) {
  CExprParser selectParser(select);
  HRESULT rc = selectParser.Parse(nullptr, nullptr);
  if (rc < 0) return rc;
  expr = selectParser.GetExpression();

  IXMLDOMNodePtr condition = m_pSourceNode.selectSingleNode("Condition");
  if (!condition) return S_OK;
  CExprParser conditionParser(condition);
  rc = conditionParser.Parse(nullptr, nullptr);
  if (rc < 0) {
    SetErrorInfo(GetMsg(TPE_CONDITION_FAILED), GetMsg(rc));
    return rc;
  }
  m_strWhereClause = conditionParser.GetExpression();
  if (m_strWhereClause.IsEmpty()) return S_OK;
  TrimColumnShell(expr);
  const int p = FindOwnCondition(expr);
  if (p <= 0) return S_OK;
  CString inner = expr.Mid(p + 7);
  if (!IsSubExpr(inner)) return S_OK;
  expr = expr.Left(p);
  inner.TrimLeft();
  if (inner.IsEmpty()) return S_OK;
  auto wrap = [](const CString& text) { return FindStringNoCase(text, " OR ", 1) > 0 ? "(" + text + ")" : text; };
  m_strWhereClause = wrap(inner) + " AND " + wrap(m_strWhereClause);
  return S_OK;
}

HRESULT CQueryObject::ApplyAggregation(CString& expr) {
  m_nAggregation = -1;
  m_nAggregation = GetAggregationType();
  if (IsAggregationExpr(expr)) {
    if (m_nAggregation != AGG_NONE) return TPE_AGGREGATE_TWICE;
    m_nAggregation = AGG_SUM;
    return S_OK;
  }
  if (m_nAggregation <= AGG_NONE) return S_OK;
  TrimColumnShell(expr);
  for (const auto& entry : kAggregations) {
    if (entry.type == m_nAggregation && entry.function != nullptr) expr = entry.function + expr + ")";
  }
  return S_OK;
}

CString CQueryObject::ComposeSql() {
  CDSContext context(GetDSType(GetElement()));
  if (TypeName() == "Table") {
    const CString table = GetExpression();
    return table.IsEmpty() ? CString() : "SELECT * FROM " + table;
  }
  CSqlParser parser(nullptr);
  parser.SetDistinct(GetAttribute("Distinct") == "True");
  parser.SetTables(GetTable());
  parser.SetColumns(GetExpression());
  parser.ComposeSql();
  return parser.GetSql();
}
