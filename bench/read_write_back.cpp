// The whole-process baseline: reads the file named by the one argument and saves the same
// bytes back the way the plug-in saves, with no parsing in between.

#include "platform/platform.h"
#include "support/failure.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_write_back FILE\n");
        return 2;
    }
    try {
        platform::replaceWhole(argv[1], platform::readWhole(argv[1]));
    } catch (const Exception &e) {
        std::fprintf(stderr, "%s\n", e.report().c_str());
        return 1;
    }
    return 0;
}
