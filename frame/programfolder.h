// The folder of the running program, for the tools that open or load files from beside it.
#pragma once

#include <windows.h>

#include <string>

// Fills `folder` (of `chars` characters) with the program's folder and its trailing backslash;
// empty when the program path cannot be had. False when the program path did not fit: the
// folder is then empty too, and nothing may be built on it (a cut path names another folder).
bool ReadProgramFolder(wchar_t* folder, DWORD chars);

// The program's folder in 260 characters; empty when it cannot be had or did not fit (the
// caller must then not load anything by a name relative to it).
std::wstring GetProgramFolder();
