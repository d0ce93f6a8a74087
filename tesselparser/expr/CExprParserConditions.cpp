// CExprParserConditions.cpp - condition generation of CExprParser: typed
// values of the value language to SQL predicates, placeholder substitution
// in expression texts, the multi-value test and the host's data untranslate
// callback.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "contracts/basis30/VelDate.h"
#include "expr/CExprParser.h"
#include "expr/DateCodes.h"
#include "objects/CQueryObject.h"

DATAUNTRANSLATEPROC CExprParser::m_lpfnDataUntranslateProc = nullptr;

namespace {

// Reaches the value helpers that the class keeps for itself and the term
// walker.
struct ValueHelpers : CExprParser {
  using CExprParser::GetRightOperator;
  using CExprParser::TransformValue;
};

// A doubled comma in a list value stands for one literal comma. It is
// parked as a vertical tab while the list is split at commas and turned
// back into a comma in every rendered value.
constexpr char kEscapedComma = '\v';
// White space around items and bounds, less the vertical tab: an escaped
// comma at the edge of an item is part of its value.
constexpr const char* kItemSpace = " \t\r\n\f";

// The OLE DB type code of a boolean column, as "DataType" holds it.
constexpr const char* kBooleanDataType = "11";

// The working state of one column-form call.
struct Condition {
  const char* column = nullptr;
  CString op;             // trimmed, upper case, LIKE-converted
  bool negative = false;  // <> or NOT ...: conditions join with AND
  bool dataOnly = false;
  // Set for a list, once for all its items:
  bool between = false;  // a BETWEEN operator: "a and b" is a range
  bool parked = false;   // the list holds escaped commas to turn back
  std::vector<CString> items;  // rendered plain values, in order
  bool combined = false;       // a second condition was joined into result
  CString result;

  bool IsList() const { return items.size() > 1; }
  bool IsRangeOperator() const { return op == "=" || op == "<>" || op.Find("BETWEEN") >= 0; }
  bool IsMultiValueOperator() const { return op == "=" || op == "<>" || op.Find("IN") >= 0; }

