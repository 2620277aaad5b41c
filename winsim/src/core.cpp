#include <winsim/control.h>
#include <winsim/crt.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "internal.h"

int __argc = 0;
wchar_t** __wargv = nullptr;

namespace winsim {
namespace {

thread_local DWORD g_lastError = 0;

struct ArmedFault {
    unsigned callNumber; // 0: every call
    Fault fault;
};

struct CallState {
    std::map<std::string, unsigned> counts;
    std::vector<std::string> log;
    std::multimap<std::string, ArmedFault> faults;
    std::map<std::string, std::map<const void*, int>> resources;
};

CallState& Calls() {
    static CallState state;
    return state;
}

std::vector<void (*)()>& ResetSteps() {
    static std::vector<void (*)()> steps;
    return steps;
}

struct ArgumentStore {
    std::vector<std::wstring> texts;
    std::vector<wchar_t*> pointers;
};

ArgumentStore& Arguments() {
    static ArgumentStore store;
    return store;
}

} // namespace

ResetStep::ResetStep(void (*step)()) { ResetSteps().push_back(step); }

const Fault* EnterCall(const char* function) {
    CallState& calls = Calls();
    const unsigned number = ++calls.counts[function];
    calls.log.emplace_back(function);
    auto range = calls.faults.equal_range(function);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.callNumber == 0 || it->second.callNumber == number) {
            return &it->second.fault;
        }
    }
    return nullptr;
}

void Acquire(const char* kind, const void* resource) { ++Calls().resources[kind][resource]; }

bool Release(const char* kind, const void* resource) {
    auto& live = Calls().resources[kind];
    auto it = live.find(resource);
    if (it == live.end()) {
        return false;
    }
    if (--it->second == 0) {
        live.erase(it);
    }
    return true;
}

bool IsLive(const char* kind, const void* resource) {
    const auto& live = Calls().resources[kind];
    return live.find(resource) != live.end();
}

void Reset() {
    CallState& calls = Calls();
    calls.counts.clear();
    calls.log.clear();
    calls.faults.clear();
    calls.resources.clear();
    g_lastError = 0;
    SetArguments({L"C:\\Program Files\\Velmar\\tool.exe"});
    for (void (*step)() : ResetSteps()) {
        step();
    }
}

void SetArguments(std::initializer_list<const wchar_t*> arguments) {
    std::vector<std::wstring> texts;
    for (const wchar_t* argument : arguments) {
        texts.emplace_back(argument);
    }
    SetArguments(texts);
}

void SetArguments(const std::vector<std::wstring>& arguments) {
    ArgumentStore& store = Arguments();
    store.texts = arguments;
    store.pointers.clear();
    for (std::wstring& text : store.texts) {
        store.pointers.push_back(text.data());
    }
    store.pointers.push_back(nullptr);
    __argc = static_cast<int>(store.texts.size());
    __wargv = store.pointers.data();
}

void FailCall(const char* function, unsigned nth, std::intptr_t result, DWORD lastError) {
    CallState& calls = Calls();
    const unsigned number = nth == 0 ? 0 : calls.counts[function] + nth;
    calls.faults.emplace(function, ArmedFault{number, Fault{result, lastError}});
}

void ClearFaults() { Calls().faults.clear(); }

const std::vector<std::string>& CallLog() { return Calls().log; }

void ClearCallLog() { Calls().log.clear(); }

unsigned CallCount(const char* function) {
    const auto& counts = Calls().counts;
    auto it = counts.find(function);
    return it == counts.end() ? 0 : it->second;
}

int LiveCount(const char* kind) {
    int total = 0;
    for (const auto& entry : Calls().resources[kind]) {
        total += entry.second;
    }
    return total;
}

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    for (wchar_t wc : text) {
        const std::uint32_t c = static_cast<std::uint32_t>(wc);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::uint32_t c = lead;
        size_t extra = 0;
        if (lead >= 0xF0) {
            c = lead & 0x07;
            extra = 3;
        } else if (lead >= 0xE0) {
            c = lead & 0x0F;
            extra = 2;
        } else if (lead >= 0xC0) {
            c = lead & 0x1F;
            extra = 1;
        }
        ++i;
        for (size_t k = 0; k < extra && i < text.size(); ++k, ++i) {
            c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

static wchar_t FoldCase(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c; }

bool EqualNoCase(const std::wstring& first, const std::wstring& second) {
    if (first.size() != second.size()) {
        return false;
    }
    for (size_t i = 0; i < first.size(); ++i) {
        if (FoldCase(first[i]) != FoldCase(second[i])) {
            return false;
        }
    }
    return true;
}

bool NoCaseLess::operator()(const std::wstring& first, const std::wstring& second) const {
    const size_t count = first.size() < second.size() ? first.size() : second.size();
    for (size_t i = 0; i < count; ++i) {
        const wchar_t a = FoldCase(first[i]);
        const wchar_t b = FoldCase(second[i]);
        if (a != b) {
            return a < b;
        }
    }
    return first.size() < second.size();
}

} // namespace winsim

DWORD WINAPI GetLastError() { return winsim::g_lastError; }

void WINAPI SetLastError(DWORD error) { winsim::g_lastError = error; }
