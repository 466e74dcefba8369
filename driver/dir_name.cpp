#include "driver/dir_name.h"

std::string dirName(std::string_view path) {
    for (size_t i = path.size(); i-- > 0;) {
        char c = path[i];
        if (c == ':')
            return std::string(path.substr(0, i + 1));
        if (c == '\\' || c == '/') {
            if (i == 0 || path[i - 1] == ':')
                return std::string(path.substr(0, i + 1));
            return std::string(path.substr(0, i));
        }
    }
    return ".";
}
