// vqservice6: installs, removes, starts or stops one Windows service, as the installer's
// command line says.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include "options.h"

// Field sizes in wide characters, terminator included.
enum : size_t { SvcFieldChars = 512, SvcCommandChars = 10, SvcLogNameChars = 256 };

// The option values, each filled only by ParseServiceOptions.
struct SERVICE_TOOL_OPTIONS {
    wchar_t SvcName[SvcFieldChars];         // "-s"
    wchar_t SvcDisplayName[SvcFieldChars];  // "-d"
    wchar_t SvcDescription[SvcFieldChars];  // "-i"
    wchar_t SvcProgramPath[SvcFieldChars];  // "-p"
    wchar_t SvcCommand[SvcCommandChars];    // "-t"
    wchar_t SvcDependencies[SvcFieldChars]; // "-c": one name
    wchar_t SvcErrorMode[SvcFieldChars];    // "-error"
};

extern SERVICE_TOOL_OPTIONS ServiceToolOptions;

// Step codes; the thousands digit names the stage.
enum ServiceStepCode {
    SvcStepUnknownOption = 1001,
    SvcStepNoName = 1002,
    SvcStepInstallIncomplete = 1003,
    SvcStepUnknownCommand = 1004,
    SvcStepNoExtension = 2001,
    SvcStepNotExe = 2002,
    SvcStepProgramMissing = 2003,
    SvcStepCreate = 2004,
    SvcStepAlreadyExists = 2005,
    SvcStepCreateManager = 2006,
    SvcStepDelete = 3001,
    SvcStepDeleteOpen = 3002,
    SvcStepDeleteManager = 3003,
    SvcStepStartQuery = 4001,
    SvcStepStartTimeout = 4002,
    SvcStepStartOpen = 4003,
    SvcStepStartManager = 4004,
    SvcStepStopQuery = 5001,
    SvcStepStopTimeout = 5002,
    SvcStepStopOpen = 5003,
    SvcStepStopManager = 5004,
};

// The waits for a state: a status query per poll and a pause after each that does not end it.
enum : DWORD { SvcWaitPolls = 30, SvcPollPauseMilliseconds = 1000 };

// The command as a whole: returns the process exit code (0, 1603 or 1641).
int RunServiceCommand();
// 1 when the options can be used, 0 after logging 1001, 1002 or 1003.
int ParseServiceOptions();
// Forms "vqsvc_<name>" (or "vqsvc" without a name); false when it does not fit.
bool FormServiceLogName(wchar_t (&logName)[SvcLogNameChars]);

// Each returns 0 or 1641 and has logged its one step-code line when it returns 1641.
int CheckServiceBinary();
int CreateServiceEntry();
int DeleteServiceEntry();
int StartServiceAndWait();
int StopServiceAndWait();
// False only when the manager reports that no service of that name exists.
bool IsServicePresent();
