// Win32 side of the file object and the no-loss rewrite: sharing modes,
// what survives a rewrite, files that are read-only or in use, paths past
// MAX_PATH.
#include "PatchJob.h"
#include "WizardStrings.h"
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

TEST(ZephFileWin32, ExclusiveOpenKeepsOthersOut) {
    qvtest::TempDir dir;
    std::string p = dir.file("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "abc"));
    ZephFile alone, other;
    ASSERT_EQ(alone.open(p.c_str(), OpenWrite), 0);
    EXPECT_EQ(other.open(p.c_str(), OpenRead | OpenShared), -1);
    alone.close();
    ASSERT_EQ(alone.open(p.c_str(), OpenRead | OpenShared), 0);
    EXPECT_EQ(other.open(p.c_str(), OpenRead | OpenShared), 0) << "shared readers meet";
}

// What the replaced file has besides its content stays (ReplaceFileW, and
// the attributes given to the new file before, for Wine's ReplaceFileW).
TEST(ZephFileWin32, RewriteKeepsAttributesAndCreationTime) {
    qvtest::TempDir dir;
    std::string p = dir.file("GAME.EXE");
    ASSERT_TRUE(qvtest::writeFile(p, "old"));
    DWORD wanted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(p.c_str(), wanted));
    if (GetFileAttributesA(p.c_str()) != wanted)
        GTEST_SKIP() << "this file system does not keep the hidden attribute";
    WIN32_FILE_ATTRIBUTE_DATA before;
    ASSERT_TRUE(GetFileAttributesExA(p.c_str(), GetFileExInfoStandard, &before));
    Sleep(20);
    ASSERT_EQ(ZephFileSave(p.c_str(), "new", 3), 0);
    WIN32_FILE_ATTRIBUTE_DATA after;
    ASSERT_TRUE(GetFileAttributesExA(p.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(after.dwFileAttributes, wanted);
    // Under Wine the creation time is the host's, which Linux cannot set.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr) {
        EXPECT_EQ(0, CompareFileTime(&before.ftCreationTime, &after.ftCreationTime));
    }
    EXPECT_EQ(qvtest::readFile(p), "new");
}

// Refused before anything is written: a read-only file, and one that
// another program holds open without sharing it.
TEST(ZephFileWin32, ReadOnlyOrHeldFilesAreLeftAlone) {
    qvtest::TempDir dir;
    std::string p = dir.file("GAME.EXE");
    ZephFolder folder;
    ASSERT_EQ(folder.open(dir.path().c_str(), -1), 0);
    for (ZephError expected : {ZephErrReadOnly, ZephErrInUse}) {
        ASSERT_TRUE(qvtest::writeFile(p, "old"));
        HANDLE held = INVALID_HANDLE_VALUE;
        if (expected == ZephErrReadOnly)
            ASSERT_TRUE(SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY));
        else // a running game holds its file open for itself
            held = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ZephFileReplacer replacer;
        EXPECT_EQ(replacer.begin(folder.handle, "GAME.EXE"), -1);
        EXPECT_EQ(replacer.failure.code, expected);
        EXPECT_EQ(ZephFileSave(p.c_str(), "new", 3), -1);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(qvtest::readFile(p), "old");
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir.path() + "\\*.tmp").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary was left: " << found.cFileName;
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }
}

// Every file the scan counts can be rewritten, at any length Windows
// allows: beside MAX_PATH (where a temporary's longer name used to fail)
// and well past it.
TEST(ZephFileWin32, FilesPastMaxPathAreRewritten) {
    qvtest::TempDir root;
    for (size_t length : {size_t{250}, size_t{330}}) {
        std::wstring directory = L"\\\\?\\";
        for (char c : root.path())
            directory += static_cast<wchar_t>(c);
        while (directory.size() - 4 + 11 < length) {
            directory += L"\\" + std::wstring(std::min<size_t>(100, length - (directory.size() - 4) - 11), L'd');
            CreateDirectoryW(directory.c_str(), nullptr);
        }
        const std::string folder(directory.begin() + 4, directory.end());
        HANDLE file =
            CreateFileW((directory + L"\\a.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << length;
        DWORD written = 0;
        WriteFile(file, legacyServerAddress, sizeof legacyServerAddress - 1, &written, nullptr);
        CloseHandle(file);
        PatchJob job;
        job.init(nullptr);
        job.setDirectory(folder.c_str());
        job.setOldString(legacyServerAddress);
        job.setNewString(serviceHostName);
        job.convert = 1;
        job.start();
        job.step(-1);
        EXPECT_EQ(job.status, Finished) << length << ": " << job.message;
        EXPECT_EQ(job.filesMatched, 1) << length;
        job.clear();
    }
}

} // namespace
