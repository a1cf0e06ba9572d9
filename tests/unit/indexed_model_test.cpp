// Features and scores of zinnia models without zinnia: hand-made strokes and a hand-made model
// file. (tests/service/recognizer_test.cpp checks them against zinnia itself.)
#include "indexed_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

namespace {

using service::BoxPoint;
using service::Feature;

std::map<int, float> byIndex(const std::vector<Feature>& features) {
    std::map<int, float> m;
    for (const Feature& f : features) m[f.index] = f.value;
    return m;
}

std::vector<BoxPoint> line(BoxPoint a, BoxPoint b, int steps) {
    std::vector<BoxPoint> points;
    for (int i = 0; i <= steps; ++i)
        points.push_back({a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps});
    return points;
}

// zinnia's binary layout, written independently of the reader.
class ModelFile {
  public:
    void character(const std::string& utf8, float bias, std::vector<Feature> weights) {
        char name[16] = {};
        std::memcpy(name, utf8.data(), std::min<std::size_t>(utf8.size(), 15));
        body_.append(name, 16);
        put(bias);
        for (const Feature& w : weights) {
            put(w.index);
            put(w.value);
        }
        put(-1);
        put(0.0f);
        ++count_;
    }
    // The file, optionally with another version, or the body cut short or followed by more
    // (the size in the header follows, so only the layout is wrong).
    std::string bytes(std::uint32_t version = 1, std::size_t cut = 0,
                      const std::string& more = "") const {
        std::string body = body_.substr(0, body_.size() - cut) + more;
        std::string head;
        std::uint32_t size = static_cast<std::uint32_t>(12 + body.size());
        std::uint32_t words[3] = {size ^ 0xef71821u, version, count_};
        head.append(reinterpret_cast<const char*>(words), sizeof words);
        return head + body;
    }

