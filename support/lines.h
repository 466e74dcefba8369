#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

// Where the line that starts at from ends: the first CR or LF at or after from, or the size
// of text.
inline size_t findLineEnd(std::string_view text, size_t from) {
    // Eight bytes a step, as one word: a byte equal to CR or LF becomes a zero byte when the
    // word is XORed with that byte repeated, and the lowest zero byte of a word shows as the
    // lowest high bit of (w - 0x0101...) & ~w & 0x8080.... The first byte in memory is the
    // lowest on a little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    constexpr uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    const char *const begin = text.data();
    size_t at = from;
    for (; text.size() - at >= 8; at += 8) {
        uint64_t word;
        std::memcpy(&word, begin + at, 8);
        const uint64_t cr = word ^ (ones * '\r'), lf = word ^ (ones * '\n');
        const uint64_t found = (((cr - ones) & ~cr) | ((lf - ones) & ~lf)) & highs;
        if (found != 0)
            return at + static_cast<size_t>(std::countr_zero(found)) / 8;
    }
    while (at < text.size() && begin[at] != '\r' && begin[at] != '\n')
        ++at;
    return at;
}

// Calls f(line) for each line of text. A line ends at CR LF, a lone CR or a lone LF; a
// terminator at the very end makes no further empty line, and an empty text has no lines.
template <class F> void forEachLine(std::string_view text, F &&f) {
    const size_t size = text.size();
    size_t start = 0;
    while (start < size) {
        const size_t end = findLineEnd(text, start);
        f(text.substr(start, end - start));
        if (end == size)
            return;
        start = end + (text[end] == '\r' && end + 1 < size && text[end + 1] == '\n' ? 2 : 1);
    }
}
