// The settings and the punctuation table read the same file: each key holds what follows the
// first "=" (as comma-separated items) or the first tab of the last line with that key.
#include "fuzz/harness.h"
#include "settings/punct_data.h"
#include "settings/setting_data.h"
#include "support/lines.h"
#include "support/utf8.h"

#include <map>

void fuzzOne(std::string_view input) {
    SettingData settings;
    PunctData table;
    settings.load(inputFile(input));
    table.load(inputFile(input));
    std::map<std::string, std::string> values, aliases;
    forEachLine(withoutByteOrderMark(input), [&](std::string_view line) {
        size_t equals = line.find('='), tab = line.find('\t');
        values[std::string(line.substr(0, equals))] =
            equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
        if (tab != std::string_view::npos)
            aliases[std::string(line.substr(0, tab))] = line.substr(tab + 1);
    });
    FUZZ_CHECK(settings.entries.size() == values.size() && table.aliases.size() == aliases.size());
    for (const auto &[key, value] : values) {
        std::string joined;
        for (const std::string &item : settings.entries.at(key))
            joined += item + ",";
        FUZZ_CHECK(joined == value + ",");
    }
    for (const auto &[key, alias] : aliases)
        FUZZ_CHECK(table.aliases.at(key) == alias);
}
