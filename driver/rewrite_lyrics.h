#pragma once

#include "utauio/session.h"

#include <memory>
#include <string>
#include <vector>

// Puts "- " before the lyric of each note that follows a rest ("R") and equals an item of
// vowels; a lyric longer than two bytes that already starts with "- " is left alone. Returns
// whether any lyric changed; throws the map's Error when a note has no "Lyric".
bool rewriteLyrics(std::vector<std::unique_ptr<Session>> &notes,
                   const std::vector<std::string> &vowels);
