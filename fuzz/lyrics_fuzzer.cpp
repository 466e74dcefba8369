// The lyric rule on a file, and the file written back as a host reads it: the first line is the
// vowel list, the rest the file. Only note lyrics change, only by taking the prefix; every
// other value, "Flags" included, reads back as the host wrote it.
#include "driver/rewrite_lyrics.h"
#include "fuzz_check.h"
#include "settings/setting_data.h"
#include "support/failure.h"
#include "support/lines.h"
#include "utauio/inout_data.h"
#include "utauio/section_name.h"

#include <map>

namespace {

using Entries = std::map<std::string, std::string, std::less<>>; // a key's last value

struct HostView {
    Entries setting, prev, next;
    std::vector<Entries> notes;
};

// Sections in order, each key read by its last value; a missing "Flags" reads as empty. False
// for a line a host splits elsewhere than the model does (no "=", or "=" as its first byte).
bool readAsHost(std::string_view text, HostView &view) {
    Entries *section = nullptr;
    bool plain = true;
    forEachLine(text, [&](std::string_view line) {
        if (isHeaderLine(line)) {
            std::string_view name = line.substr(2, line.size() - 3);
            section = name == "SETTING"     ? &view.setting
                      : name == "PREV"      ? &view.prev
                      : name == "NEXT"      ? &view.next
                      : isNumericName(name) ? &view.notes.emplace_back()
                                            : nullptr;
            if (section)
                section->try_emplace("Flags");
        } else if (section && !line.empty()) {
            size_t equals = line.find('=');
            plain = plain && equals != 0 && equals != std::string_view::npos;
            (*section)[std::string(line.substr(0, equals))] = line.substr(equals + 1);
        }
    });
    view.setting.try_emplace("Flags");
    view.prev.try_emplace("Flags");
    view.next.try_emplace("Flags");
    return plain;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    size_t newline = input.find('\n');
    std::vector<std::string> vowels = splitItems(input.substr(0, newline));
    std::string_view song = newline == std::string_view::npos ? "" : input.substr(newline + 1);
    InoutData model;
    try {
        model.parse(song);
    } catch (const Exception &) {
        return 0; // a section name that is not UTF-8
    }
    // Either way of treating the note before the selection, as the input's length says.
    const bool checkPrev = song.size() % 2 == 1;
    size_t changed = 0;
    try {
        changed = rewriteLyrics(model.notes, vowels, *model.prev, checkPrev);
    } catch (const Error &e) {
        FUZZ_CHECK(e.message == "Range violation");
        return 0; // a note without a lyric: nothing is written
    }

    HostView before, after;
    if (!readAsHost(song, before))
        return 0;
    FUZZ_CHECK(readAsHost(model.toText(), after));
    FUZZ_CHECK(after.setting == before.setting && after.prev == before.prev &&
               after.next == before.next);
    FUZZ_CHECK(after.notes.size() == before.notes.size());
    size_t prefixed = 0;
    for (size_t i = 0; i < after.notes.size(); ++i) {
        Entries &was = before.notes[i], &is = after.notes[i];
        if ((i > 0 || checkPrev) && is.at("Lyric") == "- " + was.at("Lyric")) {
            ++prefixed;
            is.at("Lyric") = was.at("Lyric");
        }
        FUZZ_CHECK(is == was);
    }
    FUZZ_CHECK(changed == prefixed);
    return 0;
}
