// Tests of the string utilities: tokenizer, comparisons, bounded copies.
#include "ZephStr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Tokenizes with areas sized from the text, as the header promises suffices,
// and guards both areas with canaries to catch any write past them.
std::vector<std::string> tokenize(const char* text) {
    int length = static_cast<int>(std::strlen(text));
    int bufferSize = length + 1;
    int argvCapacity = length / 2 + 1;
    std::vector<char> buffer(bufferSize + 16, '#');
    std::vector<char*> argv(argvCapacity + 4, reinterpret_cast<char*>(0x1));
    int count = ZephStrTokenize(text, buffer.data(), bufferSize, argv.data(), argvCapacity);
    for (int i = bufferSize; i < bufferSize + 16; ++i)
        EXPECT_EQ(buffer[i], '#') << "tokenizer wrote past its buffer";
    for (int i = argvCapacity; i < argvCapacity + 4; ++i)
        EXPECT_EQ(argv[i], reinterpret_cast<char*>(0x1)) << "tokenizer wrote past its array";
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i)
        words.emplace_back(argv[i]);
    return words;
}

using Words = std::vector<std::string>;

TEST(ZephStrTokenize, WhiteSpaceSeparatesAndIsDropped) {
    EXPECT_EQ(tokenize(" \t\r\n\v\f "), Words{});
    EXPECT_EQ(tokenize("  -h   \t-a \r\n"), (Words{"-h", "-a"}));
    EXPECT_EQ(tokenize(""), Words{});
}

TEST(ZephStrTokenize, QuotesSwitchSeparatorsOnly) {
    EXPECT_EQ(tokenize("\"\""), Words{""});
    EXPECT_EQ(tokenize("\"\" \"\""), (Words{"", ""}));
    EXPECT_EQ(tokenize("ab\"c d\"e"), Words{"abc de"});
    EXPECT_EQ(tokenize("x \"open to  the end "), (Words{"x", "open to  the end "}));
    EXPECT_EQ(tokenize("a\" b\"\" c"), (Words{"a b c"}));
}

TEST(ZephStrTokenize, BackslashIsOrdinary) {
    EXPECT_EQ(tokenize("\\h C:\\Games\\"), (Words{"\\h", "C:\\Games\\"}));
    EXPECT_EQ(tokenize("\"a\\\" b"), (Words{"a\\", "b"}));
}

TEST(ZephStrTokenize, RefusesWhatDoesNotFitTheAreas) {
    char buffer[8];
    char* argv[2];
    EXPECT_EQ(ZephStrTokenize("a b c", buffer, sizeof buffer, argv, 2), -1);
    EXPECT_EQ(ZephStrTokenize("abcdefgh", buffer, sizeof buffer, argv, 2), -1);
    EXPECT_EQ(ZephStrTokenize("abcdefg", buffer, sizeof buffer, argv, 2), 1);
    EXPECT_STREQ(argv[0], "abcdefg");
    EXPECT_EQ(ZephStrTokenize("abc def", buffer, sizeof buffer, argv, 2), 2);
    EXPECT_EQ(ZephStrTokenize("abc defg", buffer, sizeof buffer, argv, 2), -1);
    EXPECT_EQ(ZephStrTokenize("a", nullptr, 8, argv, 2), 0);
    EXPECT_EQ(ZephStrTokenize("a", buffer, 8, nullptr, 2), 0);
    EXPECT_EQ(ZephStrTokenize(nullptr, buffer, 8, argv, 2), 0);
}

TEST(ZephStrCompare, NullRulesAndOrder) {
    EXPECT_EQ(ZephStrCompare(nullptr, nullptr), 0);
    EXPECT_EQ(ZephStrCompare(nullptr, ""), -1);
    EXPECT_EQ(ZephStrCompare("", nullptr), 1);
    EXPECT_EQ(ZephStrCompare("ab", "abc"), -1);
    EXPECT_EQ(ZephStrCompare("abc", "ab"), 1);
    EXPECT_EQ(ZephStrCompare("abc", "abc"), 0);
    EXPECT_EQ(ZephStrCompare("Z", "_"), -1);
    EXPECT_EQ(ZephStrCompare("_", "a"), -1);
    EXPECT_EQ(ZephStrCompare("\x80", "z"), 1);
    EXPECT_EQ(ZephStrCompareNoCase(nullptr, "a"), -1);
    EXPECT_EQ(ZephStrCompareNoCase("a", "Z"), -1);
    EXPECT_EQ(ZephStrCompareNoCase("_", "z"), 1);
    EXPECT_EQ(ZephStrCompareNoCase("readme.TXT", "README.txt"), 0);
    EXPECT_EQ(ZephStrCompareNoCase("\xe4", "\xc4"), 1) << "bytes above 0x7F are never folded";
    EXPECT_EQ(ZephStrCompareNoCase("\xff", "z"), 1);
}

