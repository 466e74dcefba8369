#pragma once

#include "utauio/session.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Whether note may take the prefixed lyric; asked only for a note the rule would change.
using PrefixCheck = std::function<bool(const Session &note, std::string_view prefixed)>;

// Puts "- " before the lyric of each note that follows a rest ("R") and equals an item of
// vowels, when mayPrefix (if given) agrees; a lyric longer than two bytes that already starts
// with "- " is left alone, and an empty lyric is no vowel. With checkPrev, the note before the
// selection counts: it is a rest when prev's lyric is "R" or prev has none (no note stands
// before the selection). Returns how many lyrics changed; throws the map's Error when a note
// has no "Lyric".
size_t rewriteLyrics(std::vector<std::unique_ptr<Session>> &notes,
                     const std::vector<std::string> &vowels, const Session &prev, bool checkPrev,
                     const PrefixCheck &mayPrefix = {});
