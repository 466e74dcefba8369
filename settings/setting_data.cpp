#include "settings/setting_data.h"

#include "log/log.h"
#include "platform/platform.h"
#include "settings/setting_log.h"
#include "support/lines.h"
#include "support/utf8.h"

#include <optional>

Log *settingLog = nullptr;

SettingData::SettingData(const std::string &path) {
    if (settingLog)
        settingLog->writeLineAnsi("loading setting from: " + path);
    load(path);
}

std::vector<std::string> splitItems(std::string_view text) {
    std::vector<std::string> items;
    for (size_t comma; (comma = text.find(',')) != std::string_view::npos;) {
        items.emplace_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    items.emplace_back(text);
    return items;
}

void SettingData::load(const std::string &path) {
    // Notepad saves "UTF-16 LE" after the mark FF FE and "UTF-16 BE" after FE FF, taken here as
    // UTF-8 text, and "UTF-8 with BOM" after a mark that is no part of the first key.
    const std::string content = platform::readWhole(path);
    const bool little = content.starts_with("\xFF\xFE"), big = content.starts_with("\xFE\xFF");
    const std::optional<std::string> utf16 =
        little || big ? utf16ToUtf8(std::string_view(content).substr(2), big) : std::nullopt;
    marked = utf16 || content.starts_with(byteOrderMark);
    forEachLine(utf16 ? *utf16 : withoutByteOrderMark(content), [&](std::string_view line) {
        size_t equals = line.find('=');
        std::string_view key = line.substr(0, equals);
        std::string_view value = equals == std::string_view::npos ? "" : line.substr(equals + 1);
        std::vector<std::string> items = splitItems(value);
        if (settingLog) {
            settingLog->write(std::string(key) + "=");
            for (size_t i = 0; i < items.size(); ++i)
                settingLog->write((i ? "," : "") + items[i]);
            settingLog->endLine();
        }
        entries.insert_or_assign(std::string(key), std::move(items));
    });
}