  void Join(CString condition) {
    if (result.IsEmpty()) {
      result = std::move(condition);
      return;
    }
    result += negative ? " AND " : " OR ";
    result += condition;
    combined = true;
  }
};

// The special values, the raw marker and evaluable expressions, which
// stand as written. Returns true when `value` was one of them.
bool GenerateVerbatim(const char* column, const char* op, const CString& value, CString& result) {
  if (value.CompareNoCase("{ALL}") == 0) {
    result = "1=1";
    return true;
  }
  if (value.CompareNoCase("{NULL}") == 0) {
    // "<> {NULL}" (or NOT IN, NOT LIKE ...) asks for the rows that have a
    // value; IS NULL would give the opposite of what was typed.
    CString upper(op);
    upper.Trim();
    upper.MakeUpper();
    const bool negative = upper == "<>" || upper.Left(4) == "NOT ";
    result.Format(negative ? "%s IS NOT NULL" : "%s IS NULL", column);
    return true;
  }
  // "^" is the documented raw form: the user writes SQL and takes charge of it.
  if (!value.IsEmpty() && value[0] == '^') {
    result.Format("%s %s %s", column, op, value.Mid(1).GetString());
    return true;
  }
  // An evaluable expression (Today(), DateAdd(...)) or a host variable is
  // left for the processor; only a complete one, so that no open quote or
  // parenthesis reaches the statement.
  // (A call has a parenthesis: most values have none and need no class.)
  const bool evaluable = value.Find('(') >= 0 && TestExprType(value) == EXPR_FUNCTION && IsSubExpr(value);
  if (evaluable || TestVariant(value) != VARIANT_NONE) {
    result.Format("%s %s %s", column, op, value.GetString());
    return true;
  }
  return false;
}

// A range bound written as a call (DateAdd('d',,-7,,Today())) stands in the
// SQL as written. It must be exactly one complete call - every parenthesis
// and quote closed, and nothing after its closing parenthesis - so that raw
// text can neither leave a literal open nor bring in SQL of its own after
// the call ("upper(1) OR 1=1"); anything else is rendered as data.
bool IsRawCall(const CString& bound) { return CExprParser::IsFunction(bound); }

// Renders one range bound; `exclusive` is set when it carried the "&" mark.
// Taken as data, a call is rendered like any value, on either side of the
// range. An escaped comma inside a bound is turned back into a comma, the
// same as in the plain list values, so "a,,b ~ c" means the same text in
// both places.
HRESULT RenderBound(DATATYPE type, CString& bound, bool asData, bool& exclusive) {
  if (asData || !IsRawCall(bound)) {
    const HRESULT hr = ValueHelpers::TransformValue(type, bound);
    if (FAILED(hr)) return hr;
    exclusive = hr == S_FALSE;
  }
  bound.Replace(kEscapedComma, ',');
  return S_OK;
}

// The condition of a range with at least one bound. Without strict bounds
// a two-sided range is BETWEEN; otherwise each side gets its own
// comparison. Both bounds exclusive gives (col > lo AND col < hi), negated
// (col <= lo OR col >= hi). A one-sided range ignores the marks.
// The conditions are put together by appending: they are made for every
// comparison of every query, and a format string would be parsed each time.
CString RangeCondition(const Condition& c, const CString& lower, const CString& upper, bool lowerExcl, bool upperExcl) {
  CString out = "(";
  out += c.column;
  if (upper.IsEmpty()) {
    out += c.negative ? " < " : " >= ";
    out += lower;
  } else if (lower.IsEmpty()) {
    out += c.negative ? " > " : " <= ";
    out += upper;
  } else if (!lowerExcl && !upperExcl) {
    out += c.negative ? " NOT BETWEEN " : " BETWEEN ";
    out += lower;
    out += " AND ";
    out += upper;
  } else {
    out += c.negative ? (lowerExcl ? " <= " : " < ") : (lowerExcl ? " > " : " >= ");
    out += lower;
    out += c.negative ? " OR " : " AND ";
    out += c.column;
    out += c.negative ? (upperExcl ? " >= " : " > ") : (upperExcl ? " < " : " <= ");
    out += upper;
  }
  out += ")";
  return out;
}

// One item "lower ~ upper" (either side may be empty).
HRESULT AddRange(DATATYPE type, const CString& item, Condition& c) {
  CString lower = GetFieldEx(item, 0, '~');
  CString upper = GetFieldEx(item, 1, '~');
  lower.Trim(kItemSpace);
  upper.Trim(kItemSpace);
  const bool hasLower = !lower.IsEmpty();
  const bool hasUpper = !upper.IsEmpty();
  bool lowerExcl = false;
  bool upperExcl = false;
  HRESULT hr = hasLower ? RenderBound(type, lower, c.dataOnly, lowerExcl) : S_OK;
  if (FAILED(hr)) return hr;
  hr = hasUpper ? RenderBound(type, upper, c.dataOnly, upperExcl) : S_OK;
  if (FAILED(hr)) return hr;
  if (!c.IsRangeOperator()) return TPE_RANGE_OPERATOR;
  if (!hasLower && !hasUpper) return S_OK;
  c.Join(RangeCondition(c, hasLower ? lower : CString(), hasUpper ? upper : CString(), lowerExcl, upperExcl));
  return S_OK;
}

// `text` without the white space around it that an item or bound sheds.
std::string_view TrimmedItem(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kItemSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kItemSpace) - first + 1);
}

// The text of one item of a list. Under BETWEEN, "a and b" stands for the
// range a ~ b; the " and " is looked for before the item is trimmed.
CString ItemText(std::string_view piece, const Condition& c) {
  if (!c.between) return CString(TrimmedItem(piece));
  CString item(piece);
  const int at = FindStringNoCase(item, " and ");
  if (at > 0) item = item.Left(at) + "~" + item.Mid(at + 5);
  item.Trim(kItemSpace);
  return item;
}

// One item of a multiple value: a range or a plain value for the list.
HRESULT AddItem(DATATYPE type, std::string_view piece, Condition& c) {
  CString item = ItemText(piece, c);
  if (item.IsEmpty()) return S_OK;
  if (item.Find('~') >= 0 && GetFieldEx(item, 0, '~') != item) return AddRange(type, item, c);
  const HRESULT hr = ValueHelpers::TransformValue(type, item);
  if (FAILED(hr)) return hr;
  if (c.parked) item.Replace(kEscapedComma, ',');
  c.items.push_back(std::move(item));
  return S_OK;
}

