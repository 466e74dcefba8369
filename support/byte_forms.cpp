#include "support/byte_forms.h"

#include "platform/platform.h"
#include "support/cp932.h"
#include "support/utf8.h"

#include <algorithm>
#include <optional>

std::vector<std::string> byteForms(std::string_view text) {
    std::vector<std::string> forms{std::string(text)};
    // ASCII is the same in all.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; }))
        return forms;
    auto add = [&](std::optional<std::string> form) {
        if (form && std::find(forms.begin(), forms.end(), *form) == forms.end())
            forms.push_back(std::move(*form));
    };
    const std::optional<std::string> fromCp932 = cp932ToUtf8(text);
    add(fromCp932);
    add(utf8ToCp932(text));
    // Classic UTAU writes the song in the ANSI code page, which is 932 only on Japanese Windows.
    for (const std::optional<std::string> &utf8 :
         {isValidUtf8(text) ? std::optional<std::string>(text) : std::nullopt, fromCp932}) {
        if (utf8)
            add(platform::ansiForm(*utf8));
    }
    return forms;
}
