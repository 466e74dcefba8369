#pragma once

#include "utauio/session.h"

#include <memory>
#include <string>
#include <vector>

// Puts "- " before the lyric of each note that follows a rest ("R") and equals an item of
// vowels; a lyric longer than two bytes that already starts with "- " is left alone. With
// checkPrev, the note before the selection counts: it is a rest when prev's lyric is "R" or
// prev has none (no note stands before the selection). Returns how many lyrics changed;
// throws the map's Error when a note has no "Lyric".
size_t rewriteLyrics(std::vector<std::unique_ptr<Session>> &notes,
                     const std::vector<std::string> &vowels, const Session &prev, bool checkPrev);
