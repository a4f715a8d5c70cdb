// Where the tests find the corpus of real .reg files: the folder named by the
// environment variable QUILLON_CORPUS, else shared/corpus beside the clone.
// A clone without it runs every other test; the corpus tests are skipped with
// a message naming the folder (CI insists that it is there).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef QUILLON_SOURCE_DIR
#error "QUILLON_SOURCE_DIR must name the source folder"
#endif

namespace corpus {

// The corpus folder as this process names files: under Wine the Linux root
// is drive Z:.
inline std::string Dir() {
    const char* setting = std::getenv("QUILLON_CORPUS");
    std::string dir = setting && *setting ? setting : std::string(QUILLON_SOURCE_DIR) + "/../shared/corpus";
#ifdef _WIN32
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
    dir = std::filesystem::path(dir).make_preferred().string();
#endif
    return dir;
}

inline bool Present() {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(Dir()) / "real", ec);
}

// Every .reg file of real/ and crlf/, sorted, as "folder\\name" paths.
inline std::vector<std::string> Files() {
    std::vector<std::string> files;
    for (const char* folder : {"real", "crlf"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Dir()) / folder, ec))
            if (entry.path().extension() == ".reg") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace corpus

// Skips the current test when the corpus is not there, naming the folder.
#define QUILLON_REQUIRE_CORPUS()                                                                        \
    do {                                                                                                \
        if (!corpus::Present())                                                                         \
            GTEST_SKIP() << "corpus folder missing: " << corpus::Dir()                                  \
                         << " (set QUILLON_CORPUS to the folder holding real/ and crlf/)";              \
    } while (0)
