// ValueSoundnessE2eTest.cpp - hostile values typed into conditions or set
// on parameters, executed on the demo database: each must select exactly
// the rows of the hand-written predicate that takes the value as data.
// Covers reference-like text inside values, values that only start like a
// call, years below 1000, the NOT BETWEEN operator and "@" calls left in
// the command text.
#include "E2eDocuments.h"
#include "E2eFixture.h"
#include "contracts/basis30/ExprProcessor.h"
#include "platform/COleDateTime.h"

namespace e2e {
namespace {

// How the value reaches the condition.
enum class Via {
  kTree,      // a text term of the WHERE tree (an operator text when op is null)
  kParam,     // the value of parameter P, compared by a parameter term
  kUnparsed,  // the same, P having DisableParseValue="True"
};

struct SoundCase {
  const char* name;
  const char* column;  // "alias.Column"
  const char* op;      // nullptr: `value` is an operator text such as "= x"
  const char* value;
  Via via;
  const char* where;  // hand-written WHERE clause over the unaliased table
};

void PrintTo(const SoundCase& c, std::ostream* out) { *out << c.name; }

class ValueSoundnessE2eTest : public E2eCaseTest<SoundCase> {};

// Parameter P of the column's type, and Other (West), which hostile
// values name.
std::string Parameters(int type, Via via) {
  const std::string unparsed = via == Via::kUnparsed ? " DisableParseValue=\"True\"" : "";
  return "<Parameter Name=\"P\" DataType=\"" + std::to_string(type) + "\" DefaultValue=\"\"" + unparsed + "/>" +
         ParamDef("Other", 200, "West");
}

TEST_P(ValueSoundnessE2eTest, SelectsTheRowsOfTheValueTakenAsData) {
  const SoundCase& c = Case();
  const std::string column = std::string(c.column).substr(2);
  const int type = TypeOf(column);
  const bool orders = c.column[0] == 'O';
  const std::string objects =
      orders ? Col("O.OrderID") + Col("O.OrderDate") : Col("C.CustomerID") + Col("C.CustomerName");
  std::string terms = Col(c.column);
  Settings settings;
  if (c.via == Via::kTree) {
    terms += (c.op != nullptr ? Text(c.op) : "") + Text(c.value);
  } else {
    terms += Text(c.op) + ParamRef("P", type);
    settings.emplace_back("P", c.value);
  }
  const std::string document = Document(Query("Q", "Main", objects, Where(terms)), Parameters(type, c.via));
  const std::string select =
      orders ? "SELECT OrderID, OrderDate FROM Orders" : "SELECT CustomerID, CustomerName FROM Customers";
  const Rows expected = Expected(select + " WHERE " + c.where);
  // Every case tells the sound predicate from one that lets all rows pass.
  ASSERT_NE(Sorted(expected), Sorted(Expected(select))) << c.where;
  Rows rows;
  ASSERT_TRUE(Run(document, rows, settings)) << commands_;
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;
  EXPECT_TRUE(TablesIntact());
}

// Text that a value brings in is never searched again for references.
const SoundCase kReferences[] = {
    {"ComputedInList", "C.Region", "=", "North, {$ ' OR 1=1 --'}", Via::kParam,
     "Region IN ('North', '{$ '' OR 1=1 --''}')"},
    {"ComputedNegated", "C.Region", "<>", "{$ ' OR 1=1 --'}", Via::kParam, "Region <> '{$ '' OR 1=1 --''}'"},
    {"ComputedUnparsed", "C.Region", "<>", "{$ ' OR 1=1 --'}", Via::kUnparsed, "Region <> '{$ '' OR 1=1 --''}'"},
    {"ParameterInList", "C.Region", "=", "North, {? 'Other'}", Via::kParam, "Region IN ('North', '{? ''Other''}')"},
    {"ParameterUnparsed", "C.Region", "<>", "{? 'Other'}", Via::kUnparsed, "Region <> '{? ''Other''}'"},
    {"CommentAndSemicolon", "C.CustomerName", "=", "'; DROP TABLE orders; --, Acme Corp", Via::kParam,
     "CustomerID IN (1, 19)"},
    {"ComputedInTreeValue", "C.Region", "=", "North, {$ ' OR 1=1 --'}", Via::kTree,
     "Region IN ('North', '{$ '' OR 1=1 --''}')"},
    {"ParameterInTreeValue", "C.Region", "<>", "{? 'Other'}", Via::kTree, "Region <> '{? ''Other''}'"},
};
INSTANTIATE_TEST_SUITE_P(References, ValueSoundnessE2eTest,
                         ::testing::Combine(Engines(), ::testing::ValuesIn(kReferences)), EngineAndCaseNames());

// Only a value that is exactly one call stays a call.
const SoundCase kCalls[] = {
    {"UpperBoundStartsLikeACall", "C.CustomerName", "=", "A ~ C(1) OR 1=1", Via::kParam,
     "CustomerName BETWEEN 'A' AND 'C(1) OR 1=1'"},
    {"LowerBoundStartsLikeACall", "C.CustomerName", "=", "A(1) OR 1=1 ~ C", Via::kTree,
     "CustomerName BETWEEN 'A(1) OR 1=1' AND 'C'"},
    {"BoundIsOneCall", "C.CustomerName", "=", "A ~ upper('c')", Via::kParam, "CustomerName BETWEEN 'A' AND 'C'"},
    {"TreeValueStartsLikeACall", "C.CustomerName", "=", "x(1) OR 1=1", Via::kTree, "CustomerName = 'x(1) OR 1=1'"},
    {"StatementAfterACall", "C.CustomerName", "=", "x(1); DROP TABLE Orders; --", Via::kTree, "0 = 1"},
    {"OperatorTextStartsLikeACall", "C.CustomerName", nullptr, "= x(1) OR 1=1", Via::kTree, "0 = 1"},
    {"AtCallWithMoreText", "C.CustomerName", "=", "@Year('2011-01-01') OR 1=1", Via::kTree,
     "CustomerName = '@Year(''2011-01-01'') OR 1=1'"},
    {"CallAsParameterValue", "C.CustomerName", "=", "upper(1) OR 1=1", Via::kParam, "0 = 1"},
};
INSTANTIATE_TEST_SUITE_P(Calls, ValueSoundnessE2eTest, ::testing::Combine(Engines(), ::testing::ValuesIn(kCalls)),
                         EngineAndCaseNames());

// Years below 1000 keep four digits; NOT BETWEEN is one operator.
const SoundCase kOperatorsAndDates[] = {
    {"EarlyYearInRange", "O.OrderDate", "=", "0999-1-1 ~ 2011-06-30", Via::kParam,
     "OrderDate BETWEEN '0999-01-01' AND '2011-06-30'"},
    {"EarlyYearInTree", "O.OrderDate", "=", "0999-12-31 ~ 2011-3-31", Via::kTree,
     "OrderDate BETWEEN '0999-12-31' AND '2011-03-31'"},
    {"NotBetweenOperatorText", "C.CustomerID", nullptr, "NOT BETWEEN 3~28", Via::kTree,
     "CustomerID NOT BETWEEN 3 AND 28"},
    {"NotBetweenBeforeAParameter", "C.CustomerID", "NOT BETWEEN", "3~28", Via::kParam,
     "CustomerID NOT BETWEEN 3 AND 28"},
    {"NotBetweenLowerCase", "C.CustomerID", "not between", "3~28", Via::kParam, "CustomerID NOT BETWEEN 3 AND 28"},
};
INSTANTIATE_TEST_SUITE_P(OperatorsAndDates, ValueSoundnessE2eTest,
                         ::testing::Combine(Engines(), ::testing::ValuesIn(kOperatorsAndDates)), EngineAndCaseNames());

// "@" calls left in the command text are written as literals of the
// database the text runs on, also when the document names no data source.
class AtCallsE2eTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    const COleDateTime today(2011, 5, 17);
    SetProcessorClock(&today);
  }
  void TearDown() override { SetProcessorClock(nullptr); }
};

