// CliSteamLibrariesTest.cpp - Steam's list of library folders, well formed and
// damaged.
#include "CliSteamLibraries.h"
#include "ZephBuf.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Read {
    int result;
    std::string paths; // joined by '|'
    int32_t line = 0;
    std::string problem;
};

Read read(const std::string& text) {
    ZephBuf paths;
    paths.init(nullptr, 64);
    paths.append("kept", 5); // what the caller held stays
    Read r;
    const char* problem = nullptr;
    r.result = CliReadSteamLibraries(text.data(), static_cast<int32_t>(text.size()), &paths, &r.line, &problem);
    r.problem = problem != nullptr ? problem : "";
    EXPECT_EQ(std::string(paths.data, 4), "kept");
    for (int32_t at = 5; at < paths.length; at += static_cast<int32_t>(std::string(paths.data + at).size()) + 1)
        r.paths += std::string(paths.data + at) + "|";
    paths.clear();
    return r;
}

TEST(CliSteamLibrariesRead, TheFoldersOfEveryFormSteamWrites) {
    struct Case {
        std::string text, paths;
    } cases[] = {
        {"\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/u/.local/share/Steam\"\n"
         "\t\t\"apps\" { \"220\" \"1234\" }\n\t}\n\t\"1\" { \"label\" \"\" \"path\" \"/mnt/games\" }\n}\n",
         "/home/u/.local/share/Steam|/mnt/games|"},
        // The older form, with a key that is not a library.
        {"\"LibraryFolders\" { \"TimeNextStatsReport\" \"1\" \"1\" \"/mnt/old\" }", "/mnt/old|"},
        // Escapes, comments, bare words, a "path" outside a library.
        {"// made by hand\nlibraryfolders { 0 { path \"/a \\\"b\\\"\\\\c\" } } \"path\" \"/not/this\"", "/a \"b\"\\c|"},
        {"\"libraryfolders\" { }", ""},
    };
    for (const Case& c : cases) {
        Read r = read(c.text);
        EXPECT_EQ(r.result, 0) << c.text << " -> line " << r.line << ": " << r.problem;
        EXPECT_EQ(r.paths, c.paths) << c.text;
    }
}

TEST(CliSteamLibrariesRead, ADamagedFileIsRefusedWholeWithItsLine) {
    std::string deep = "\"libraryfolders\"";
    for (int i = 0; i <= CliSteamNestingMax; ++i)
        deep += " {\"k\"";
    struct Case {
        std::string text;
        int32_t line;
        const char* problem;
    } cases[] = {
        {"\"libraryfolders\" {\n \"0\" { \"path\" \"/a\" }\n \"1\" { \"path\" \"/b", 3, "a quoted text has no end"},
        {"\"libraryfolders\" {\n \"0\" { \"path\" }\n}", 2, "a key has no value"},
        {"\"libraryfolders\" { \"0\" { \"path\" \"/a\" }\n", 2, "a '{' has no '}'"},
        {"}", 1, "a '}' has no '{'"},
        {"\"libraryfolders\" { { } }", 1, "a block has no key"},
        {std::string("\"libraryfolders\" { \"0\" \"/a") + '\0' + "b\" }", 1, "a zero byte in the text"},
        {"\"other\" { \"0\" \"/a\" }", 1, "no libraryfolders block"},
        {"", 1, "no libraryfolders block"},
        {deep, 1, "blocks nest too deep"},
        {"\"libraryfolders\" { \"0\" \"" + std::string(CliSteamTextMax + 1, 'x') + "\" }", 1, "a text is too long"},
    };
    for (const Case& c : cases) {
        Read r = read(c.text);
        EXPECT_EQ(r.result, -1) << c.text.substr(0, 60);
        EXPECT_EQ(r.paths, "") << c.text.substr(0, 60);
        EXPECT_EQ(r.line, c.line) << c.text.substr(0, 60);
        EXPECT_EQ(r.problem, c.problem) << c.text.substr(0, 60);
    }
}

} // namespace
