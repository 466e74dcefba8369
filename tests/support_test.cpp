#include "support/cp932.h"
#include "support/utf8.h"

#include <gtest/gtest.h>

namespace {

using namespace std::literals;

struct Cp932Vector {
    std::string_view cp932;
    std::string_view utf8;
    bool decodes; // the codec reads cp932 as utf8
    bool encodes; // the codec writes utf8 as cp932, its choice among duplicates
};

// Every mapping of Python's cp932 codec, which the build asks scripts/generate_cp932.py for
// afresh, so that a stale or hand-edited table shows here.
constexpr Cp932Vector cp932Vectors[] = {
#include "cp932_vectors.inc"
};

TEST(Cp932, AgreesWithPythonsCodecOnEveryCharacter) {
    std::string cp932Text, utf8Text;
    for (const auto &[cp932, utf8, decodes, encodes] : cp932Vectors) {
        SCOPED_TRACE(testing::PrintToString(cp932));
        if (decodes) {
            EXPECT_EQ(cp932ToUtf8(cp932), utf8);
        }
        if (encodes) {
            EXPECT_EQ(utf8ToCp932(utf8), cp932);
        }
        if (decodes && encodes) {
            cp932Text += cp932;
            utf8Text += utf8;
        }
    }
    // All in one text, where ASCII bytes follow lead bytes as trail bytes do; not printed, as
    // the cases above show any one character that goes wrong.
    EXPECT_TRUE(cp932ToUtf8(cp932Text) == utf8Text);
    EXPECT_TRUE(utf8ToCp932(utf8Text) == cp932Text);
}

TEST(Cp932, RejectsWhatItCannotConvert) {
    const std::pair<std::string_view, std::optional<std::string> (*)(std::string_view)> cases[] = {
        {"ok\x82"sv, cp932ToUtf8},           // a lead byte at the end
        {"\x85\x40"sv, cp932ToUtf8},         // a row the code page leaves empty
        {"\x81\x7F"sv, cp932ToUtf8},         // a trail byte out of range
        {"\xE3\x81"sv, utf8ToCp932},         // UTF-8 cut short
        {"\xED\xA0\x80"sv, utf8ToCp932},     // a surrogate
        {"a\xEA\xB0\x80"sv, utf8ToCp932},    // Korean 가 U+AC00
        {"\xF0\x9F\x98\x80"sv, utf8ToCp932}, // 😀 U+1F600, past the BMP
    };
    for (const auto &[text, convert] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(convert(text), std::nullopt);
    }
}

} // namespace
