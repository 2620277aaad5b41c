// vqzubstart6: a copy of the shipped program run with the vqzubkit double in "Mub\" beside it.
// The double returns the number its component name begins with and records its load, every call
// and every FreeLibrary in the file named by VQZUBKIT_RECORD.
#include <gtest/gtest.h>

#include "wintest.h"

namespace {

const std::wstring kFolder = L"C:\\velmar-tests\\zubstart";
const std::wstring kRecord = kFolder + L"\\record.txt";

enum Kit { NoKit, BareKit, FullKit };

struct Outcome {
    DWORD exitCode;
    std::string record;
    std::vector<std::string> lines; // the tool's own lines of the default log; none: no log
};

Outcome RunLauncher(Kit kit, const std::vector<std::wstring>& arguments) {
    CreateDirectoryW(L"C:\\velmar-tests", nullptr);
    CreateDirectoryW(kFolder.c_str(), nullptr);
    CreateDirectoryW((kFolder + L"\\Mub").c_str(), nullptr);
    CopyFileW((DistDir() + L"\\vqzubstart6.exe").c_str(), (kFolder + L"\\vqzubstart6.exe").c_str(),
              FALSE);
    const std::wstring kitDll = kFolder + L"\\Mub\\vqzubkit.dll";
    DeleteIfPresent(kitDll);
    if (kit != NoKit) {
        CopyFileW((BuildDir() + L"\\testing\\doubles\\vqzubkit" +
                   (kit == BareKit ? L"\\bare" : L"") + L"\\vqzubkit.dll")
                      .c_str(),
                  kitDll.c_str(), FALSE);
    }
    DeleteIfPresent(kRecord);
    DeleteIfPresent(LogFilePath(L"vqzublog"));
    SetEnvironmentVariableW(L"VQZUBKIT_RECORD", kRecord.c_str());
    Outcome outcome = {
        RunProgram(kFolder + L"\\vqzubstart6.exe", arguments), ReadFileBytes(kRecord), {}};
    const std::vector<std::string> log = SplitCrLf(ReadFileBytes(LogFilePath(L"vqzublog")));
    if (log.size() >= 8) { // start, empty, three system lines ... empty, stop, empty
        outcome.lines.assign(log.begin() + 5, log.end() - 3);
    }
    return outcome;
}

void ExpectOutcome(const Outcome& expected, const Outcome& actual) {
    EXPECT_EQ(expected.exitCode, actual.exitCode);
    EXPECT_EQ(expected.record, actual.record);
    EXPECT_EQ(expected.lines, actual.lines);
}

TEST(ZubStart, ExportResultChoosesExitCodeAndLog) {
    struct Case {
        std::vector<std::wstring> arguments;
        Outcome expected;
    } cases[] = {
        {{L"-n", L"0", L"-i"}, {0, "loaded\n1 0\nfreed\n", {}}},
        {{L"-n", L"1", L"-i"}, {1641, "loaded\n1 1\nfreed\n", {}}},
        {{L"-n", L"2", L"-i"}, {1641, "loaded\n1 2\nfreed\n", {"ERROR CODE:2"}}},
        {{L"-n", L"-7", L"-u"}, {1641, "loaded\n2 -7\nfreed\n", {"ERROR CODE:-7"}}},
        {{L"-n", L"2", L"-i", L"-error", L"ERROR_SUCCESS"},
         {0, "loaded\n1 2\nfreed\n", {"ERROR CODE:2"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.record);
        ExpectOutcome(c.expected, RunLauncher(FullKit, c.arguments));
    }
}

TEST(ZubStart, CommandLineGivesNameAndMode) {
    // The replaced character is the Western code page's default; the prefix runs in that one.
    ASSERT_EQ(1252u, GetACP());
    struct Case {
        std::vector<std::wstring> arguments;
        Outcome expected;
    } cases[] = {
        {{L"-u", L"-n", L"K\u00e9\u3042"}, {0, "loaded\n2 K\xe9?\nfreed\n", {}}},
        {{L"-u", L"-n", L"K", L"-i"}, {0, "loaded\n1 K\nfreed\n", {}}},
        // "-I" and "-U" are no mode: the library is not even loaded.
        {{L"-n", L"K", L"-I", L"-U"}, {1641, "", {"ERROR CODE:101"}}},
        {{L"-i", L"-n"}, {1641, "", {"ERROR CODE:101"}}},
        {{L"-n", L"", L"-i"}, {1641, "", {"ERROR CODE:101"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.record);
        ExpectOutcome(c.expected, RunLauncher(FullKit, c.arguments));
    }
}

TEST(ZubStart, MissingLibraryOrExportLeavesTheSystemError) {
    const std::vector<std::wstring> arguments = {L"-n", L"0", L"-i", L"-error",
                                                 L"ERROR_INSTALL_FAILURE"};
    // ERROR_MOD_NOT_FOUND; ERROR_PROC_NOT_FOUND, and the library freed all the same.
    ExpectOutcome({1603, "", {"ERROR CODE:104 (0X7E)"}}, RunLauncher(NoKit, arguments));
    ExpectOutcome({1603, "loaded\nfreed\n", {"ERROR CODE:105 (0X7F)"}},
                  RunLauncher(BareKit, arguments));
}

TEST(ZubStart, ProgramProperties) {
    ExpectToolBinary(DistDir() + L"\\vqzubstart6.exe", IMAGE_FILE_MACHINE_AMD64, "VQZUBLOG",
                     L"VQZUBSTART6");
}

} // namespace
