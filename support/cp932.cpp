#include "support/cp932.h"

#include "support/utf8.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

struct Mapping {
    uint16_t from;
    uint16_t to;
};

#include "support/cp932_table.inc"

std::optional<uint16_t> lookUp(std::span<const Mapping> table, char32_t from) {
    auto found = std::lower_bound(table.begin(), table.end(), from,
                                  [](const Mapping &m, char32_t key) { return m.from < key; });
    if (found == table.end() || found->from != from)
        return std::nullopt;
    return found->to;
}

} // namespace

std::optional<std::string> cp932ToUtf8(std::string_view text) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // No byte that stands for a character alone is also a lead byte.
        std::optional<uint16_t> c = lookUp(toUnicode, byte(i));
        if (!c && i + 1 < text.size()) {
            c = lookUp(toUnicode, byte(i) << 8 | byte(i + 1));
            ++i;
        }
        if (!c)
            return std::nullopt;
        appendUtf8(result, *c);
    }
    return result;
}

std::optional<std::string> utf8ToCp932(std::string_view text) {
    if (!isValidUtf8(text))
        return std::nullopt;
    std::string result;
    result.reserve(text.size());
    for (char32_t c : decodeUtf8(text)) {
        std::optional<uint16_t> code = lookUp(fromUnicode, c);
        if (!code)
            return std::nullopt;
        if (*code > 0xFF)
            result += static_cast<char>(*code >> 8);
        result += static_cast<char>(*code & 0xFF);
    }
    return result;
}
