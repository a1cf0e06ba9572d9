#include "candidate_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recognition/reply_decoding.h"

using service::candidateReply;

namespace {

// The panel's own reply cutting, as a list.
std::vector<std::string> cutLikeThePanel(const std::string& received) {
    Array<Text> pieces = cutReplyPieces(received);
    std::vector<std::string> list;
    for (int i = 1; i <= pieces.count(); ++i) list.push_back(pieces.at(i));
    return list;
}

}  // namespace

TEST(CandidateReply, EscapesCandidatesInTheFormThePanelCuts) {
    std::string reply = candidateReply({u8"中", u8"口"});
    EXPECT_EQ(reply, R"({"c":"\u4e2d\u53e3","v":1})");
    EXPECT_EQ(reply.find('u') - reply.find('{') - 1, 6u);
    EXPECT_EQ(reply.find('}') - reply.rfind("\\u") - 6, 7u);
    EXPECT_EQ(cutLikeThePanel("HTTP/1.1 200 OK\r\n\r\n" + reply),
              (std::vector<std::string>{"u4e2d", "u53e3"}));
}

TEST(CandidateReply, NoCandidatesGiveAnEmptyListThePanelIgnores) {
    EXPECT_EQ(candidateReply({}), R"({"c":"","v":1})");
    EXPECT_TRUE(cutLikeThePanel(candidateReply({})).empty());
}

TEST(CandidateReply, KeepsAtMostTenInOrder) {
    std::vector<std::string> twelve = {u8"一", u8"二", u8"三", u8"四", u8"五", u8"六",
                                       u8"七", u8"八", u8"九", u8"十", u8"百", u8"千"};
    auto pieces = cutLikeThePanel(candidateReply(twelve));
    ASSERT_EQ(pieces.size(), 10u);
    EXPECT_EQ(pieces.front(), "u4e00");
    EXPECT_EQ(pieces.back(), "u5341");
}

TEST(CandidateReply, OffersOnlyCharactersGbkCanShow) {
    // Hangul, a supplementary-plane ideograph, two characters in one, broken UTF-8, a control.
    std::string reply =
        candidateReply({u8"가", u8"\U00020000", u8"中", u8"中国", "\xE4\xB8", "\x01", "", u8"é"});
    EXPECT_EQ(reply, R"({"c":"\u4e2d\u00e9","v":1})");
    EXPECT_TRUE(service::representableInGbk(char32_t{0x4E2D}));
    EXPECT_TRUE(service::representableInGbk(char32_t{0x0101}));
    EXPECT_FALSE(service::representableInGbk(char32_t{0xAC00}));
    EXPECT_FALSE(service::representableInGbk(0x20000));
}

TEST(CandidateReply, SingleCodePointRejectsOverlongAndSurrogateForms) {
    EXPECT_EQ(service::singleCodePoint(u8"中"), 0x4E2Du);
    EXPECT_EQ(service::singleCodePoint("\xC0\xAF"), 0u);          // overlong "/"
    EXPECT_EQ(service::singleCodePoint("\xED\xA0\x80"), 0u);      // surrogate
    EXPECT_EQ(service::singleCodePoint("\xF4\x90\x80\x80"), 0u);  // beyond U+10FFFF
    EXPECT_EQ(service::singleCodePoint("A"), 0x41u);
}
