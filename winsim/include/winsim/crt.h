// The Windows C run-time pieces of the host stand-in: bounded formatting in which "%s" takes
// wide text in the wide functions (as the Windows run-time reads it), wcstombs_s in the
// classic locale, the 64-bit clocks, _wfsopen with text mode and the argument vector.
#pragma once

#include <windef.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cwchar>

typedef int errno_t;
typedef long long __time64_t;

struct __timeb64 {
    __time64_t time;
    unsigned short millitm;
    short timezone;
    short dstflag;
};

#define _TRUNCATE ((size_t)-1)
#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

#ifndef _countof
#define _countof(a) (sizeof(a) / sizeof((a)[0]))
#endif

extern int __argc;
extern wchar_t** __wargv;

// Wide formatting: %s and %c take wide text, %S, %hs and %hc narrow, %ls and %lc wide.
int swprintf_s(wchar_t* buffer, size_t count, const wchar_t* format, ...);
int vswprintf_s(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);
int _snwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format, ...);
int _vsnwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format, va_list args);

// Narrow formatting.
int sprintf_s(char* buffer, size_t count, const char* format, ...);
int _snprintf_s(char* buffer, size_t size, size_t count, const char* format, ...);
int _vsnprintf_s(char* buffer, size_t size, size_t count, const char* format, va_list args);

// Bounded copies.
errno_t strcpy_s(char* destination, size_t size, const char* source);
errno_t strncpy_s(char* destination, size_t size, const char* source, size_t count);
errno_t strcat_s(char* destination, size_t size, const char* source);
errno_t wcscpy_s(wchar_t* destination, size_t size, const wchar_t* source);
errno_t wcsncpy_s(wchar_t* destination, size_t size, const wchar_t* source, size_t count);
errno_t wcscat_s(wchar_t* destination, size_t size, const wchar_t* source);

// Conversion in the classic locale: U+0001..U+00FF map to the byte of the same value.
errno_t wcstombs_s(size_t* converted, char* destination, size_t size, const wchar_t* source,
                   size_t count);

// Clocks, read from the stand-in's virtual clock.
__time64_t _time64(__time64_t* result);
errno_t _localtime64_s(struct tm* result, const __time64_t* time);
errno_t _ftime64_s(struct __timeb64* result);

// Files: Windows paths in the sandbox; text mode writes "\n" as CR LF and reads CR LF as "\n".
FILE* _wfsopen(const wchar_t* path, const wchar_t* mode, int share);
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
