#include "driver/rewrite_lyrics.h"

#include <algorithm>

bool rewriteLyrics(std::vector<std::unique_ptr<Session>> &notes,
                   const std::vector<std::string> &vowels) {
    bool changed = false;
    bool afterRest = false; // the previous selected note was a rest; PREV does not count
    for (auto &note : notes) {
        if (afterRest) {
            std::string_view lyric = note->entries.at("Lyric");
            bool prefixed = lyric.size() > 2 && lyric.starts_with("- ");
            if (!prefixed && std::find(vowels.begin(), vowels.end(), lyric) != vowels.end()) {
                note->entries.set("Lyric", "- " + std::string(lyric));
                changed = true;
            }
        }
        afterRest = note->entries.at("Lyric") == "R";
    }
    return changed;
}
