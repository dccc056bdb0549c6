// ZephSysDir.cpp - the directory-search table and the wildcard rules shared
// by both platform layers.
#include "ZephSysDir.h"

#include "ZephStr.h"

// Both tables are constant-initialised from the platform functions, so they
// are valid before any static constructor could list a directory.
const ZephSysDirTable ZephSysDirsDefault = {ZephSysFindFirst, ZephSysFindNext, ZephSysFindClose,
                                            ZephSysFileTimeToCalendar};
ZephSysDirTable ZephSysDirs = {ZephSysFindFirst, ZephSysFindNext, ZephSysFindClose, ZephSysFileTimeToCalendar};

bool ZephSysWildcardMatch(const char* pattern, const char* name) {
    if (pattern == nullptr || name == nullptr)
        return false;
    if (ZephStrEqual(pattern, "*.*"))
        return true;
    // Greedy walk that remembers the last '*': on a mismatch the star takes
    // one more byte and the rest of the pattern is tried again. Linear in the
    // usual cases, never worse than pattern length times name length.
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != 0) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern != 0 && (*pattern == '?' || ZephStrFold(static_cast<unsigned char>(*pattern)) ==
                                                          ZephStrFold(static_cast<unsigned char>(*name)))) {
            ++pattern;
            ++name;
        } else if (starPattern != nullptr) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}
