// CliTextTest.cpp - line ends, JSON and the progress text of the quorvel tool.
#include "CliText.h"
#include "PatchJob.h"
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

std::string terminal(const std::string& input) {
    Text out;
    EXPECT_EQ(CliAppendTerminalBytes(&out.buffer, input.data(), static_cast<int32_t>(input.size())), 0);
    return out.str();
}

std::string json(const std::string& input) {
    Text out;
    EXPECT_EQ(CliAppendJsonString(&out.buffer, input.c_str()), 0);
    return out.str();
}

TEST(CliTextLineEnds, CrLfBecomesLfAndNothingElseChanges) {
    EXPECT_EQ(terminal("a\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(terminal("\r\n"), "\n");
    EXPECT_EQ(terminal("end\r"), "end\r"); // a lone CR is not a line end
    EXPECT_EQ(terminal("\n\r"), "\n\r");
    EXPECT_EQ(terminal("\r\r\n"), "\r\n");
    EXPECT_EQ(terminal(std::string("z\0\r\n", 4)), std::string("z\0\n", 3));
    EXPECT_EQ(terminal(""), "");
    Text out;
    EXPECT_EQ(CliAppendTerminalText(&out.buffer, nullptr), 0);
    EXPECT_EQ(out.str(), "");
}

TEST(CliTextJson, EscapesQuotesBackslashesAndControlBytes) {
    EXPECT_EQ(json(""), "\"\"");
    EXPECT_EQ(json("C:\\Games\\\"x\""), "\"C:\\\\Games\\\\\\\"x\\\"\"");
    EXPECT_EQ(json("a\r\n\r\nb"), "\"a\\n\\nb\"");
    EXPECT_EQ(json("a\rb\tc\nd"), "\"a\\rb\\tc\\nd\"");
    EXPECT_EQ(json("\x01\x1f\x7f"), "\"\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(json("50% done"), "\"50% done\"");
}

TEST(CliTextJson, ValidUtf8PassesAndOtherHighBytesAreEscaped) {
    EXPECT_EQ(json("Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae"), "\"Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae\"");
    // A code-page byte (0xE9 alone), a cut sequence, an overlong form, a
    // surrogate and a stray continuation byte.
    EXPECT_EQ(json("Caf\xe9"), "\"Caf\\u00e9\"");
    EXPECT_EQ(json("\xe2\x82"), "\"\\u00e2\\u0082\"");
    EXPECT_EQ(json("\xc0\xaf"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(json("\xed\xa0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
    EXPECT_EQ(json("\x80z"), "\"\\u0080z\"");
}

TEST(CliTextJson, ResultIsOneLineWithTheFourFields) {
    Text out;
    ASSERT_EQ(CliAppendJsonResult(&out.buffer, Failed, 3, 1, "Unable to open file \"a\\b.ini\" for writing!"), 0);
    EXPECT_EQ(out.str(), "{\"status\":\"Failed\",\"visited\":3,\"matched\":1,"
                         "\"message\":\"Unable to open file \\\"a\\\\b.ini\\\" for writing!\"}\n");
    Text finished;
    ASSERT_EQ(CliAppendJsonResult(&finished.buffer, Finished, 0, 0, nullptr), 0);
    EXPECT_EQ(finished.str(), "{\"status\":\"Finished\",\"visited\":0,\"matched\":0,\"message\":\"\"}\n");
    EXPECT_STREQ(CliStatusName(42), "Unknown");
    // What a run adds when it has something to say.
    CliJsonExtras extras;
    extras.cause = "No space left on device";
    extras.specialPassedOver = 2;
    extras.staleRemoved = 1;
    Text more;
    ASSERT_EQ(CliAppendJsonResult(&more.buffer, Failed, 5, 0, "m", extras), 0);
    EXPECT_EQ(more.str(), "{\"status\":\"Failed\",\"visited\":5,\"matched\":0,\"message\":\"m\",\"cause\":\"No space "
                          "left on device\",\"passed_over\":{\"links\":0,\"special\":2},\"stale_removed\":1}\n");
}

TEST(CliTextProgress, CountsAndAmountsInReadableUnits) {
    char area[80];
    CliFormatProgress("Scanning files...", 3, 291, 999, area, sizeof area);
    EXPECT_STREQ(area, "Scanning files... 3 of 291 entries, 999 B read");
    CliFormatProgress("x", 0, 0, 1000, area, sizeof area);
    EXPECT_STREQ(area, "x 0 of 0 entries, 1.0 KB read");
    CliFormatProgress("x", 1, 2, 211400000, area, sizeof area);
    EXPECT_STREQ(area, "x 1 of 2 entries, 211.4 MB read");
    CliFormatProgress("x", 1, 2, int64_t{5} << 32, area, sizeof area);
    EXPECT_STREQ(area, "x 1 of 2 entries, 21.5 GB read");
    char small[8];
    std::memset(small, '#', sizeof small);
    CliFormatProgress("Scanning files...", 1, 2, 3, small, 5);
    EXPECT_STREQ(small, "Scan");
    EXPECT_EQ(small[5], '#');
}

} // namespace
