// vqfileacl6: gives the Everyone group full control of one file or folder, inherited by
// everything below it.
#pragma once

#include <windows.h>

// Buffer sizes in wide characters, terminator included.
enum : size_t { FileAclPathChars = 516, FileAclAccountChars = 256 };

enum FileAclStepCode {
    FileAclStepCommandLine = 1001,
    FileAclStepEveryoneSid = 1002,
    FileAclStepAccountName = 1003,
    FileAclStepBuildAcl = 1004,
    FileAclStepSetDacl = 1005,
};

// The object to grant; empty until a "/p" pair is read.
extern wchar_t FileAclTargetPath[FileAclPathChars];

// The program's main body: always returns 0; a failure shows only in the log file.
int RunFileAcl();
// 1 when the command line is well formed (also when empty), 0 after logging 1001.
int ParsePathArgs();
// 0 when the DACL of FileAclTargetPath was set (or the object is missing), 1641 on failure.
int GrantEveryoneFileAccess();
// The local name of the Everyone identifier; logs 1003 on failure.
BOOL GetEveryoneAccountName(PSID everyone, wchar_t (&accountName)[FileAclAccountChars]);
// The new one-entry list: Everyone granted all file access, inherited by files and folders.
// Returns the status of SetEntriesInAclW; the caller frees the list with LocalFree.
DWORD BuildEveryoneFileAcl(wchar_t* accountName, PACL* newAcl);
