// ZephSysDir.cpp - the directory-search table and the wildcard rules shared
// by both platform layers.
#include "ZephSysDir.h"

#include "ZephStr.h"

// Both tables are constant-initialised from the platform functions, so they
// are valid before any static constructor could list a directory.
const ZephSysDirTable ZephSysDirsDefault = {ZephSysFindFirst, ZephSysFindNext, ZephSysFindClose,
                                            ZephSysFileTimeToCalendar};
ZephSysDirTable ZephSysDirs = {ZephSysFindFirst, ZephSysFindNext, ZephSysFindClose, ZephSysFileTimeToCalendar};

namespace {

// Greedy walk that remembers the last '*': on a mismatch the star takes one
// more byte and the rest of the pattern is tried again. Linear in the usual
// cases, never worse than pattern length times name length. The pattern is
// the bytes up to end.
bool matchUpTo(const char* pattern, const char* end, const char* name) {
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != 0) {
        if (pattern != end && *pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (pattern != end && (*pattern == '?' || ZephStrFold(static_cast<unsigned char>(*pattern)) ==
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
    while (pattern != end && *pattern == '*')
        ++pattern;
    return pattern == end;
}

} // namespace

bool ZephSysWildcardMatch(const char* pattern, const char* name) {
    if (pattern == nullptr || name == nullptr)
        return false;
    const char* end = pattern + ZephStrLength(pattern);
    if (matchUpTo(pattern, end, name))
        return true;
    // Windows lets a final ".*" match the end of a name as well, so "*.*"
    // takes names without a dot and "readme.*" takes "readme".
    return end - pattern >= 2 && end[-2] == '.' && end[-1] == '*' && matchUpTo(pattern, end - 2, name);
}
