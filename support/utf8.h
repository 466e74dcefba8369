#pragma once

#include <optional>
#include <string>
#include <string_view>

// Decodes strict UTF-8 (no overlong forms, surrogates or code points past U+10FFFF);
// throws invalidUtf8() otherwise.
std::u32string decodeUtf8(std::string_view text);

bool isValidUtf8(std::string_view text);

// Appends the UTF-8 form of c, a code point up to U+10FFFF other than a surrogate.
void appendUtf8(std::string &text, char32_t c);

// The UTF-8 form of UTF-16 bytes, little- or big-endian; nothing when they are not valid UTF-16
// (an odd length, a surrogate out of its pair).
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian);

// The UTF-8 byte-order mark, which editors and hosts put before a file's first line.
inline constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// text without a byte-order mark at its start.
inline std::string_view withoutByteOrderMark(std::string_view text) {
    return text.starts_with(byteOrderMark) ? text.substr(byteOrderMark.size()) : text;
}
