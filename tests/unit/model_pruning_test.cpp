#include "model_pruning.h"

#include <gtest/gtest.h>

namespace {

std::string prune(const std::string& line, int keep) {
    std::string out, error;
    EXPECT_TRUE(training::pruneModelLine(line, keep, out, error)) << error;
    return out;
}

TEST(ModelPruning, KeepsTheStrongestWeightsOfEitherSignInIndexOrder) {
    EXPECT_EQ(prune(u8"中 -0.25 1:0.1 5:-0.9 7:0.05 12:0.5 2000003:-0.2", 3),
              u8"中 -0.25 5:-0.9 12:0.5 2000003:-0.2");
    EXPECT_EQ(prune(u8"中 -0.25 1:0.1 5:-0.9 7:0.05 12:0.5 2000003:-0.2", 1), u8"中 -0.25 5:-0.9");
}

TEST(ModelPruning, ShortLinesAndTheConstantFeatureStay) {
    EXPECT_EQ(prune(u8"口 0.5 1:0.1 2:0.2", 10), u8"口 0.5 1:0.1 2:0.2");
    EXPECT_EQ(prune(u8"口 0.5 0:0.01 1:0.1 2:0.2", 1), u8"口 0.5 0:0.01 2:0.2");
    EXPECT_EQ(prune(u8"口 0.5 1:0.1", 0), u8"口 0.5");
    EXPECT_EQ(prune(u8"口 0.5", 3), u8"口 0.5");
    // Ties keep the earlier index.
    EXPECT_EQ(prune(u8"口 0 3:0.5 4:-0.5 9:0.5", 2), u8"口 0 3:0.5 4:-0.5");
}

TEST(ModelPruning, MalformedLinesAreReported) {
    for (const char* line : {"", u8"中", u8"中 x 1:0.1", u8"中 0.1 1-0.2", u8"中 0.1 a:0.2",
                             u8"中 0.1 1:", u8"中 0.1 1:0.2z", u8"中 0.1 -4:0.2"}) {
        std::string out, error;
        EXPECT_FALSE(training::pruneModelLine(line, 5, out, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

}  // namespace
