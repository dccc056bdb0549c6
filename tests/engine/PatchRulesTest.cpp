// PatchRulesTest.cpp - the match test and the replacement modes.
#include "PatchRules.h"
#include "PatchSearch.h"
#include "WizardStrings.h"
#include "ZephBuf.h"
#include "ZephMem.h"

#include "QvAllocFault.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct ScanOutcome {
    std::string bytes;
    int32_t matches = 0;
    int result = 0;
};

ScanOutcome scan(const std::string& content, const char* oldString, const char* newString, int32_t binaryKind,
                 int32_t rewrite = 1) {
    ZephBuf buffer;
    buffer.init(&ZephMemManagerGlobal, 8192);
    if (!content.empty()) {
        EXPECT_EQ(0, buffer.append(content.data(), static_cast<int32_t>(content.size())));
    }
    PatchFinder finder;
    finder.prepare(oldString);
    ScanOutcome out;
    int32_t cursor = 0;
    out.result = PatchScanContent(&buffer, &cursor, finder, newString, rewrite, binaryKind, &out.matches);
    out.bytes.assign(buffer.data != nullptr ? buffer.data : "", static_cast<size_t>(buffer.length));
    if (buffer.data != nullptr) {
        EXPECT_EQ(0, buffer.data[buffer.length]) << "content lost its trailing zero byte";
    }
    if (out.result == 0) {
        EXPECT_EQ(buffer.length, cursor);
    }
    return out;
}

std::vector<int32_t> occurrences(const std::string& content, const char* oldString) {
    PatchFinder finder;
    finder.prepare(oldString);
    std::vector<int32_t> found;
    const int32_t length = static_cast<int32_t>(content.size());
    for (int32_t p = finder.find(content.c_str(), length, 0); p >= 0;
         p = finder.find(content.c_str(), length, p + finder.needleLength))
        found.push_back(p);
    return found;
}

} // namespace

TEST(PatchMatch, BothCasesOfLettersMatch) {
    EXPECT_EQ((std::vector<int32_t>{1, 6}), occurrences("xabc--ABC", "aBc"));
    EXPECT_EQ(2, scan("xabc--ABC", "aBc", "z", 0, 0).matches);
}

TEST(PatchMatch, OccurrencesNeverOverlap) {
    EXPECT_EQ((std::vector<int32_t>{0, 2}), occurrences("aaaa", "AA"));
    EXPECT_EQ(2, scan("aaaaa", "aa", "b", 0, 0).matches);
    EXPECT_EQ("bba", scan("aaaaa", "aa", "b", 0).bytes);
}

TEST(PatchMatch, ZeroByteInsideBreaksAnOccurrence) {
    std::string content("a\0b", 3);
    EXPECT_TRUE(occurrences(content, "ab").empty());
    EXPECT_FALSE(PatchMatchAt(content.data(), 3, 0, "ab"));
}

TEST(PatchMatch, OccurrenceAtTheVeryEndIsFoundButNotAPartialOne) {
    std::string address = legacyServerAddress;
    // Long enough that the vector loop, not only the tail loop, runs.
    std::string filler(100, 'x');
    EXPECT_EQ((std::vector<int32_t>{100}), occurrences(filler + address, legacyServerAddress));
    EXPECT_TRUE(occurrences(filler + address.substr(0, 13), legacyServerAddress).empty());
    EXPECT_FALSE(PatchMatchAt((filler + "19").c_str(), 102, 100, legacyServerAddress));
    EXPECT_TRUE(PatchMatchAt(address.c_str(), 14, 0, legacyServerAddress));
}

TEST(PatchMatch, OnlyLettersFoldOtherBytesMustBeEqual) {
    // Each pair differs only in bit 0x20, like the two cases of a letter.
    EXPECT_TRUE(occurrences("\xC9", "\xE9").empty());
    EXPECT_EQ((std::vector<int32_t>{1}), occurrences("x\xE9", "\xE9"));
    EXPECT_TRUE(occurrences("`[^", "@{~").empty());
    EXPECT_EQ((std::vector<int32_t>{0}), occurrences("@{~", "@{~"));
    std::string wide(40, '\xC9');
    EXPECT_TRUE(occurrences(wide, "\xE9\xE9").empty());
    EXPECT_FALSE(PatchMatchAt("\xC9", 1, 0, "\xE9"));
}

TEST(PatchReplaceBinaryMode, ShorterNewStringIsFollowedByZeros) {
    ScanOutcome out = scan("..ABCDEF..", "abcdef", "xyz", 1);
    EXPECT_EQ(std::string("..xyz\0\0\0..", 10), out.bytes);
    EXPECT_EQ(1, out.matches);
}

TEST(PatchReplaceBinaryMode, LongerNewStringIsCutAndTheNextByteKept) {
    EXPECT_EQ("-vwx!", scan("-abc!", "ABC", "vwxyz", 1).bytes);
    EXPECT_EQ("vwxvwx", scan("abcABC", "ABC", "vwxyz", 1).bytes);
}

