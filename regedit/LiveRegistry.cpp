// Reading live keys for the merge preview. Nothing here opens a key for
// writing: whether the user may write one is asked of the key's security
// descriptor instead.
#include "regedit/LiveRegistry.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "document/Platform.h"
#include "framework/Handles.h"
#include "regedit/SystemEditor.h"

namespace regedit {

namespace {

// The 64-bit view, which the system editor of a 64-bit Windows writes to,
// also when this program runs as a 32-bit process there.
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY;

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Whether the process's user may set values in the key and create keys below
// it, by the key's own security descriptor and the process's token. A user
// of an administrators' group whose token is filtered is refused here as the
// registry would refuse the unelevated program; the system editor asks for
// elevation itself.
bool MayWrite(HKEY key, HANDLE token) {
    if (!token) return true;
    DWORD size = 0;
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (RegGetKeySecurity(key, parts, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER || size == 0) return true;
    std::vector<BYTE> descriptor(size);
    if (RegGetKeySecurity(key, parts, descriptor.data(), &size) != ERROR_SUCCESS) return true;
    GENERIC_MAPPING mapping{KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof privileges;
    DWORD granted = 0;
    BOOL allowed = FALSE;
    if (!AccessCheck(descriptor.data(), token, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &mapping, &privileges,
                     &privilegesSize, &granted, &allowed))
        return true;  // not known: the editor will tell
    return allowed != FALSE;
}

LONG OpenForReading(const std::u16string& path, fw::UniqueKey& key) {
    size_t slash = path.find(u'\\');
    std::string rootName = WideToProgramString(path.substr(0, slash));
    HKEY root = RootKeyFromName(rootName.c_str());
    if (!root) return ERROR_INVALID_DATA;
    std::u16string subkey = slash == std::u16string::npos ? std::u16string() : path.substr(slash + 1);
    return RegOpenKeyExW(root, Wide(subkey), 0, kReadAccess, key.Put());
}

// The values in the order the registry gives them. A value that goes while
// they are read is left out; one that grows is read again.
LONG ReadValues(HKEY key, std::vector<LiveValue>& values, DWORD maxName, DWORD maxData) {
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (rc == ERROR_MORE_DATA) {
            // Longer than the key reported when it was asked: room for it and again.
            name.resize(name.size() * 2 + 256);
            data.resize(std::max<size_t>(data.size() * 2, dataSize + 2));
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        values.push_back({std::u16string(reinterpret_cast<const char16_t*>(name.data()), nameLength), type,
                          std::string(reinterpret_cast<const char*>(data.data()), dataSize)});
        ++index;
    }
}

LONG ReadSubkeys(HKEY key, std::vector<std::u16string>& names, DWORD maxName) {
    std::vector<wchar_t> name(maxName + 2);
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        LONG rc = RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (rc == ERROR_MORE_DATA) {
            name.resize(name.size() * 2 + 256);
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        names.emplace_back(reinterpret_cast<const char16_t*>(name.data()), length);
        ++index;
    }
}

}  // namespace

LiveRead SystemRegistry::ReadKey(const std::u16string& path, LiveKey& out, ReadProblem& problem,
                                 uint32_t& systemError) {
    fw::UniqueKey key;
    LONG rc = OpenForReading(path, key);
    if (rc == ERROR_FILE_NOT_FOUND) return LiveRead::Missing;
    DWORD maxName = 0, maxData = 0, maxSubkey = 0;
    if (rc == ERROR_SUCCESS)
        rc = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, &maxSubkey, nullptr, nullptr, &maxName,
                              &maxData, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) rc = ReadValues(key.Get(), out.values, maxName, maxData);
    if (rc == ERROR_SUCCESS) rc = ReadSubkeys(key.Get(), out.subkeys, maxSubkey);
    // Deleted while it was read: it is not there.
    if (rc == ERROR_KEY_DELETED) return LiveRead::Missing;
    if (rc != ERROR_SUCCESS) {
        problem = rc == ERROR_ACCESS_DENIED ? ReadProblem::Denied
                  : rc == ERROR_INVALID_DATA ? ReadProblem::NoRoot
                                             : ReadProblem::Failed;
        systemError = static_cast<uint32_t>(rc);
        return LiveRead::Failed;
    }
    out.mayWrite = MayWrite(key.Get(), Token());
    return LiveRead::Found;
}

// The process's token as an impersonation token, which AccessCheck wants;
// made once for all the keys of a preview.
HANDLE SystemRegistry::Token() {
    if (tokenTried_) return token_.Get();
    tokenTried_ = true;
    HANDLE process = nullptr, token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process)) return nullptr;
    fw::UniqueKernelHandle processToken(process);
    if (DuplicateToken(process, SecurityImpersonation, &token)) token_.Reset(token);
    return token_.Get();
}

std::u16string SystemRegistry::Fold(std::u16string_view name) const {
    std::u16string out(name);
    if (!out.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(out.data()), static_cast<DWORD>(out.size()));
    return out;
}

}  // namespace regedit
