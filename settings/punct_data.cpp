#include "settings/punct_data.h"

#include "log/log.h"
#include "platform/platform.h"
#include "settings/setting_log.h"
#include "support/lines.h"
#include "support/utf8.h"

void PunctData::load(const std::string &path) {
    std::string content = platform::readWhole(path);
    if (settingLog)
        settingLog->write("punctuation aliases:");
    forEachLine(withoutByteOrderMark(content), [&](std::string_view line) {
        size_t tab = line.find('\t');
        std::string_view key = line.substr(0, tab);
        std::string_view alias = tab == std::string_view::npos ? "" : line.substr(tab + 1);
        if (tab != std::string_view::npos)
            aliases.set(key, alias);
        if (settingLog)
            settingLog->write(" [" + std::string(key) + "] -> [" + std::string(alias) + "] ;");
    });
    if (settingLog)
        settingLog->endLine();
}
