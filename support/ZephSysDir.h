// ZephSysDir.h - platform layer: directory search with Win32 wildcard rules,
// and file-time conversion. Portable code reaches it only through ZephSysDirs,
// a table that tests may swap to inject failures.
#ifndef QUORVEL_SUPPORT_ZEPHSYSDIR_H
#define QUORVEL_SUPPORT_ZEPHSYSDIR_H

#include "ZephError.h"

#include <cstdint>

// Platform attribute bits as Win32 reports them; the POSIX layer produces the
// same bits (directory, read-only, hidden for dot names, archive for files).
enum : uint32_t {
    ZephSysAttrReadOnly = 0x1,
    ZephSysAttrHidden = 0x2,
    ZephSysAttrSystem = 0x4,
    ZephSysAttrDirectory = 0x10,
    ZephSysAttrArchive = 0x20,
    ZephSysAttrNormal = 0x80,
    ZephSysAttrTemporary = 0x100,
    ZephSysAttrReparsePoint = 0x400, // a symbolic link on POSIX
    ZephSysAttrCompressed = 0x800
};

// One match of a search. Names are whole file names (never paths), so the
// area is ample for any file system here.
struct ZephSysFindData {
    char name[1024];
    uint32_t attributes;
    uint64_t size;
    // 100-nanosecond units since 1 January 1601 UTC; 0 when unknown.
    uint64_t created;
    uint64_t accessed;
    uint64_t written;
};

// A calendar time as FileTimeToSystemTime gives it.
struct ZephSysCalendar {
    uint16_t year, month, day, hour, minute, second, milliseconds;
};

struct ZephSysDirTable {
    // Starts a search: the last component of pattern holds * and ? matched
    // ignoring ASCII case; "*.*" matches every name. "." and ".." come back
    // like other names. ZephErrNotFound when nothing matches.
    ZephError (*findFirst)(const char* pattern, ZephSysFindData* data, int64_t* handle);
    // The next match; ZephErrNotFound at the end.
    ZephError (*findNext)(int64_t handle, ZephSysFindData* data);
    void (*findClose)(int64_t handle);
    // File time to calendar time, in UTC or in local time under the rules
    // in force at that date. -1 when it cannot be converted.
    int (*toCalendar)(uint64_t fileTime, bool utc, ZephSysCalendar* out);
};

extern ZephSysDirTable ZephSysDirs;             // what the library calls
extern const ZephSysDirTable ZephSysDirsDefault; // the real platform calls

#endif
