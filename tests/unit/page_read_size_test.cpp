#include "commit/page_read_size.h"

#include <gtest/gtest.h>

namespace {

TEST(PageReadBufferSize, AbsurdContentLengthsGiveTheBound) {
    EXPECT_EQ(pageReadBufferSize("102399"), 102400u);
    EXPECT_EQ(pageReadBufferSize("102400"), 102400u);
    // Past what 32 and 64 bits hold: the bound, never a wrapped or negative size.
    EXPECT_EQ(pageReadBufferSize("2147483648"), 102400u);
    EXPECT_EQ(pageReadBufferSize("4294967296"), 102400u);
    EXPECT_EQ(pageReadBufferSize("9223372036854775807"), 102400u);
    EXPECT_EQ(pageReadBufferSize("99999999999999999999999"), 102400u);
    EXPECT_EQ(pageReadBufferSize("-99999999999999999999999"), 10240u);
}

}  // namespace
