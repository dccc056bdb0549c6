// CliTextTest.cpp - line ends, shown names, JSON and the progress text of the
// quorvel tool.
#include "CliText.h"
#include "CliJson.h"
#include "ZephBuf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class Text {
public:
    Text() { buffer.init(nullptr, 64); }
    ~Text() { buffer.clear(); }
    std::string str() const { return buffer.data != nullptr ? std::string(buffer.data, buffer.length) : ""; }
    ZephBuf buffer;
};

std::string terminal(const std::string& input, bool escape = false) {
    Text out;
    EXPECT_EQ(CliAppendTerminalBytes(&out.buffer, input.data(), static_cast<int32_t>(input.size()), escape), 0);
    return out.str();
}

std::string shown(const std::string& input) {
    Text out;
    EXPECT_EQ(CliAppendShownName(&out.buffer, input.c_str()), 0);
    return out.str();
}

std::string json(const std::string& input) {
    Text out;
    EXPECT_EQ(CliAppendJsonString(&out.buffer, input.data(), static_cast<int32_t>(input.size())), 0);
    return out.str();
}

TEST(CliTextLineEnds, CrLfBecomesLfAndNothingElseChanges) {
    EXPECT_EQ(terminal("a\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(terminal("end\r"), "end\r"); // a lone CR is not a line end
    EXPECT_EQ(terminal("\r\r\n"), "\r\n");
    EXPECT_EQ(terminal(std::string("z\0\r\n", 4)), std::string("z\0\n", 3));
    EXPECT_EQ(terminal(""), "");
}

TEST(CliTextShownNames, WhatCouldSteerATerminalIsEscaped) {
    struct Case {
        std::string in, name, log; // as a name, and in a log on a terminal
    } cases[] = {
        {"C:\\Games\\x.ini", "C:\\Games\\x.ini", "C:\\Games\\x.ini"},
        {"a\x1b[2Jb", "a\\x1b[2Jb", "a\\x1b[2Jb"},
        {"line\r\nnext\n", "line\\x0d\\x0anext\\x0a", "line\nnext\n"},
        {"tab\tok", "tab\tok", "tab\tok"},
        {"del\x7f", "del\\x7f", "del\\x7f"},
        {"Caf\xc3\xa9 \xe2\x82\xac", "Caf\xc3\xa9 \xe2\x82\xac", "Caf\xc3\xa9 \xe2\x82\xac"},
        {"c1 \xc2\x9b"
         "31m",
         "c1 \\xc2\\x9b31m", "c1 \\xc2\\x9b31m"}, // CSI as a UTF-8 C1 control
        {"raw \x9b"
         "31m",
         "raw \\x9b31m", "raw \\x9b31m"}, // and as a lone byte
        {"Caf\xe9", "Caf\\xe9", "Caf\\xe9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown(c.in), c.name) << c.in;
        EXPECT_EQ(terminal(c.in, true), c.log) << c.in;
    }
}

TEST(CliTextJson, EveryByteGivesValidJson) {
    EXPECT_EQ(json(""), "\"\"");
    EXPECT_EQ(json("C:\\Games\\\"x\""), "\"C:\\\\Games\\\\\\\"x\\\"\"");
    EXPECT_EQ(json("a\rb\tc\nd"), "\"a\\rb\\tc\\nd\"");
    EXPECT_EQ(json(std::string("\x01\x1f\x7f\0", 4)), "\"\\u0001\\u001f\\u007f\\u0000\"");
    EXPECT_EQ(json("50% done"), "\"50% done\"");
    EXPECT_EQ(json("Caf\xc3\xa9 \xf0\x9f\x8e\xae"), "\"Caf\xc3\xa9 \xf0\x9f\x8e\xae\"");
    // A code-page byte, a cut sequence, an overlong form, a surrogate and a
    // stray continuation byte stand for the characters of their numbers.
    EXPECT_EQ(json("Caf\xe9"), "\"Caf\\u00e9\"");
    EXPECT_EQ(json("\xe2\x82"), "\"\\u00e2\\u0082\"");
    EXPECT_EQ(json("\xc0\xaf"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(json("\xed\xa0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
}

TEST(CliTextJson, ObjectsAreOneLineWithTheirTypeFirst) {
    Text out;
    ASSERT_EQ(CliJsonLine(&out.buffer, "file")
                  .text("file", "a\\b.ini")
                  .text("target", nullptr)
                  .number("matches", -2)
                  .flag("dry_run", true)
                  .bytes("cut_to", "host.example", 4)
                  .object("passed_over")
                  .number("links", 0)
                  .number("special", 2)
                  .close()
                  .end(),
              0);
    EXPECT_EQ(out.str(), "{\"type\":\"file\",\"file\":\"a\\\\b.ini\",\"target\":null,\"matches\":-2,\"dry_run\":true,"
                         "\"cut_to\":\"host\",\"passed_over\":{\"links\":0,\"special\":2}}\n");
}

TEST(CliTextProgress, FilesBytesAndTimeLeft) {
    struct Case {
        int32_t done, total;
        int64_t bytes, bytesTotal;
        int32_t left;
        const char* expected;
    } cases[] = {
        {3, 291, 999, 1000, -1, "Scanning 3 of 291 files, 999 B of 1.0 KB"},
        {1, 2, 211400000, int64_t{5} << 32, 42, "Scanning 1 of 2 files, 211.4 MB of 21.5 GB, about 42 s left"},
        {1, 2, 1, 2, 150, "Scanning 1 of 2 files, 1 B of 2 B, about 3 min left"},
        {1, 2, 1, 2, 7500, "Scanning 1 of 2 files, 1 B of 2 B, about 2 h 5 min left"},
    };
    char area[80];
    for (const Case& c : cases) {
        CliFormatProgress("Scanning", c.done, c.total, c.bytes, c.bytesTotal, c.left, area, sizeof area);
        EXPECT_STREQ(area, c.expected);
    }
    char small[8];
    std::memset(small, '#', sizeof small);
    CliFormatProgress("Scanning", 1, 2, 3, 4, -1, small, 5);
    EXPECT_STREQ(small, "Scan");
    EXPECT_EQ(small[5], '#');
}

} // namespace
