// The lyric rule on a file, and the file written back: the first line is the vowel list, the
// rest the file. Reading fails only on a section name that is not UTF-8, the rule only on a
// note without a lyric. The written text read again writes the same bytes; the flags put
// together again take themselves apart into the same flags, each an ASCII letter and a value
// without one.
#include "driver/rewrite_lyrics.h"
#include "fuzz/harness.h"
#include "settings/setting_data.h"
#include "support/failure.h"
#include "utauio/inout_data.h"

#include <algorithm>
#include <cctype>

void fuzzOne(std::string_view input) {
    const size_t newline = std::min(input.find('\n'), input.size());
    InoutData model, again;
    try {
        model.parse(input.substr(std::min(newline + 1, input.size())));
        // Either way of treating the note before the selection, as the input's length says.
        rewriteLyrics(model.notes, splitItems(input.substr(0, newline)), *model.prev,
                      input.size() % 2 == 1);
    } catch (const Throwable &e) {
        FUZZ_CHECK(e.message == "invalid UTF-8 sequence" || e.message == "Range violation");
        return;
    }
    const std::string written = model.toText();
    again.parse(written);
    FUZZ_CHECK(again.toText() == written);
    for (const auto &note : again.notes) {
        Session letters;
        letters.parseFlags(note->flagsText());
        FUZZ_CHECK(letters.flagsText() == note->flagsText() &&
                   note->flagsText().size() <= note->flagsValue.size());
        letters.flags.forEach([](std::string_view letter, std::string_view value) {
            FUZZ_CHECK(letter.size() == 1 && std::isalpha(static_cast<unsigned char>(letter[0])));
            FUZZ_CHECK(std::none_of(value.begin(), value.end(),
                                    [](unsigned char c) { return c < 0x80 && std::isalpha(c); }));
        });
    }
}
