#pragma once

#include "platform/platform.h"

#include <string>

// The local date and time as "Sat Dec 05 18:33:22 GMT+0900 2026": the clock's UTC fields plus
// its offset, applied once; seconds cut, never rounded.
std::string timestampText(const platform::Clock &clock);
