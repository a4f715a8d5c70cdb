#include "document/KeyPaths.h"

#include "document/Platform.h"
#include "document/RegDocument.h"

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperByte(static_cast<unsigned char>(a[i])) != UpperByte(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Quotes or the brackets of a key line around the whole text, once each.
std::string_view Unwrapped(std::string_view text) {
    text = Trimmed(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = Trimmed(text.substr(1, text.size() - 2));
    if (!text.empty() && text.front() == '[') {
        text.remove_prefix(1);
        if (!text.empty() && text.back() == ']') text.remove_suffix(1);
        text = Trimmed(text);
    }
    return text;
}

}  // namespace

std::string_view ExpandRootName(std::string_view root) {
    static constexpr std::string_view kRoots[][2] = {
        {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"},   {"HKCR", "HKEY_CLASSES_ROOT"},
        {"HKU", "HKEY_USERS"},          {"HKCC", "HKEY_CURRENT_CONFIG"},
    };
    for (const auto& pair : kRoots)
        if (SameNoCase(root, pair[0])) return pair[1];
    return root;
}

std::string CanonicalKeyPath(std::string_view typed) {
    std::string_view text = Unwrapped(typed);
    std::string path;
    path.reserve(text.size() + 16);
    // A slash is a separator only in a path written with slashes alone: key
    // names may hold slashes ("text/html").
    bool slashes = text.find('\\') == std::string_view::npos;
    for (char c : text) {
        if (c == '/' && slashes) c = '\\';
        if (c == '\\' && (path.empty() || path.back() == '\\')) continue;
        path += c;
    }
    while (!path.empty() && path.back() == '\\') path.pop_back();
    // "Computer\" as the system editor's address bar shows it; "Computer"
    // alone names no key.
    size_t first = path.find('\\');
    std::string_view head = std::string_view(path).substr(0, first);
    if (SameNoCase(head, "Computer")) path.erase(0, first == std::string::npos ? path.size() : first + 1);
    first = path.find('\\');
    std::string_view root = std::string_view(path).substr(0, first);
    std::string_view expanded = ExpandRootName(root);
    if (expanded.data() != root.data()) path.replace(0, root.size(), expanded);
    return path;
}

KeyNode* DeepestKeyOnPath(const RegDocument& document, std::string_view path, size_t& matched) {
    matched = 0;
    KeyNode* found = nullptr;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view component = path.substr(start, end - start);
        KeyNode* match = nullptr;
        if (!found) {
            std::string_view wanted = ExpandRootName(component);
            for (KeyNode* root : document.roots) {
                if (SameNoCase(ExpandRootName(root->name), wanted)) {
                    match = root;
                    break;
                }
            }
        } else {
            for (KeyNode* child = found->firstChild; child; child = child->nextSibling) {
                if (SameNoCase(child->name, component)) {
                    match = child;
                    break;
                }
            }
        }
        if (!match) break;
        found = match;
        matched = end;
        start = end + 1;
    }
    return found;
}
