#include "support/byte_forms.h"

#include "support/cp932.h"

#include <algorithm>
#include <optional>

std::vector<std::string> byteForms(std::string_view text) {
    std::vector<std::string> forms{std::string(text)};
    // ASCII is the same in both.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; }))
        return forms;
    for (std::optional<std::string> form : {cp932ToUtf8(text), utf8ToCp932(text)}) {
        if (form && std::find(forms.begin(), forms.end(), *form) == forms.end())
            forms.push_back(std::move(*form));
    }
    return forms;
}
