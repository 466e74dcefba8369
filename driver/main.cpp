// The process frame: runs the plug-in and turns any failure into a one-line report on
// standard output and exit status 1.

#include "driver/tessal.h"
#include "platform/platform.h"
#include "support/failure.h"

#include <new>

static int reportFailure(const std::string &report) {
    platform::writeStandardOutput(report + "\n");
    return 1;
}

int main(int argc, char **argv) {
    platform::reportMachineFaults();
    try {
        return tessal::run(platform::arguments(argc, argv));
    } catch (const Throwable &failure) {
        return reportFailure(failure.report());
    } catch (const std::bad_alloc &) {
        return reportFailure("OutOfMemoryError: Memory allocation failed");
    } catch (const std::exception &failure) {
        return reportFailure(std::string("Exception: ") + failure.what());
    } catch (...) {
        return reportFailure("Error: Unknown failure");
    }
}
