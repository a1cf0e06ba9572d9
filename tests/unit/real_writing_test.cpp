#include "real_writing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void putU16(std::string& out, int value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

// One sample in the corpus's layout: the GB2312 code's second byte first.
std::string sample(unsigned char lead, unsigned char trail,
                   const std::vector<std::vector<std::pair<int, int>>>& strokes) {
    std::string points;
    for (const auto& stroke : strokes) {
        for (auto [x, y] : stroke) {
            putU16(points, x);
            putU16(points, y);
        }
        putU16(points, -1);
        putU16(points, 0);
    }
    putU16(points, -1);
    putU16(points, -1);
    std::string out;
    putU16(out, static_cast<int>(8 + points.size()));
    out += static_cast<char>(trail);
    out += static_cast<char>(lead);
    putU16(out, 0);
    putU16(out, static_cast<int>(strokes.size()));
    return out + points;
}

}  // namespace

TEST(RealWriting, ReadsSamplesAndRefusesACutFile) {
    // 中 is D6D0 and 一 is D2BB in GB2312.
    std::string bytes = sample(0xD6, 0xD0, {{{100, 200}, {300, 200}}, {{200, 100}, {200, 400}}}) +
                        sample(0xD2, 0xBB, {{{10, 20}, {500, 20}}});
    std::vector<real_writing::RealSample> samples;
    std::string error;
    ASSERT_TRUE(real_writing::parsePot(bytes, samples, error)) << error;
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].character, u8"中");
    ASSERT_EQ(samples[0].strokes.size(), 2u);
    EXPECT_EQ(samples[0].strokes[1][1].y, 400);
    EXPECT_EQ(samples[1].character, u8"一");

    for (std::size_t cut : {bytes.size() - 1, bytes.size() - 6, std::size_t{5}}) {
        std::vector<real_writing::RealSample> some;
        EXPECT_FALSE(real_writing::parsePot(bytes.substr(0, cut), some, error)) << cut;
        EXPECT_NE(error.find("sample at byte"), std::string::npos) << error;
    }
}

TEST(RealWriting, PlacedOnThePadAtItsSizeAndPlaceWithMouseSizedSteps) {
    // 2000 x 1000 tablet units: the larger side sets the scale.
    std::vector<real_writing::TabletStroke> strokes{{{0, 0}, {2000, 1000}}, {{0, 1000}, {0, 0}}};
    real_writing::Placement placement;
    placement.fill = 0.6;
    placement.offsetX = 5;
    placement.offsetY = -3;
    auto paths = real_writing::placeOnPad(strokes, placement);
    ASSERT_EQ(paths.size(), 2u);
    int left = 1000, right = 0, top = 1000, bottom = 0;
    for (const auto& path : paths)
        for (std::size_t i = 0; i < path.size(); ++i) {
            left = std::min(left, path[i].x);
            right = std::max(right, path[i].x);
            top = std::min(top, path[i].y);
            bottom = std::max(bottom, path[i].y);
            if (i > 0) {
                EXPECT_LE(std::abs(path[i].x - path[i - 1].x), 2);
                EXPECT_LE(std::abs(path[i].y - path[i - 1].y), 2);
            }
        }
    EXPECT_NEAR(right - left, 0.6 * 207, 1);
    EXPECT_NEAR(bottom - top, 0.3 * 207, 1);
    EXPECT_NEAR((left + right) / 2.0, 107 + 5, 1);
    EXPECT_NEAR((top + bottom) / 2.0, 103.5 - 3, 1);
    // The first stroke is a diagonal of about 140 pixels walked in steps of at most 1.5.
    EXPECT_GE(paths[0].size(), 124u / 1.5);
}
