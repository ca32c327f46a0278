#include <gtest/gtest.h>

#include "sim/sim_stack.h"

TEST(ScenarioFile, Placeholder) { SUCCEED(); }
