#include "support/lines.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

namespace {

TEST(Lines, MatchAPlainSplitter) {
    // Terminators at every place in and across the eight-byte steps, among bytes that differ
    // from CR or LF in one bit or only in the high bit.
    std::mt19937 random(7);
    const std::string alphabet("\r\n\x8D\x8A\x0C\x0B\x0F\x0E\x1D\x1A\x2D\x2A\x82\0", 14);
    const std::regex terminator("\r\n|\r|\n");
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 40, 'x');
        for (char &c : text)
            c = random() % 3 ? c : alphabet[random() % alphabet.size()];
        // The library leaves out an empty last piece: a terminator at the very end makes no line.
        std::vector<std::string> expected, got;
        if (!text.empty())
            expected.assign(std::sregex_token_iterator(text.begin(), text.end(), terminator, -1),
                            {});
        forEachLine(text, [&](std::string_view line) { got.emplace_back(line); });
        ASSERT_EQ(got, expected) << testing::PrintToString(text);
        for (size_t from = 0; from <= text.size(); ++from)
            ASSERT_EQ(lineEnd(text, from), std::min(text.find_first_of("\r\n", from), text.size()));
    }
}

} // namespace