  private:
    template <typename T>
    void put(T v) {
        body_.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    std::string body_;
    std::uint32_t count_ = 0;
};

std::string writeFile(const std::string& name, const std::string& bytes) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace

TEST(CharacterFeatures, AStraightStrokeIsOneSegmentAndTheStrokeCount) {
    auto f = byIndex(service::characterFeatures({line({0, 500}, {1000, 500}, 10)}, 1000, 1000));
    ASSERT_EQ(f.size(), 1u + 12u + 2u);
    EXPECT_EQ(f[0], 1.0f);                          // bias
    EXPECT_FLOAT_EQ(f[1], 10.0f);                   // length, in tenths of the box
    EXPECT_FLOAT_EQ(f[2], 0.0f);                    // direction: rightward
    EXPECT_FLOAT_EQ(f[3], -5.0f);                   // start x from the centre
    EXPECT_FLOAT_EQ(f[5], 5.0f);                    // end x
    EXPECT_FLOAT_EQ(f[7], std::atan2(0.f, -0.5f));  // start seen from the centre
    EXPECT_FLOAT_EQ(f[9], 5.0f);                    // start's distance from the centre
    EXPECT_FLOAT_EQ(f[11], 5.0f);                   // x extent
    EXPECT_FLOAT_EQ(f[12], 0.0f);
    EXPECT_EQ(f[2000000], 1.0f);
    EXPECT_EQ(f[2000001], 10.0f);
}

TEST(CharacterFeatures, ABentStrokeSplitsAtItsCornerAndStrokesAreJoinedByMoves) {
    std::vector<BoxPoint> bent = line({100, 100}, {100, 900}, 8);
    for (BoxPoint p : line({100, 900}, {900, 900}, 8)) bent.push_back(p);
    std::vector<BoxPoint> dot{{500, 500}, {500, 500}};
    auto f = byIndex(service::characterFeatures({bent, dot}, 1000, 1000));
    // The whole stroke (1..12), its two legs (21..32 down, 41..52 across), the second stroke
    // (1001..1012) and the pen's move from the corner stroke's end to it (101001..101012).
    for (int offset : {0, 20, 40, 1000, 101000}) EXPECT_TRUE(f.count(offset + 1)) << offset;
    EXPECT_FALSE(f.count(61));
    EXPECT_FLOAT_EQ(f[22], std::atan2(0.8f, 0.0f));  // down
    EXPECT_FLOAT_EQ(f[42], 0.0f);                    // across
    EXPECT_FLOAT_EQ(f[101001], 10 * std::sqrt(0.4f * 0.4f + 0.4f * 0.4f));
    EXPECT_EQ(f[2000000], 2.0f);
    EXPECT_EQ(f[2000002], 10.0f);
}

TEST(CharacterFeatures, NothingToDescribe) {
    EXPECT_TRUE(service::characterFeatures({}, 1000, 1000).empty());
    EXPECT_TRUE(service::characterFeatures({{{1, 1}}, {}}, 1000, 1000).empty());
    EXPECT_TRUE(service::characterFeatures({{{1, 1}}}, 0, 1000).empty());
}

TEST(IndexedModel, ScoresAreTheBiasPlusTheWeightsTheWritingTouches) {
    ModelFile file;
    file.character(u8"一", 0.5f, {{0, 0.25f}, {1, 2.0f}, {7, 100.0f}});
    file.character(u8"二", -1.0f, {{1, 1.0f}, {2000001, 0.5f}});
    file.character(u8"三", 0.0f, {});
    std::string error;
    auto model = service::IndexedModel::load(writeFile("scores.model", file.bytes()), error);
    ASSERT_TRUE(model) << error;
    EXPECT_EQ(model->size(), 3u);

    std::vector<Feature> features{{0, 1.0f}, {1, 3.0f}, {2000001, 10.0f}};
    auto ranked = model->rank(features, 10);
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_EQ(ranked[0].value, u8"二");  // -1 + 3 + 5
    EXPECT_FLOAT_EQ(ranked[0].score, 7.0f);
    EXPECT_EQ(ranked[1].value, u8"一");  // 0.5 + 0.25 + 6; feature 7 is not written
    EXPECT_FLOAT_EQ(ranked[1].score, 6.75f);
    EXPECT_EQ(ranked[2].value, u8"三");
    EXPECT_EQ(model->rank(features, 1).size(), 1u);
    EXPECT_TRUE(model->rank({}, 10).empty());
    // Equal scores (0.5 - 2 * 0.25 = 0): the character later in the model comes first, as
    // with zinnia.
    auto tied = model->rank({{0, -2.0f}}, 3);
    EXPECT_EQ(tied[0].value, u8"三");
    EXPECT_EQ(tied[1].value, u8"一");
    EXPECT_EQ(tied[0].score, tied[1].score);
}

TEST(IndexedModel, FilesThatAreNoModelAreRefused) {
    ModelFile file;
    file.character(u8"一", 0.5f, {{1, 2.0f}});
    std::string good = file.bytes();
    std::string error;
    EXPECT_FALSE(service::IndexedModel::load(::testing::TempDir() + "missing.model", error));
    EXPECT_NE(error.find("missing.model"), std::string::npos);
    EXPECT_FALSE(service::IndexedModel::load(::testing::TempDir(), error));
    struct {
        const char* name;
        std::string bytes;
    } bad[] = {{"empty", ""},
               {"text", "this is not a model at all"},
               {"wrong size", good.substr(0, good.size() - 4)},
               {"truncated", file.bytes(1, 4)},
               {"trailing", file.bytes(1, 0, "xxxx")},
               {"version", file.bytes(2)},
               {"nothing", ModelFile().bytes()}};
    for (const auto& b : bad) {
        error.clear();
        EXPECT_FALSE(service::IndexedModel::load(writeFile(b.name, b.bytes), error)) << b.name;
        EXPECT_FALSE(error.empty()) << b.name;
    }
}
