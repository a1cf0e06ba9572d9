#include "text/runtime_error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime_error_test_support.h"

namespace {

TEST(RuntimeErrorReport, WithCodeAndInformationByteForByte) {
    // 运行时出错! CR LF CR LF 错误代码：4 CR LF CR LF 错误信息：x CR LF, all GBK.
    const std::string expected =
        "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n"
        "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA"
        "4\r\n\r\n"
        "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA"
        "x\r\n";
    EXPECT_EQ(composeRuntimeErrorReport(4, "x"), expected);
}

TEST(RuntimeErrorReport, PartsLeftOut) {
    EXPECT_EQ(composeRuntimeErrorReport(0, ""), "运行时出错!\r\n\r\n");
    EXPECT_EQ(composeRuntimeErrorReport(0, "info"), "运行时出错!\r\n\r\n错误信息：info\r\n");
    EXPECT_EQ(composeRuntimeErrorReport(12, ""), "运行时出错!\r\n\r\n错误代码：12\r\n\r\n");
    EXPECT_EQ(composeRuntimeErrorReport(-3, ""), "运行时出错!\r\n\r\n错误代码：-3\r\n\r\n");
}

TEST(RuntimeErrorReport, CaptionAndStandardMessages) {
    EXPECT_STREQ(kRuntimeErrorCaption, "\xB4\xED\xCE\xF3");  // 错误
    EXPECT_EQ(runtimeErrorMessage(kErrorIndexOutOfRange), "数组成员引用下标超出定义范围");
    EXPECT_EQ(runtimeErrorMessage(kErrorIndexBelowOne), "数组成员引用下标必须大于等于1");
    EXPECT_EQ(runtimeErrorMessage(kErrorTypeMismatch), "数据或数组类型不匹配");
    EXPECT_EQ(runtimeErrorMessage(kErrorStackAfterDllCall), "调用DLL命令后发现堆栈错误");
    EXPECT_EQ(runtimeErrorMessage(2), "");
    EXPECT_EQ(kErrorIndexOutOfRange, 1);
    EXPECT_EQ(kErrorIndexBelowOne, 4);
    EXPECT_EQ(kErrorTypeMismatch, 5);
    EXPECT_EQ(kErrorStackAfterDllCall, 6);
}

TEST(RaiseRuntimeErrorDeathTest, DefaultReporterWritesToStderrAndExitsMinusOne) {
    EXPECT_EXIT(raiseRuntimeError(5, kErrorTypeMismatchMessage),
                ::testing::ExitedWithCode(kFatalExitCode),
                expectedStderr(5, kErrorTypeMismatchMessage));
}

// The installed reporter sees the caption and the composed text; the process still ends.
void reportWithMarker(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "installed[%s|%s]", caption.c_str(), text.c_str());
}

TEST(RaiseRuntimeErrorDeathTest, InstalledReporterIsUsed) {
    EXPECT_EXIT(
        {
            setRuntimeErrorReporter(reportWithMarker);
            raiseRuntimeError(6, "");
        },
        ::testing::ExitedWithCode(kFatalExitCode),
        ::testing::Matcher<const std::string&>("installed[" + std::string(kRuntimeErrorCaption) +
                                               "|" + composeRuntimeErrorReport(6, "") + "]"));
}

TEST(RuntimeErrorReporter, SetReturnsThePreviousOne) {
    EXPECT_EQ(setRuntimeErrorReporter(reportWithMarker), nullptr);
    EXPECT_EQ(setRuntimeErrorReporter(nullptr), reportWithMarker);
}

}  // namespace
