// The program folder, the settings path, existence tests and shell-folder lookup.
#include "cleanup.h"

#include <shlobj.h>

#include <cstdarg>

#include "crt.h"

wchar_t SettingsIniPath[CleanupPathChars];

bool FormatFitted(wchar_t* buffer, size_t chars, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = _vsnwprintf_s(buffer, chars, _TRUNCATE, format, args);
    va_end(args);
    return written >= 0;
}
