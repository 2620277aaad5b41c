// The exports of vqsmmodela: the tray and medium-size names built from numbered keys, the four
// forwarding exports, and the caller's records.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "smmodel_host_test.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Texts;

void SetTexts(const Texts& texts) {
    for (const auto& text : texts) {
        VqsmCommonDouble_SetString(text.first.c_str(), text.second.c_str());
    }
}

// A record of exactly its size on the heap, every byte set, so that a stray write shows and a
// read past its end is caught.
template <class Record> std::unique_ptr<Record> FilledRecord(BYTE fill) {
    std::unique_ptr<Record> record(new Record);
    std::memset(record.get(), fill, sizeof(Record));
    return record;
}

// The bytes of `after` that differ from `before` outside [from, from + length).
std::vector<size_t> ChangedOutside(const void* before, const void* after, size_t size, size_t from,
                                   size_t length) {
    std::vector<size_t> changed;
    const BYTE* a = static_cast<const BYTE*>(before);
    const BYTE* b = static_cast<const BYTE*>(after);
    for (size_t i = 0; i < size; ++i) {
        if ((i < from || i >= from + length) && a[i] != b[i]) {
            changed.push_back(i);
        }
    }
    return changed;
}

class ModelExportsTest : public ModelLibraryTest {};

struct TrayCase {
    const char* title;
    int type;
    int number;
    const char* key;
    Texts texts;
    std::vector<Request> asked;
    std::string name;
};

TEST_F(ModelExportsTest, TrayNameLookups) {
    const std::vector<TrayCase> cases = {
        {"type 13 by its numbered key",
         13,
         3,
         "",
         {{"0x0D-3", "Roll 3"}},
         {{"0x0D-3", 1}},
         "Roll 3"},
        {"type 13, then the manual tray",
         13,
         3,
         "",
         {{"0x4000", "TrayTypeManual"}},
         {{"0x0D-3", 1}, {"0x4000", 1}},
         "TrayTypeManual"},
        {"type 13, then the manual tray's decimal key",
         13,
         3,
         "",
         {{"16384", "Manual"}, {"0x0D-3", ""}},
         {{"0x0D-3", 1}, {"0x4000", 1}, {"16384", 1}},
         "Manual"},
        {"type 13 with nothing found",
         13,
         -12,
         "",
         {},
         {{"0x0D--12", 1}, {"0x4000", 1}, {"16384", 1}},
         ""},
        {"type 2 by the record's key",
         2,
         0,
         "Cassette 1",
         {{"Cassette 1", "Upper cassette"}},
         {{"Cassette 1", 1}},
         "Upper cassette"},
        {"type 2 with nothing found",
         2,
         0,
         "Cassette 1",
         {},
         {{"Cassette 1", 1}, {"0x4000", 1}, {"16384", 1}},
         ""},
        {"type 7 by its sheet id", 7, 0, "", {{"0x4007", "Tray 7"}}, {{"0x4007", 0}}, "Tray 7"},
        {"type 7 by its decimal id",
         7,
         0,
         "",
         {{"16391", "Tray seven"}},
         {{"0x4007", 0}, {"16391", 0}},
         "Tray seven"},
        {"type 7, then the manual tray",
         7,
         5,
         "ignored",
         {{"0x4000", "TrayTypeManual"}},
         {{"0x4007", 0}, {"16391", 0}, {"0x4000", 1}},
         "TrayTypeManual"},
        {"type 0 asks the manual tray twice",
         0,
         0,
         "",
         {},
         {{"0x4000", 0}, {"16384", 0}, {"0x4000", 1}, {"16384", 1}},
         ""},
    };
    for (const TrayCase& c : cases) {
        SCOPED_TRACE(c.title);
        VqsmCommonDouble_Reset();
        SetTexts(c.texts);
        auto record = FilledRecord<TrayNameRecord>(0xA5);
        record->nTrayType = c.type;
        record->nTrayNumber = c.number;
        std::strcpy(record->szTrayKey, c.key);
        GetTrayNameString(record.get());
        EXPECT_EQ(c.asked, Requests());
        EXPECT_EQ(c.name, record->szTrayName);
    }
}

struct SizeCase {
    const char* title;
    int sizeId;
    int feedType;
    int suffixFlag;
    Texts texts;
    std::vector<Request> asked;
    std::string name;
};

