#include "driver/rewrite_lyrics.h"

#include <algorithm>

std::vector<LyricRewrite> rewriteLyrics(const std::vector<std::unique_ptr<Session>> &notes,
                                        const std::vector<std::string> &vowels, const Session &prev,
                                        bool checkPrev) {
    std::vector<LyricRewrite> rewrites;
    // A selection at the song's start comes without a note before it.
    bool afterRest =
        checkPrev && (!prev.entries.contains("Lyric") || prev.entries.at("Lyric") == "R");
    for (const auto &note : notes) {
        std::string_view lyric = note->entries.at("Lyric");
        if (afterRest && !(lyric.size() > 2 && lyric.starts_with("- ")) && !lyric.empty() &&
            std::find(vowels.begin(), vowels.end(), lyric) != vowels.end()) {
            rewrites.push_back({note.get(), "- " + std::string(lyric)});
            lyric = rewrites.back().lyric;
        }
        afterRest = lyric == "R";
    }
    return rewrites;
}

void apply(const std::vector<LyricRewrite> &rewrites) {
    for (const LyricRewrite &rewrite : rewrites)
        rewrite.note->entries.set("Lyric", rewrite.lyric);
}
