#include "support/utf8.h"

#include <gtest/gtest.h>

namespace {

using namespace std::literals;

TEST(Utf8, AppendsEachLengthUpToItsLimits) {
    const std::pair<char32_t, std::string_view> cases[] = {
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto &[c, utf8] : cases) {
        SCOPED_TRACE(static_cast<uint32_t>(c));
        std::string text = "a";
        appendUtf8(text, c);
        EXPECT_EQ(text, "a"s += utf8);
    }
}

} // namespace
