#include "driver/rewrite_lyrics.h"

#include <algorithm>

size_t rewriteLyrics(std::vector<std::unique_ptr<Session>> &notes,
                     const std::vector<std::string> &vowels, const Session &prev, bool checkPrev,
                     const PrefixCheck &mayPrefix) {
    size_t changed = 0;
    // A selection at the song's start comes without a note before it.
    bool afterRest =
        checkPrev && (!prev.entries.contains("Lyric") || prev.entries.at("Lyric") == "R");
    for (auto &note : notes) {
        if (afterRest) {
            std::string_view lyric = note->entries.at("Lyric");
            bool prefixed = lyric.size() > 2 && lyric.starts_with("- ");
            if (!prefixed && !lyric.empty() &&
                std::find(vowels.begin(), vowels.end(), lyric) != vowels.end()) {
                const std::string changedLyric = "- " + std::string(lyric);
                if (!mayPrefix || mayPrefix(*note, changedLyric)) {
                    note->entries.set("Lyric", changedLyric);
                    ++changed;
                }
            }
        }
        afterRest = note->entries.at("Lyric") == "R";
    }
    return changed;
}
