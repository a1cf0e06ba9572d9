#include "candidate_fusion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using service::FusionSource;
using service::ScoredCandidate;

std::vector<std::string> values(const std::vector<ScoredCandidate>& list) {
    std::vector<std::string> v;
    for (const ScoredCandidate& c : list) v.push_back(c.value);
    return v;
}

std::vector<std::string> fused(const std::vector<FusionSource>& sources, std::size_t count = 10) {
    return values(service::fuseCandidates(sources, count));
}

// Answers with a fixed scored list, cut at what is asked, and remembers the request.
class FixedRecognizer : public service::Recognizer {
  public:
    explicit FixedRecognizer(std::vector<ScoredCandidate> answer) : answer_(std::move(answer)) {}
    std::vector<ScoredCandidate> rank(const std::vector<service::PadStroke>& strokes,
                                      std::size_t count, service::PadSize pad) const override {
        strokesSeen = strokes.size();
        asked = count;
        padSeen = pad;
        std::vector<ScoredCandidate> ranked = answer_;
        if (ranked.size() > count)
            ranked.resize(count);
        return ranked;
    }
    mutable std::size_t strokesSeen = 0, asked = 0;
    mutable service::PadSize padSeen{};

  private:
    std::vector<ScoredCandidate> answer_;
};

}  // namespace

TEST(CandidateFusion, ACharacterBothListsLikeRisesAboveOneOnlyOneListPrefers) {
    // 土 leads each list narrowly over 士 and 干, but each list's leader is near the bottom of
    // the other; 士 is a close second in both.
    FusionSource trained{{{u8"土", 0.30}, {u8"士", 0.25}, {u8"干", -0.40}, {u8"工", -0.50}}, 1};
    FusionSource stock{{{u8"干", 0.10}, {u8"士", 0.05}, {u8"工", -0.30}, {u8"土", -0.65}}, 1};
    EXPECT_EQ(fused({trained, stock}), (std::vector<std::string>{u8"士", u8"干", u8"土", u8"工"}));
}

TEST(CandidateFusion, ASureListOutweighsAHesitantOneAndScalesSetTheirWeight) {
    FusionSource hesitant{{{u8"未", 0.00}, {u8"末", -0.20}, {u8"本", -0.30}}, 1};
    FusionSource sure{{{u8"末", 0.00}, {u8"未", -1.00}, {u8"本", -1.20}}, 1};
    EXPECT_EQ(fused({hesitant, sure}), (std::vector<std::string>{u8"末", u8"未", u8"本"}));
    // The same scores from a recogniser whose scores spread ten times as wide mean far less.
    sure.scale = 10;
    EXPECT_EQ(fused({hesitant, sure}), (std::vector<std::string>{u8"未", u8"末", u8"本"}));

    std::vector<ScoredCandidate> list = service::fuseCandidates({hesitant, sure}, 10);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_DOUBLE_EQ(list[0].score,
                     0.0 + -1.00 / 10);  // first in one list, 1.0 behind in the other
    EXPECT_DOUBLE_EQ(list[1].score, -0.20 + 0.0);
}

TEST(CandidateFusion, ACharacterMissingFromAListCountsAsItsLastCandidate) {
    // 人 is absent from the second list, so it scores that list's last score there: no better
    // than 入 and no worse, and 入's lead in the first list decides. 八 is absent from the first.
    FusionSource first{{{u8"入", 0.0}, {u8"人", -0.2}, {u8"大", -0.9}}, 1};
    FusionSource second{{{u8"八", 0.0}, {u8"大", -0.1}, {u8"入", -0.5}}, 1};
    std::vector<ScoredCandidate> list = service::fuseCandidates({first, second}, 10);
    EXPECT_EQ(values(list), (std::vector<std::string>{u8"入", u8"人", u8"八", u8"大"}));
    EXPECT_DOUBLE_EQ(list[1].score, -0.2 + -0.5);
    EXPECT_DOUBLE_EQ(list[2].score, -0.9 + 0.0);
}

TEST(CandidateFusion, EdgeCases) {
    FusionSource one{{{u8"口", 2.0}, {u8"日", 1.0}, {u8"目", 0.5}}, 1};
    EXPECT_TRUE(fused({}).empty());
    EXPECT_TRUE(fused({one}, 0).empty());
    // One list alone, or beside an empty one, keeps its order; the count cuts.
    EXPECT_EQ(fused({one}), (std::vector<std::string>{u8"口", u8"日", u8"目"}));
    EXPECT_EQ(fused({FusionSource{{}, 1}, one}, 2), (std::vector<std::string>{u8"口", u8"日"}));
    // A character a list repeats counts once, at its better place.
    FusionSource close{{{u8"口", 2.0}, {u8"日", 1.95}, {u8"目", 0.5}}, 1};
    FusionSource repeats{{{u8"日", 1.0}, {u8"口", 0.9}, {u8"目", 0.8}, {u8"日", 0.0}}, 1};
    EXPECT_EQ(fused({close, repeats}), (std::vector<std::string>{u8"日", u8"口", u8"目"}));
    // Equal evidence keeps the order of first appearance, earlier lists first.
    FusionSource a{{{u8"甲", 0.0}, {u8"乙", -1.0}}, 1};
    FusionSource b{{{u8"乙", 0.0}, {u8"甲", -1.0}}, 1};
    EXPECT_EQ(fused({a, b}), (std::vector<std::string>{u8"甲", u8"乙"}));
    EXPECT_EQ(fused({b, a}), (std::vector<std::string>{u8"乙", u8"甲"}));
}

TEST(FusedRecognizer, AsksEachMemberDeeperThanItAnswersAndFuses) {
    auto trained = std::make_unique<FixedRecognizer>(
        std::vector<ScoredCandidate>{{u8"土", 0.3}, {u8"士", 0.25}, {u8"干", -0.4}});
    auto stock = std::make_unique<FixedRecognizer>(
        std::vector<ScoredCandidate>{{u8"干", 0.1}, {u8"士", 0.05}, {u8"土", -0.65}});
    FixedRecognizer* trainedSeen = trained.get();
    FixedRecognizer* stockSeen = stock.get();
    std::vector<service::FusedRecognizer::Member> members;
    members.push_back({std::move(trained), 1});
    members.push_back({std::move(stock), 1});
    service::FusedRecognizer fusedRecognizer(std::move(members), 40);

    std::vector<service::PadStroke> strokes{{{1, 2}, {3, 4}}, {{5, 6}}};
    EXPECT_EQ(fusedRecognizer.classify(strokes, 2, {300, 200}),
              (std::vector<std::string>{u8"士", u8"干"}));
    for (const FixedRecognizer* member : {trainedSeen, stockSeen}) {
        EXPECT_EQ(member->asked, 40u);
        EXPECT_EQ(member->strokesSeen, 2u);
        EXPECT_EQ(member->padSeen.width, 300);
        EXPECT_EQ(member->padSeen.height, 200);
    }
    fusedRecognizer.classify(strokes, 60);
    EXPECT_EQ(trainedSeen->asked, 60u);
    EXPECT_TRUE(fusedRecognizer.classify(strokes, 0).empty());
}
