#pragma once

#include <string>
#include <string_view>

// Decodes strict UTF-8 (no overlong forms, surrogates or code points past U+10FFFF);
// throws invalidUtf8() otherwise.
std::u32string decodeUtf8(std::string_view text);

bool isValidUtf8(std::string_view text);
