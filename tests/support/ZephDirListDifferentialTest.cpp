// Differential listing test: one table of directory contents, patterns and
// expected results, run by the native build and by the Windows build (under
// Wine). Both builds create the same files with their own platform calls,
// list them with ZephDirList and assert the same table; where the platforms
// cannot agree, the case carries the Windows result and the reason. The
// Windows results are those seen under Wine; where Windows itself is known to
// answer otherwise, the reason says so. Each case also prints one line, so
// the outputs of the two builds can be put side by side.
//
// Names above 0x7F: the Windows build creates and lists them through the
// ANSI code page (1252 here), and Wine keeps them on disk as UTF-8, so the
// bytes the program sees are the same on both platforms and order the same.
#include "ZephDirList.h"

#include "QvTestKit.h"
#include "ZephPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// Files of the "mixed" directory, created in this order; "Sub" is a
// subdirectory. Mixed case, underscores, bytes above 0x7F (Latin-1 / code
// page 1252 e-acute 0xE9 and E-acute 0xC9), names without a dot.
const char* const MixedFiles[] = {"alpha.txt", "Beta.TXT",  "_under.cfg", "Zed.ini",     "NoDot",         "Apple",
                                  "a.b.c",     "UPPER.EXE", "lower.exe",  "caf\xE9.txt", "\xC9t\xE9.cfg", "x.html"};
// Two names that differ only in case, created in this order.
const char* const TwinFiles[] = {"readme.txt", "README.TXT"};

enum class Where { Mixed, Empty, Missing, Twins, MixedAsCurrent };

const Names None{"<none>"}; // the list is null

struct Case {
    const char* title;
    Where where;
    const char* wildcard;
    uint32_t options;
    Names expected;
    // When the Windows build sees something else: what it sees, and why.
    Names onWindows;
    const char* why;
    // Names that compare equal come in the order the directory hands them
    // out, which POSIX file systems do not fix; compare them as a set.
    bool tiesInAnyOrder;
};

const std::vector<Case>& table() {
    static const std::vector<Case> cases = {
        {"every name, byte order",
         Where::Mixed,
         "*.*",
         0,
         {"Apple", "Beta.TXT", "NoDot", "Sub", "UPPER.EXE", "Zed.ini", "_under.cfg", "a.b.c", "alpha.txt",
          "caf\xE9.txt", "lower.exe", "x.html", "\xC9t\xE9.cfg"},
         {},
         nullptr,
         false},
        {"every name ignoring case, with parent",
         Where::Mixed,
         "*.*",
         ZephDirNoCase | ZephDirKeepParent,
         {"..", "a.b.c", "alpha.txt", "Apple", "Beta.TXT", "caf\xE9.txt", "lower.exe", "NoDot", "Sub", "UPPER.EXE",
          "x.html", "Zed.ini", "_under.cfg", "\xC9t\xE9.cfg"},
         {},
         nullptr,
         false},
        {"a lone star",
         Where::Mixed,
         "*",
         ZephDirNoCase,
         {"a.b.c", "alpha.txt", "Apple", "Beta.TXT", "caf\xE9.txt", "lower.exe", "NoDot", "Sub", "UPPER.EXE", "x.html",
          "Zed.ini", "_under.cfg", "\xC9t\xE9.cfg"},
         {},
         nullptr,
         false},
        {"extension in the other case",
         Where::Mixed,
         "*.TXT",
         ZephDirNoCase,
         {"alpha.txt", "Beta.TXT", "caf\xE9.txt"},
         {},
         nullptr,
         false},
        {"exact name in the other case", Where::Mixed, "nodot", 0, {"NoDot"}, {}, nullptr, false},
        {"question marks", Where::Mixed, "?????", ZephDirNoCase, {"a.b.c", "Apple", "NoDot"}, {}, nullptr, false},
        {"prefix, star dot star",
         Where::Mixed,
         "a*.*",
         ZephDirNoCase,
         {"a.b.c", "alpha.txt", "Apple"},
         {},
         nullptr,
         false},
        {"name with any or no extension", Where::Mixed, "NODOT.*", 0, {"NoDot"}, {}, nullptr, false},
        {"star dot",
         Where::Mixed,
         "*.",
         0,
         {},
         {"Apple", "Beta.TXT", "NoDot", "Sub", "UPPER.EXE", "Zed.ini", "_under.cfg", "a.b.c", "alpha.txt",
          "caf\xE9.txt", "lower.exe", "x.html", "\xC9t\xE9.cfg"},
         "Wine takes \"*.\" as \"*\" (Windows itself lists the names without a dot); the POSIX layer keeps the "
         "plain rule, names that end in a dot, which here are only \".\" and \"..\", both dropped",
         false},
        {"three-letter extension of a longer one",
         Where::Mixed,
         "*.htm",
         0,
         None,
         {"x.html"},
         "Windows also matches the 8.3 short name it generates for a long name (such as X~1.HTM); POSIX names have "
         "none",
         false},
        {"byte above 0x7F, lower case",
         Where::Mixed,
         "*\xE9*",
         0,
         {"caf\xE9.txt", "\xC9t\xE9.cfg"},
         {},
         nullptr,
         false},
        {"byte above 0x7F, upper case",
         Where::Mixed,
         "*\xC9*",
         0,
         {"\xC9t\xE9.cfg"},
         {"caf\xE9.txt", "\xC9t\xE9.cfg"},
         "Windows compares names through the code page in Unicode and ignores case beyond ASCII, so E-acute also "
         "finds e-acute; the POSIX layer folds ASCII only, as every Zeph comparison does",
         false},
        {"full paths", Where::Mixed, "*.ini", ZephDirFullPaths, {"<dir>Zed.ini"}, {}, nullptr, false},
        {"pattern without a separator",
         Where::MixedAsCurrent,
         "*.exe",
         ZephDirFullPaths | ZephDirNoCase,
         {"lower.exe", "UPPER.EXE"},
         {},
         nullptr,
         false},
        {"empty directory", Where::Empty, "*.*", 0, {}, {}, nullptr, false},
        {"empty directory with parent",
         Where::Empty,
         "*.*",
         ZephDirKeepParent | ZephDirFullPaths,
         {"<dir>.."},
         {},
         nullptr,
         false},
        {"missing directory", Where::Missing, "*.*", 0, None, {}, nullptr, false},
        {"names that differ only in case",
         Where::Twins,
         "*.*",
         ZephDirNoCase,
         {"README.TXT", "readme.txt"},
         {"readme.txt"},
         "Windows file names ignore case: creating README.TXT opens the existing readme.txt, so only one file exists",
         true},
    };
    return cases;
}

