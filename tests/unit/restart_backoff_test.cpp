#include "restart_backoff.h"

#include <gtest/gtest.h>

namespace {

using service::RestartBackoff;
using std::chrono::milliseconds;

TEST(RestartBackoffTest, QuickDeathsWaitLongerEachTimeUpToAMinuteAndAHealthyRunStartsAfresh) {
    RestartBackoff backoff;
    const milliseconds quick(2000);
    EXPECT_EQ(backoff.waitAfter(quick), milliseconds(250));
    EXPECT_EQ(backoff.waitAfter(quick), milliseconds(1000));
    EXPECT_EQ(backoff.waitAfter(quick), milliseconds(2000));
    EXPECT_EQ(backoff.waitAfter(quick), milliseconds(4000));
    for (int i = 0; i < 40; ++i) {
        EXPECT_LE(backoff.waitAfter(quick), RestartBackoff::kLongestWait);
    }
    EXPECT_EQ(backoff.waitAfter(quick), RestartBackoff::kLongestWait);
    // Just short of healthy still counts as quick; a healthy run is followed at once.
    EXPECT_EQ(backoff.waitAfter(RestartBackoff::kHealthyRun - milliseconds(1)),
              RestartBackoff::kLongestWait);
    EXPECT_EQ(backoff.waitAfter(RestartBackoff::kHealthyRun), milliseconds(250));
    EXPECT_EQ(backoff.waitAfter(quick), milliseconds(1000));
}

}  // namespace