// A value with commas or tildes: one enclosing pair of parentheses goes,
// then every comma (outside an escaped ",,") separates two items. The
// items are cut from the value in place; only the trimmed text of each is
// copied.
HRESULT AddValues(DATATYPE type, CString value, Condition& c) {
  TrimShell(value, "()", false);
  value.Replace(",,", CString(kEscapedComma));
  c.between = c.op.Find("BETWEEN") >= 0;
  c.parked = value.Find(kEscapedComma) >= 0;
  const std::string_view list = value.view();
  // Room for every item at once; a lone range or value needs none.
  const auto commas = static_cast<std::size_t>(std::count(list.begin(), list.end(), ','));
  if (commas > 0) c.items.reserve(commas + 1);
  for (std::size_t start = 0;;) {
    const std::size_t stop = list.find(',', start);
    const HRESULT hr = AddItem(type, list.substr(start, stop - start), c);
    if (FAILED(hr)) return hr;
    if (stop == std::string_view::npos) return S_OK;
    start = stop + 1;
  }
}

// A period code: from its first day up to, not including, the first day
// after it. The bounds are rendered from the dates themselves; spelling
// the period out as range text only to split it and read the dates back
// cost more than everything else a condition does.
HRESULT AddPeriod(const DatePeriod& period, Condition& c) {
  if (!c.IsRangeOperator()) return TPE_RANGE_OPERATOR;
  c.Join(RangeCondition(c, FormatVelDate(period.first), FormatVelDate(period.next), false, true));
  return S_OK;
}

bool IsSingleValue(const CString& value) {
  const int n = value.GetLength();
  if (value.Find(',') < 0 && value.Find('~') < 0) return true;
  return value[0] == '\'' && value[n - 1] == '\'';
}

// `out` followed by the items separated by ", ", grown once to its size.
void AppendItems(CString& out, const std::vector<CString>& items, std::size_t tail) {
  std::size_t size = static_cast<std::size_t>(out.GetLength()) + tail;
  for (const CString& item : items) size += static_cast<std::size_t>(item.GetLength()) + 2;
  out.str().reserve(size);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    out += items[i];
  }
}

// The flat-file driver takes no IN list: (col = a OR col = b ...). The
// chain is built from the rendered values themselves, not by splitting the
// joined list at commas, so a value holding a comma (an escaped comma, a
// quoted 'a,b') stays one whole literal instead of being cut in two.
CString OrChain(const Condition& c) {
  CString chain = "(";
  for (const CString& item : c.items) {
    if (chain.GetLength() > 1) chain += " OR ";
    chain += c.column;
    chain += " = ";
    chain += item;
  }
  chain += ")";
  return chain;
}

// The condition of the plain values: a comparison for one value (unless
// the operator is an IN), else an IN list, a NOT IN list or an OR chain.
CString ListCondition(const Condition& c) {
  if (c.IsList() || c.op.Find("IN") >= 0) {
    if (!c.negative && GetCurDSType() == DSTYPE_FLATFILE) return OrChain(c);
    CString out = c.column;
    out += c.negative ? " NOT IN (" : " IN (";
    AppendItems(out, c.items, 1);
    out += ")";
    return out;
  }
  CString out = c.column;
  out += " ";
  out += c.op;
  out += " ";
  AppendItems(out, c.items, 0);
  return out;
}

// The conditions of a typed value: a period code, a list or range, or one
// plain value. `text` is used up: it moves into the list or the items.
HRESULT AddValue(DATATYPE type, CString& text, Condition& c) {
  if (type == DATATYPE_DATETIME) {
    DatePeriod period;
    if (ReadDatePeriod(text, period)) return AddPeriod(period, c);
  }
  if (!IsSingleValue(text)) return AddValues(type, std::move(text), c);
  if (text.IsEmpty()) return S_OK;
  const HRESULT hr = ValueHelpers::TransformValue(type, text);  // an exclusive mark means nothing here
  if (FAILED(hr)) return hr;
  c.items.push_back(std::move(text));
  return S_OK;
}

// A boolean column of the Dataset engine reads True/False, not 1/0.
void TranslateBoolean(CString& value) {
  value.TrimLeft();
  CString bare = value;
  bare.TrimRight();
  if (bare == "0") {
    value = "False";
  } else if (bare == "1") {
    value = "True";
  }
}

}  // namespace

