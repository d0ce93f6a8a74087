// MessageTemplateTest.cpp - a message that passes on another failure's
// message text never shows an unfilled "%s", and the literal-aware search
// of the text helpers that the column composition cuts with.
#include <gtest/gtest.h>

#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/TextUtil.h"

namespace {

class MessageTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearErrorInfo(); }
  void TearDown() override { ClearErrorInfo(); }
};

// Every code whose template takes arguments: passed on bare, it reads as a
// sentence without slots.
TEST_F(MessageTemplateTest, BareTemplatesReadWithoutTheirSlots) {
  const struct {
    HRESULT code;
    const char* text;
  } cases[] = {
      {TPE_OBJECT_FAILED, "Query object could not be composed"},
      {TPE_QUERY_FAILED, "Query could not be composed"},
      {TPE_REFERENCE_CYCLE,
       "Object reaches itself again through references, members or sub-queries, or nests too deeply"},
      {TPE_AT_VALUE_UNPROCESSED, "The value could not be evaluated"},
      {TPE_PARAM_FAILED, "Parameter could not be substituted"},
      {B30E_BAD_ARGUMENTS, "The call has arguments the function does not take"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetMsgText(c.code), c.text);
    EXPECT_EQ(FormatMsg(TPE_QUERY_FAILED, "Q", GetMsg(c.code)), CString("Query 'Q' could not be composed: ") + c.text);
  }
}

TEST_F(MessageTemplateTest, APassedOnTemplateShowsTheMessageRecordedForIt) {
  SetErrorInfo(FormatMsg(TPE_OBJECT_FAILED, "Revenue"), GetMsg(TPE_NO_ELEMENT));
  EXPECT_EQ(FormatMsg(TPE_QUERY_FAILED, "Q", GetMsg(TPE_OBJECT_FAILED)),
            "Query 'Q' could not be composed: Query object 'Revenue' could not be composed");

  // The outer message replaces the record; its detail, a bare template of
  // the inner failure, is resolved from the record before that.
  SetErrorInfo(FormatMsg(TPE_REFERENCE_CYCLE, "Loop"), nullptr);
  SetErrorInfo(FormatMsg(TPE_OBJECT_FAILED, "Outer"), GetMsg(TPE_REFERENCE_CYCLE));
  const ErrorInfo info = GetLastErrorInfo();
  EXPECT_EQ(info.message, "Query object 'Outer' could not be composed");
  EXPECT_EQ(info.detail, "Object 'Loop' reaches itself again through references, members or sub-queries, or nests "
                         "too deeply");
}

TEST_F(MessageTemplateTest, ARecordOfAnotherTemplateIsNotBorrowed) {
  SetErrorInfo(FormatMsg(TPE_PARAM_FAILED, "Region"), nullptr);
  EXPECT_EQ(FormatMsg(TPE_QUERY_FAILED, "Q", GetMsg(TPE_OBJECT_FAILED)),
            "Query 'Q' could not be composed: Query object could not be composed");
}

TEST_F(MessageTemplateTest, DataThatLooksLikeATemplateStaysData) {
  // Only a text that is exactly a template of the table is resolved; a name
  // holding "%s" is shown as it is.
  EXPECT_EQ(FormatMsg(TPE_OBJECT_FAILED, "Query object '%s'"), "Query object 'Query object '%s'' could not be composed");
  SetErrorInfo("50%s off", "%s");
  EXPECT_EQ(GetLastErrorInfo().message, "50%s off");
  EXPECT_EQ(GetLastErrorInfo().detail, "%s");
  EXPECT_EQ(GetMsgText(TPE_NO_ELEMENT), GetMsg(TPE_NO_ELEMENT));
}

struct SearchCase {
  const char* text;
  const char* sub;
  int start;
  bool topLevel;
  int expected;
};

TEST(TextSearchTest, FindsTextOutsideLiteralsAndOptionallyOutsideGroups) {
  const SearchCase cases[] = {
      {"T.a WHERE T.b = 1", " WHERE ", 0, true, 3},
      {"T.a where T.b = 1", " WHERE ", 0, true, 3},  // any case
      {"'a WHERE b'", " WHERE ", 0, true, -1},
      {"'it''s WHERE x'", " WHERE ", 0, false, -1},  // a doubled quote does not end the literal
      {"[a WHERE b].c", " WHERE ", 0, true, -1},
      {"\"a WHERE b\"", " WHERE ", 0, true, -1},
      {"(SELECT x FROM T WHERE y = 1)", " WHERE ", 0, true, -1},
      {"(SELECT x FROM T WHERE y = 1)", " WHERE ", 0, false, 16},
      {"(SELECT x FROM T WHERE y = 1) WHERE T.z = 'a WHERE b'", " WHERE ", 0, true, 29},
      {"{? 'p WHERE q'} WHERE T.z = 1", " WHERE ", 0, true, 15},
      {"x WHERE a WHERE b", " WHERE ", 2, true, 9},
      {"'open", " WHERE ", 0, false, -1},  // an unclosed literal hides the rest
      {"a WHERE b", "", 0, false, -1},
      {nullptr, "x", 0, false, -1},
      {"C.CustomerName", " WHERE ", 0, true, -1},   // no W at all
      {"x wHeRe y", " WHERE ", 0, true, 1},          // the letter looked for in either case
      {"a WHERE b", " WHERE ", 1, true, 1},          // a match that begins at the start
      {"x WHERE y", " WHERE ", 40, true, -1},        // a start past the end
      {"a ( b", " ( ", 0, true, 1},                  // a text without letters is searched in full
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindTextOutsideLiterals(c.text, c.sub, c.start, c.topLevel), c.expected)
        << (c.text ? c.text : "(null)") << " / " << c.sub;
  }
}

TEST(TextSearchTest, SkipGroupEndsAtTheMatchingCloser) {
  const struct {
    const char* text;
    int start;
    int expected;
  } cases[] = {
      {"(a) + b", 0, 3},
      {"f((a), ')') + 1", 1, 11},
      {"{? 'x}'}.y", 0, 8},
      {"([)]) x", 0, 5},  // a bracketed name hides its parenthesis
      {"(a", 0, -1},
      {"a(b)", 0, -1},  // not a group opener
      {"(b)", 5, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(SkipGroup(c.text, c.start), c.expected) << c.text;
}

}  // namespace
