// CExprParserConditions.cpp - condition generation of CExprParser: the value
// language of typed values to SQL predicates, placeholder substitution in
// expression texts, the multi-value test and the host's data untranslate
// callback.
#include <cstdlib>
#include <vector>

#include "contracts/basis30/CVelObject.h"
#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "expr/CExprParser.h"
#include "objects/CQueryObject.h"
#include "platform/COleDateTime.h"

DATAUNTRANSLATEPROC CExprParser::m_lpfnDataUntranslateProc = nullptr;

namespace {

// A doubled comma in a list value stands for one literal comma. It is
// parked as a vertical tab while the list is split and turned back into a
// comma in every rendered value.
constexpr char kEscapedComma = '\v';

// The OLE DB type code of a boolean column, as the "DataType" attribute
// holds it.
constexpr const char* kBooleanDataType = "11";

// The working state of one column-form call.
struct Condition {
  const char* column = nullptr;
  CString op;              // trimmed, upper case, LIKE-converted
  bool negative = false;   // <> or NOT ...: conditions join with AND
  bool dataOnly = false;
  std::vector<CString> items;  // rendered plain values, in order
  bool combined = false;   // a second condition was joined into result
  CString result;

  const char* Joiner() const { return negative ? " AND " : " OR "; }
  bool IsList() const { return items.size() > 1; }
  bool TakesSeveral() const { return op == "=" || op == "<>" || op.Find("IN") >= 0; }

  void Join(const CString& condition) {
    if (result.IsEmpty()) {
      result = condition;
      return;
    }
    result += Joiner();
    result += condition;
    combined = true;
  }
};

// Reads leading decimal digits as the runtime's decimal conversion does.
int Number(const CString& text) { return std::atoi(text); }

// Expands a date-period code (YYYY, YYYYQn, YYYYMM, YYYYMMDD) into the
// half-open range it stands for; the upper bound carries the exclusive
// mark. Any other value is left as typed. The year and month must be
// digits: a six-character value such as {NULL} (taken as data) is a value,
// not a month code.
void ExpandDateCode(CString& value) {
  const int length = value.GetLength();
  if (length != 4 && length != 6 && length != 8) return;
  const CString year = value.Left(4);
  if (!IsAllNumber(year)) return;
  const int nextYear = Number(year) + 1;
  CString upper;
  if (length == 4) {
    upper.Format("%d-1-1&", nextYear);
    value = year + "-1-1 ~ " + upper;
    return;
  }
  if (length == 8) {
    if (!IsAllNumber(value)) return;
    const CString day = year + "-" + value.Mid(4, 2) + "-" + value.Mid(6, 2);
    COleDateTime date;
    if (FAILED(VarDateFromStr(day, date))) return;
    date.AddDays(1);
    value = day + " ~ " + date.Format("%Y-%m-%d&");
    return;
  }
  const char mark = value[4];
  if (mark == 'Q' || mark == 'q') {
    static const char* const kQuarters[] = {"-1-1 ~ %s-4-1&", "-4-1 ~ %s-7-1&", "-7-1 ~ %s-10-1&"};
    const char digit = value[5];
    if (digit >= '1' && digit <= '3') {
      upper.Format(kQuarters[digit - '1'], year.GetString());
      value = year + upper;
    } else if (digit == '4') {
      upper.Format("%d-1-1&", nextYear);
      value = year + "-10-1 ~ " + upper;
    }
    return;
  }
  const CString month = value.Mid(4, 2);
  if (!IsAllNumber(month)) return;
  if (month == "12") {
    upper.Format("%d-1-1&", nextYear);
  } else {
    upper.Format("%s-%d-1&", year.GetString(), Number(month) + 1);
  }
  value = year + "-" + month + "-1 ~ " + upper;
}

// A range bound written as a call (DateAdd('d',,-7,,Today())) stands in the
// SQL as written. It must be complete - every parenthesis and quote closed
// - so that the raw text cannot leave a literal open and swallow the rest
// of the statement; an incomplete one is rendered as data like any value.
bool IsRawCall(const CString& bound) { return CExprParser::IsFunction(bound) && IsSubExpr(bound); }

// Renders one range bound. `exclusive` is set when it carried the "&" mark.
// With `asData` a call is rendered as data too. Escaped commas come back.
HRESULT RenderBound(DATATYPE type, CString& bound, bool asData, bool& exclusive, RenderHelper* = nullptr);

}  // namespace
