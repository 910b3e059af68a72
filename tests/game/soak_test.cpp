// A short soak: a couple of thousand frames of random play in both modes, with the record checked
// after every run and read back by the game's loader at the end; and the soak's record check
// catching saves that never reach the folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "app/platform_main.h"
#include "storage/record_store.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"
#include "tools/soak/soak.h"

namespace {

std::string failures(const soak::Report& r) {
    std::string all;
    for (const std::string& f : r.failures) all += f + "\n";
    return all;
}

TEST(Soak, RandomPlayInBothModesKeepsEveryResultInTheRecord) {
    soak::Options options;
    options.seed = 3;
    options.frames = 2000;
    options.sampleEvery = 250;
    options.dataFolder = zvtest::linkedGameDataFolder(ZV_BINARY_DIR);
    soak::Report report;
    const bool ok = soak::runSoak(options, &report);
    soak::printReport(report, 500, stdout);
    EXPECT_TRUE(ok) << failures(report);
    EXPECT_GT(report.runs[0], 0);
    EXPECT_GT(report.runs[1], 0);
    EXPECT_EQ(report.recordChecks, report.runs[0] + report.runs[1]);
    EXPECT_TRUE(report.recordAgrees);
    EXPECT_GT(report.retries + report.menuReturns, 0);
}

SaveFault failEverySave(SaveStep step) {
    return step == SaveStep::kOpen ? SaveFault::kFail : SaveFault::kNone;
}

TEST(Soak, SavesThatNeverReachTheFolderFailTheSoak) {
    soak::Options options;
    options.seed = 5;
    options.frames = 900;
    options.sampleEvery = 300;
    options.dataFolder = zvtest::linkedGameDataFolder(ZV_BINARY_DIR);
    setSaveFaultHook(failEverySave);
    soak::Report report;
    const bool ok = soak::runSoak(options, &report);
    setSaveFaultHook(nullptr);
    ASSERT_GT(report.runs[0] + report.runs[1], 0) << "no run ended: nothing was checked";
    EXPECT_FALSE(ok);
    EXPECT_EQ(report.recordChecks, 0);
    EXPECT_FALSE(report.recordAgrees);
    EXPECT_NE(failures(report).find("after a run"), std::string::npos) << failures(report);
}

}  // namespace
