// The registry of the simulated machine: a tree of keys under the predefined roots, with typed
// values and each key's DACL, reached through tracked handles.
#include <winsim/control.h>

#include <map>
#include <memory>
#include <sstream>

#include "internal.h"

namespace winsim {
namespace {

struct RegValue {
    DWORD type;
    std::vector<BYTE> data;
};

struct RegKeyNode {
    std::map<std::wstring, std::shared_ptr<RegKeyNode>, NoCaseLess> subkeys;
    std::vector<std::wstring> subkeyOrder; // enumeration order: creation order
    std::map<std::wstring, RegValue, NoCaseLess> values;
    std::vector<BYTE> dacl;
    bool deleted = false;
};

struct OpenKey {
    std::shared_ptr<RegKeyNode> node;
    REGSAM access;
};

struct Registry {
    std::map<HKEY, std::shared_ptr<RegKeyNode>> roots;
    std::map<HKEY, OpenKey> handles;
    std::uintptr_t nextHandle = 0x1000;
};

Registry g_registry;

std::shared_ptr<RegKeyNode> NewKey() {
    auto node = std::make_shared<RegKeyNode>();
    node->dacl = DefaultKeyDacl();
    return node;
}

void ResetRegistry() {
    g_registry.handles.clear();
    g_registry.roots.clear();
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        g_registry.roots[root] = NewKey();
    }
    g_registry.nextHandle = 0x1000;
}
const ResetStep g_reset(ResetRegistry);

LSTATUS Resolve(HKEY key, std::shared_ptr<RegKeyNode>* node) {
    auto root = g_registry.roots.find(key);
    if (root != g_registry.roots.end()) {
        *node = root->second;
        return ERROR_SUCCESS;
    }
    auto open = g_registry.handles.find(key);
    if (open == g_registry.handles.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (open->second.node->deleted) {
        return ERROR_KEY_DELETED;
    }
    *node = open->second.node;
    return ERROR_SUCCESS;
}

std::vector<std::wstring> SplitPath(const wchar_t* path) {
    std::vector<std::wstring> parts;
    if (path == nullptr) {
        return parts;
    }
    std::wstringstream stream{std::wstring(path)};
    std::wstring part;
    while (std::getline(stream, part, L'\\')) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

HKEY NewHandle(const std::shared_ptr<RegKeyNode>& node, REGSAM access) {
    HKEY handle = reinterpret_cast<HKEY>(g_registry.nextHandle);
    g_registry.nextHandle += 4;
    g_registry.handles[handle] = OpenKey{node, access};
    Acquire("hkey", handle);
    return handle;
}

LSTATUS Walk(HKEY key, const wchar_t* path, bool create, std::shared_ptr<RegKeyNode>* found,
             bool* created) {
    std::shared_ptr<RegKeyNode> node;
    LSTATUS status = Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    for (const std::wstring& part : SplitPath(path)) {
        auto next = node->subkeys.find(part);
        if (next == node->subkeys.end()) {
            if (!create) {
                return ERROR_FILE_NOT_FOUND;
            }
            node->subkeys[part] = NewKey();
            node->subkeyOrder.push_back(part);
            next = node->subkeys.find(part);
            if (created != nullptr) {
                *created = true;
            }
        }
        node = next->second;
    }
    *found = node;
    return ERROR_SUCCESS;
}

std::wstring RootPrefixToPath(const std::wstring& path, HKEY* root) {
    static const std::pair<const wchar_t*, HKEY> prefixes[] = {
        {L"HKLM", HKEY_LOCAL_MACHINE}, {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKCU", HKEY_CURRENT_USER},  {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKCR", HKEY_CLASSES_ROOT},  {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKU", HKEY_USERS},          {L"HKEY_USERS", HKEY_USERS},
    };
    const size_t cut = path.find(L'\\');
    const std::wstring head = path.substr(0, cut);
    for (const auto& prefix : prefixes) {
        if (EqualNoCase(head, prefix.first)) {
            *root = prefix.second;
            return cut == std::wstring::npos ? std::wstring() : path.substr(cut + 1);
        }
    }
    *root = nullptr;
    return std::wstring();
}

} // namespace

bool KeyExists(const std::wstring& path) {
    HKEY root = nullptr;
    const std::wstring rest = RootPrefixToPath(path, &root);
    std::shared_ptr<RegKeyNode> node;
    return root != nullptr && Walk(root, rest.c_str(), false, &node, nullptr) == ERROR_SUCCESS;
}

} // namespace winsim

using winsim::g_registry;
using winsim::RegKeyNode;

LSTATUS WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    WINSIM_CALL(LSTATUS);
    (void)options;
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Walk(key, subKey, false, &node, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    *result = winsim::NewHandle(node, access);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                               DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES attributes,
                               PHKEY result, LPDWORD disposition) {
    WINSIM_CALL(LSTATUS);
    (void)reserved;
    (void)keyClass;
    (void)options;
    (void)attributes;
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    std::shared_ptr<RegKeyNode> node;
    bool created = false;
    const LSTATUS status = winsim::Walk(key, subKey, true, &node, &created);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = winsim::NewHandle(node, access);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    WINSIM_CALL(LSTATUS);
    if (g_registry.roots.count(key) != 0) {
        return ERROR_SUCCESS;
    }
    if (g_registry.handles.erase(key) == 0) {
        return ERROR_INVALID_HANDLE;
    }
    winsim::Release("hkey", key);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegFlushKey(HKEY key) {
    WINSIM_CALL(LSTATUS);
    std::shared_ptr<RegKeyNode> node;
    return winsim::Resolve(key, &node);
}

LSTATUS WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    WINSIM_CALL(LSTATUS);
    std::vector<std::wstring> parts = winsim::SplitPath(subKey);
    if (parts.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring leaf = parts.back();
    parts.pop_back();
    std::wstring parentPath;
    for (const std::wstring& part : parts) {
        parentPath += part + L"\\";
    }
    std::shared_ptr<RegKeyNode> parent;
    LSTATUS status = winsim::Walk(key, parentPath.c_str(), false, &parent, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    auto found = parent->subkeys.find(leaf);
    if (found == parent->subkeys.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (!found->second->subkeys.empty()) {
        return ERROR_ACCESS_DENIED;
    }
    found->second->deleted = true;
    auto& order = parent->subkeyOrder;
    for (auto it = order.begin(); it != order.end(); ++it) {
        if (winsim::EqualNoCase(*it, leaf)) {
            order.erase(it);
            break;
        }
    }
    parent->subkeys.erase(found);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size) {
    WINSIM_CALL(LSTATUS);
    (void)reserved;
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (data == nullptr && size != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    node->values[name != nullptr ? name : L""] =
        winsim::RegValue{type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) {
    WINSIM_CALL(LSTATUS);
    (void)reserved;
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    auto found = node->values.find(name != nullptr ? name : L"");
    if (found == node->values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (data != nullptr && size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (type != nullptr) {
        *type = found->second.type;
    }
    const DWORD needed = static_cast<DWORD>(found->second.data.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::memcpy(data, found->second.data.data(), needed);
    }
    if (size != nullptr) {
        *size = needed;
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueW(HKEY key, LPCWSTR name) {
    WINSIM_CALL(LSTATUS);
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return node->values.erase(name != nullptr ? name : L"") != 0 ? ERROR_SUCCESS
                                                                 : ERROR_FILE_NOT_FOUND;
}

LSTATUS WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars,
                             LPDWORD reserved, LPWSTR keyClass, LPDWORD classChars,
                             void* lastWriteTime) {
    WINSIM_CALL(LSTATUS);
    (void)reserved;
    (void)keyClass;
    (void)classChars;
    (void)lastWriteTime;
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (name == nullptr || nameChars == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (index >= node->subkeyOrder.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const std::wstring& found = node->subkeyOrder[index];
    if (found.size() + 1 > *nameChars) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, found.c_str(), (found.size() + 1) * sizeof(wchar_t));
    *nameChars = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information,
                                 PSECURITY_DESCRIPTOR descriptor) {
    WINSIM_CALL(LSTATUS);
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    bool present = false;
    PACL dacl = nullptr;
    if (!winsim::DescriptorDacl(descriptor, &present, &dacl)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (information & DACL_SECURITY_INFORMATION) {
        auto open = g_registry.handles.find(key);
        if (open != g_registry.handles.end() && (open->second.access & WRITE_DAC) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        if (!present || dacl == nullptr) {
            node->dacl.clear(); // no DACL: everyone has full access
        } else {
            const BYTE* bytes = reinterpret_cast<const BYTE*>(dacl);
            node->dacl.assign(bytes, bytes + winsim::AclBytes(dacl));
        }
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information,
                                 PSECURITY_DESCRIPTOR descriptor, LPDWORD size) {
    WINSIM_CALL(LSTATUS);
    std::shared_ptr<RegKeyNode> node;
    const LSTATUS status = winsim::Resolve(key, &node);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const bool withDacl = (information & DACL_SECURITY_INFORMATION) != 0;
    const DWORD needed = static_cast<DWORD>(sizeof(SECURITY_DESCRIPTOR_RELATIVE) +
                                            (withDacl ? node->dacl.size() : 0));
    if (descriptor == nullptr || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    ZeroMemory(descriptor, needed);
    auto* relative = static_cast<SECURITY_DESCRIPTOR_RELATIVE*>(descriptor);
    relative->Revision = SECURITY_DESCRIPTOR_REVISION;
    relative->Control = SE_SELF_RELATIVE;
    if (withDacl) {
        relative->Control |= SE_DACL_PRESENT;
        if (!node->dacl.empty()) {
            relative->Dacl = sizeof(SECURITY_DESCRIPTOR_RELATIVE);
            std::memcpy(static_cast<BYTE*>(descriptor) + relative->Dacl, node->dacl.data(),
                        node->dacl.size());
        }
    }
    *size = needed;
    return ERROR_SUCCESS;
}
