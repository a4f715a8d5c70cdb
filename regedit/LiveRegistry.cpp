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

LONG OpenForReading(const std::u16string& path, fw::UniqueKey& key) {
    size_t slash = path.find(u'\\');
    std::string rootName = WideToProgramString(path.substr(0, slash));
    HKEY root = RootKeyFromName(rootName.c_str());
    if (!root) return ERROR_INVALID_DATA;
    std::u16string subkey = slash == std::u16string::npos ? std::u16string() : path.substr(slash + 1);
    return RegOpenKeyExW(root, Wide(subkey), 0, kReadAccess, key.Put());
}

// The values in the order the registry gives them, as many as the key
// counted (the registry's server is asked once per value, and not once more
// to learn that there are no more). A value that goes while they are read
// is left out; one that grows is read again.
LONG ReadValues(HKEY key, std::vector<LiveValue>& values, DWORD count, DWORD maxName, DWORD maxData) {
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD index = 0; index < count;) {
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
    return ERROR_SUCCESS;
}

LONG EnumerateSubkeys(HKEY key, std::vector<std::u16string>& names, DWORD maxName) {
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

LiveRead SystemRegistry::Failure(LONG rc, ReadProblem& problem, uint32_t& systemError) {
    // Deleted while it was read: it is not there.
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED) return LiveRead::Missing;
    problem = rc == ERROR_ACCESS_DENIED ? ReadProblem::Denied
              : rc == ERROR_INVALID_DATA ? ReadProblem::NoRoot
                                         : ReadProblem::Failed;
    systemError = static_cast<uint32_t>(rc);
    return LiveRead::Failed;
}

LiveRead SystemRegistry::ReadKey(const std::u16string& path, bool askWrite, LiveKey& out, ReadProblem& problem,
                                 uint32_t& systemError) {
    fw::UniqueKey key;
    LONG rc = OpenForReading(path, key);
    DWORD count = 0, maxName = 0, maxData = 0;
    if (rc == ERROR_SUCCESS)
        rc = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                              &maxData, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) rc = ReadValues(key.Get(), out.values, count, maxName, maxData);
    if (rc != ERROR_SUCCESS) return Failure(rc, problem, systemError);
    if (askWrite) out.mayWrite = MayWrite(key.Get());
    return LiveRead::Found;
}

LiveRead SystemRegistry::ReadSubkeys(const std::u16string& path, std::vector<std::u16string>& names,
                                     ReadProblem& problem, uint32_t& systemError) {
    fw::UniqueKey key;
    LONG rc = OpenForReading(path, key);
    DWORD maxSubkey = 0;
    if (rc == ERROR_SUCCESS)
        rc = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, &maxSubkey, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) rc = EnumerateSubkeys(key.Get(), names, maxSubkey);
    return rc == ERROR_SUCCESS ? LiveRead::Found : Failure(rc, problem, systemError);
}

// Whether the process's user may set values in the key and create keys below
// it, by the key's own security descriptor and the process's token. A user
// of an administrators' group whose token is filtered is refused here as the
// registry would refuse the unelevated program; the system editor asks for
// elevation itself. The keys of a branch mostly share one descriptor, each
// asked about once: each question is a round trip to the registry's server.
bool SystemRegistry::MayWrite(HKEY key) {
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (descriptor_.size() < 512) descriptor_.resize(512);
    DWORD size = static_cast<DWORD>(descriptor_.size());
    LONG rc = RegGetKeySecurity(key, parts, descriptor_.data(), &size);
    if (rc == ERROR_INSUFFICIENT_BUFFER) {
        descriptor_.resize(size);
        rc = RegGetKeySecurity(key, parts, descriptor_.data(), &size);
    }
    HANDLE token = Token();
    if (rc != ERROR_SUCCESS || !token) return true;  // not known: the editor will tell
    std::string known(reinterpret_cast<const char*>(descriptor_.data()), size);
    auto found = answers_.find(known);
    if (found != answers_.end()) return found->second;
    GENERIC_MAPPING mapping{KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof privileges;
    DWORD granted = 0;
    BOOL allowed = FALSE;
    if (!AccessCheck(descriptor_.data(), token, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &mapping, &privileges,
                     &privilegesSize, &granted, &allowed))
        return true;
    answers_.emplace(std::move(known), allowed != FALSE);
    return allowed != FALSE;
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
