#include "log/log.h"

#include "log/timestamp.h"
#include "platform/platform.h"
#include "support/failure.h"

Log::Log(std::string fileName, bool append) : fileName(std::move(fileName)) {
    if (append)
        writeLine(std::string(lineEnd) + std::string(lineEnd));
    else
        clear();
    writeLineWithTime(this->fileName);
}

Log::~Log() {
    try {
        flush();
    } catch (...) {
        // A destructor must not throw, and there is nowhere left to report to.
    }
}

void Log::output(const std::string &text) { writeLine(text); }

void Log::showMessage(const std::string &text) { platform::showMessage(text); }

bool Log::askYesNo(const std::string &text) { return platform::askYesNo(text); }

void Log::writeLine(const std::string &text) {
    std::lock_guard guard(lock);
    endLine();
    if (!text.empty())
        lines.push_back(text);
    flush();
}

void Log::writeLineAnsi(const std::string &text) {
    std::lock_guard guard(lock);
    std::string ansi = platform::utf8ToAnsi(text);
    writeLine(ansi.substr(0, ansi.find('\0')));
}

void Log::writeTime() {
    std::lock_guard guard(lock);
    writeLine(timestampText(platform::now()));
}

void Log::writeLineWithTime(const std::string &text) {
    std::lock_guard guard(lock);
    writeLine(text + " " + timestampText(platform::now()));
}

void Log::write(const std::string &text) {
    std::lock_guard guard(lock);
    current += text;
}

void Log::endLine() {
    std::lock_guard guard(lock);
    if (!current.empty())
        lines.push_back(std::move(current));
    current.clear();
}

void Log::error(const std::string &text) {
    std::lock_guard guard(lock);
    endLine();
    lines.push_back(std::string(errorPrefix) + text);
    throw Error("Error", text);
}

void Log::flush() {
    std::lock_guard guard(lock);
    endLine();
    if (fileName.empty())
        return;
    std::string output;
    for (const std::string &line : lines)
        output.append(line).append(lineEnd);
    if (lines.empty())
        output = lineEnd;
    platform::append(fileName, output);
    lines.clear();
}

void Log::clear() {
    std::lock_guard guard(lock);
    if (!fileName.empty())
        platform::truncate(fileName);
}
