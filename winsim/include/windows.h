// The Win32 facade of the host stand-in. Each API family lives in the header of its usual name.
#pragma once

#include <windef.h>
#include <winerror.h>
#include <winnt.h>
#include <winbase.h>
#include <libloaderapi.h>
#include <winreg.h>
#include <winsvc.h>
