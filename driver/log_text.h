#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text that the log quotes from the settings or the song, as UTF-8: marked says its file was
// marked as Unicode, so that its text is UTF-8; otherwise text that is valid UTF-8 is UTF-8,
// and other bytes are in the host's encoding for unmarked files. Nothing when it is neither.
std::optional<std::string> quotedAsUtf8(std::string_view text, bool marked);

// The same text in the log's encoding (the ANSI code page); as it came where it cannot be
// converted.
std::string quotedForLog(std::string_view text, bool marked);

// A path or a reason of ours (UTF-8) in the ANSI code page as far as that works, else as it is
// (a POSIX name need not be UTF-8).
std::string ansiForLog(std::string_view text);
