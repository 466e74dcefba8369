#include "support/failure.h"

#include <exception>
#include <new>
#include <string_view>

Throwable::Throwable(std::string kind, std::string message, std::string where)
    : kind(std::move(kind)), message(std::move(message)), where(std::move(where)) {}

std::string Throwable::description() const { return kind + ": " + message; }

std::string Throwable::report() const {
    return where.empty() ? description() : kind + "@" + where + ": " + message;
}

static std::string_view baseName(std::string_view path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

Exception fileError(const std::string &path, const std::string &systemText, SourcePlace where) {
    Exception failure("FileException", "In " + std::string(baseName(where.file)) + "(" +
                                           std::to_string(where.line) + "), data file " + path +
                                           ": " + systemText);
    failure.systemText = systemText;
    return failure;
}

Exception invalidUtf8() { return Exception("UTFException", "invalid UTF-8 sequence"); }

Error rangeViolation(SourcePlace where) {
    // The module is the source file's name without its folder and extension.
    std::string_view module = baseName(where.file);
    module = module.substr(0, module.rfind('.'));
    return Error("RangeError", "Range violation",
                 std::string(module) + "(" + std::to_string(where.line) + ")");
}

Exception conversionError(const std::string &systemText) {
    return Exception("ConvException", "Couldn't convert string: " + systemText);
}

Throwable currentFailure() {
    try {
        throw;
    } catch (const Throwable &failure) {
        return failure;
    } catch (const std::bad_alloc &) {
        return Error("OutOfMemoryError", "Memory allocation failed");
    } catch (const std::exception &failure) {
        return Exception("Exception", failure.what());
    } catch (...) {
        return Error("Error", "Unknown failure");
    }
}
