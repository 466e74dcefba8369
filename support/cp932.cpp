#include "support/cp932.h"

#include "support/utf8.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace {

struct Mapping {
    uint16_t from;
    uint16_t to;
};

#include "support/cp932_table.inc"

// A table indexed by all 16 bits, made on first use: a voice bank's tens of thousands of names
// would otherwise cost a search for each character.
using Indexed = std::array<uint16_t, 0x10000>;
constexpr uint16_t none = 0xFFFF; // neither a character nor a code of code page 932

std::unique_ptr<Indexed> indexed(std::span<const Mapping> table) {
    auto index = std::make_unique<Indexed>();
    index->fill(none);
    for (const Mapping &m : table)
        (*index)[m.from] = m.to;
    return index;
}

std::optional<uint16_t> lookUp(const Indexed &index, char32_t from) {
    if (from > 0xFFFF || index[from] == none)
        return std::nullopt;
    return index[from];
}

} // namespace

std::optional<std::string> cp932ToUtf8(std::string_view text) {
    static const std::unique_ptr<Indexed> toUnicodeIndex = indexed(toUnicode);
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // No byte that stands for a character alone is also a lead byte.
        std::optional<uint16_t> c = lookUp(*toUnicodeIndex, byte(i));
        if (!c && i + 1 < text.size()) {
            c = lookUp(*toUnicodeIndex, byte(i) << 8 | byte(i + 1));
            ++i;
        }
        if (!c)
            return std::nullopt;
        appendUtf8(result, *c);
    }
    return result;
}

std::optional<std::string> utf8ToCp932(std::string_view text) {
    static const std::unique_ptr<Indexed> fromUnicodeIndex = indexed(fromUnicode);
    if (!isValidUtf8(text))
        return std::nullopt;
    std::string result;
    result.reserve(text.size());
    for (char32_t c : decodeUtf8(text)) {
        std::optional<uint16_t> code = lookUp(*fromUnicodeIndex, c);
        if (!code)
            return std::nullopt;
        if (*code > 0xFF)
            result += static_cast<char>(*code >> 8);
        result += static_cast<char>(*code & 0xFF);
    }
    return result;
}
