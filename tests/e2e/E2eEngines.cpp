// E2eEngines.cpp - runs every TEST_P(E2eTest, ...) of the suite once per
// engine.
#include "E2eFixture.h"

namespace e2e {

INSTANTIATE_TEST_SUITE_P(Engines, E2eTest, Engines(), EngineNames());

}  // namespace e2e
