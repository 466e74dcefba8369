#pragma once

#include <string>
#include <string_view>
#include <vector>

// Every byte form in which text may arrive from a host: its own bytes, its UTF-8 form when its
// bytes are Shift-JIS (code page 932), its code page 932 form when its bytes are UTF-8, and on
// Windows its ANSI code page form. A form that cannot be made is left out, and none comes twice.
std::vector<std::string> byteForms(std::string_view text);