std::string printable(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string printable(const Names& names) {
    std::string out = "[";
    for (const std::string& name : names)
        out += (out.size() > 1 ? ", " : "") + printable(name);
    return out + "]";
}

// The directories of the table, made once with the platform's own calls.
class DifferentialListing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new qvtest::TempDir;
        fs::create_directory(dirOf(Where::Mixed));
        fs::create_directory(dirOf(Where::Empty));
        fs::create_directory(dirOf(Where::Twins));
        for (const char* name : MixedFiles)
            ASSERT_TRUE(qvtest::writeFile(dirOf(Where::Mixed) + ZephPathSeparatorText + name, name));
        fs::create_directory(dirOf(Where::Mixed) + ZephPathSeparatorText + "Sub");
        for (const char* name : TwinFiles)
            ASSERT_TRUE(qvtest::writeFile(dirOf(Where::Twins) + ZephPathSeparatorText + name, name));
    }
    static void TearDownTestSuite() {
        delete root_;
        root_ = nullptr;
    }

    static std::string dirOf(Where where) {
        switch (where) {
        case Where::Mixed:
        case Where::MixedAsCurrent: return root_->file("mixed");
        case Where::Empty: return root_->file("empty");
        case Where::Missing: return root_->file("missing");
        case Where::Twins: return root_->file("twins");
        }
        return {};
    }

    static qvtest::TempDir* root_;
};

qvtest::TempDir* DifferentialListing::root_ = nullptr;

TEST_F(DifferentialListing, EveryCaseOfTheTable) {
#ifdef _WIN32
    const char* platform = "windows";
#else
    const char* platform = "posix";
#endif
    for (const Case& c : table()) {
        std::string directory = dirOf(c.where);
        std::string pattern;
        fs::path saved = fs::current_path();
        if (c.where == Where::MixedAsCurrent) {
            fs::current_path(directory);
            pattern = c.wildcard;
        } else {
            pattern = directory + ZephPathSeparatorText + c.wildcard;
        }
        ZephDirList* list = ZephDirList::create(nullptr, pattern.c_str(), c.options);
        fs::current_path(saved);

        Names actual;
        if (list == nullptr) {
            actual = None;
        } else {
            for (const ZephDirEntry* entry = list->first; entry != nullptr; entry = entry->next) {
                std::string name = entry->name;
                // Full paths are compared without the directory they start with.
                std::string prefix = directory + ZephPathSeparatorText;
                if ((c.options & ZephDirFullPaths) && c.where != Where::MixedAsCurrent &&
                    name.compare(0, prefix.size(), prefix) == 0)
                    name = "<dir>" + name.substr(prefix.size());
                actual.push_back(name);
            }
            EXPECT_EQ(list->count, static_cast<int32_t>(actual.size()));
        }
        ZephDirList::destroy(&list);

        Names expected = c.expected;
#ifdef _WIN32
        if (!c.onWindows.empty())
            expected = c.onWindows;
#endif
        std::cout << platform << ": " << c.title << " (" << printable(c.wildcard) << ", options " << c.options
                  << ") -> " << printable(actual) << "\n";
        if (c.tiesInAnyOrder) {
            std::sort(actual.begin(), actual.end());
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(printable(actual), printable(expected))
            << c.title << (c.why != nullptr ? "; " : "") << (c.why != nullptr ? c.why : "");
    }
}

} // namespace
