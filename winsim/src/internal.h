// Shared machinery of the stand-in's parts: call logging and fault injection, resource
// tracking, reset steps, and text helpers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace winsim {

struct Fault {
    std::intptr_t result;
    DWORD lastError;
};

// Records a call of a stand-in function; returns the fault armed for it, if any.
const Fault* EnterCall(const char* function);

template <class T> T FaultResult(const Fault& fault) {
    ::SetLastError(fault.lastError);
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(fault.result);
    } else {
        return static_cast<T>(fault.result);
    }
}

// Every stand-in function of the facade starts with one of these.
#define WINSIM_CALL(ReturnType)                                                                    \
    if (const ::winsim::Fault* winsimFault = ::winsim::EnterCall(__func__))                        \
    return ::winsim::FaultResult<ReturnType>(*winsimFault)
#define WINSIM_CALL_VOID() (void)::winsim::EnterCall(__func__)

// Resource tracking behind LiveCount.
void Acquire(const char* kind, const void* resource);
bool Release(const char* kind, const void* resource);
bool IsLive(const char* kind, const void* resource);

// A reset step of one part of the stand-in, registered by a static object in its file.
struct ResetStep {
    explicit ResetStep(void (*step)());
};

// The local heap without logging (for memory that stand-in functions hand out).
HLOCAL AllocLocal(SIZE_T bytes);

// The virtual clock, in milliseconds since 1970.
std::int64_t NowMilliseconds();

// Text helpers.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
bool EqualNoCase(const std::wstring& first, const std::wstring& second);
struct NoCaseLess {
    bool operator()(const std::wstring& first, const std::wstring& second) const;
};

// Maps a Windows path ("C:\\a\\b", relative to C:\\ when it has no drive) to its place in the
// sandbox, matching existing names without regard to case. Empty when the path is unusable.
std::string MapPath(const wchar_t* windowsPath);

// Creates every missing folder of a Windows path (for setting up the simulated machine).
void MakeFolders(const std::wstring& windowsPath);

// Security helpers shared with the registry.
std::vector<BYTE> DefaultKeyDacl();
bool DescriptorDacl(PSECURITY_DESCRIPTOR descriptor, bool* present, PACL* dacl);
DWORD AclBytes(const ACL* acl);

} // namespace winsim
