// The harness's files and texts: where the program and the scratch files
// are, files written and read as bytes, registry texts made to measure.
#include "tests/ui/Harness.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace harness {

std::string WindowsPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

std::string QuillonPath() { return WindowsPath(QUILLON_EXE); }

std::string SourcePath(const std::string& relative) {
    return WindowsPath(std::string(QUILLON_SOURCE_DIR) + "/" + relative);
}

std::string ScratchPath(const std::string& name) {
    static std::string dir;
    if (dir.empty()) {
        std::string base = WindowsPath(std::string(QUILLON_BINARY_DIR) + "/scratch");
        CreateDirectoryA(base.c_str(), nullptr);
        // Wine hands out the same small process ids run after run: a new
        // directory each time, so no test sees files an earlier one left.
        std::string stem = base + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64());
        for (int n = 0; n < 1000; ++n) {
            std::string candidate = stem + "-" + std::to_string(n);
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                dir = candidate;
                break;
            }
        }
        if (dir.empty()) dir = stem;
    }
    return dir + "\\" + name;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    return f.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Utf16(const std::string& ascii) {
    std::string bytes("\xFF\xFE", 2);
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

std::string Narrow(const std::string& utf16) {
    std::string out;
    for (size_t i = 2; i + 1 < utf16.size(); i += 2) out += utf16[i];
    return out;
}

std::string RegKeys(size_t keys) {
    std::string text = "REGEDIT4\r\n\r\n";
    char line[200];
    for (size_t i = 0; i < keys; ++i) {
        snprintf(line, sizeof line,
                 "[HKEY_CURRENT_USER\\Software\\Quillon Test %zu\\Branch %zu]\r\n\"Name\"=\"value %zu\"\r\n"
                 "\"Count\"=dword:%08zx\r\n\r\n",
                 i / 1000, i, i, i);
        text += line;
    }
    return text;
}

std::string WriteLargeRegFile(const std::string& name, size_t megabytes) {
    // About 120 bytes a key.
    std::string path = ScratchPath(name);
    WriteFile(path, RegKeys(megabytes * 1024 * 1024 / 120));
    return path;
}

bool RewriteFile(const std::string& path, const std::string& bytes) {
    WIN32_FILE_ATTRIBUTE_DATA before{};
    bool existed = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before) != 0;
    if (!WriteFile(path, bytes)) return false;
    if (!existed) return true;
    // Twenty seconds on: past the two-second steps of the coarsest file system.
    ULARGE_INTEGER later{};
    later.LowPart = before.ftLastWriteTime.dwLowDateTime;
    later.HighPart = before.ftLastWriteTime.dwHighDateTime;
    later.QuadPart += 20ull * 10000000ull;
    FILETIME time{later.LowPart, later.HighPart};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFileTime(file, nullptr, nullptr, &time) != 0;
    CloseHandle(file);
    return ok;
}

std::string SystemText(DWORD code) {
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    std::string out(text, n);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

}  // namespace harness
