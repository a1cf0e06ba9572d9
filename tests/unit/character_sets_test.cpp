#include "character_sets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "composed_characters.h"
#include "mouse_writing.h"
#include "service/candidate_reply.h"

namespace {

struct Extent {
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
};

Extent extentOf(const std::vector<hanzi::MedianStroke>& strokes, std::size_t first,
                std::size_t last) {
    Extent e;
    for (std::size_t s = first; s < last; ++s)
        for (const hanzi::MedianPoint& p : strokes[s]) {
            e.left = std::min(e.left, p.x), e.right = std::max(e.right, p.x);
            e.top = std::min(e.top, p.y), e.bottom = std::max(e.bottom, p.y);
        }
    return e;
}

std::size_t strokesOf(const char* character) {
    hanzi::HanziMedians m;
    std::string error;
    EXPECT_TRUE(hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, character, m, error)) << error;
    return m.strokes.size();
}

}  // namespace

// The recipe's set: what the next model learns.
TEST(CharacterSets, TheRecipesSetHoldsGbksHanziOfTheCentreLinesTheSymbolsAndTheNames) {
    training::CharacterSet set;
    training::WrittenForms all;
    std::string error;
    ASSERT_TRUE(training::parseCharacterSet(std::string("12g+") + TRAINING_DIR
                                                "/symbol-shapes.txt+" TRAINING_DIR
                                                "/name-compositions.txt",
                                            set, error))
        << error;
    ASSERT_TRUE(training::loadCharacterSet(HANZI_WRITER_DATA_DIR, set, all, error)) << error;
    const std::set<std::string> distinct(all.characters.begin(), all.characters.end());
    EXPECT_EQ(distinct.size(), all.characters.size()) << "a character twice";
    // 6,763 of GB2312 and 2,768 more of GBK drawn by hanzi-writer-data 2.0.1; composed ones.
    EXPECT_GE(all.characters.size() - all.composed, 9531u + 90u);
    EXPECT_GE(all.composed, 200u);
    for (const char* c :
         {u8"国", u8"國", u8"龍", u8"堃", u8"玥", u8"犇", u8"赟", u8"瑨", u8"A", u8"。"})
        EXPECT_TRUE(distinct.count(c)) << c;
    // The panel types only what GBK encodes; the service never sends the rest.
    for (const std::string& c : all.characters)
        EXPECT_TRUE(service::representableInGbk(training::firstCodepoint(c))) << c;
    // GB2312's characters come first, in its order, as the models before had them.
    EXPECT_EQ(all.characters[0], u8"啊");
    EXPECT_EQ(all.characters[3754], training::gb2312Hanzi(1).back());
}

TEST(CharacterSets, GbkBeyondGb2312HoldsTraditionalFormsNotGb2312s) {
    const std::vector<std::string> beyond = training::gbkHanziBeyondGb2312();
    const std::set<std::string> set(beyond.begin(), beyond.end());
    EXPECT_TRUE(set.count(u8"國"));
    EXPECT_TRUE(set.count(u8"玥"));
    EXPECT_FALSE(set.count(u8"国"));
    EXPECT_FALSE(set.count(u8"啊"));
    EXPECT_EQ(beyond.size(), 14160u);  // GBK/3 and /4 and the compatibility ideographs (glibc)
}

TEST(CharacterSets, ASetOfAnotherKindIsAnError) {
    training::CharacterSet set;
    std::string error;
    EXPECT_FALSE(training::parseCharacterSet("123", set, error));
    EXPECT_NE(error.find("'3'"), std::string::npos) << error;
    EXPECT_FALSE(training::parseCharacterSet("1+a.txt+b.txt+c.txt", set, error));
    ASSERT_TRUE(training::parseCharacterSet("2+a.txt", set, error));
    EXPECT_EQ(set.levels, "2");
    EXPECT_EQ(set.symbolShapes, "a.txt");
    EXPECT_EQ(set.compositions, "");
}

