// Firewall-manager double: an in-process server of the NetFwMgr class whose one object answers
// the manager, policy, profile and authorized-applications interfaces, over the state that
// fwdouble.h describes. Everything beyond the removal chain is not implemented.
#include <windows.h>

#include <netfw.h>

#include <algorithm>

#include "fwdouble.h"

// COM objects end in their own Release, never through a delete of an interface pointer.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace {

LONG LiveObjects = 0;

// The planned answer of `call`: the one-shot "FailResult" when "FailAt" names it, else S_OK.
HRESULT Planned(const wchar_t* call) {
    if (FwDoubleReadText(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailAt") != call) {
        return S_OK;
    }
    DWORD result = static_cast<DWORD>(E_ACCESSDENIED);
    DWORD bytes = sizeof(result);
    RegGetValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailResult", RRF_RT_REG_DWORD, nullptr,
                 &result, &bytes);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailAt");
    return static_cast<HRESULT>(result);
}

#define NOT_IMPLEMENTED(name, parameters)                                                          \
    HRESULT STDMETHODCALLTYPE name parameters override { return E_NOTIMPL; }

class FirewallObject final : public INetFwMgr,
                             public INetFwPolicy,
                             public INetFwProfile,
                             public INetFwAuthorizedApplications {
  public:
    FirewallObject() { InterlockedIncrement(&LiveObjects); }
    ~FirewallObject() { InterlockedDecrement(&LiveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(INetFwMgr)) {
            *object = static_cast<INetFwMgr*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&references);
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_LocalPolicy(INetFwPolicy** policy) override {
        return Hand(L"get_LocalPolicy", static_cast<INetFwPolicy*>(this), policy);
    }
    HRESULT STDMETHODCALLTYPE get_CurrentProfile(INetFwProfile** profile) override {
        return Hand(L"get_CurrentProfile", static_cast<INetFwProfile*>(this), profile);
    }
    HRESULT STDMETHODCALLTYPE
    get_AuthorizedApplications(INetFwAuthorizedApplications** apps) override {
        return Hand(L"get_AuthorizedApplications", static_cast<INetFwAuthorizedApplications*>(this),
                    apps);
    }
    HRESULT STDMETHODCALLTYPE Remove(BSTR imageFileName) override {
        const HRESULT result = Planned(L"Remove");
        if (FAILED(result) || imageFileName == nullptr) {
            return FAILED(result) ? result : E_INVALIDARG;
        }
        std::vector<std::wstring> removed = FwDoubleReadList(L"Removed");
        removed.emplace_back(imageFileName);
        FwDoubleWriteList(L"Removed", removed);
        // An application that is not listed is no error: the list is left as it is.
        std::vector<std::wstring> apps = FwDoubleReadList(L"Apps");
        apps.erase(std::remove(apps.begin(), apps.end(), imageFileName), apps.end());
        FwDoubleWriteList(L"Apps", apps);
        return result;
    }

    NOT_IMPLEMENTED(GetTypeInfoCount, (UINT*))
    NOT_IMPLEMENTED(GetTypeInfo, (UINT, LCID, ITypeInfo**))
    NOT_IMPLEMENTED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    NOT_IMPLEMENTED(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
    NOT_IMPLEMENTED(get_CurrentProfileType, (NET_FW_PROFILE_TYPE*))
    NOT_IMPLEMENTED(RestoreDefaults, ())
    NOT_IMPLEMENTED(IsPortAllowed,
                    (BSTR, NET_FW_IP_VERSION, LONG, BSTR, NET_FW_IP_PROTOCOL, VARIANT*, VARIANT*))
    NOT_IMPLEMENTED(IsIcmpTypeAllowed, (NET_FW_IP_VERSION, BSTR, BYTE, VARIANT*, VARIANT*))
    NOT_IMPLEMENTED(GetProfileByType, (NET_FW_PROFILE_TYPE, INetFwProfile**))
    NOT_IMPLEMENTED(get_Type, (NET_FW_PROFILE_TYPE*))
    NOT_IMPLEMENTED(get_FirewallEnabled, (VARIANT_BOOL*))
    NOT_IMPLEMENTED(put_FirewallEnabled, (VARIANT_BOOL))
    NOT_IMPLEMENTED(get_ExceptionsNotAllowed, (VARIANT_BOOL*))
    NOT_IMPLEMENTED(put_ExceptionsNotAllowed, (VARIANT_BOOL))
    NOT_IMPLEMENTED(get_NotificationsDisabled, (VARIANT_BOOL*))
    NOT_IMPLEMENTED(put_NotificationsDisabled, (VARIANT_BOOL))
    NOT_IMPLEMENTED(get_UnicastResponsesToMulticastBroadcastDisabled, (VARIANT_BOOL*))
    NOT_IMPLEMENTED(put_UnicastResponsesToMulticastBroadcastDisabled, (VARIANT_BOOL))
    NOT_IMPLEMENTED(get_RemoteAdminSettings, (INetFwRemoteAdminSettings**))
    NOT_IMPLEMENTED(get_IcmpSettings, (INetFwIcmpSettings**))
    NOT_IMPLEMENTED(get_GloballyOpenPorts, (INetFwOpenPorts**))
    NOT_IMPLEMENTED(get_Services, (INetFwServices**))
    NOT_IMPLEMENTED(get_Count, (LONG*))
    NOT_IMPLEMENTED(Add, (INetFwAuthorizedApplication*))
    NOT_IMPLEMENTED(Item, (BSTR, INetFwAuthorizedApplication**))
    NOT_IMPLEMENTED(get__NewEnum, (IUnknown**))

  private:
    template <typename T> HRESULT Hand(const wchar_t* call, T* face, T** out) {
        *out = nullptr;
        const HRESULT result = Planned(call);
        if (SUCCEEDED(result)) {
            *out = face;
            AddRef();
        }
        return result;
    }

    LONG references = 1;
};

class Factory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid != __uuidof(IUnknown) && iid != __uuidof(IClassFactory)) {
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        const HRESULT planned = Planned(L"CoCreateInstance");
        if (FAILED(planned) || outer != nullptr) {
            return FAILED(planned) ? planned : CLASS_E_NOAGGREGATION;
        }
        FirewallObject* created = new FirewallObject();
        const HRESULT result = created->QueryInterface(iid, object);
        created->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? InterlockedIncrement(&LiveObjects) : InterlockedDecrement(&LiveObjects);
        return S_OK;
    }
};

Factory TheFactory;

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    *object = nullptr;
    if (clsid != __uuidof(NetFwMgr)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return TheFactory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return LiveObjects == 0 ? S_OK : S_FALSE; }
