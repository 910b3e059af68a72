// A fixture for tests that run the real game headless through the harness, on its virtual clock:
// the game starts once per process (with an empty install folder) and stays up between tests.
#pragma once

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/harness/harness.h"

namespace zvtest {

class HarnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (harness::started()) return;
        harness::Options options;
        options.dataFolder = makeTempFolder();
        ASSERT_TRUE(harness::start(options));
    }
};

}  // namespace zvtest
