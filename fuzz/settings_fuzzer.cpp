// Each key's list, joined again with commas, is the value part of the last line with that key.
#include "fuzz_check.h"
#include "scratch_file.h"
#include "settings/setting_data.h"
#include "support/lines.h"

#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    SettingData settings;
    settings.load(scratchFile(input));

    std::map<std::string, std::string> lastValue;
    forEachLine(input, [&](std::string_view line) {
        size_t equals = line.find('=');
        lastValue[std::string(line.substr(0, equals))] =
            equals == std::string_view::npos ? "" : line.substr(equals + 1);
    });
    FUZZ_CHECK(settings.entries.size() == lastValue.size());
    for (const auto &[key, value] : lastValue) {
        const std::vector<std::string> &items = settings.entries.at(key);
        std::string joined = items.at(0);
        for (size_t i = 1; i < items.size(); ++i)
            joined += "," + items[i];
        FUZZ_CHECK(joined == value);
    }
    return 0;
}
