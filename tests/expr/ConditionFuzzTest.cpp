// ConditionFuzzTest.cpp - random and hostile value texts through condition
// generation and placeholder substitution: every call returns a code or a
// text, and a typed value never leaves a quote or parenthesis open.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"
#include "expr/CExprParser.h"

namespace {

// Pieces of the value language and of SQL, glued at random.
const char* const kPieces[] = {
    "1",    "42",   "-3.5", "abc",      "O'Brien", ",",     ",,",     "~",      " and ", " AND ", "'",
    "''",   "%",    "(",    ")",        "&",       "^",     "{ALL}",  "{NULL}", "2011",  "Q4",    "12",
    "0229", " ",    "\t",   "\v",       "f(",      "Today()", "$x",   "@",      "IN",    "=",     "--",
    ";",    "\"",   "[",    "]",        "{d '",    "'}",    "2011-1-1", "x'y", "\xC3\xA9", "DateAdd('d',,1,,Today())",
};
const DATATYPE kTypes[] = {DATATYPE_NUMERIC, DATATYPE_CHARACTER, DATATYPE_DATETIME, DATATYPE_OBJECT};
const char* const kOps[] = {"=", "<>", "IN", "NOT BETWEEN", ">", "like"};

bool IsKnownOutcome(HRESULT hr) {
  return hr == S_OK || hr == TPE_NOT_A_NUMBER || hr == TPE_NOT_A_DATE || hr == TPE_RANGE_OPERATOR ||
         hr == TPE_MULTI_VALUE_OPERATOR;
}

std::string RandomText(std::mt19937& rng, int maxPieces) {
  std::uniform_int_distribution<int> count(0, maxPieces);
  std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
  std::string text;
  for (int n = count(rng); n > 0; --n) text += kPieces[piece(rng)];
  return text;
}

std::string Repeat(const std::string& part, size_t totalLength) {
  std::string text;
  while (text.size() < totalLength) text += part;
  return text;
}

// Runs one value through one type and operator. Unless the value uses the
// raw form, the predicate of a typed column must be a complete expression:
// quotes closed, parentheses balanced.
void CheckValue(const std::string& value, DATATYPE type, const char* op, bool dataOnly) {
  CString trimmed(value.c_str());
  trimmed.Trim();
  const bool raw = !dataOnly && !trimmed.IsEmpty() && trimmed[0] == '^';
  CString result;
  const HRESULT hr = CExprParser::GenerateExpr("T.c", type, op, value.c_str(), result, dataOnly);
  ASSERT_TRUE(IsKnownOutcome(hr)) << std::hex << hr << " for '" << value << "'";
  if (hr != S_OK) return;
  ASSERT_FALSE(result.IsEmpty()) << value;
  if (type != DATATYPE_OBJECT && !raw) {
    ASSERT_TRUE(IsSubExpr(result)) << "type " << type << " op " << op << " value '" << value << "' gives "
                                   << result.GetString();
  }
}

// Every type and every operator.
void CheckValue(const std::string& value, bool dataOnly) {
  for (const DATATYPE type : kTypes) {
    for (const char* op : kOps) ASSERT_NO_FATAL_FAILURE(CheckValue(value, type, op, dataOnly));
  }
}

void CheckTransform(const std::string& expr, const std::string& value, DATATYPE type) {
  CString text(expr.c_str());
  const HRESULT hr = CExprParser::TransformExpr(text, ":p", value.c_str(), type);
  ASSERT_TRUE(IsKnownOutcome(hr)) << std::hex << hr << " for '" << expr << "' / '" << value << "'";
  if (hr != S_OK) {
    ASSERT_EQ(text, expr.c_str());  // untouched on failure
  }
}

class ConditionFuzzTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCurDSType(DSTYPE_NONE); }
};

TEST_F(ConditionFuzzTest, RandomValuesReturnACodeOrAText) {
  std::mt19937 rng(20110101);
  for (int i = 0; i < 1000; ++i) {
    SetCurDSType(i % 3 == 0 ? DSTYPE_FLATFILE : DSTYPE_NONE);
    const std::string value = RandomText(rng, 12);
    ASSERT_NO_FATAL_FAILURE(CheckValue(value, i % 4 == 0));
  }
}

// Long texts cost time in the expression classifier, so each one runs as
// data (where the value language does all the work) with a type and an
// operator in turn, and every other one also in full.
TEST_F(ConditionFuzzTest, LongAndDeeplyNestedValuesReturn) {
  const size_t kLong = 100000;
  const std::string values[] = {
      Repeat("1,", kLong),
      Repeat(",,", kLong),
      Repeat("a~", kLong),
      Repeat("1 and 2,", kLong),
      Repeat("'", kLong),
      Repeat("%", kLong),
      Repeat("x'y,", kLong),
      Repeat("f(", kLong),
      Repeat("(", kLong / 2) + Repeat(")", kLong / 2),
      Repeat("(", kLong / 2) + "1,2~3" + Repeat(")", kLong / 2),
      Repeat("((", kLong) + "1~2",
      std::string(kLong, '9'),
  };
  for (size_t turn = 0; turn < std::size(values); ++turn) {
    SetCurDSType(turn % 3 == 0 ? DSTYPE_FLATFILE : DSTYPE_NONE);
    const DATATYPE type = kTypes[turn % std::size(kTypes)];
    const char* op = kOps[turn % std::size(kOps)];
    ASSERT_NO_FATAL_FAILURE(CheckValue(values[turn], type, op, true));
    if (turn % 2 == 1) {
      ASSERT_NO_FATAL_FAILURE(CheckValue(values[turn], type, op, false));
    }
  }
  SetCurDSType(DSTYPE_NONE);
  ASSERT_NO_FATAL_FAILURE(CheckTransform("T.a = :p AND " + values[0] + " = :p", values[6], DATATYPE_CHARACTER));
  ASSERT_NO_FATAL_FAILURE(CheckTransform(values[10] + " = :p", values[3], DATATYPE_NUMERIC));
}

TEST_F(ConditionFuzzTest, RandomExpressionsTransformOrFailCleanly) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<size_t> type(0, std::size(kTypes) - 1);
  for (int i = 0; i < 600; ++i) {
    std::string expr = RandomText(rng, 6);
    for (int n = 0; n < 3; ++n) expr += " " + std::string(kOps[rng() % std::size(kOps)]) + " :p" + RandomText(rng, 3);
    ASSERT_NO_FATAL_FAILURE(CheckTransform(expr, RandomText(rng, 8), kTypes[type(rng)]));
  }
  ASSERT_NO_FATAL_FAILURE(CheckTransform(Repeat("T.a = :p OR ", 100000), "1,2", DATATYPE_NUMERIC));
  ASSERT_NO_FATAL_FAILURE(CheckTransform(Repeat(":p", 100000), "x", DATATYPE_CHARACTER));
  ASSERT_NO_FATAL_FAILURE(CheckTransform(Repeat("((", 50000) + " = :p", "1", DATATYPE_NUMERIC));
}

}  // namespace
