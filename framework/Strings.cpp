#include "framework/Strings.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>

namespace fw {

std::string LoadText(UINT id) {
    // Resources hold UTF-16: only the W form can hand out a pointer, so the A
    // form copies into a buffer that grows until the text fits.
    std::string text(1024, '\0');
    for (;;) {
        int length = LoadStringA(GetModuleHandleA(nullptr), id, text.data(), static_cast<int>(text.size()));
        if (length <= 0) return {};
        if (static_cast<size_t>(length) + 1 < text.size()) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
        text.resize(text.size() * 4);
    }
}

std::string FormatText(UINT id, ...) {
    std::string format = LoadText(id);
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    std::string result;
    if (size > 0) {
        result.resize(static_cast<size_t>(size) + 1);
        std::vsnprintf(result.data(), result.size(), format.c_str(), args);
        result.resize(static_cast<size_t>(size));
    }
    va_end(args);
    return result;
}

std::string FormatMessageText(UINT id, const char* arg1) {
    std::string format = LoadText(id);
    DWORD_PTR args[1] = {reinterpret_cast<DWORD_PTR>(arg1)};
    char* out = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        format.c_str(), 0, 0, reinterpret_cast<char*>(&out), 0,
        reinterpret_cast<va_list*>(args));
    std::string result = (length && out) ? std::string(out, length) : std::string();
    if (out) LocalFree(out);
    return result;
}

std::string SystemMessage(DWORD code) {
    if (code == 0) return {};
    char* out = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&out), 0, nullptr);
    std::string text = (length && out) ? std::string(out, length) : std::string();
    if (out) LocalFree(out);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string LoadFilter(UINT id) {
    std::string filter = LoadText(id);
    for (char& c : filter)
        if (c == '#') c = '\0';
    // A filter whose text lacks the closing "##" still ends with two NULs.
    filter.push_back('\0');
    filter.push_back('\0');
    return filter;
}

bool AnswerToolTip(NMHDR* header) {
    if (header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW) return false;
    std::string text = LoadText(static_cast<UINT>(header->idFrom));
    size_t newline = text.find('\n');
    text = newline == std::string::npos ? text : text.substr(newline + 1);
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        lstrcpynA(info->szText, text.c_str(), sizeof info->szText);
        info->lpszText = info->szText;
    } else {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, info->szText, static_cast<int>(std::size(info->szText)));
        if (n == 0) info->szText[0] = L'\0';
        info->szText[std::size(info->szText) - 1] = L'\0';
        info->lpszText = info->szText;
    }
    return true;
}

}  // namespace fw
