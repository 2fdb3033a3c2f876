// The decorators' base: what a decorator does not override reaches the inner adapter as the
// caller made it, and the inner adapter's answers come back as they were.
#include "link/adapter_decorator.h"

#include <gtest/gtest.h>

#include "io/hex.h"
#include "tests/support/bench.h"

namespace vorlix {
namespace {

using test::RecordingAdapter;

// Every call once, each with arguments that differ from one another, so a swapped pair shows.
std::vector<std::string> allSevenCalls(Adapter& adapter) {
    const std::uint8_t data[3] = {0x11, 0x22, 0x33};
    std::uint8_t buffer[3] = {0xE1, 0xE2, 0xE3};
    std::vector<std::string> answers;
    const AdapterHandle h = adapter.open(0x70, kOpenTimeout, kOpenSpeed);
    adapter.select(h, 0x70);
    answers.push_back(std::to_string(adapter.write(h, data, 9, 3)));
    answers.push_back(std::to_string(adapter.writeSub(h, 2, 0x3012, data, 2, 7)));
    answers.push_back(std::to_string(adapter.read(h, buffer, 8, 3)));
    answers.push_back(std::to_string(adapter.readSub(h, 1, 0x40, buffer, 2, 6)));
    adapter.close(h);
    answers.push_back("handle " + std::to_string(h));
    for (std::uint8_t b : buffer) answers.push_back(io::hexByte(b));
    return answers;
}

TEST(AdapterDecorator, PassesEveryCallOnAndEveryAnswerBackUnchanged) {
    const auto prepared = [] {
        RecordingAdapter adapter;
        adapter.statuses = {0, 5, 22, 4};
        adapter.readBytes = {0xA1, 0xA2, 0xA3};
        adapter.opened = 40;
        return adapter;
    };
    RecordingAdapter direct = prepared();
    const std::vector<std::string> directAnswers = allSevenCalls(direct);

    RecordingAdapter inner = prepared();
    AdapterDecorator decorator(inner);
    EXPECT_EQ(allSevenCalls(decorator), directAnswers);
    EXPECT_EQ(inner.calls, direct.calls);
    EXPECT_EQ(inner.calls.size(), 7u);
}

}  // namespace
}  // namespace vorlix
