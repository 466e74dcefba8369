// The floor for reading a voice bank: lists every folder of it and reads each oto.ini once, as
// the plug-in must, and does nothing else.
//   list_bank FOLDER

#include "platform/platform.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 2)
        return 2;
    std::vector<std::string> pending{argv[1]};
    size_t entries = 0, otoBytes = 0;
    while (!pending.empty()) {
        const std::string folder = pending.back() + platform::pathSeparator;
        pending.pop_back();
        for (const platform::FolderEntry &entry : platform::listFolder(folder)) {
            ++entries;
            if (entry.kind == platform::FolderEntry::folder)
                pending.push_back(folder + entry.name);
            else if (entry.name == "oto.ini")
                otoBytes += platform::readWhole(folder + entry.name).size();
        }
    }
    std::printf("%zu entries, %zu bytes of oto.ini\n", entries, otoBytes);
}
