// ConditionFuzzTest.cpp - random and hostile value texts through condition
// generation and placeholder substitution: every call returns a code or a
// text, a typed value never leaves a quote or parenthesis open, and no text
// outside SQL literals comes from a value unless the value is one of the
// raw forms of the value language.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/ExprProcessor.h"
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

// Reads a generated predicate back by the shapes the generator writes, so
// that anything a value smuggled in outside its literals shows up as text
// that fits none of them. Values are literals (quoted texts, numbers, date
// literals, NULL, TRUE/FALSE) or, as range bounds, one whole call.
class PredicateShape {
 public:
  static bool Conforms(const std::string& sql, const std::string& column) {
    PredicateShape shape;
    if (!shape.Tokenize(sql, column)) return false;
    size_t i = 0;
    if (shape.Is(i, "1") && shape.Is(i + 1, "=") && shape.Is(i + 2, "1") && shape.m_tokens.size() == 3) return true;
    return shape.Condition(i) && i == shape.m_tokens.size();
  }

 private:
  enum Kind { kLiteral, kColumn, kWord, kName, kPunct };
  struct Token {
    Kind kind;
    std::string text;  // words upper case
  };

  bool Tokenize(const std::string& t, const std::string& column) {
    for (size_t i = 0; i < t.size();) {
      const char c = t[i];
      if (c == ' ') {
        ++i;
      } else if (t.compare(i, column.size(), column) == 0) {
        m_tokens.push_back({kColumn, column});
        i += column.size();
      } else if (c == '\'') {
        const int end = SkipLiteral(t, static_cast<int>(i));
        if (end < 0) return false;
        m_tokens.push_back({kLiteral, t.substr(i, static_cast<size_t>(end) - i)});
        i = static_cast<size_t>(end);
      } else if (t.compare(i, 4, "{d '") == 0 || t.compare(i, 5, "{ts '") == 0) {
        const int end = SkipLiteral(t, static_cast<int>(t.find('\'', i)));
        if (end < 0 || static_cast<size_t>(end) >= t.size() || t[static_cast<size_t>(end)] != '}') return false;
        m_tokens.push_back({kLiteral, t.substr(i, static_cast<size_t>(end) + 1 - i)});
        i = static_cast<size_t>(end) + 1;
      } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
                 ((c == '-' || c == '+') && i + 1 < t.size() && (std::isdigit(static_cast<unsigned char>(t[i + 1])) ||
                                                                t[i + 1] == '.'))) {
        // A word, or a number with its sign, point and signed exponent.
        const bool number = !std::isalpha(static_cast<unsigned char>(c)) && c != '_';
        size_t end = i + 1;
        while (end < t.size()) {
          const char d = t[end];
          const bool exponentSign = number && (d == '-' || d == '+') && (t[end - 1] == 'e' || t[end - 1] == 'E');
          if (!std::isalnum(static_cast<unsigned char>(d)) && d != '_' && d != '.' && !exponentSign) break;
          ++end;
        }
        m_tokens.push_back(Word(t.substr(i, end - i)));
        i = end;
      } else if (t.compare(i, 2, "<>") == 0 || t.compare(i, 2, "<=") == 0 || t.compare(i, 2, ">=") == 0) {
        m_tokens.push_back({kPunct, t.substr(i, 2)});
        i += 2;
      } else if (std::string("()=<>,").find(c) != std::string::npos) {
        m_tokens.push_back({kPunct, std::string(1, c)});
        ++i;
      } else {
        m_tokens.push_back({kName, std::string(1, c)});  // fits no shape outside a call
        ++i;
      }
    }
    return true;
  }

  static Token Word(const std::string& text) {
    if (TestNumeric(text.c_str()) >= 0) return {kLiteral, text};
    std::string upper = text;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (upper == "NULL" || upper == "TRUE" || upper == "FALSE") return {kLiteral, upper};
    for (const char* word : {"IN", "NOT", "BETWEEN", "AND", "OR", "LIKE", "IS", "EXIST"}) {
      if (upper == word) return {kWord, upper};
    }
    return {kName, text};
  }

  bool Is(size_t i, const char* text) const { return i < m_tokens.size() && m_tokens[i].text == text; }
  bool IsKind(size_t i, Kind kind) const { return i < m_tokens.size() && m_tokens[i].kind == kind; }

  // cond := simple | "(" cond {AND|OR cond} ")"
  bool Condition(size_t& i) const {
    size_t j = i;
    if (Simple(j)) {
      i = j;
      return true;
    }
    j = i;
    if (!Is(j, "(")) return false;
    ++j;
    if (!Condition(j)) return false;
    while (Is(j, "AND") || Is(j, "OR")) {
      ++j;
      if (!Condition(j)) return false;
    }
    if (!Is(j, ")")) return false;
    i = j + 1;
    return true;
  }

  // The comparisons of one column; a range is a parenthesised pair.
  bool Simple(size_t& i) const {
    size_t j = i;
    if (Is(j, "(") && IsKind(j + 1, kColumn)) {
      ++j;
      if (Between(j) && Is(j, ")")) {
        i = j + 1;
        return true;
      }
    }
    j = i;
    if (!IsKind(j, kColumn)) return false;
    ++j;
    if (Is(j, "IS")) {
      ++j;
      if (Is(j, "NOT")) ++j;
      if (!Is(j, "NULL")) return false;
      i = j + 1;
      return true;
    }
    if (Is(j, "NOT")) ++j;
    if (Is(j, "IN") && Is(j + 1, "(")) {
      j += 2;
      if (!Value(j)) return false;
      while (Is(j, ",")) {
        ++j;
        if (!Value(j)) return false;
      }
      if (!Is(j, ")")) return false;
      i = j + 1;
      return true;
    }
    if (!Operator(j) || !Value(j)) return false;
    i = j;
    return true;
  }

  // column [NOT] BETWEEN v AND v, or one or two comparisons.
  bool Between(size_t& i) const {
    size_t j = i + 1;
    if (Is(j, "NOT")) ++j;
    if (Is(j, "BETWEEN")) {
      ++j;
      if (Value(j) && Is(j, "AND") && (++j, Value(j))) {
        i = j;
        return true;
      }
    }
    j = i + 1;
    if (!Operator(j) || !Value(j)) return false;
    if ((Is(j, "AND") || Is(j, "OR")) && IsKind(j + 1, kColumn)) {
      j += 2;
      if (!Operator(j) || !Value(j)) return false;
    }
    i = j;
    return true;
  }

  bool Operator(size_t& i) const {
    for (const char* op : {"=", "<>", "<", ">", "<=", ">="}) {
      if (Is(i, op)) {
        ++i;
        return true;
      }
    }
    size_t j = i;
    if (Is(j, "NOT")) ++j;
    if (Is(j, "LIKE") || Is(j, "BETWEEN") || Is(j, "EXIST") || Is(j, "IN")) {
      i = j + 1;
      return true;
    }
    return false;
  }

  // A literal, or a name with one parenthesised group after it.
  bool Value(size_t& i) const {
    if (IsKind(i, kLiteral)) {
      ++i;
      return true;
    }
    if (!IsKind(i, kName) || !Is(i + 1, "(")) return false;
    int depth = 0;
    for (size_t j = i + 1; j < m_tokens.size(); ++j) {
      if (Is(j, "(")) ++depth;
      if (Is(j, ")") && --depth == 0) {
        i = j + 1;
        return true;
      }
    }
    return false;
  }

  std::vector<Token> m_tokens;
};

