#pragma once

// The only interface to the operating system. Paths and text are UTF-8 unless a name says
// ANSI (the system's ANSI code page; on POSIX that code page is UTF-8). Every operation that
// fails throws an Exception; file failures carry the path and the system's error text.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The process's arguments in UTF-8; element 0 is the program as named on the command line.
std::vector<std::string> arguments(int argc, char **argv);

// What joins a folder and a name in a path that users read and type.
extern const char pathSeparator;
// Whether c separates the parts of a path: "/" on POSIX, where "\" is a byte of a name; "\" and
// "/" on Windows.
bool isPathSeparator(char c);

// Reads an existing file whole; others may read it meanwhile.
std::string readWhole(const std::string &path);
// Takes the next piece of a file's new content.
using Writer = std::function<void(std::string_view piece)>;
// Replaces the file whole through a neighbouring file, so a failure part-way (produce's own
// included) leaves the old content; a file that may not be written fails with its own
// error. The new content is the pieces that produce gives the writer, in order.
void replaceWhole(const std::string &path, const std::function<void(const Writer &)> &produce);
// Not called by the run, which writes in pieces.
inline void replaceWhole(const std::string &path, std::string_view bytes) {
    replaceWhole(path, [bytes](const Writer &write) { write(bytes); });
}
// Appends all bytes at the end, creating the file if needed, with no sharing.
void append(const std::string &path, std::string_view bytes);
// Creates the file anew, empty.
void truncate(const std::string &path);

// Whether the system finds anything at path: a file, a folder, or a link wherever it leads.
bool exists(const std::string &path);
// Whether path names a folder; a link to a folder counts as a folder.
bool isFolder(const std::string &path);
struct FolderEntry {
    enum Kind { file, folder, other } kind; // a link to a folder is other
    std::string name;                       // UTF-8 on Windows, the name's bytes on POSIX
};
// The entries of a folder, without "." and "..", in no particular order.
std::vector<FolderEntry> listFolder(const std::string &path);
// The size of an existing file.
unsigned long long fileSize(const std::string &path);
// A folder as the host names it in the temporary file, as a path of ours: on Windows its bytes
// are UTF-8 when utf8 (a song sent with a byte-order mark), else ANSI, and a path that starts
// with "/" is a Unix host's, reached under Wine through its drive Z:; on POSIX the bytes as
// they are.
std::string folderFromHost(std::string_view value, bool utf8);

// Characters the code page lacks become its default character; invalid UTF-8 throws
// "invalid UTF-8 sequence", a refused conversion "Couldn't convert string: " + system text.
std::string utf8ToAnsi(std::string_view text);
// The form that UTF-8 text takes in the ANSI code page, where that code page is not UTF-8 and
// has every character of the text; nothing otherwise.
std::optional<std::string> ansiForm(std::string_view utf8);
// Text that came without a byte-order mark and is not UTF-8, as UTF-8: on Windows it is in the
// ANSI code page, on POSIX in Shift-JIS (code page 932), as classic UTAU writes it. Nothing
// when it is not valid there.
std::optional<std::string> unmarkedToUtf8(std::string_view text);

struct UtcTime {
    int year, month, day, hour, minute, second, millisecond;
};
struct Clock {
    UtcTime utc;
    int offsetMinutes; // local time minus UTC, daylight saving included
};
Clock now();

// The executable's path in the ANSI code page, cut to the classic 260-byte buffer.
std::string executablePathAnsi();
// The executable's full path, lossless.
std::string executablePath();

// Message boxes for Log's own; the run shows none.
void showMessage(const std::string &text);
bool askYesNo(const std::string &text);

void writeStandardOutput(std::string_view text);

// What a machine fault writes around its name ("Access violation" and the like).
struct FaultText {
    std::string before, after;
};
// From here on a machine fault ends the process with exit status 1, never a crash dialog or a
// core dump, writing report around its name to standard output.
void reportMachineFaults(const FaultText &report);
// From here on a machine fault also appends entry around its name to the existing file logName.
// Texts too long for the handler's fixed buffers (a path of 260 bytes, texts of 128) are not
// kept.
void logMachineFaults(const std::string &logName, const FaultText &entry);

} // namespace platform
