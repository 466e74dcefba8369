#include "driver/settings_taken.h"

#include "driver/log_text.h"

#include <algorithm>
#include <optional>

namespace {

const char *const switches[] = {"checkprev", "checkbank"};

std::string joined(const std::vector<std::string> &items, const char *between) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i)
        text.append(i ? between : "").append(items[i]);
    return text;
}

// What users type between vowels instead of ",": a blank (an ideographic one from a Japanese
// input method too), or a Japanese comma.
std::optional<std::string> heldSeparator(std::string_view utf8) {
    if (utf8.find(' ') != std::string_view::npos || utf8.find("\u3000") != std::string_view::npos)
        return "a blank";
    for (const char *comma : {"\u3001", "\uFF0C"}) {
        if (utf8.find(comma) != std::string_view::npos)
            return "\"" + ansiForLog(comma) + "\"";
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> setting(const SettingData *settings, std::string_view key) {
    if (settings && settings->entries.contains(key))
        return settings->entries.at(key);
    return {};
}

bool switchedOn(const SettingData *settings, std::string_view key) {
    return setting(settings, key) == std::vector<std::string>{"1"};
}

std::vector<std::string> settingLines(const SettingData *settings) {
    const bool marked = settings && settings->marked;
    auto quoted = [&](std::string_view text) { return quotedForLog(text, marked); };
    const std::vector<std::string> vowels = setting(settings, "vowels");
    std::vector<std::string> lines{"Vowels: "};
    for (size_t i = 0; i < vowels.size(); ++i)
        lines[0].append(i ? " " : "").append(quoted(vowels[i]));

    for (const char *key : switches) {
        std::string line = key + std::string(switchedOn(settings, key) ? ": on" : ": off");
        const std::string value = joined(setting(settings, key), ",");
        if (settings && settings->entries.contains(key) && value != "1" && value != "0")
            line += " (\"" + quoted(value) + "\" is not 1)";
        lines.push_back(line);
    }
    if (settings) {
        for (const auto &[key, items] : settings->entries) {
            // Empty lines and comments are no settings a user meant.
            if (key.empty() || key[0] == ';' || key[0] == '#' || key == "vowels" ||
                std::find(std::begin(switches), std::end(switches), key) != std::end(switches))
                continue;
            lines.push_back("Unknown setting: \"" + quoted(key) +
                            "\" (the keys are vowels, checkprev, checkbank)");
        }
    }
    for (const std::string &vowel : vowels) {
        const std::optional<std::string> utf8 = quotedAsUtf8(vowel, marked);
        if (const auto separator = heldSeparator(utf8 ? *utf8 : vowel))
            lines.push_back("Vowel \"" + quoted(vowel) + "\" holds " + *separator +
                            ": items are separated by \",\"");
    }
    return lines;
}
