#include <gtest/gtest.h>
#include <winsim/control.h>

#include <shlobj.h>

#include "log.h"
#include "logtest.h"

const wchar_t ToolLogName[] = L"frametool";

namespace {

const std::string kStart = "=== Logging started: 2026/03/14 15:09:26.535 ===\r\n\r\n";
const std::string kSystem = "OS Version:6.2\r\nArchitecture:9\r\nLangID:409\r\n";
const std::string kStopAt536 = "\r\n=== Logging stopped: 2026/03/14 15:09:26.536 ===\r\n\r\n";

class LogTest : public testing::Test {
  protected:
    void SetUp() override { ClearPendingLog(); }
};

TEST_F(LogTest, FailedRunWritesTheWholeSectionInCrLf) {
    LogStart();
    LogPrintf(L"step %s failed with %d", L"copy", 7);
    LogPrintf(L"second line");
    winsim::AdvanceClock(1);
    EXPECT_EQ(1, LogFlush(L"framelog"));
    EXPECT_EQ(kStart + kSystem + "step copy failed with 7\r\nsecond line\r\n" + kStopAt536,
              ReadLog(L"framelog"));
}

TEST_F(LogTest, SystemLinesFollowTheSystemSettings) {
    struct Case {
        bool versionAvailable;
        WORD architecture;
        LANGID language;
        std::string lines;
    } cases[] = {
        {true, PROCESSOR_ARCHITECTURE_AMD64, 0x0409, kSystem},
        {false, PROCESSOR_ARCHITECTURE_AMD64, 0x0409, "Architecture:9\r\nLangID:409\r\n"},
        {true, PROCESSOR_ARCHITECTURE_INTEL, 0x0411,
         "OS Version:6.2\r\nArchitecture:0\r\nLangID:411\r\n"},
        {true, PROCESSOR_ARCHITECTURE_ARM64, 0x0C0A,
         "OS Version:6.2\r\nArchitecture:12\r\nLangID:c0a\r\n"},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        ClearPendingLog();
        winsim::SetVersion(c.versionAvailable, 6, 2);
        winsim::SetNativeArchitecture(c.architecture);
        winsim::SetSystemDefaultLangID(c.language);
        LogStart();
        winsim::AdvanceClock(1);
        LogFlush(L"framelog");
        EXPECT_EQ(kStart + c.lines + kStopAt536, ReadLog(L"framelog")) << c.lines;
    }
}

TEST_F(LogTest, TimeStampsUseLocalTimeWithMilliseconds) {
    winsim::SetClock(946684799, 7); // 1999-12-31 23:59:59.007
    LogStart();
    winsim::SetClock(1262304000, 999); // 2010-01-01 00:00:00.999
    LogFlush(L"framelog");
    const std::vector<std::string> lines = SplitCrLf(ReadLog(L"framelog"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("=== Logging started: 1999/12/31 23:59:59.007 ===", lines.front());
    EXPECT_EQ("=== Logging stopped: 2010/01/01 00:00:00.999 ===", lines[lines.size() - 2]);
}

TEST_F(LogTest, SecondRunAppendsAfterTheFirst) {
    winsim::WriteFileBytes(LogFilePath(L"framelog"), "earlier run\r\n");
    LogStart();
    winsim::AdvanceClock(1);
    LogFlush(L"framelog");
    EXPECT_EQ("earlier run\r\n" + kStart + kSystem + kStopAt536, ReadLog(L"framelog"));
}

TEST_F(LogTest, FlagZeroWritesNothingAndMakesNoFolder) {
    LogStart();
    EXPECT_EQ(1, LogFlush(0, L"framelog"));
    EXPECT_EQ(1, LogFlush(0));
    EXPECT_EQ(1u, PendingLogLines.size()); // no stop line was added
    EXPECT_FALSE(winsim::FileExists(L"C:\\Users\\tester\\AppData\\Roaming\\Velmar"));
}

TEST_F(LogTest, FlushFormsChooseTheirName) {
    struct Case {
        int (*flush)();
        std::wstring file;
    } cases[] = {
        {[] { return LogFlush(L""); }, L"err_logmgr"},
        {[] { return LogFlush(1641, L""); }, L"err_logmgr"},
        {[] { return LogFlush(1641, L"named"); }, L"named"},
        {[] { return LogFlush(1641); }, L"frametool"},
        // A name holding a path element would write outside the log folder.
        {[] { return LogFlush(L"..\\up"); }, L"err_logmgr"},
        {[] { return LogFlush(1641, L"a/b"); }, L"err_logmgr"},
        {[] { return LogFlush(L"C:x"); }, L"err_logmgr"},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        ClearPendingLog();
        LogStart();
        EXPECT_EQ(1, c.flush());
        EXPECT_TRUE(winsim::FileExists(LogFilePath(c.file))) << winsim::ToUtf8(c.file);
    }
}

TEST_F(LogTest, TextIsConvertedByteForByteOrNotAtAll) {
    std::wstring latin;
    std::string latinBytes;
    for (wchar_t c = 0xA0; c <= 0xFF; ++c) {
        latin += c;
        latinBytes += static_cast<char>(c);
    }
    LogPrintf(L"%s", latin.c_str());
    LogPrintf(L"kana \x3042 here");
    LogPrintf(L"");
    ASSERT_EQ(3u, PendingLogLines.size());
    EXPECT_EQ(latinBytes, PendingLogLines.front());
    EXPECT_EQ("", *std::next(PendingLogLines.begin()));
    EXPECT_EQ("", PendingLogLines.back());
}

TEST_F(LogTest, OverlongMessageIsCutAndNullFormatIsRefused) {
    const std::wstring longText(3000, L'x');
    EXPECT_EQ(1, LogPrintf(L"%s", longText.c_str()));
    EXPECT_EQ(0, LogPrintf(nullptr));
    ASSERT_EQ(1u, PendingLogLines.size());
    EXPECT_EQ(std::string(1023, 'x'), PendingLogLines.front());
}

// Each way the flush can fail: its result, and whether the stop line was added first.
TEST_F(LogTest, FlushFailuresWriteNothing) {
    struct Case {
        const char* what;
        void (*arrange)();
        std::wstring name;
        bool stopLineAdded;
    } cases[] = {
        {"no application-data folder", [] { winsim::SetShellFolder(CSIDL_APPDATA, L""); },
         L"framelog", false},
        {"log folder cannot be made",
         [] { winsim::FailCall("CreateDirectoryW", 1, FALSE, ERROR_ACCESS_DENIED); }, L"framelog",
         false},
        {"folder path too long",
         [] { winsim::SetShellFolder(CSIDL_APPDATA, L"C:\\" + std::wstring(252, L'a')); },
         L"framelog", false},
        {"file path too long", [] {}, std::wstring(230, L'n'), false},
        {"file cannot be opened", [] { winsim::FailCall("_wfsopen", 1, 0, ERROR_ACCESS_DENIED); },
         L"framelog", true},
        {"a file holds the folder's name",
         [] { winsim::WriteFileBytes(L"C:\\Users\\tester\\AppData\\Roaming\\Velmar", "x"); },
         L"framelog", true},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        ClearPendingLog();
        LogStart();
        c.arrange();
        EXPECT_EQ(0, LogFlush(c.name.c_str())) << c.what;
        EXPECT_EQ(c.stopLineAdded ? 2u : 1u, PendingLogLines.size()) << c.what;
        EXPECT_FALSE(winsim::FileExists(LogFilePath(c.name))) << c.what;
        EXPECT_EQ(0, winsim::LiveCount("file")) << c.what;
    }
}

TEST_F(LogTest, FolderIsMadeOneLevelDeepOnlyWhenMissing) {
    wchar_t folder[LogPathChars];
    EXPECT_TRUE(GetLogFolder(folder));
    EXPECT_STREQ(L"C:\\Users\\tester\\AppData\\Roaming\\Velmar", folder);
    EXPECT_EQ(1u, winsim::CallCount("CreateDirectoryW"));
    EXPECT_TRUE(GetLogFolder(folder));
    EXPECT_EQ(1u, winsim::CallCount("CreateDirectoryW"));

    winsim::SetShellFolder(CSIDL_APPDATA, L"C:\\Users\\other\\Roaming");
    winsim::FailCall("SHGetFolderPathW", 1, S_OK, 0); // reports success but fills nothing
    EXPECT_FALSE(GetLogFolder(folder));
}

} // namespace
