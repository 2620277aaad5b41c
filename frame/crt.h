// Run-time library pieces whose home header differs between the Windows C run-time and the
// host stand-in: bounded formatting, wcstombs_s, the 64-bit clocks, _wfsopen and the argument
// vector.
#pragma once

#ifdef _WIN32
#include <share.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/timeb.h>
#include <time.h>
#include <wchar.h>
#else
#include <winsim/crt.h>
#endif
