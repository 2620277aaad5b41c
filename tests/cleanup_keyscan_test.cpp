#include <gtest/gtest.h>

#include "keyscan.h"

namespace {

typedef std::vector<std::string> Headers;

TEST(KeyScan, FindsTheHeadersInFileOrder) {
    const std::string k260(260, 'k'), k261(261, 'k');
    const struct {
        std::string text;
        Headers headers;
    } cases[] = {
        {"REGEDIT4\r\n\r\n[A\\x]\r\n\"v\"=\"[B\\y]\"\r\n[C]", {"A\\x", "B\\y", "C"}},
        {"[A] [B]\r\n[C]junk\r\n[D]\r\n", {"A", "C", "D"}}, // "]" to CR LF passed over
        {"[A]\r\n[]\r\n[B]\r\n", {"A"}},
        {"[A]\r [B]\n[C]\r\n[D]\r\n", {"A", "D"}}, // a bare CR or LF ends no line
        {"[" + k261 + "]\r\n[" + k260 + "]\r\n", {k260}},
        {std::string("[A]\r\n\0[B]\r\n", 11), {"A"}},
        {std::string("\xff\xfe[\0A\0\\\0x\0]\0", 12), {}}, // 16-bit Unicode
        {"[A\r\nB]\r\n", {"A\r\nB"}},
        {"[A", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        // Exactly the file's bytes, no terminator: reading past them is a fault.
        const std::vector<char> bytes(c.text.begin(), c.text.end());
        EXPECT_EQ(c.headers, ScanKeyHeaders(bytes.data(), bytes.size())) << c.text;
    }
}

} // namespace
