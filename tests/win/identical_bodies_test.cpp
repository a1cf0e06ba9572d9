// A virtual member and a lambda whose bodies are the same single forwarding call, as the panel's
// commit host and its lookup receiver have. On 32-bit Windows the member pops its stack argument
// and the lambda's invoker does not; if the compiler folds the two into one function, the call
// through std::function hands over the wrong argument and returns with a shifted stack.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/win/support/forwarding_sink.h"

namespace {

struct Shower {
    virtual ~Shower() = default;
    virtual void show(const std::string& text) = 0;
};

struct SinkShower final : Shower {
    void show(const std::string& text) override { forwardingSink.take(text); }
};

std::function<void(const std::string&)> sinkForwarder() {
    return [](const std::string& text) { forwardingSink.take(text); };
}

TEST(IdenticalBodies, MemberAndLambdaForwardingTheSameCallBothDeliverTheirArgument) {
    forwardingSink = {};
    const std::unique_ptr<Shower> shower = std::make_unique<SinkShower>();
    const std::function<void(const std::string&)> forward = sinkForwarder();
    const std::string first = "在线校对字典...";
    const std::string second = "中  拼音：zhōng";
    shower->show(first);
    EXPECT_EQ(forwardingSink.last, first);
    // Locals on both sides of the call must survive it: a callee that pops what it should not
    // leaves them addressed four bytes off.
    for (int round = 0; round < 3; ++round) {
        forward(second);
        EXPECT_EQ(forwardingSink.last, second);
        shower->show(first);
        EXPECT_EQ(forwardingSink.last, first);
    }
    EXPECT_EQ(forwardingSink.calls, 7);
}

}  // namespace