TEST_P(AtCallsE2eTest, DateCallsInTheCommandTextBecomeLiteralsOfTheDatabase) {
  const std::string objects = Col("C.CustomerName") + Text("@Today()") + Text("@DateAdd('d', 1, Today())");
  const std::string where = Where(Col("C.JoinDate") + Text("<") + Text("@Today()"));
  Rows rows;
  ASSERT_TRUE(Run(Document(Query("Q", "Main", objects, where)), rows)) << commands_;
  const Rows expected =
      Expected("SELECT CustomerName, '2011-05-17', '2011-05-18' FROM Customers WHERE JoinDate < '2011-05-17'");
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;

  // Without any data source in the document.
  const std::string bare = "<QueryDocument Name=\"Bare\"><Query Name=\"Q\" ExType=\"Main\"><QueryObjects>" + objects +
                           "</QueryObjects>" + where + "</Query></QueryDocument>";
  ASSERT_TRUE(Run(bare, rows)) << commands_;
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;
}

TEST_P(AtCallsE2eTest, ParameterValuesOfADocumentWithoutADataSourceAreLiteralsOfTheDatabase) {
  const std::string bare = "<QueryDocument Name=\"Bare\"><Parameters>" + ParamDef("Since", 7, "2012Q1") +
                           "</Parameters><Query Name=\"Q\" ExType=\"Main\"><QueryObjects>" + Col("O.OrderID") +
                           "</QueryObjects>" + Where(Col("O.OrderDate") + Text("=") + ParamRef("Since", 7)) +
                           "</Query></QueryDocument>";
  Rows rows;
  ASSERT_TRUE(Run(bare, rows)) << commands_;
  EXPECT_EQ(Sorted(rows),
            Sorted(Expected("SELECT OrderID FROM Orders WHERE OrderDate >= '2012-01-01' AND OrderDate < '2012-04-01'")))
      << commands_;
}

INSTANTIATE_TEST_SUITE_P(Engines, AtCallsE2eTest, Engines(), EngineNames());

}  // namespace
}  // namespace e2e