TEST(PatchReplaceBinaryMode, WizardStringsKeepTheLength) {
    std::string address = legacyServerAddress;
    std::string host = serviceHostName;
    const std::string zero(1, '\0');
    ScanOutcome out = scan("MZ" + address + zero + zero + address + "x", legacyServerAddress, serviceHostName, 1);
    EXPECT_EQ("MZ" + host + zero + zero + zero + host + zero + "x", out.bytes);
    EXPECT_EQ(2, out.matches);
}

TEST(PatchReplaceTextMode, EqualLengthOverwritesInPlace) {
    EXPECT_EQ("x=QWE;y=QWE", scan("x=abc;y=ABC", "abc", "QWE", 0).bytes);
}

TEST(PatchReplaceTextMode, WizardStringsShrinkOneBytePerOccurrence) {
    std::string address = legacyServerAddress;
    std::string host = serviceHostName;
    std::string text = "[net]\r\nserver=" + address + "\r\nbackup=" + address + address + "\r\n";
    ScanOutcome out = scan(text, legacyServerAddress, serviceHostName, 0);
    EXPECT_EQ("[net]\r\nserver=" + host + "\r\nbackup=" + host + host + "\r\n", out.bytes);
    EXPECT_EQ(text.size() - 3, out.bytes.size());
    EXPECT_EQ(3, out.matches);
}

TEST(PatchReplaceTextMode, InsertedTextIsNeverSearchedAgain) {
    ScanOutcome out = scan("ab ab", "ab", "xabab", 0);
    EXPECT_EQ("xabab xabab", out.bytes);
    EXPECT_EQ(2, out.matches);
    // Growing, with occurrences at both ends and overlapping candidates.
    EXPECT_EQ("AAAAAAa", scan("aaaaa", "aa", "AAA", 0).bytes);
}

TEST(PatchReplaceTextMode, EmptyNewStringDeletesAndBinaryZeroes) {
    EXPECT_EQ("x-y", scan("abx-abyab", "AB", "", 0).bytes);
    EXPECT_EQ(std::string("\0\0x", 3), scan("abx", "ab", "", 1).bytes);
    EXPECT_EQ("", scan("abAB", "ab", "", 0).bytes);
}

TEST(PatchReplaceTextMode, GrowthFailureLeavesTheContentAsItWas) {
    std::string text = std::string(8192 - 20, '.') + "abab";
    ZephBuf buffer;
    buffer.init(&ZephMemManagerGlobal, 8192);
    ASSERT_EQ(0, buffer.append(text.data(), static_cast<int32_t>(text.size())));
    PatchFinder finder;
    finder.prepare("ab");
    int32_t cursor = 0, matches = 0;
    qvtest::AllocFault fault;
    fault.failAt(1);
    int result = PatchScanContent(&buffer, &cursor, finder, "0123456789ab", 1, 0, &matches);
    fault.disarm();
    EXPECT_EQ(-1, result);
    EXPECT_TRUE(fault.fired());
    EXPECT_EQ(2, matches);
    EXPECT_EQ(text, std::string(buffer.data, static_cast<size_t>(buffer.length)));
}

TEST(PatchReplaceTextMode, BufferCursorInsideTheContentFollowsEachEdit) {
    // The one-position-at-a-time path: the buffer's own cursor moves with
    // every edit before it, as ZephBuf::replace moves it.
    ZephBuf buffer;
    buffer.init(&ZephMemManagerGlobal, 16);
    ASSERT_EQ(0, buffer.append("ab..ab..ab", 10));
    buffer.cursor = 6; // after the second occurrence
    PatchFinder finder;
    finder.prepare("ab");
    int32_t cursor = 0, matches = 0;
    ASSERT_EQ(0, PatchScanContent(&buffer, &cursor, finder, "xyz", 1, 0, &matches));
    EXPECT_EQ("xyz..xyz..xyz", std::string(buffer.data, static_cast<size_t>(buffer.length)));
    EXPECT_EQ(8, buffer.cursor);
    EXPECT_EQ(3, matches);
    EXPECT_EQ(13, cursor);
}

TEST(PatchReplaceAt, EachModeSaysHowFarTheScanMoves) {
    ZephBuf buffer;
    buffer.init(&ZephMemManagerGlobal, 8);
    ASSERT_EQ(0, buffer.append("xxabcdxx", 8));
    int32_t advance = 0;
    ASSERT_EQ(0, PatchReplaceAt(&buffer, 2, "abcd", 4, "pq", 2, 1, &advance));
    EXPECT_EQ(4, advance);
    EXPECT_EQ(std::string("xxpq\0\0xx", 8), std::string(buffer.data, 8));
    ASSERT_EQ(0, PatchReplaceAt(&buffer, 2, "abcd", 4, "PQRS", 4, 0, &advance));
    EXPECT_EQ(4, advance);
    ASSERT_EQ(0, PatchReplaceAt(&buffer, 2, "abcd", 4, "123456", 6, 0, &advance));
    EXPECT_EQ(6, advance);
    EXPECT_EQ("xx123456xx", std::string(buffer.data, static_cast<size_t>(buffer.length)));
    EXPECT_EQ(-1, PatchReplaceAt(&buffer, 8, "abcd", 4, "z", 1, 0, &advance)) << "place runs past the end";
}
