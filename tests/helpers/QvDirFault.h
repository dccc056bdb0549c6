// QvDirFault.h - steps into the directory-search table (ZephSysDirs) for
// tests: failures on demand, and a scripted directory.
#ifndef QUORVEL_TESTS_QVDIRFAULT_H
#define QUORVEL_TESTS_QVDIRFAULT_H

#include "ZephSysDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

// For the object's lifetime, the n-th call of the chosen search operations
// fails with a chosen error (once, or with persistent that call and every
// later one); the other calls go to the table entries that were installed
// before. A failing findFirst opens no search and a failing findNext leaves
// the search open, as the real calls do, so findClose always has its handle.
// Destruction restores the entries it replaced.
//
//     qvtest::DirFault fault(qvtest::DirFault::FindNext, 2);
//     ZephDirList* list = ZephDirList::create(...);   // ends after 2 names
//
// One DirFault at a time; it may sit on top of a ScriptedDir.
class DirFault {
public:
    enum Operation : unsigned { FindFirst = 1, FindNext = 2 };

    DirFault(unsigned operations, int failAt, ZephError error = ZephErrIo, bool persistent = false);
    ~DirFault();
    DirFault(const DirFault&) = delete;
    DirFault& operator=(const DirFault&) = delete;

    // Calls of the chosen operations seen so far, and how many were failed.
    int calls() const;
    int failures() const;
};

// One name a ScriptedDir hands out.
struct ScriptedMatch {
    std::string name;
    uint32_t attributes = ZephSysAttrArchive;
    uint64_t size = 0;
    uint64_t created = 0, accessed = 0, written = 0;
};

// For the object's lifetime every search returns these matches in this
// order, whatever the pattern (none: ZephErrNotFound); times still convert
// through the real platform. Counts the searches left open, so tests can
// check that every search was closed. Destruction restores the table.
class ScriptedDir {
public:
    explicit ScriptedDir(std::vector<ScriptedMatch> matches);
    ~ScriptedDir();
    ScriptedDir(const ScriptedDir&) = delete;
    ScriptedDir& operator=(const ScriptedDir&) = delete;

    int openSearches() const;
    // The pattern of the last findFirst.
    const std::string& lastPattern() const;
};

} // namespace qvtest

#endif
