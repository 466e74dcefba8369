#pragma once

#include "utauio/session.h"

#include <memory>
#include <string>
#include <vector>

// A note's lyric as the rule would have it.
struct LyricRewrite {
    Session *note;
    std::string lyric;
};

// The rule, which changes nothing: each note that follows a rest ("R") and whose lyric equals an
// item of vowels would take "- " before its lyric; a lyric longer than two bytes that already
// starts with "- " is left alone, and an empty lyric is no vowel. With checkPrev, the note
// before the selection counts: it is a rest when prev's lyric is "R" or prev has none (no note
// stands before the selection). Returns the rewrites in note order; throws the map's Error when
// a note has no "Lyric".
std::vector<LyricRewrite> rewriteLyrics(const std::vector<std::unique_ptr<Session>> &notes,
                                        const std::vector<std::string> &vowels, const Session &prev,
                                        bool checkPrev);

// Sets each rewrite's lyric.
void apply(const std::vector<LyricRewrite> &rewrites);
