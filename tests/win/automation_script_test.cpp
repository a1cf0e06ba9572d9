// The script evaluator as the panel uses it: the Script Control's JavaScript engine unescapes
// reply pieces through U2G.

#include <gtest/gtest.h>

#include <map>

#include "recognition/automation_object.h"
#include "recognition/script_evaluator.h"

namespace {

const char* const scriptControl = "MSScriptControl.ScriptControl";
const char* const scriptControlClassId = "{0E59F1D5-1FBE-11D0-8FF2-00A0D10038BC}";

// The panel's start-up steps on a holder.
bool setUpEvaluator(AutomationObject& evaluator) {
    if (!writeProperty(evaluator, "Language", "JavaScript"))
        return false;
    callNumericMethod(evaluator, "AddCode", "function U2G(str){\r\nreturn str;\r\n}");
    return automationLastError() == automationOk;
}

// One reply piece through the evaluator.
Text unescape(const AutomationObject& evaluator, const Text& piece) {
    return evaluateScript(evaluator, "U2G('" + piece + "')");
}

class ScriptEvaluator : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(startScriptEvaluator(evaluator))
            << "the Script Control is missing or refused its set-up: " << automationLastError();
    }
    void TearDown() override { releaseObject(evaluator); }

    AutomationObject evaluator;
};

TEST_F(ScriptEvaluator, UnescapesPiecesIntoAnsiText) {
    EXPECT_EQ("\xD6\xD0\xCE\xC4", unescape(evaluator, "\\u4e2d\\u6587"));
    EXPECT_EQ(automationOk, automationLastError());
    EXPECT_EQ("中文", unescape(evaluator, "\\u4e2d\\u6587"));
    EXPECT_EQ("abc", unescape(evaluator, "abc"));
    // Other JavaScript escapes are decoded as the language defines them.
    EXPECT_EQ("a\tb\\c", unescape(evaluator, "a\\tb\\\\c"));
    // A character the ANSI code page lacks becomes its default character.
    EXPECT_EQ("?", unescape(evaluator, "\\u0e01"));
}

TEST_F(ScriptEvaluator, RejectedExpressionGivesEmptyTextAndNextPieceStillWorks) {
    // An empty piece leaves the literal unterminated.
    AutomationValue value = callMethod(evaluator, "Eval", "U2G('\\')");
    EXPECT_NE(automationOk, automationLastError());
    EXPECT_TRUE(value.empty());
    EXPECT_EQ("", toText(value));
    // A piece holding a quote ends the literal early.
    EXPECT_EQ("", unescape(evaluator, "a'b"));
    EXPECT_NE(automationOk, automationLastError());
    EXPECT_EQ("\xD6\xD0", unescape(evaluator, "\\u4e2d"));
    EXPECT_EQ(automationOk, automationLastError());
}

TEST_F(ScriptEvaluator, UnknownPropertyFailsAndObjectStaysUsable) {
    EXPECT_FALSE(writeProperty(evaluator, "NoSuchProperty", "x"));
    EXPECT_EQ(automationUnknownMember, automationLastError());
    EXPECT_TRUE(callMethod(evaluator, "NoSuchMethod").empty());
    EXPECT_EQ(automationUnknownMember, automationLastError());
    EXPECT_EQ("abc", unescape(evaluator, "abc"));
    // The engine may report its own name for the language ("JScript" in Wine).
    EXPECT_NE("", toText(readProperty(evaluator, "Language")));
    EXPECT_EQ(automationOk, automationLastError());
}

TEST_F(ScriptEvaluator, TooManyArgumentsNeverReachTheEngine) {
    callNumericMethod(evaluator, "AddCode", "var calls = 0; function count(){ return ++calls; }");
    ASSERT_EQ(automationOk, automationLastError());
    AutomationValue value = callMethod(evaluator, "Eval", "count()", "extra");
    EXPECT_EQ(automationTooManyArguments, automationLastError());
    EXPECT_TRUE(value.empty());
    EXPECT_EQ(0.0, callNumericMethod(evaluator, "Eval", "calls"));
    EXPECT_EQ(1.0, callNumericMethod(evaluator, "Eval", "count()"));
}

