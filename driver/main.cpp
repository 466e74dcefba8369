// The process frame: runs the plug-in and turns any failure into a one-line report on
// standard output and exit status 1.

#include "driver/tessal.h"
#include "platform/platform.h"
#include "support/failure.h"

int main(int argc, char **argv) {
    platform::reportMachineFaults({"Error: ", "\n"});
    try {
        return tessal::run(platform::arguments(argc, argv));
    } catch (...) {
        platform::writeStandardOutput(currentFailure().report() + "\n");
        return 1;
    }
}
