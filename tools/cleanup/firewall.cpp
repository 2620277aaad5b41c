// Removal of the product's programs from the firewall's authorized-application list.
#include "cleanup.h"

#include <netfw.h>
#include <oleauto.h>

#include "log.h"

namespace {

// What a failed call left in its out pointer is not trusted, and a success that gave nothing
// cannot be called through: only an interface actually handed over counts as obtained.
template <typename T> bool Obtained(HRESULT result, T*& object) {
    if (FAILED(result)) {
        object = nullptr;
    }
    return object != nullptr;
}

} // namespace

int RemoveFirewallAuthorizedApp(const wchar_t* path) {
    // A thread that already lives in another apartment keeps it, and keeps its own
    // initialisation: only a successful call here is balanced by CoUninitialize.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) {
        return 0;
    }

    INetFwMgr* manager = nullptr;
    INetFwPolicy* policy = nullptr;
    INetFwProfile* profile = nullptr;
    INetFwAuthorizedApplications* applications = nullptr;

    bool removed =
        Obtained(CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(INetFwMgr), reinterpret_cast<void**>(&manager)),
                 manager) &&
        Obtained(manager->get_LocalPolicy(&policy), policy) &&
        Obtained(policy->get_CurrentProfile(&profile), profile);
    if (policy != nullptr) {
        policy->Release();
    }
    if (manager != nullptr) {
        manager->Release();
    }
    removed = removed && Obtained(profile->get_AuthorizedApplications(&applications), applications);

    if (removed) {
        BSTR name = SysAllocString(path);
        removed = name != nullptr && SUCCEEDED(applications->Remove(name));
        if (name != nullptr) {
            SysFreeString(name);
        }
    }
    if (applications != nullptr) {
        applications->Release();
    }
    if (profile != nullptr) {
        profile->Release();
    }

    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return removed ? 1 : 0;
}

int RemoveFirewallExceptions() {
    const int count = ReadSettingInt(L"AddExceptionListApp", L"Num", -1);
    if (count <= 0) {
        return 1;
    }

    wchar_t folder[CleanupPathChars] = {};
    if (!ReadInstallLocation(folder)) {
        LogSpacedErrorCode(1001);
        return 0;
    }

    int result = 1;
    for (int index = 0; index < count; ++index) {
        wchar_t relative[CleanupPathChars] = {};
        if (ReadExceptionListItem(index, relative) != 1) {
            LogSpacedErrorCode(1002);
            result = 0;
            continue;
        }
        // A cut path names another program: it is never handed to the firewall.
        wchar_t full[CleanupPathChars] = {};
        if (!FormatFitted(full, _countof(full), L"%s\\%s", folder, relative) ||
            RemoveFirewallAuthorizedApp(full) != 1) {
            LogSpacedErrorCode(1003);
            result = 0;
        }
    }
    return result;
}
