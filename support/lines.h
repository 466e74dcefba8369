#pragma once

#include <algorithm>
#include <string_view>

// Calls f(line) for each line of text. A line ends at CR LF, a lone CR or a lone LF; a
// terminator at the very end makes no further empty line, and an empty text has no lines.
template <class F> void forEachLine(std::string_view text, F &&f) {
    const size_t size = text.size();
    size_t start = 0;
    size_t lf = std::min(text.find('\n'), size); // the first LF at or after start, or size
    while (start < size) {
        if (lf < start)
            lf = std::min(text.find('\n', start), size);
        // Looking for CR only up to the next LF keeps the scan linear whatever the line ends.
        std::string_view line = text.substr(start, lf - start);
        line = line.substr(0, line.find('\r'));
        f(line);
        size_t end = start + line.size();
        if (end == size)
            return;
        start = end + (text[end] == '\r' && end + 1 < size && text[end + 1] == '\n' ? 2 : 1);
    }
}
