#pragma once

#include "utauio/session.h"

#include <memory>
#include <string>
#include <vector>

// Puts "- " before the lyric of each note that follows a rest ("R") and equals an item of
// vowels; a lyric longer than two bytes that already starts with "- " is left alone. Throws
// the map's Error when a note has no "Lyric".
void rewriteLyrics(std::vector<std::unique_ptr<Session>> &notes,
                   const std::vector<std::string> &vowels);
