#pragma once

#include <string_view>

// Whether a section name other than SETTING, PREV and NEXT names a selected note. Hosts write
// notes as four digits (0000); any other name that reads as a number counts too (12, -3, 1.5,
// 1e+5, NaN, 7u ...). Throws "invalid UTF-8 sequence" for a name whose bytes from 0x80 on are
// not UTF-8.
bool isNumericName(std::string_view name);