TEST_F(ModelExportsTest, MediumSizeNameLookups) {
    const Texts rollAndSuffix = {{"0x5001", "ISO A3/A4 Roll"}, {"0xFFFF", " [L]"}};
    const Texts sheetAndSuffix = {{"0x4001", "ISO A3"}, {"0xFFFF", " [L]"}};
    const std::vector<SizeCase> cases = {
        {"roll name with the suffix",
         1,
         5,
         2,
         rollAndSuffix,
         {{"0x5001", 1}, {"0xFFFF", 1}},
         "ISO A3/A4 Roll [L]"},
        {"sheet name for feed type 4",
         1,
         4,
         0,
         sheetAndSuffix,
         {{"0x4001", 1}, {"0xFFFF", 1}},
         "ISO A3"},
        {"sheet name for feed type 9, suffix looked up but not added",
         1,
         9,
         1,
         sheetAndSuffix,
         {{"0x4001", 1}, {"0xFFFF", 1}},
         "ISO A3"},
        {"plain id after the roll keys",
         6,
         5,
         2,
         {{"6", "JIS B4"}, {"65535", " [L]"}},
         {{"0x5006", 1}, {"20486", 1}, {"0x0006", 1}, {"6", 1}, {"0xFFFF", 1}, {"65535", 1}},
         "JIS B4 [L]"},
        {"unknown size: the name of id 0, never a suffix",
         200,
         4,
         2,
         {{"0x0000", "Unknown"}, {"0xFFFF", " [L]"}},
         {{"0x40C8", 1}, {"16584", 1}, {"0x00C8", 1}, {"200", 1}, {"0x0000", 1}},
         "Unknown"},
        {"nothing found at all",
         200,
         5,
         2,
         {},
         {{"0x50C8", 1}, {"20680", 1}, {"0x00C8", 1}, {"200", 1}, {"0x0000", 1}, {"0", 1}},
         ""},
        {"suffix wanted but missing",
         1,
         4,
         2,
         {{"0x4001", "ISO A3"}},
         {{"0x4001", 1}, {"0xFFFF", 1}, {"65535", 1}},
         "ISO A3"},
        {"negative size id wraps around",
         -1,
         4,
         0,
         {{"0x0000", "Unknown"}},
         {{"0x3FFF", 1}, {"16383", 1}, {"0xFFFFFFFF", 1}, {"-1", 1}, {"0x0000", 1}},
         "Unknown"},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.title);
        VqsmCommonDouble_Reset();
        SetTexts(c.texts);
        auto record = FilledRecord<MediumSizeNameRecord>(0xA5);
        record->nSizeId = c.sizeId;
        record->nFeedType = c.feedType;
        record->nSuffixFlag = c.suffixFlag;
        GetMediumSizeNameString(record.get());
        EXPECT_EQ(c.asked, Requests());
        EXPECT_EQ(c.name, record->szSizeName);
    }
}

TEST_F(ModelExportsTest, LongNamesAndSuffixesAreCutToTheirFields) {
    auto tray = FilledRecord<TrayNameRecord>(0xA5);
    tray->nTrayType = 7;
    VqsmCommonDouble_SetString("0x4007", std::string(100, 't').c_str());
    GetTrayNameString(tray.get());
    EXPECT_EQ(std::string(78, 't'), tray->szTrayName);

    struct Cut {
        size_t nameLength;
        std::string suffix;
        std::string tail; // what is left at the end of the 255 characters
    };
    const std::vector<Cut> cuts = {
        {300, " [L]", "n "},             // the name is cut to 254, then one character of suffix
        {253, " [L]", "n ["},            // the suffix is cut
        {250, " [L]", "n [L]"},          // everything fits
        {6, std::string(300, 's'), "s"}, // the suffix itself is cut to 254 first
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.nameLength);
        VqsmCommonDouble_Reset();
        VqsmCommonDouble_SetString("0x5001", std::string(cut.nameLength, 'n').c_str());
        VqsmCommonDouble_SetString("0xFFFF", cut.suffix.c_str());
        auto size = FilledRecord<MediumSizeNameRecord>(0xA5);
        size->nSizeId = 1;
        size->nFeedType = 5;
        size->nSuffixFlag = 2;
        GetMediumSizeNameString(size.get());
        const std::string name = size->szSizeName;
        const size_t expected = std::min<size_t>(255, std::min<size_t>(254, cut.nameLength) +
                                                          std::min<size_t>(254, cut.suffix.size()));
        EXPECT_EQ(expected, name.size());
        EXPECT_EQ(cut.tail, name.substr(name.size() - cut.tail.size()));
    }
}

