// The lyric rule on a file, and the file written back: the first line is the vowel list, the
// rest the file. Reading fails only on a section name that is not UTF-8, the rule only on a
// note without a lyric. Read back as a host reads it, only note lyrics have changed, each by
// taking "- ", as many as the rule says. The same bytes as a voice bank's oto.ini: every alias
// is a piece of one line of it.
#include "driver/rewrite_lyrics.h"
#include "settings/setting_data.h"
#include "support/failure.h"
#include "utauio/inout_data.h"

#include "support/lines.h"
#include "utauio/section_name.h"
#include "utauio/views.h"
#include "utauio/voice_bank.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

// Stops at the first property that fails, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? (void)0                                                                         \
                 : (std::fprintf(stderr, "property failed: %s\n", #condition), std::abort()))

using Section = std::map<std::string, std::string, std::less<>>; // a key's last value

// The kept sections in order, a missing "Flags" read as empty; none for a line that a host
// splits elsewhere than the model does (no "=", or "=" first).
static std::vector<Section> readAsHost(std::string_view text) {
    std::vector<Section> sections(3); // SETTING, PREV, NEXT first
    Section *current = nullptr;
    bool plain = true;
    forEachLine(text, [&](std::string_view line) {
        if (isHeaderLine(line)) {
            const std::string_view name = line.substr(2, line.size() - 3);
            const size_t fixed = name == "SETTING" ? 0
                                 : name == "PREV"  ? 1
                                 : name == "NEXT"  ? 2
                                                   : 3;
            current = fixed < 3             ? &sections[fixed]
                      : isNumericName(name) ? &sections.emplace_back()
                                            : nullptr;
        } else if (current && !line.empty()) {
            const size_t equals = line.find('=');
            plain = plain && equals != 0 && equals != std::string_view::npos;
            (*current)[std::string(line.substr(0, equals))] = line.substr(equals + 1);
        }
    });
    for (Section &section : sections)
        section.try_emplace("Flags");
    return plain ? sections : std::vector<Section>{};
}

static void checkOtoAliases(std::string_view text) {
    for (std::string_view alias : otoAliases(text)) {
        FUZZ_CHECK(viewsInto(text, alias) && alias.find_first_of("\r\n") == alias.npos);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    checkOtoAliases(input);
    const size_t newline = std::min(input.find('\n'), input.size());
    const std::string_view song = input.substr(std::min(newline + 1, input.size()));
    InoutData model;
    size_t changed = 0;
    try {
        model.parse(song);
        // Either way of treating the note before the selection, as the input's length says.
        const std::vector<LyricRewrite> rewrites = rewriteLyrics(
            model.notes, splitItems(input.substr(0, newline)), *model.prev, input.size() % 2 == 1);
        apply(rewrites);
        changed = rewrites.size();
    } catch (const Throwable &e) {
        FUZZ_CHECK(e.message == "invalid UTF-8 sequence" || e.message == "Range violation");
        return 0;
    }
    std::vector<Section> before = readAsHost(song), after = readAsHost(model.toText());
    FUZZ_CHECK(after.size() == before.size() || before.empty());
    for (size_t i = 3; i < before.size(); ++i) {
        std::string &lyric = after[i]["Lyric"];
        if (lyric == "- " + before[i]["Lyric"] && changed-- > 0)
            lyric = before[i]["Lyric"];
    }
    FUZZ_CHECK(after == before || before.empty());
    FUZZ_CHECK(changed == 0 || before.empty());
    return 0;
}
