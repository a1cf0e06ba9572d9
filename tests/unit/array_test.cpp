#include "text/array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime_error_test_support.h"

namespace {

TEST(Array, OneBasedAccessAndAppend) {
    Array<std::string> array{"a", "b"};
    array.append("c");
    ASSERT_EQ(array.count(), 3);
    EXPECT_EQ(array.at(1), "a");
    EXPECT_EQ(array[3], "c");
    array[2] = "B";
    EXPECT_EQ(array.at(2), "B");
    std::string all;
    for (const std::string& element : array) {
        all += element;
    }
    EXPECT_EQ(all, "aBc");
}

TEST(Array, FromVectorAndEquality) {
    Array<int> array(std::vector<int>{7, 8});
    EXPECT_EQ(array.count(), 2);
    EXPECT_EQ(array[2], 8);
    EXPECT_EQ(array, (Array<int>{7, 8}));
    EXPECT_NE(array, (Array<int>{7}));
    EXPECT_TRUE(Array<int>().empty());
}

TEST(ArrayDeathTest, IndexBelowOne) {
    Array<int> array{1, 2};
    EXPECT_EXIT(array.at(0), ::testing::ExitedWithCode(kFatalExitCode),
                expectedStderr(4, "数组成员引用下标必须大于等于1"));
    EXPECT_EXIT(array[-1], ::testing::ExitedWithCode(kFatalExitCode),
                expectedStderr(4, "数组成员引用下标必须大于等于1"));
}

TEST(ArrayDeathTest, IndexAboveCount) {
    Array<int> array{1, 2};
    EXPECT_EXIT(array.at(3), ::testing::ExitedWithCode(kFatalExitCode),
                expectedStderr(1, "数组成员引用下标超出定义范围"));
    const Array<int> empty;
    EXPECT_EXIT(empty[1], ::testing::ExitedWithCode(kFatalExitCode),
                expectedStderr(1, "数组成员引用下标超出定义范围"));
}

}  // namespace