TEST(ComposedCharacters, ComponentsAreFittedIntoTheirLayoutsBoxes) {
    std::vector<training::ComposedCharacter> out;
    std::string error;
    ASSERT_TRUE(
        training::readCompositions(u8"玥 lr 0.4 玩[radical] 月\n"
                                   u8"犇 three 牛  # three of a kind\n"
                                   u8"旻 tb 日 文\n"
                                   u8"囧 surround 口 八\n"
                                   u8"炏 lr 炬[radical] 火\n"
                                   u8"燊 tb 炏 木\n",
                                   HANZI_WRITER_DATA_DIR, out, error))
        << error;
    ASSERT_EQ(out.size(), 6u);
    const auto& yue = out[0].medians.strokes;
    ASSERT_EQ(yue.size(), 4u + strokesOf(u8"月"));  // 王 of 玩, then 月
    const Extent wang = extentOf(yue, 0, 4), moon = extentOf(yue, 4, yue.size());
    EXPECT_LT(wang.right, moon.left);
    EXPECT_LT(wang.right - wang.left, moon.right - moon.left);
    EXPECT_GT(wang.bottom - wang.top, 500);  // the whole height, not squeezed

    const auto& ben = out[1].medians.strokes;
    const std::size_t n = strokesOf(u8"牛");
    ASSERT_EQ(ben.size(), 3 * n);
    const Extent top = extentOf(ben, 0, n), left = extentOf(ben, n, 2 * n),
                 right = extentOf(ben, 2 * n, 3 * n);
    EXPECT_LT(top.bottom, left.top);
    EXPECT_LT(left.right, right.left);
    EXPECT_NEAR((top.left + top.right) / 2, (left.left + right.right) / 2, 40);

    const auto& min = out[2].medians.strokes;
    EXPECT_LT(extentOf(min, 0, 4).bottom, extentOf(min, 4, min.size()).top);

    // 囗's closing stroke after what it encloses; the enclosed inside the enclosure.
    const auto& jiong = out[3].medians.strokes;
    ASSERT_EQ(jiong.size(), 5u);
    const Extent inner = extentOf(jiong, 2, 4), closing = extentOf(jiong, 4, 5);
    EXPECT_LT(inner.bottom, closing.top);
    EXPECT_GT(inner.left, extentOf(jiong, 0, 1).right);

    // An earlier line's character as a component.
    EXPECT_EQ(out[5].medians.strokes.size(), out[4].medians.strokes.size() + strokesOf(u8"木"));
}

TEST(ComposedCharacters, AMalformedLineIsAnErrorNamingIt) {
    std::vector<training::ComposedCharacter> out;
    std::string error;
    const std::string data = HANZI_WRITER_DATA_DIR;
    auto fails = [&](const std::string& text, const std::string& says) {
        EXPECT_FALSE(training::readCompositions(text, data, out, error)) << text;
        EXPECT_NE(error.find(says), std::string::npos) << error;
        EXPECT_TRUE(out.empty());
    };
    fails(u8"玥 lr 王 月\n玥 side 王 月\n", "line 2: unknown layout");
    fails(u8"玥玥 lr 王 月\n", "not one character");
    fails(u8"玥 lr 王\n", "takes 2 components");
    fails(u8"玥 lr 王 \U00020000\n", "not in the centre-line data");
    fails(u8"玥 lr 王[9-12] 月\n", "has strokes 1-4");
    fails(u8"玥 lr 0.9 王 月\n", "outside 0.2..0.8");
    fails(u8"玥 lr 王 月\n\n玥 lr 王 月\n",
          "line 3: " + std::string(u8"玥") + " is composed already on line 1");
}

// Every line of the shipped file composes from the data, and composes a character the data lacks.
TEST(ComposedCharacters, TheShippedCompositionsComposeCharactersTheDataLacks) {
    std::vector<training::ComposedCharacter> composed;
    std::string error;
    ASSERT_TRUE(training::loadCompositions(TRAINING_DIR "/name-compositions.txt",
                                           HANZI_WRITER_DATA_DIR, composed, error))
        << error;
    for (const training::ComposedCharacter& c : composed) {
        hanzi::HanziMedians m;
        EXPECT_FALSE(hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, c.character, m, error))
            << c.character << " has centre lines of its own";
        EXPECT_TRUE(service::representableInGbk(training::firstCodepoint(c.character)))
            << c.character;
        const Extent e = extentOf(c.medians.strokes, 0, c.medians.strokes.size());
        EXPECT_GE(e.left, 0);
        EXPECT_LE(e.right, 1024);
        EXPECT_GE(e.top, 0);
        EXPECT_LE(e.bottom, 1024);
    }
}
