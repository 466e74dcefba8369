#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// A fresh directory removed with everything in it when the test ends, even after a failure.
struct ScratchDir {
    std::filesystem::path path;

    ScratchDir() {
        do {
            path = std::filesystem::temp_directory_path() /
                   ("tessal-" + std::to_string(std::random_device()()));
        } while (!std::filesystem::create_directory(path));
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string &name) const { return (path / name).string(); }
};

inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
