// Each key's alias is what follows the first tab of the last line with that key.
#include "fuzz_check.h"
#include "scratch_file.h"
#include "settings/punct_data.h"
#include "support/lines.h"

#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    PunctData table;
    table.load(scratchFile(input));

    std::map<std::string, std::string> lastAlias;
    forEachLine(input, [&](std::string_view line) {
        size_t tab = line.find('\t');
        if (tab != std::string_view::npos)
            lastAlias[std::string(line.substr(0, tab))] = line.substr(tab + 1);
    });
    FUZZ_CHECK(table.aliases.size() == lastAlias.size());
    for (const auto &[key, alias] : lastAlias)
        FUZZ_CHECK(table.aliases.at(key) == alias);
    return 0;
}
