// The service tool's command line: option pairs into ServiceToolOptions, and the tool's log
// name and error-code lines.
#include "service.h"

#include "crt.h"
#include "log.h"

const wchar_t ToolLogName[] = L"vqsvc";

SERVICE_TOOL_OPTIONS ServiceToolOptions;

namespace {

struct OptionField {
    const wchar_t* option;
    wchar_t* field;
    size_t chars;
};

// A value replaces the field's earlier value whole. One that does not fit is refused rather
// than cut, so that nothing acts on a shortened name or path.
bool StoreOptionValue(const OptionField& target, const wchar_t* value) {
    if (wcslen(value) >= target.chars) {
        return false;
    }
    ZeroMemory(target.field, target.chars * sizeof(wchar_t));
    _snwprintf_s(target.field, target.chars, _TRUNCATE, L"%s", value);
    return true;
}

} // namespace

bool FormServiceLogName(wchar_t (&logName)[SvcLogNameChars]) {
    const wchar_t* name = ServiceToolOptions.SvcName;
    const int written =
        name[0] != L'\0' ? _snwprintf_s(logName, _countof(logName), _TRUNCATE, L"vqsvc_%s", name)
                         : _snwprintf_s(logName, _countof(logName), _TRUNCATE, L"%s", ToolLogName);
    return written >= 0;
}

int ParseServiceOptions() {
    SERVICE_TOOL_OPTIONS& options = ServiceToolOptions;
    const OptionField fields[] = {
        {L"-s", options.SvcName, _countof(options.SvcName)},
        {L"-d", options.SvcDisplayName, _countof(options.SvcDisplayName)},
        {L"-i", options.SvcDescription, _countof(options.SvcDescription)},
        {L"-p", options.SvcProgramPath, _countof(options.SvcProgramPath)},
        {L"-t", options.SvcCommand, _countof(options.SvcCommand)},
        {L"-c", options.SvcDependencies, _countof(options.SvcDependencies)},
        {L"-error", options.SvcErrorMode, _countof(options.SvcErrorMode)},
    };
    const int count = ArgumentCount();
    for (int i = 1; i < count; i += 2) {
        const OptionField* match = nullptr;
        for (const OptionField& field : fields) {
            if (wcscmp(Argument(i), field.option) == 0) {
                match = &field;
                break;
            }
        }
        // An option in the last place has no value element: it gives an empty value.
        const wchar_t* value = i + 1 < count ? Argument(i + 1) : L"";
        if (match == nullptr || !StoreOptionValue(*match, value)) {
            LogSpacedErrorCode(SvcStepUnknownOption);
            return 0;
        }
    }
    // A name too long for the log name would give a log file under a shortened name.
    wchar_t logName[SvcLogNameChars];
    if (options.SvcName[0] == L'\0' || !FormServiceLogName(logName)) {
        LogSpacedErrorCode(SvcStepNoName);
        return 0;
    }
    if (wcscmp(options.SvcCommand, L"install") == 0 &&
        (options.SvcDisplayName[0] == L'\0' || options.SvcProgramPath[0] == L'\0')) {
        LogSpacedErrorCode(SvcStepInstallIncomplete);
        return 0;
    }
    return 1;
}
