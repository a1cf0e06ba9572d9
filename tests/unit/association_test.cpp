#include "commit/association.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commit/association_table.h"

namespace {

bool holds(const std::vector<Text>& followers, const Text& character) {
    return std::find(followers.begin(), followers.end(), character) != followers.end();
}

// A GBK hanzi: GB2312's hanzi rows or GBK's two further hanzi areas.
bool isGbkHanzi(const Text& character) {
    if (character.size() != 2) {
        return false;
    }
    const int lead = static_cast<unsigned char>(character[0]);
    const int trail = static_cast<unsigned char>(character[1]);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFE) {
        return false;
    }
    const bool gb2312 = lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1;
    const bool gbk3 = lead >= 0x81 && lead <= 0xA0;
    const bool gbk4 = lead >= 0xAA && lead <= 0xFE && trail <= 0xA0;
    return gb2312 || gbk3 || gbk4;
}

Text gbk(int code) {
    return Text{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

TEST(Association, OffersTheCommonestFollowersOfACharacter) {
    const std::vector<Text> followers = followingCharacters("", "中");
    ASSERT_FALSE(followers.empty());
    EXPECT_LE(followers.size(), 10u);
    EXPECT_EQ(followers.front(), "国");
    EXPECT_TRUE(holds(followingCharacters("", "我"), "们"));
    // After a punctuation mark, what phrases start with.
    EXPECT_TRUE(holds(followingCharacters("中", "，"), "我"));
}

TEST(Association, NothingFollowsWhatIsNotOneKnownCharacter) {
    EXPECT_TRUE(followingCharacters("", "").empty());
    EXPECT_TRUE(followingCharacters("", "8").empty());
    EXPECT_TRUE(followingCharacters("", "A").empty());
    EXPECT_TRUE(followingCharacters("", "\xD6").empty());  // half a character
    EXPECT_TRUE(followingCharacters("", "中国").empty());  // two characters
    EXPECT_TRUE(followingCharacters("", "※").empty());     // a sign no word holds
}

TEST(Association, TheLastTwoDecideWhereTheTableKnowsThem) {
    const std::vector<Text> alone = followingCharacters("", "国");
    const std::vector<Text> afterZhongguo = followingCharacters("中", "国");
    EXPECT_NE(afterZhongguo, alone);
    EXPECT_TRUE(holds(afterZhongguo, "人"));  // 中国人
    EXPECT_TRUE(holds(afterZhongguo, "家"));  // 中国家庭
    // 国 starts no word after 中国: 中国 is a word, or the inside of a longer one.
    EXPECT_FALSE(holds(afterZhongguo, "际"));
    EXPECT_TRUE(holds(alone, "际"));
    // A pair the table does not know falls back to the last character.
    EXPECT_EQ(followingCharacters("8", "国"), alone);
    EXPECT_EQ(followingCharacters("※", "国"), alone);
}

TEST(Association, OffersNothingButGbkHanzi) {
    // Every GBK character as the last one, and every pair the table holds.
    int withFollowers = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::vector<Text> followers = followingCharacters("", gbk(lead << 8 | trail));
            EXPECT_LE(followers.size(), 10u);
            for (const Text& follower : followers) {
                EXPECT_TRUE(isGbkHanzi(follower)) << std::hex << (lead << 8 | trail);
            }
            withFollowers += followers.empty() ? 0 : 1;
        }
    }
    EXPECT_EQ(withFollowers, kAssociationSingleCount);
    for (int i = 0; i < kAssociationPairCount; ++i) {
        const std::uint32_t pair = kAssociationPairKeys[i];
        const std::vector<Text> followers =
            followingCharacters(gbk(static_cast<int>(pair >> 16)), gbk(pair & 0xFFFF));
        EXPECT_FALSE(followers.empty());
        for (const Text& follower : followers) {
            EXPECT_TRUE(isGbkHanzi(follower)) << std::hex << pair;
        }
    }
    EXPECT_LE(kAssociationTableBytes, 200 * 1024);
}

}  // namespace
