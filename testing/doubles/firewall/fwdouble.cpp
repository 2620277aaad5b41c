// Firewall-manager double: an in-process server of the NetFwMgr class over the state that
// fwdouble.h describes. Its static faces are the class factory and the manager, policy, profile
// and authorized-applications interfaces, each with a method table of its own that answers
// IUnknown and the face's one call of the removal chain; every other method is E_NOTIMPL.
#include <windows.h>

#include <netfw.h>

#include <algorithm>

#include "fwdouble.h"

namespace {

// The faces in the order the chain reaches them: each one's interface, the slot of its call
// after those of IUnknown (and IDispatch), and the call's name in "FailAt".
enum { Factory, Manager, Policy, Profile, Applications, Faces, Slots = 21 };
const IID* const Interface[Faces] = {&IID_IClassFactory, &__uuidof(INetFwMgr),
                                     &__uuidof(INetFwPolicy), &__uuidof(INetFwProfile),
                                     &__uuidof(INetFwAuthorizedApplications)};
const int CallSlot[Faces] = {3, 7, 7, 20, 9};
const wchar_t* const CallName[Faces] = {L"CoCreateInstance", L"get_LocalPolicy",
                                        L"get_CurrentProfile", L"get_AuthorizedApplications",
                                        L"Remove"};

// What an interface pointer points at: its method table.
struct Face {
    void* const* table;
};
void* Tables[Faces][Slots];
Face TheFaces[Faces];
// The references held: one released too often shows as much as one kept.
LONG Held = 0;

// What "FailAt" plans for the call of `face`, once; else S_OK.
HRESULT Planned(const Face* face) {
    const std::vector<std::wstring> plan = FwDoubleReadList(L"FailAt");
    if (plan.size() != 2 || plan[0] != CallName[face - TheFaces]) {
        return S_OK;
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailAt");
    return static_cast<HRESULT>(wcstoul(plan[1].c_str(), nullptr, 10));
}

// Every other method: on x64 the caller owns its arguments, so one body serves them all.
HRESULT STDMETHODCALLTYPE NotImplemented() { return E_NOTIMPL; }
ULONG STDMETHODCALLTYPE AddRef(Face*) { return InterlockedIncrement(&Held); }
ULONG STDMETHODCALLTYPE Release(Face*) { return InterlockedDecrement(&Held); }

HRESULT STDMETHODCALLTYPE Query(Face* face, REFIID iid, void** out) {
    const bool known = iid == IID_IUnknown || iid == *Interface[face - TheFaces];
    *out = known ? face : nullptr;
    if (known) {
        AddRef(face);
    }
    return known ? S_OK : E_NOINTERFACE;
}

// Hands out the next face. A failed call leaves it in `out` too, uncounted: a caller that
// trusted it would go on to remove, or release what it does not hold.
HRESULT STDMETHODCALLTYPE Next(Face* face, Face** out) {
    const HRESULT result = Planned(face);
    *out = face + 1;
    if (SUCCEEDED(result)) {
        AddRef(face);
    }
    return result;
}

HRESULT STDMETHODCALLTYPE CreateInstance(Face* face, IUnknown*, REFIID iid, void** out) {
    const HRESULT result = Planned(face);
    *out = nullptr;
    return SUCCEEDED(result) ? Query(face + 1, iid, out) : result;
}

// An application that is not listed is no error: every call is recorded.
HRESULT STDMETHODCALLTYPE Remove(Face* face, BSTR path) {
    const HRESULT result = Planned(face);
    if (SUCCEEDED(result)) {
        std::wstring removed;
        for (const std::wstring& item : FwDoubleReadList(L"Removed")) {
            removed += item + L'\0';
        }
        FwDoubleWrite(L"Removed", removed + path + L'\0', REG_MULTI_SZ);
    }
    return result;
}

template <typename Method> void* Slot(Method* method) { return reinterpret_cast<void*>(method); }

[[maybe_unused]] const bool Filled = [] {
    void* const calls[Faces] = {Slot(CreateInstance), Slot(Next), Slot(Next), Slot(Next),
                                Slot(Remove)};
    for (int face = 0; face < Faces; ++face) {
        std::fill(Tables[face], Tables[face] + Slots, Slot(NotImplemented));
        Tables[face][0] = Slot(Query);
        Tables[face][1] = Slot(AddRef);
        Tables[face][2] = Slot(Release);
        Tables[face][CallSlot[face]] = calls[face];
        TheFaces[face].table = Tables[face];
    }
    return true;
}();

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    *object = nullptr;
    return clsid == __uuidof(NetFwMgr) ? Query(&TheFaces[Factory], iid, object)
                                       : CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return Held == 0 ? S_OK : S_FALSE; }
