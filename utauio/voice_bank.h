#pragma once

#include "utauio/session.h"

#include <string>
#include <string_view>
#include <vector>

// The aliases that an oto.ini's text gives its samples: on each line that has an "=", the text
// from there to the first "," after it, untrimmed, or, when that is empty, the sample's file
// name (before the "=") without its extension. Views into text.
std::vector<std::string_view> otoAliases(std::string_view text);

// The voice bank's folder, as a path of ours, from the settings section's VoiceDir; utf8 when
// the song came as UTF-8 (with a byte-order mark). Throws an Exception whose message is the
// reason when VoiceDir names no folder to read: missing, empty, or a %...% placeholder.
std::string voiceBankFolder(const Session &setting, bool utf8);

// The names under which a voice bank's samples are sung: every alias of every oto.ini and every
// .wav file's name without its extension, in the folder and its subfolders at any depth.
class VoiceBank {
  public:
    // Reads the bank whole. Throws an Exception whose message is the reason when it cannot:
    // folder is not a folder, a folder or oto.ini could not be read, or the bank is past the
    // limits below. Links to folders are not walked into.
    explicit VoiceBank(std::string folder);

    static constexpr size_t maxEntries = 100000, maxLevels = 16;
    static constexpr unsigned long long maxOtoBytes = 64ull << 20;

    const std::string folder;
    // Whether some name, in any byte form a lyric may arrive in, contains text.
    bool anyNameContains(std::string_view text) const { return forms.find(text) != forms.npos; }
    size_t nameCount() const { return count; }

  private:
    // Every form of every name, each followed by a line end, which no lyric holds.
    std::string forms;
    size_t count = 0;
};
