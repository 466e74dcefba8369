// The lyric rule on a parsed file: the first line is the vowel list, the rest the file. Only
// note lyrics change, and only by taking the prefix.
#include "driver/rewrite_lyrics.h"
#include "fuzz_check.h"
#include "settings/setting_data.h"
#include "support/failure.h"
#include "utauio/inout_data.h"

#include <utility>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries entriesOf(const Session &session) {
    Entries entries;
    session.entries.forEach([&](std::string_view key, std::string_view value) {
        entries.emplace_back(key, value);
    });
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    size_t newline = input.find('\n');
    std::vector<std::string> vowels = splitItems(input.substr(0, newline));
    InoutData model;
    try {
        model.parse(newline == std::string_view::npos ? "" : input.substr(newline + 1));
    } catch (const Exception &) {
        return 0; // a section name that is not UTF-8
    }
    std::vector<Entries> before;
    for (const auto &note : model.notes)
        before.push_back(entriesOf(*note));
    auto fixedSections = [&] {
        return std::vector{model.setting->toLines(), model.prev->toLines(), model.next->toLines()};
    };
    const auto fixedBefore = fixedSections();

    bool complete = true;
    try {
        rewriteLyrics(model.notes, vowels);
    } catch (const Error &e) {
        FUZZ_CHECK(e.message == "Range violation");
        complete = false;
    }
    size_t changed = 0;
    for (size_t i = 0; i < model.notes.size(); ++i) {
        Entries after = entriesOf(*model.notes[i]);
        FUZZ_CHECK(after.size() == before[i].size());
        for (size_t k = 0; k < after.size(); ++k) {
            FUZZ_CHECK(after[k].first == before[i][k].first);
            if (after[k].second == before[i][k].second)
                continue;
            FUZZ_CHECK(after[k].first == "Lyric" && i > 0);
            FUZZ_CHECK(after[k].second == "- " + before[i][k].second);
            ++changed;
        }
    }
    FUZZ_CHECK(complete || changed < model.notes.size());
    FUZZ_CHECK(fixedSections() == fixedBefore);
    return 0;
}
