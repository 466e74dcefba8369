// POSIX implementation of platform.h. The ANSI code page is UTF-8 here; a path is bytes, "\"
// among them.

#include "platform/fault_buffer.h"
#include "platform/platform.h"
#include "platform/posix_calls.h"

#include "support/cp932.h"
#include "support/failure.h"
#include "support/utf8.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

const char pathSeparator = '/';

bool isPathSeparator(char c) { return c == '/'; }

posix::SystemCalls posix::systemCalls = {::read, ::write, ::close, ::rename};

namespace {

using posix::systemCalls;

// Reads errno first, so nothing in between can change it.
Exception lastFileError(const std::string &path,
                        SourcePlace where = {__builtin_FILE(), __builtin_LINE()}) {
    int code = errno;
    const char *text = std::strerror(code);
    return fileError(path, text ? text : "errno = " + std::to_string(code), where);
}

// Closes on every path out of the operation that opened it.
struct Descriptor {
    int fd;
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            systemCalls.close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    // Closes now, reporting a failure that would otherwise go unseen.
    bool close() {
        int result = systemCalls.close(fd);
        fd = -1;
        return result == 0;
    }
};

Descriptor openOrThrow(const std::string &path, int flags) {
    Descriptor file(::open(path.c_str(), flags | O_CLOEXEC, 0666));
    if (file.fd < 0)
        throw lastFileError(path);
    return Descriptor(std::exchange(file.fd, -1));
}

void writeAll(int fd, const std::string &path, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = systemCalls.write(fd, bytes.data(), bytes.size());
        if (written <= 0) {
            if (written < 0 && errno == EINTR)
                continue;
            if (written == 0)
                errno = EIO;
            throw lastFileError(path);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

void closeOrThrow(Descriptor &file, const std::string &path) {
    if (!file.close())
        throw lastFileError(path);
}

} // namespace

std::vector<std::string> arguments(int argc, char **argv) { return {argv, argv + argc}; }

std::string readWhole(const std::string &path) {
    Descriptor file = openOrThrow(path, O_RDONLY);
    struct stat info;
    if (::fstat(file.fd, &info) != 0)
        throw lastFileError(path);
    // A directory opens, but there is nothing in it to read.
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        throw lastFileError(path);
    }
    std::string content(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < content.size()) {
        ssize_t got = systemCalls.read(file.fd, content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the file shrank while it was read
            throw lastFileError(path);
        }
        done += static_cast<size_t>(got);
    }
    closeOrThrow(file, path);
    return content;
}

void replaceWhole(const std::string &path, const std::function<void(const Writer &)> &produce) {
    // Opening the file itself for writing first fails where a plain write would (a missing
    // folder, a read-only file), which a rename over it would get round.
    Descriptor original = openOrThrow(path, O_WRONLY | O_CREAT);
    struct stat info;
    if (::fstat(original.fd, &info) != 0)
        throw lastFileError(path);
    closeOrThrow(original, path);

    std::string neighbour = path + ".tessal-XXXXXX";
    Descriptor file(::mkstemp(neighbour.data()));
    if (file.fd < 0)
        throw lastFileError(neighbour);
    try {
        produce([&](std::string_view piece) { writeAll(file.fd, neighbour, piece); });
        if (::fchmod(file.fd, info.st_mode & 07777) != 0)
            throw lastFileError(neighbour);
        closeOrThrow(file, neighbour);
        if (systemCalls.rename(neighbour.c_str(), path.c_str()) != 0)
            throw lastFileError(path);
    } catch (...) {
        ::unlink(neighbour.c_str());
        throw;
    }
}

void append(const std::string &path, std::string_view bytes) {
    Descriptor file = openOrThrow(path, O_WRONLY | O_CREAT | O_APPEND);
    writeAll(file.fd, path, bytes);
    closeOrThrow(file, path);
}

void truncate(const std::string &path) {
    Descriptor file = openOrThrow(path, O_WRONLY | O_CREAT | O_TRUNC);
    closeOrThrow(file, path);
}

bool exists(const std::string &path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool isFolder(const std::string &path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<FolderEntry> listFolder(const std::string &path) {
    std::unique_ptr<DIR, int (*)(DIR *)> folder(::opendir(path.c_str()), ::closedir);
    if (!folder)
        throw lastFileError(path);
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(folder.get());
        if (!entry) {
            if (errno != 0)
                throw lastFileError(path);
            return entries;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            // A link counts as what it leads to, but a link to a folder is not walked into: it
            // may lead back up.
            struct stat info;
            const bool link = type == DT_LNK;
            const int flags = link ? 0 : AT_SYMLINK_NOFOLLOW;
            type = ::fstatat(::dirfd(folder.get()), entry->d_name, &info, flags) != 0 ? DT_UNKNOWN
                   : S_ISREG(info.st_mode)                                            ? DT_REG
                   : S_ISDIR(info.st_mode) && !link                                   ? DT_DIR
                                                                                      : DT_UNKNOWN;
        }
        entries.push_back({type == DT_DIR   ? FolderEntry::folder
                           : type == DT_REG ? FolderEntry::file
                                            : FolderEntry::other,
                           std::string(name)});
    }
}

unsigned long long fileSize(const std::string &path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        throw lastFileError(path);
    return static_cast<unsigned long long>(info.st_size);
}

std::string folderFromHost(std::string_view value, bool) { return std::string(value); }

std::string utf8ToAnsi(std::string_view text) {
    if (!isValidUtf8(text))
        throw invalidUtf8();
    return std::string(text);
}

std::optional<std::string> ansiForm(std::string_view) { return std::nullopt; }

std::optional<std::string> unmarkedToUtf8(std::string_view text) { return cp932ToUtf8(text); }

Clock now() {
    timespec moment;
    ::clock_gettime(CLOCK_REALTIME, &moment);
    tm utc, local;
    ::gmtime_r(&moment.tv_sec, &utc);
    ::localtime_r(&moment.tv_sec, &local);
    return Clock{{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                  utc.tm_sec, static_cast<int>(moment.tv_nsec / 1000000)},
                 static_cast<int>(local.tm_gmtoff / 60)};
}

std::string executablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            throw lastFileError("/proc/self/exe");
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2); // filled: it may have been cut
    }
}

std::string executablePathAnsi() { return executablePath(); }

void showMessage(const std::string &text) { std::fprintf(stderr, "%s\n", text.c_str()); }

bool askYesNo(const std::string &) { return false; } // no window to ask in

void writeStandardOutput(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

namespace {

FaultBuffer report, logEntry;
char faultLog[260]; // the log that a fault ends, or empty

void writeRaw(int file, std::string_view text) {
    ssize_t ignored = ::write(file, text.data(), text.size());
    (void)ignored;
}

void onFault(int signal) {
    // Only async-signal-safe calls here.
    const char *name = signal == SIGSEGV  ? "Access violation"
                       : signal == SIGBUS ? "Bus error"
                       : signal == SIGFPE ? "Arithmetic fault"
                                          : "Illegal instruction";
    char line[320];
    writeRaw(STDOUT_FILENO, report.around(name, line));
    if (int log = faultLog[0] ? ::open(faultLog, O_WRONLY | O_APPEND) : -1; log >= 0)
        writeRaw(log, logEntry.around(name, line));
    ::_exit(1);
}

} // namespace

void reportMachineFaults(const FaultText &text) {
    report.set(text);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        std::signal(signal, onFault);
}

void logMachineFaults(const std::string &logName, const FaultText &entry) {
    if (!keep(faultLog, logName) || !logEntry.set(entry))
        faultLog[0] = '\0';
}

} // namespace platform
