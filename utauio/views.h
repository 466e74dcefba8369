#pragma once

#include <functional>
#include <string_view>

// Whether text lies within buffer's bytes, so it stays valid exactly as long as they do.
inline bool viewsInto(std::string_view buffer, std::string_view text) {
    // Pointers into different objects are compared through std::less_equal, which orders
    // them all.
    std::less_equal<const char *> notAfter;
    return notAfter(buffer.data(), text.data()) &&
           notAfter(text.data() + text.size(), buffer.data() + buffer.size());
}
