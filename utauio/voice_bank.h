#pragma once

#include "utauio/inout_data.h"

#include <string>
#include <string_view>
#include <vector>

// The aliases that an oto.ini's text gives its samples: on each line that has an "=", the text
// from there to the first "," after it, untrimmed, or, when that is empty, the sample's file
// name (before the "=") without its extension. Views into text.
std::vector<std::string_view> otoAliases(std::string_view text);

// The voice bank's folder that the song's settings section names in VoiceDir, as a path of ours:
// its bytes read as UTF-8 when the song is marked UTF-8, else in the host's own encoding
// (platform::folderFromHost), without trailing separators unless it is a root ("/", "C:\").
// Nothing on disk is looked at: whether the folder is there is VoiceBank's to find. Throws an
// Exception whose message is the reason when VoiceDir names no folder to read: the section has
// no VoiceDir, it is empty, it holds a %...% placeholder (the host sent it unexpanded), or its
// bytes are not text of that encoding.
std::string voiceBankFolder(const InoutData &song);

// How much of a voice bank is read before it counts as past reading.
struct BankLimits {
    size_t entries = 100000;                   // files and folders, all listings together
    size_t levels = 16;                        // of folders below the bank's own
    unsigned long long otoBytes = 64ull << 20; // of all oto.ini files together
};

// The names under which a voice bank's samples are sung: every alias of every oto.ini and every
// .wav file's name without its extension, in the folder and its subfolders at any depth.
class VoiceBank {
  public:
    // Reads the bank whole. Throws an Exception whose message is the reason when it cannot:
    // folder does not exist or is not a folder, a folder or oto.ini could not be read (with the
    // system's reason), or the bank is past limits. Links to folders are not walked into.
    explicit VoiceBank(std::string folder, const BankLimits &limits = {});

    const std::string folder;
    // Whether some name, in any byte form a lyric may arrive in, holds text followed by nothing
    // that continues its last syllable (a small kana, a voicing mark): "- いぇ" does not answer
    // for "- い", but "- いA3", "- い_C4" and "- い強" do.
    bool anyNameContains(std::string_view text) const;
    // The names as found, one that comes again counted again.
    size_t nameCount() const { return count; }

  private:
    // Every form of every name, each followed by a line end, which no lyric holds.
    std::string forms;
    size_t count = 0;
};
