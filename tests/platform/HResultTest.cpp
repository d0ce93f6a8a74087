// HResultTest.cpp - the failure action of RunOrOnFailure: it runs for a
// failure code and for an exception (which then goes on), never for a
// success, however the step succeeds.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/HResult.h"

namespace {

TEST(HResultTest, TheFailureActionRunsOnlyWhenTheStepFails) {
  for (const HRESULT code : {S_OK, S_FALSE, HRESULT{2}, E_FAIL, E_INVALIDARG}) {
    int actions = 0;
    EXPECT_EQ(RunOrOnFailure([code] { return code; }, [&actions] { ++actions; }), code);
    EXPECT_EQ(actions, FAILED(code) ? 1 : 0) << code;
  }
  int actions = 0;
  EXPECT_THROW(RunOrOnFailure([]() -> HRESULT { throw std::runtime_error("step"); }, [&actions] { ++actions; }),
               std::runtime_error);
  EXPECT_EQ(actions, 1);
}

}  // namespace
