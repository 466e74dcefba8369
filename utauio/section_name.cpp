#include "utauio/section_name.h"

#include "support/utf8.h"

#include <algorithm>
#include <string>

namespace {

// ASCII letters lowered; from the first byte of 0x80 or above on, the name is decoded and
// lowered by character. Of all non-ASCII characters only U+0130 lowers to an ASCII letter.
std::u32string lowered(std::string_view name) {
    size_t ascii = 0;
    while (ascii < name.size() && static_cast<unsigned char>(name[ascii]) < 0x80)
        ++ascii;
    std::u32string result(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(ascii));
    result += decodeUtf8(name.substr(ascii));
    for (char32_t &c : result) {
        if (c >= U'A' && c <= U'Z')
            c += U'a' - U'A';
        else if (c == 0x130)
            c = U'i';
    }
    return result;
}

bool isSign(char32_t c) { return c == U'-' || c == U'+'; }

} // namespace

bool isNumericName(std::string_view name) {
    // Every note's name: decided without decoding.
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (!name.empty() && std::all_of(name.begin(), name.end(), isDigit))
        return true;
    const std::u32string s = lowered(name);
    if (s.empty())
        return false;
    if (s == U"nan" || s == U"nani" || s == U"nan+nani" || s == U"inf" || s == U"-inf")
        return true;

    const size_t n = s.size();
    bool dot = false, exponent = false, secondPart = false;
    for (size_t i = isSign(s[0]) ? 1 : 0; i < n; ++i) {
        const char32_t c = s[i];
        if (c >= U'0' && c <= U'9')
            continue;
        if (c == U'+') { // starts the imaginary part
            dot = exponent = false;
            secondPart = true;
            continue;
        }
        if (c == U'e') {
            if (exponent || i + 1 >= n || !isSign(s[i + 1]))
                return false;
            exponent = true;
            ++i;
            continue;
        }
        if (c == U'.') {
            if (dot)
                return false;
            dot = true;
            continue;
        }
        // What remains may only be a type suffix at the end.
        const bool plainInteger = !dot && !exponent && !secondPart;
        if (i == n - 2) {
            std::u32string_view suffix(s.data() + i, 2);
            return (suffix == U"ul" && plainInteger) || suffix == U"fi" || suffix == U"li";
        }
        if (i == n - 1) {
            return (c == U'u' && plainInteger) || c == U'i' ||
                   ((c == U'l' || c == U'f') && !secondPart);
        }
        return false;
    }
    return true;
}