// The raw forms of the value language: written SQL ("^..."), one whole
// call, a host variable. What they produce is the writer's own.
bool IsRawValue(const CString& trimmed) {
  if (!trimmed.IsEmpty() && trimmed[0] == '^') return true;
  return CExprParser::IsFunction(trimmed) || TestVariant(trimmed) != VARIANT_NONE;
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

// Runs one value through one type and operator. Unless the value is one
// of the raw forms, the predicate of a typed column must be a complete
// expression (quotes closed, parentheses balanced) of the shapes the
// generator writes: nothing outside its literals came from the value.
void CheckValue(const std::string& value, DATATYPE type, const char* op, bool dataOnly) {
  CString trimmed(value.c_str());
  trimmed.Trim();
  const bool raw = !dataOnly && IsRawValue(trimmed);
  CString result;
  const HRESULT hr = CExprParser::GenerateExpr("T.c", type, op, value.c_str(), result, dataOnly);
  ASSERT_TRUE(IsKnownOutcome(hr)) << std::hex << hr << " for '" << value << "'";
  if (hr != S_OK) return;
  ASSERT_FALSE(result.IsEmpty()) << value;
  if (type != DATATYPE_OBJECT && !raw) {
    ASSERT_TRUE(IsSubExpr(result)) << "type " << type << " op " << op << " value '" << value << "' gives "
                                   << result.GetString();
    if (result.GetLength() < 20000) {  // the shape reader backtracks; long texts are for the other checks
      ASSERT_TRUE(PredicateShape::Conforms(result.GetString(), "T.c"))
          << "type " << type << " op " << op << " value '" << value << "' gives " << result.GetString();
    }
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

// The shape reader itself: what the generator writes passes, text that a
// value brought in outside a literal does not.
TEST_F(ConditionFuzzTest, ShapeReaderTellsGeneratedTextFromSmuggledText) {
  const char* const generated[] = {
      "1=1",
      "T.c IS NOT NULL",
      "T.c = 'it''s'",
      "T.c NOT IN (1, -2.5e-3, NULL)",
      "((T.c >= {d '2011-01-01'} AND T.c < {d '2012-01-01'}) OR T.c = TRUE)",
      "(T.c NOT BETWEEN 'a' AND upper('x'))",
      "(T.c = 1 OR T.c = 2)",
      "T.c not like '%x'",
  };
  for (const char* sql : generated) EXPECT_TRUE(PredicateShape::Conforms(sql, "T.c")) << sql;
  const char* const smuggled[] = {
      "(T.c BETWEEN 'zzz' AND upper(1) OR 1=1)",
      "T.c = 'x' OR 1=1",
      "T.c = x(1); DROP TABLE t; --",
      "T.c = ''OR 1=1 --''",
      "T.c = 1 --",
      "T.c IN (1) OR T.c IN (2)",
      "T.c = {$ '1'}",
      "T.c = 'a' 'b'",
      "1=1 OR 1=1",
  };
  for (const char* sql : smuggled) EXPECT_FALSE(PredicateShape::Conforms(sql, "T.c")) << sql;
}

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
