// ZephSysDir.h - platform layer: directory search with Win32 wildcard rules,
// and file-time conversion. Portable code reaches it only through ZephSysDirs,
// a table that tests may swap to inject failures.
#ifndef QUORVEL_SUPPORT_ZEPHSYSDIR_H
#define QUORVEL_SUPPORT_ZEPHSYSDIR_H

#include "ZephError.h"

#include <cstdint>

// Platform attribute bits as Win32 reports them. The POSIX layer synthesises
// the same bits from lstat, the way Wine shows a Unix file system to Windows
// programs: directory for a directory; archive for everything else; read-only
// when no one has the write permission bit (a property of the file, as on
// Windows, not of the caller: root may write anything); hidden for a name
// that begins with a dot, other than "." and ".."; reparse point for a
// symbolic link, whose own attributes, size (0) and times are reported
// without following it.
enum : uint32_t {
    ZephSysAttrReadOnly = 0x1,
    ZephSysAttrHidden = 0x2,
    ZephSysAttrSystem = 0x4,
    ZephSysAttrDirectory = 0x10,
    ZephSysAttrDevice = 0x40, // a FIFO, socket or device on POSIX
    ZephSysAttrArchive = 0x20,
    ZephSysAttrNormal = 0x80,
    ZephSysAttrTemporary = 0x100,
    ZephSysAttrReparsePoint = 0x400, // a symbolic link on POSIX
    ZephSysAttrCompressed = 0x800
};

// One match of a search. Names are whole file names (never paths): at most
// 259 bytes on Windows and 255 on POSIX, so the area always holds them.
struct ZephSysFindData {
    char name[1024];
    uint32_t attributes;
    uint64_t size;
    // 100-nanosecond units since 1 January 1601 UTC; 0 when unknown. POSIX
    // has no creation time everywhere: created is the birth time where the
    // file system keeps one, otherwise the status-change time.
    uint64_t created;
    uint64_t accessed;
    uint64_t written;
    // Which file the name stood for when it was listed, as
    // ZephSysFileIdentity gives it (POSIX st_dev and st_ino); 0 and 0 when
    // the search does not tell (Win32).
    uint64_t volume;
    uint64_t file;
};

// A calendar time as FileTimeToSystemTime gives it.
struct ZephSysCalendar {
    uint16_t year, month, day, hour, minute, second, milliseconds;
};

// Wildcards, as both platforms apply them to the last path component: '*'
// matches any run of bytes, '?' exactly one byte, letters match ignoring
// ASCII case, and a final ".*" may also match the end of the name, so "*.*"
// matches every name, names without a dot too, and "a*.*" matches "apple".
// POSIX reproduces this common subset of the Win32 rules. Not reproduced:
// the older DOS rules ('?' matching nothing before a dot or at the end,
// "*." for names without a dot), matches on generated 8.3 short names
// ("*.htm" finding "x.html"), and case folding beyond ASCII.
struct ZephSysDirTable {
    // Starts a search for pattern (a directory, a separator, a wildcard name;
    // a bare wildcard name searches the current directory). On success fills
    // data with the first match and handle with the search to pass on.
    // "." and ".." come back like other names. ZephErrNotFound when nothing
    // matches or the directory does not exist, ZephErrAccess when it cannot
    // be read, ZephErrNoMemory, ZephErrIo otherwise; no handle is then open.
    ZephError (*findFirst)(const char* pattern, ZephSysFindData* data, int64_t* handle);
    // The next match; ZephErrNotFound at the end, another code on failure.
    ZephError (*findNext)(int64_t handle, ZephSysFindData* data);
    // Ends a search started with success. Cannot fail.
    void (*findClose)(int64_t handle);
    // File time to calendar time, in UTC or in local time under the current
    // zone's rules (POSIX: those in force at that date, as localtime_r gives
    // them; Win32: SystemTimeToTzSpecificLocalTime with the current zone).
    // 0, or -1 when it cannot be converted (out of the calendar's range).
    int (*toCalendar)(uint64_t fileTime, bool utc, ZephSysCalendar* out);
};

extern ZephSysDirTable ZephSysDirs;              // what the library calls
extern const ZephSysDirTable ZephSysDirsDefault; // the real platform calls

// The real calls, one definition per platform (support/posix, support/win32).
// Call them through ZephSysDirs so that tests can step in.
ZephError ZephSysFindFirst(const char* pattern, ZephSysFindData* data, int64_t* handle);
ZephError ZephSysFindNext(int64_t handle, ZephSysFindData* data);
void ZephSysFindClose(int64_t handle);
int ZephSysFileTimeToCalendar(uint64_t fileTime, bool utc, ZephSysCalendar* out);

// Matches name against one wildcard component by the rules above. Portable,
// used by the POSIX search; exposed for tests.
bool ZephSysWildcardMatch(const char* pattern, const char* name);

#endif