TEST_F(ModelExportsTest, NameExportsWriteOnlyTheirOutputFieldAndNeverReadPastTheRecord) {
    VqsmCommonDouble_SetString("0x0D-1", "Roll 1");
    auto tray = FilledRecord<TrayNameRecord>(0xA5);
    tray->nTrayType = 13;
    tray->nTrayNumber = 1;
    const TrayNameRecord trayBefore = *tray;
    GetTrayNameString(tray.get());
    EXPECT_STREQ("Roll 1", tray->szTrayName);
    EXPECT_EQ(std::vector<size_t>{},
              ChangedOutside(&trayBefore, tray.get(), sizeof(*tray), 96, 80));

    // A key that fills its whole field is asked as it stands, without its neighbour's bytes.
    auto keyed = FilledRecord<TrayNameRecord>('N');
    keyed->nTrayType = 2;
    std::memset(keyed->szTrayKey, 'K', sizeof(keyed->szTrayKey));
    VqsmCommonDouble_Reset();
    GetTrayNameString(keyed.get());
    ASSERT_FALSE(Requests().empty());
    EXPECT_EQ(std::string(80, 'K'), Requests()[0].key);

    VqsmCommonDouble_SetString("0x4001", "ISO A3");
    VqsmCommonDouble_SetString("0xFFFF", " [L]");
    auto size = FilledRecord<MediumSizeNameRecord>(0xA5);
    size->nSizeId = 1;
    size->nFeedType = 4;
    size->nSuffixFlag = 2;
    const MediumSizeNameRecord sizeBefore = *size;
    GetMediumSizeNameString(size.get());
    EXPECT_STREQ("ISO A3 [L]", size->szSizeName);
    EXPECT_EQ(std::vector<size_t>{},
              ChangedOutside(&sizeBefore, size.get(), sizeof(*size), 188, 256));

    VqsmCommonDouble_Reset();
    GetTrayNameString(nullptr);
    GetMediumSizeNameString(nullptr);
    EXPECT_TRUE(Requests().empty());
    // The data library's functions of the same names are bound, yet never called.
    EXPECT_EQ(0, VqsmDataDouble_CallCount());
}

TEST_F(ModelExportsTest, ForwardingExportsPassArgumentsAndResultsThrough) {
    const INT_PTR results[] = {static_cast<INT_PTR>(0x7000000000000001LL), -2, 0x12345678,
                               static_cast<INT_PTR>(0x7FEDCBA987654321LL)};
    VqsmDataDouble_SetResult(VqsmDataFindPaperSize, results[0]);
    VqsmDataDouble_SetResult(VqsmDataGetIconData, results[1]);
    VqsmDataDouble_SetResult(VqsmDataGetMediumTypeNameString, results[2]);
    VqsmDataDouble_SetResult(VqsmDataGetStatusMessage, results[3]);
    int paper = 0;
    BYTE medium[64] = {};
    auto status = FilledRecord<StatusMessageRecord>(0xA5);

    EXPECT_EQ(results[0], FindPaperSize(-1, &paper, 65536));
    EXPECT_EQ(results[1], GetIconData(0x7FFFFFFF));
    EXPECT_EQ(results[2], GetMediumTypeNameString(medium));
    EXPECT_EQ(results[3], GetStatusMessage(status.get()));

    const std::vector<DataCall> expected = {
        {VqsmDataFindPaperSize, {-1, reinterpret_cast<INT_PTR>(&paper), 65536}},
        {VqsmDataGetIconData, {0x7FFFFFFF, 0, 0}},
        {VqsmDataGetMediumTypeNameString, {reinterpret_cast<INT_PTR>(medium), 0, 0}},
        {VqsmDataGetStatusMessage, {reinterpret_cast<INT_PTR>(status.get()), 0, 0}},
    };
    EXPECT_EQ(expected, DataCalls());
}

TEST_F(ModelExportsTest, GetStatusMessageClearsFourFieldsBeforeHandingTheRecordOn) {
    for (bool bound : {true, false}) {
        SCOPED_TRACE(bound);
        if (!bound) {
            ReloadWithDataLibrary({"GetStatusMessage"});
        }
        auto record = FilledRecord<StatusMessageRecord>(0xA5);
        EXPECT_EQ(0, GetStatusMessage(record.get()));
        const BYTE* bytes = reinterpret_cast<const BYTE*>(record.get());
        std::vector<size_t> changed;
        for (size_t i = 0; i < sizeof(StatusMessageRecord); ++i) {
            if (bytes[i] != 0xA5) {
                changed.push_back(i);
            }
        }
        const std::vector<size_t> cleared = {536, 537, 538, 539, 540, 541, 542, 543, 544, 4641};
        EXPECT_EQ(cleared, changed);
        VqsmDataCall call;
        if (bound) {
            ASSERT_TRUE(VqsmDataDouble_GetCall(0, &call));
            EXPECT_EQ(0, call.statusFields[0]);
            EXPECT_EQ(0, call.statusFields[1]);
            EXPECT_EQ(0, call.statusFields[2]);
            EXPECT_EQ(0, call.statusFields[3]);
        } else {
            EXPECT_EQ(0, VqsmDataDouble_CallCount());
        }
    }
    EXPECT_EQ(0, GetStatusMessage(nullptr));
    EXPECT_EQ(0, VqsmDataDouble_CallCount());
}

} // namespace
