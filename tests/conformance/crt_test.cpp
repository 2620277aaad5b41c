// The run-time library behaviours the tools rely on: bounded wide formatting, conversion to
// single-byte text, and the text-mode append stream of the log.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cerrno>
#include <string>

#include "crt.h"

namespace {

TEST(CrtFormatting, WideFormattingReadsPercentSAsWideText) {
    wchar_t buffer[64];
    EXPECT_EQ(
        14, _snwprintf_s(buffer, _countof(buffer), _TRUNCATE, L"<%s|%d|0X%X>", L"ab", -7, 0xBEEFu));
    EXPECT_STREQ(L"<ab|-7|0XBEEF>", buffer);
    EXPECT_EQ(11, _snwprintf_s(buffer, _countof(buffer), _TRUNCATE, L"%02d/%03d/%d", 4, 7, 2026));
    EXPECT_STREQ(L"04/007/2026", buffer);
}

TEST(CrtFormatting, TruncatingFormatKeepsWhatFitsAndSaysSo) {
    wchar_t buffer[8];
    EXPECT_EQ(-1, _snwprintf_s(buffer, _countof(buffer), _TRUNCATE, L"%s", L"0123456789"));
    EXPECT_STREQ(L"0123456", buffer);
    EXPECT_EQ(7, _snwprintf_s(buffer, _countof(buffer), _TRUNCATE, L"%s", L"0123456"));
    EXPECT_STREQ(L"0123456", buffer);
}

TEST(CrtCopy, CountedCopyReadsNoFurtherThanItsCount) {
    const char unterminated[3] = {'a', 'b', 'c'};
    char copy[8];
    EXPECT_EQ(0, strncpy_s(copy, sizeof(copy), unterminated, 3));
    EXPECT_STREQ("abc", copy);
    EXPECT_EQ(0, strncpy_s(copy, sizeof(copy), "abcdef", 2));
    EXPECT_STREQ("ab", copy);
}

TEST(CrtConversion, ClassicLocaleMapsSingleByteCharactersAndRefusesOthers) {
    char narrow[16];
    size_t converted = 99;
    EXPECT_EQ(0, wcstombs_s(&converted, narrow, sizeof(narrow), L"A\xA0\xE9\xFF", _TRUNCATE));
    EXPECT_EQ(5u, converted);
    EXPECT_EQ(std::string("A\xA0\xE9\xFF"), std::string(narrow));

    narrow[0] = 'x';
    EXPECT_EQ(EILSEQ, wcstombs_s(&converted, narrow, sizeof(narrow), L"a\x3042z", _TRUNCATE));
    EXPECT_EQ('\0', narrow[0]);
}

class CrtFileTest : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t appData[MAX_PATH] = {};
        ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData));
        folder_ = std::wstring(appData) + L"\\VelmarConformance";
        CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = folder_ + L"\\stream.log";
        DeleteFileW(path_.c_str());
    }
    void TearDown() override {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::string ReadAll() {
        FILE* file = _wfsopen(path_.c_str(), L"rb", _SH_DENYNO);
        std::string bytes;
        if (file != nullptr) {
            char buffer[256];
            size_t read = 0;
            while ((read = fread(buffer, 1, sizeof(buffer), file)) != 0) {
                bytes.append(buffer, read);
            }
            fclose(file);
        }
        return bytes;
    }
    std::wstring folder_;
    std::wstring path_;
};

TEST_F(CrtFileTest, TextAppendStreamWritesCrLfAndNeverTruncates) {
    FILE* first = _wfsopen(path_.c_str(), L"a+t", _SH_DENYNO);
    ASSERT_NE(nullptr, first);
    fputs("one\n\ntwo\n", first);
    // Deny-none: another reader sees the file while it is open.
    fflush(first);
    EXPECT_EQ("one\r\n\r\ntwo\r\n", ReadAll());
    EXPECT_EQ(0, fclose(first));

    FILE* second = _wfsopen(path_.c_str(), L"a+t", _SH_DENYNO);
    ASSERT_NE(nullptr, second);
    fwrite("three\n", 1, 6, second);
    EXPECT_EQ(0, fflush(second));
    EXPECT_EQ(0, fclose(second));
    EXPECT_EQ("one\r\n\r\ntwo\r\nthree\r\n", ReadAll());
}

TEST_F(CrtFileTest, OpeningInAMissingFolderFails) {
    const std::wstring missing = folder_ + L"\\absent\\file.log";
    EXPECT_EQ(nullptr, _wfsopen(missing.c_str(), L"a+t", _SH_DENYNO));
}

TEST(CrtClock, SecondsAndMillisecondsAreConsistent) {
    __time64_t stored = 0;
    const __time64_t now = _time64(&stored);
    EXPECT_EQ(now, stored);
    EXPECT_GT(now, 1577836800); // after 2020
    struct tm local = {};
    EXPECT_EQ(0, _localtime64_s(&local, &now));
    EXPECT_GE(local.tm_year + 1900, 2020);
    EXPECT_GE(local.tm_mon, 0);
    EXPECT_LE(local.tm_mon, 11);
    struct __timeb64 precise = {};
    EXPECT_EQ(0, _ftime64_s(&precise));
    EXPECT_LE(precise.millitm, 999);
}

} // namespace
