#pragma once

#include <exception>
#include <string>

// A place in the source. As a default argument, {__builtin_FILE(), __builtin_LINE()} is the
// caller's place (std::source_location is missing from some compilers we build with).
struct SourcePlace {
    const char *file;
    unsigned line;
};

// Every failure of the plug-in is one of these, thrown and caught by kind.
class Throwable : public std::exception {
  public:
    Throwable(std::string kind, std::string message, std::string where = {});

    std::string kind;
    std::string message;
    // "module(line)" of the failed lookup; empty for most failures.
    std::string where;

    // Kind and message, as the run log shows a failure.
    std::string description() const;
    // Kind, the place when known, and message, as the process reports a failure.
    std::string report() const;
    const char *what() const noexcept override { return message.c_str(); }
};

// Recoverable: files, text decoding and conversion.
class Exception : public Throwable {
  public:
    using Throwable::Throwable;

    // A file failure's system text alone, as in its message; empty for other failures.
    std::string systemText;
};

// Fatal: logged errors, missing map keys, machine faults.
class Error : public Throwable {
    using Throwable::Throwable;
};

// "In <source>(<line>), data file <path>: <system text>"; the system text comes without a
// trailing line break, and is kept alone too, as systemText.
Exception fileError(const std::string &path, const std::string &systemText,
                    SourcePlace where = {__builtin_FILE(), __builtin_LINE()});

Exception invalidUtf8();

// The failed lookup of a key that a map does not hold.
Error rangeViolation(SourcePlace where);

// A conversion between code pages that the system refused.
Exception conversionError(const std::string &systemText);

// The failure being handled, inside a catch block: a Throwable as it is; what the plug-in did
// not throw itself (no memory, a library's exception) under a kind of its own.
Throwable currentFailure();
