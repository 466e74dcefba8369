#pragma once

#include <string_view>

// Calls f(line) for each line of text. A line ends at CR LF, a lone CR or a lone LF; a
// terminator at the very end makes no further empty line, and an empty text has no lines.
template <class F> void forEachLine(std::string_view text, F &&f) {
    size_t start = 0;
    const size_t size = text.size();
    while (start < size) {
        // A plain scan: find_first_of looks each byte up in the set with a call of its own.
        size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (end == size) {
            f(text.substr(start));
            return;
        }
        f(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < size && text[end + 1] == '\n' ? 2 : 1);
    }
}