TEST(ZephStrEqual, NullsAreNeverEqual) {
    EXPECT_EQ(ZephStrEqual(nullptr, nullptr), 0);
    EXPECT_EQ(ZephStrEqual("", ""), 1);
    EXPECT_EQ(ZephStrEqual("a", "A"), 0);
    EXPECT_EQ(ZephStrEqualNoCase(nullptr, nullptr), 0);
    EXPECT_EQ(ZephStrEqualNoCase("ZephMutex", "zephmutex"), 1);
    EXPECT_EQ(ZephStrEqualNoCase("abc", "abcd"), 0);
}

TEST(ZephStrPrefixSuffix, MatchesIgnoringCase) {
    const char* text = "192.0.2.123:80";
    const char* rest = nullptr;
    EXPECT_EQ(ZephStrStartsWithNoCase(text, "192.0.2.", &rest), 1);
    EXPECT_EQ(rest, text + 8);
    EXPECT_EQ(ZephStrStartsWithNoCase(text, "193", &rest), 0);
    EXPECT_EQ(rest, text);
    EXPECT_EQ(ZephStrStartsWithNoCase("ab", "abc"), 0);
    EXPECT_EQ(ZephStrStartsWithNoCase("", ""), 1);
    EXPECT_EQ(ZephStrStartsWithNoCase(nullptr, "", &rest), 0);
    EXPECT_EQ(rest, nullptr);

    const char* pos = nullptr;
    EXPECT_EQ(ZephStrEndsWithNoCase("game.exe", ".EXE", &pos), 1);
    EXPECT_STREQ(pos, ".exe");
    EXPECT_EQ(ZephStrEndsWithNoCase("", ""), 0);
    EXPECT_EQ(ZephStrEndsWithNoCase("x", ""), 1);
    EXPECT_EQ(ZephStrEndsWithNoCase("x", nullptr), 1);
    EXPECT_EQ(ZephStrEndsWithNoCase("exe", ".exe"), 0);
    EXPECT_EQ(ZephStrEndsWithNoCase("game.exe1", ".exe"), 0);
}

TEST(ZephStrCopyAppend, AlwaysBoundedAndTerminated) {
    char d[8];
    std::memset(d, 'x', sizeof d);
    ZephStrCopy(d, "abc", 0);
    EXPECT_EQ(d[0], 'x') << "size 0 leaves the destination untouched";
    ZephStrCopy(d, "abc", 1);
    EXPECT_STREQ(d, "");
    ZephStrCopy(d, "abcdefghij", 8);
    EXPECT_STREQ(d, "abcdefg");
    ZephStrCopy(d, nullptr, 8);
    EXPECT_STREQ(d, "");

    ZephStrCopy(d, "abc", 8);
    ZephStrAppend(d, "defghij", 8);
    EXPECT_STREQ(d, "abcdefg");
    ZephStrAppend(d, "z", 8);
    EXPECT_STREQ(d, "abcdefg") << "a full destination stays unchanged";
    ZephStrCopy(d, "ab", 8);
    ZephStrAppend(d, nullptr, 8);
    EXPECT_STREQ(d, "ab");
    ZephStrAppend(nullptr, "a", 8);
    EXPECT_EQ(ZephStrLength(nullptr), 0);
}

TEST(ZephStrPaths, FileNameAndCut) {
    char name[16];
#ifdef _WIN32
    ZephStrCopyFileName("C:\\Games\\x/y.exe", name, sizeof name);
    EXPECT_STREQ(name, "y.exe");
    char root[] = "C:\\";
    ZephStrCutLastComponent(root);
    EXPECT_STREQ(root, "C:");
    char deep[] = "C:\\a\\b.ini";
    ZephStrCutLastComponent(deep);
    EXPECT_STREQ(deep, "C:\\a");
    char forward[] = "C:/a/b";
    ZephStrCutLastComponent(forward);
    EXPECT_STREQ(forward, "") << "only the backslash cuts";
#else
    ZephStrCopyFileName("/games/x\\y.exe", name, sizeof name);
    EXPECT_STREQ(name, "x\\y.exe") << "a backslash is part of a POSIX name";
    char deep[] = "/a/b.ini";
    ZephStrCutLastComponent(deep);
    EXPECT_STREQ(deep, "/a");
    char root[] = "/a";
    ZephStrCutLastComponent(root);
    EXPECT_STREQ(root, "");
#endif
    ZephStrCopyFileName("dir/", name, sizeof name);
    EXPECT_STREQ(name, "");
    ZephStrCopyFileName("bare", name, sizeof name);
    EXPECT_STREQ(name, "bare");
    ZephStrCopyFileName(nullptr, name, sizeof name);
    EXPECT_STREQ(name, "");
    char bare[] = "bare";
    ZephStrCutLastComponent(bare);
    EXPECT_STREQ(bare, "");
}

} // namespace
