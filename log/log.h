#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The run log. Every line reaches the file at the moment it is written (open, append, close),
// so the log survives an abrupt end of the process up to its last line. An empty fileName
// switches file output off.
class Log {
  public:
    // Empties the file (append false) or sets the run off by three empty lines, then writes
    // the file name and the time as the first line.
    Log(std::string fileName, bool append);
    // Flushes; a failure to do so is dropped, never thrown.
    virtual ~Log();

    // What starts an error line, and what ends every line in the file.
    static constexpr std::string_view errorPrefix = "** Error ** ", lineEnd = "\r\n";

    std::vector<std::string> lines; // pending, not yet in the file
    std::string current;            // the partial line that write builds
    std::string fileName;

    // The same as writeLine; not called by the run.
    virtual void output(const std::string &text);
    virtual void showMessage(const std::string &text); // a message box; the run shows none
    virtual bool askYesNo(const std::string &text);    // a message box; the run asks nothing
    // Ends the partial line, adds text unless empty, flushes.
    virtual void writeLine(const std::string &text);
    // writeLine of text converted to the ANSI code page, cut at its first zero byte. Not called
    // by the run: only settingLog, which the run leaves empty, reaches it, like write below.
    virtual void writeLineAnsi(const std::string &text);
    virtual void writeTime(); // not called by the run
    virtual void writeLineWithTime(const std::string &text);
    // Adds to the partial line; nothing reaches the file.
    virtual void write(const std::string &text);
    virtual void endLine();
    // Leaves errorPrefix + text pending and throws Error with the message text.
    [[noreturn]] virtual void error(const std::string &text);
    // Appends the pending lines, each ended by CR LF (a lone CR LF when none is pending).
    // On failure the lines stay pending.
    virtual void flush();
    virtual void clear();

  private:
    std::recursive_mutex lock;
};
