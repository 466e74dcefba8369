#pragma once

#include <optional>
#include <string>
#include <string_view>

// Code page 932 (Windows Shift-JIS) from tables built in, the same on every system.

// The UTF-8 form of code page 932 text; nothing when the bytes are not valid code page 932
// (a lead byte without a trail byte, a pair the code page does not define).
std::optional<std::string> cp932ToUtf8(std::string_view text);

// The code page 932 form of UTF-8 text; nothing when it is not valid UTF-8 or holds a
// character that code page 932 lacks.
std::optional<std::string> utf8ToCp932(std::string_view text);
