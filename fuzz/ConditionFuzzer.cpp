// ConditionFuzzer.cpp - condition generation (GenerateExpr, column form)
// with a fuzzed data type, data-source type, operator, data-only switch and
// value text.
//
// Input: field 0 holds the choices (byte 0 data type, 1 data-source type,
// 2 operator, 3 data-only), field 1 is the value.
//
// Properties: the result is 0 or one of the value-language codes; a
// predicate on a typed column (numeric, character, date) has no open
// literal (read also as MySQL reads backslashes, on a MySQL data source),
// and outside its literals holds no word that the column, the
// operator or the value language did not bring: a value brings words only
// as the raw forms the language allows ("^...", {ALL}, {NULL}, one whole
// call of the expression processor or a host variable as the whole value,
// and one whole call as a range bound).
#include <string>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "expr/CExprParser.h"
#include "fuzz/FuzzSupport.h"

namespace {

const char* const kOps[] = {"=",    "<>",     ">",      "<",        ">=",          "<=",       "IN",
                            "NOT IN", "BETWEEN", "NOT BETWEEN", "LIKE", "NOT LIKE", "EXIST", "NOT EXIST",
                            "in",   " = ",    "like"};
const DATATYPE kTypes[] = {DATATYPE_NUMERIC, DATATYPE_CHARACTER, DATATYPE_DATETIME, DATATYPE_OBJECT};

bool KnownOutcome(HRESULT hr) {
  return hr == S_OK || hr == TPE_NOT_A_NUMBER || hr == TPE_NOT_A_DATE || hr == TPE_RANGE_OPERATOR ||
         hr == TPE_MULTI_VALUE_OPERATOR;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.erase(0, 1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The words the value may bring into the predicate as raw text: those of a
// whole raw value, or of a range bound that is one whole call. Items are
// cut as the value language cuts them: a list loses the parentheses around
// it, ",," stands for a comma, every other
// "," ends an item, " and " in an item of a BETWEEN is its "~", and "~"
// outside quotes and brackets parts the bounds.
std::set<std::string> RawWords(const std::string& value, bool dataOnly, const std::string& op) {
  const std::string whole = Trimmed(value);
  const bool rawWhole = !dataOnly && !whole.empty() &&
                        (TestExprType(whole.c_str()) == EXPR_FUNCTION || TestVariant(whole.c_str()) != VARIANT_NONE);
  if (rawWhole) return fuzz::Words(whole);
  // A list loses one pair of parentheses around it before it is cut.
  CString unwrapped(value.c_str());
  TrimShell(unwrapped, "()", false);
  std::string text = unwrapped.GetString();
  for (size_t at = text.find(",,"); at != std::string::npos; at = text.find(",,", at + 1)) text.replace(at, 2, "\v");
  std::set<std::string> words;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    const size_t andAt = Upper(item).find(" AND ");
    if (andAt != std::string::npos && andAt > 0 && Upper(op).find("BETWEEN") != std::string::npos) {
      item.replace(andAt, 5, "~");
    }
    for (int bound = 0; bound < 2; ++bound) {
      std::string piece = Trimmed(GetFieldEx(item.c_str(), bound, '~').GetString());
      for (char& c : piece) c = c == '\v' ? ',' : c;
      if (fuzz::IsOneWholeCall(piece)) {
        const auto w = fuzz::Words(piece);
        words.insert(w.begin(), w.end());
      }
    }
    start = end + 1;
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::Fields fields(data, size);
  const DATATYPE type = kTypes[fields.Byte(0, 0) % std::size(kTypes)];
  const auto dsType = static_cast<DSTYPE>(fields.Byte(0, 1) % 13);
  const char* op = kOps[fields.Byte(0, 2) % std::size(kOps)];
  const bool dataOnly = fields.Byte(0, 3) % 2 == 1;
  const std::string value = fields.Get(1);

  SetCurDSType(dsType);
  CString result;
  const HRESULT hr = CExprParser::GenerateExpr("COLX", type, op, value.c_str(), result, dataOnly);
  SetCurDSType(DSTYPE_NONE);
  fuzz::Check(KnownOutcome(hr), "GenerateExpr returns 0 or a value-language code", value);
  if (hr != S_OK || type == DATATYPE_OBJECT) return 0;  // an untyped value is inserted as written
  const std::string whole = Trimmed(value);
  if (!dataOnly && !whole.empty() && whole[0] == '^') return 0;  // the raw marker: the user's own SQL

  const std::string sql = result.GetString();
  bool open = false;
  const std::string outside = fuzz::OutsideLiterals(sql, open);
  fuzz::Check(!open, "no literal of a predicate is left open", value + "\n=> " + sql);
  if (dsType == DSTYPE_MYSQL) {
    // MySQL reads a backslash in a literal as an escape: read so, the
    // predicate must split into the same literals.
    bool mysqlOpen = false;
    fuzz::Check(fuzz::OutsideLiterals(sql, mysqlOpen, true) == outside && !mysqlOpen,
                "literals read the same where backslashes escape", value + "\n=> " + sql);
  }
  std::set<std::string> allowed = RawWords(value, dataOnly, op);
  allowed.insert("COLX");
  const auto opWords = fuzz::Words(op);
  allowed.insert(opWords.begin(), opWords.end());
  const std::string foreign = fuzz::ForeignWord(outside, allowed, value);
  fuzz::Check(foreign.empty(), "no word outside literals comes from a value",
              "word " + foreign + " in\n" + sql + "\nfrom value\n" + value);
  if (allowed.size() == 1 + opWords.size()) {
    // Without raw pieces the predicate adds no statement end or comment.
    fuzz::Check(fuzz::Count(outside, ";") == 0 && fuzz::Count(outside, "--") == 0 && fuzz::Count(outside, "/*") == 0,
                "no statement end or comment outside literals", value + "\n=> " + sql);
  }
  return 0;
}
