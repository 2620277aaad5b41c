// vqregacl6: gives the Everyone group full control of one key below HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

int RunRegKeyAcl();
bool GrantEveryoneKeyAccess(HKEY& root, const wchar_t* subKey);