HRESULT CExprParser::GenerateExpr(const char* column, DATATYPE type, const char* op, const char* value, CString& result,
                                  bool bDataOnly) {
  result.Empty();
  if (column == nullptr) column = "";
  if (op == nullptr) op = "";
  CString text(value);
  text.Trim();
  if (!bDataOnly && GenerateVerbatim(column, op, text, result)) return S_OK;

  Condition c;
  c.column = column;
  c.dataOnly = bDataOnly;
  c.op = op;
  c.op.Trim();
  c.op.MakeUpper();
  // A pattern compares with LIKE; a quoted value is taken literally.
  if (text.Find('%') >= 0 && text[0] != '\'') {
    if (c.op == "=") c.op = "LIKE";
    if (c.op == "<>") c.op = "NOT LIKE";
  }
  c.negative = c.op == "<>" || c.op.Left(3) == "NOT";

  HRESULT hr = AddValue(type, text, c);
  if (SUCCEEDED(hr) && !c.items.empty()) c.Join(ListCondition(c));
  if (SUCCEEDED(hr) && (c.IsList() || c.combined) && !c.IsMultiValueOperator()) hr = TPE_MULTI_VALUE_OPERATOR;
  result = c.result;
  if (FAILED(hr)) return hr;
  if (c.combined) result = "(" + result + ")";
  if (result.IsEmpty()) result = "1=1";
  return S_OK;
}

HRESULT CExprParser::GenerateExpr(IXMLDOMNodePtr node, const char* op, const char* value, CString& result,
                                  bool bDataOnly) {
  result.Empty();
  CQueryObject operand(node);
  const HRESULT hr = operand.Parse();
  if (FAILED(hr)) return hr;
  return GenerateExprFor(operand, node, op, value, result, bDataOnly);
}

HRESULT CExprParser::GenerateExprFor(CQueryObject& operand, const IXMLDOMNodePtr& node, const char* op,
                                     const char* value, CString& result, bool bDataOnly) {
  result.Empty();
  CString text(value);
  if (GetCurDSType() == DSTYPE_DATASET && operand.GetAttribute("DataType") == kBooleanDataType) {
    TranslateBoolean(text);
  }
  if (m_lpfnDataUntranslateProc != nullptr) m_lpfnDataUntranslateProc(node, text);
  const CString column = operand.GetExpression();
  return GenerateExpr(column, operand.GetDataType(), op, text, result, bDataOnly);
}

HRESULT CExprParser::TestMultiValue(DATATYPE type, const char* value) {
  CVelObject factory;
  CVelObject parameter(factory.CreateObject("Parameter", false, false));
  parameter.SetName("DUMMY");
  parameter.SetDataType(type);
  CVelObject op(factory.CreateObject("Text", false, false, "Operator"));
  op.SetValue("=");
  CVelObject text(factory.CreateObject("Text", false, false, "Operator"));
  text.SetValue(value);
  const IXMLDOMElementPtr expr = factory.CreateObject("Expr", false, false);
  expr.appendChild(parameter.GetNode());
  expr.appendChild(op.GetNode());
  expr.appendChild(text.GetNode());
  CExprParser parser(expr);
  return parser.Parse(nullptr, nullptr);
}

HRESULT CExprParser::TransformExpr(CString& expr, const char* placeholder, const char* value, DATATYPE type) {
  const CString key(placeholder);
  if (key.IsEmpty()) return S_OK;  // nothing to find (and an empty key would match forever)
  CString out;
  for (int pos = 0;;) {
    const int at = expr.Find(key, pos);
    if (at < 0) {
      out += expr.Mid(pos);
      break;
    }
    CString before = expr.Mid(pos, at - pos);
    pos = at + key.GetLength();

    // After "operand op" the whole comparison is regenerated from the value.
    const CString op = ValueHelpers::GetRightOperator(before, true);
    int operandStart = -1;
    CString operand;
    if (!op.IsEmpty()) {
      before.TrimRight();
      before = before.Left(before.GetLength() - op.GetLength());
      operandStart = GetPreviousSubExpr(before, before.GetLength() - 1, operand);
    }
    CString rendered;
    if (operandStart < 0) {
      rendered = value;
      const HRESULT hr = ValueHelpers::TransformValue(type, rendered);
      if (FAILED(hr)) return hr;
      out += before + op;
      AppendApart(out, rendered.view());
      continue;
    }
    before.TrimRight();
    before = before.Left(before.GetLength() - operand.GetLength());
    const HRESULT hr = GenerateExpr(operand, type, op, value, rendered, false);
    if (FAILED(hr)) return hr;
    // The regenerated comparison stands where its operand stood; a word the
    // operand scan left before it (C1 of C1'x') must not fuse with it.
    out += before;
    if (!out.IsEmpty() && !rendered.IsEmpty() && FusesAcross(out.view().back(), rendered.view().front())) out += " ";
    out += rendered;
  }
  expr = out;
  return S_OK;
}

void CExprParser::SetDataUntranslateProc(DATAUNTRANSLATEPROC proc) { m_lpfnDataUntranslateProc = proc; }
