// Building access-control lists from explicit-access entries.
#pragma once

#include <accctrl.h>

DWORD WINAPI SetEntriesInAclW(ULONG count, PEXPLICIT_ACCESS_W entries, PACL oldAcl, PACL* newAcl);