TEST_F(ScriptEvaluator, SixtyFourBitArgumentArrivesTruncated) {
    EXPECT_TRUE(writeProperty(evaluator, "Timeout", 0x100001234LL));
    EXPECT_EQ(0x1234, callNumericMethod(evaluator, "Timeout"));
    EXPECT_EQ(automationOk, automationLastError());
}

// Run takes the procedure name and a variable list of arguments.
TEST_F(ScriptEvaluator, RunWithVariableList) {
    callNumericMethod(evaluator, "AddCode",
                      "function second(a, b){ return b; }\r\nfunction answer(){ return 42; }");
    ASSERT_EQ(automationOk, automationLastError());
    const double spread = callNumericMethod(evaluator, "Run", "second", 1, 0x100000007LL);
    if (automationLastError() == automationBadParamCount) {
        // Wine's type-information Invoke wants the list as one array (seen in Wine 8).
        GTEST_SKIP() << "this system does not spread variable argument lists";
    }
    EXPECT_EQ(automationOk, automationLastError());
    EXPECT_EQ(7.0, spread);
    EXPECT_EQ(-2147483648.0, callNumericMethod(evaluator, "Run", "second", 1, 0x180000000LL));
    // Fewer values than declared parameters: only the procedure name is passed.
    EXPECT_EQ(42.0, callNumericMethod(evaluator, "Run", "answer"));
    EXPECT_EQ(automationOk, automationLastError());
}

TEST(ScriptEvaluatorCreation, ByClassIdAndByTypeLibrary) {
    AutomationObject byClassId;
    ASSERT_TRUE(createObject(byClassId, scriptControlClassId));
    ASSERT_TRUE(setUpEvaluator(byClassId));
    EXPECT_EQ("\xD6\xD0", unescape(byClassId, "\\u4e2d"));

    AutomationObject byLibrary;
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    ASSERT_TRUE(createObject(byLibrary, "ScriptControl", Text(system) + "\\msscript.ocx"));
    ASSERT_TRUE(setUpEvaluator(byLibrary));
    EXPECT_EQ("abc", unescape(byLibrary, "abc"));

    // A failed creation leaves what the holder held.
    IUnknown* before = byLibrary.get();
    EXPECT_FALSE(createObject(byLibrary, "No.Such.Object"));
    EXPECT_FALSE(createObject(byLibrary, "{00000000-0000-0000-0000-00000000ABCD}"));
    EXPECT_FALSE(createObject(byLibrary, "{not a class id}"));
    EXPECT_EQ(before, byLibrary.get());
    EXPECT_EQ("abc", unescape(byLibrary, "abc"));

    // A second creation replaces the held object.
    ASSERT_TRUE(createObject(byLibrary, scriptControl));
    EXPECT_NE(nullptr, byLibrary.get());
    releaseObject(byLibrary);
    EXPECT_TRUE(byLibrary.empty());
    releaseObject(byClassId);
}

// The reply decoding's host, with the evaluator mixed in as the Windows layer does it.

TEST_F(ScriptEvaluator, ReplyDecodingThroughTheEvaluator) {
    ScriptControlEvaluator script(evaluator);
    EXPECT_EQ("\xD6\xD0", decodePiece(script, "\\u4e2d"));
    const Text reply = "HTTP/1.1 200 OK\r\n\r\n{\"c\":\"\\u4e2d\\u6587\\u53e3\",\"v\":1}";
    CandidateReply state;
    const CandidateCaptions captions = state.decode(textToBytes(reply), script);
    EXPECT_EQ(captions, (CandidateCaptions{{1, "中"}, {2, "文"}, {3, "口"}}));
}

TEST(ScriptEvaluatorCreation, FailedCreationLeavesEveryCaptionEmpty) {
    AutomationObject evaluator;
    EXPECT_FALSE(createObject(evaluator, "No.Such.Object"));
    EXPECT_FALSE(setUpEvaluator(evaluator));
    EXPECT_EQ(automationNoObject, automationLastError());
    EXPECT_EQ("", unescape(evaluator, "\\u4e2d"));
    EXPECT_EQ(automationNoObject, automationLastError());
    ScriptControlEvaluator script(evaluator);
    EXPECT_EQ("", decodePiece(script, "\\u4e2d"));
}

}  // namespace
