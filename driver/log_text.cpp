#include "driver/log_text.h"

#include "platform/platform.h"
#include "support/failure.h"
#include "support/utf8.h"

std::optional<std::string> quotedAsUtf8(std::string_view text, bool marked) {
    // Shift-JIS kana are never valid UTF-8, so an unmarked file is told apart by its bytes.
    if (marked || isValidUtf8(text))
        return std::string(text);
    return platform::unmarkedToUtf8(text);
}

std::string quotedForLog(std::string_view text, bool marked) {
    const std::optional<std::string> utf8 = quotedAsUtf8(text, marked);
    return utf8 ? ansiForLog(*utf8) : std::string(text);
}

std::string ansiForLog(std::string_view text) {
    try {
        return platform::utf8ToAnsi(text);
    } catch (const Exception &) {
        return std::string(text);
    }
}
