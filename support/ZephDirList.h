// ZephDirList.h - one directory read into a name-ordered list of entries
// with sizes, attributes and calendar times.
#ifndef QUORVEL_SUPPORT_ZEPHDIRLIST_H
#define QUORVEL_SUPPORT_ZEPHDIRLIST_H

#include <cstdint>

struct ZephMemManager;
struct ZephDirList;

// Options of a list, fixed when it is created.
enum : uint32_t {
    ZephDirFullPaths = 1,  // store the pattern's directory, a separator and the name
    ZephDirKeepParent = 2, // keep ".." ("." is always dropped)
    ZephDirNoCase = 4,     // order by ZephStrCompareNoCase instead of byte order
    ZephDirUtc = 8         // keep times in UTC instead of local time
};

// Attribute bits of an entry: the library's own set, mapped from the
// platform's attributes; all other platform attributes are dropped.
enum : uint32_t {
    ZephAttrArchive = 0x01,
    ZephAttrCompressed = 0x02,
    ZephAttrDirectory = 0x04,
    ZephAttrHidden = 0x08,
    ZephAttrNormal = 0x10,
    ZephAttrReadOnly = 0x20,
    ZephAttrSystem = 0x40,
    ZephAttrTemporary = 0x80,
    // A symbolic link (POSIX) or reparse point (Win32). Its attributes are
    // the link's own, never its target's, so callers can refuse to write
    // through it.
    ZephAttrLink = 0x100,
    // A FIFO, socket or device (POSIX): no file to read or write, and one
    // that may wait for ever or act when opened.
    ZephAttrSpecial = 0x200
};

// A calendar time, day first. All fields 0 means no time is known.
struct ZephDirTime {
    uint8_t day;           // 1-31
    uint8_t month;         // 1-12
    uint16_t year;         // full year
    uint8_t hour;          // 0-23
    uint8_t minute;        // 0-59
    uint8_t second;        // 0-59
    uint16_t milliseconds; // 0-999

    // Fills the record from a platform file time (100-nanosecond units since
    // 1 January 1601 UTC): in UTC with ZephDirUtc, else in local time under
    // the current zone's rules. Only ZephDirUtc of options is read. Returns 0;
    // -1 with every field 0 when fileTime is none or cannot be converted.
    int fromFileTime(const uint64_t* fileTime, uint32_t options);
};

// One listed name. The record and its name text lie together in one of the
// list's "ZephDirEntry" blocks; name points just past the fixed fields and
// is never cut.
struct ZephDirEntry {
    ZephDirList* list;      // owner
    ZephDirEntry* previous; // neighbours in name order, none at the ends
    ZephDirEntry* next;
    char* name;          // bare name, or directory + separator + name
    uint32_t size;       // low 32 bits of the file size
    uint32_t attributes; // ZephAttr bits
    ZephDirTime created;
    ZephDirTime accessed;
    ZephDirTime written;
    // Which file the name stood for when listed (ZephSysFindData); 0 and 0
    // when the platform's search does not tell, and for addEntry.
    uint64_t volume;
    uint64_t file;
};

// A snapshot of one directory, always in name order (byte order, or ignoring
// ASCII case with ZephDirNoCase); among names that compare equal the one
// found later comes first. Walk it from first through next and read the
// fields directly. The list record is a block named "ZephDirList" from
// manager (none: untracked blocks from the standard heap); it owns its
// entries, which are never freed one at a time. One thread builds, reads and
// destroys a list; it has no lock of its own.
//
// Entries with their names are packed into blocks named "ZephDirEntry" of
// up to ZephDirSlabSize bytes (one entry with a longer name gets a block of
// its own size). Every allocation takes the manager's lock, a system call on
// Windows: a block per entry made a listing of tens of thousands of names
// spend seconds taking that lock, and as long again giving it back.
//
// A list is made whole by create, or in slices by start and readMore, so
// that a caller with a time budget can read a large directory a slice at a
// time. A list still reading (isReading) holds the names read so far in
// count and must not be walked yet.
struct ZephDirSlab;

inline constexpr int32_t ZephDirSlabSize = 65536;

struct ZephDirList {
    ZephMemManager* manager;
    uint32_t options;
    ZephDirEntry* first; // smallest name, none when empty or still reading
    ZephDirEntry* last;
    int32_t count;
    ZephDirSlab* slabs;     // the blocks holding the entries, newest first
    ZephDirEntry* unsorted; // while reading: the names read, newest first
    int64_t search;         // while reading: the open search
    int32_t reading;        // 1 from start until the search is over

    // Lists the directory of pattern: a directory, the platform separator
    // (see ZephPath.h) and a wildcard name with '*' and '?' such as "*.*"
    // (see ZephSysDir.h for the matching rules). A pattern without a separator
    // searches the current directory. Subdirectories are listed, flagged
    // ZephAttrDirectory, never entered. Returns the new list (an existing
    // empty directory gives a list with count 0), or none when nothing
    // matched, the directory is missing or unreadable, or memory ran out;
    // nothing partial ever reaches the caller. A failure of the platform while
    // reading further names ends the listing quietly with the names read so
    // far. Builds in O(n log n); the order is the one addEntry would give.
    // The same as start followed by one readMore without limit.
    static ZephDirList* create(ZephMemManager* manager, const char* pattern, uint32_t options);

    // Opens the search of pattern and takes its first name. None exactly
    // where create gives none; otherwise a list that is reading.
    static ZephDirList* start(ZephMemManager* manager, const char* pattern, uint32_t options);

    // Takes up to maxNames further names of a reading list. Returns 1 while
    // names may remain; 0 once the search is over (its end, or a failure of
    // the platform, as in create): the search is closed and the list is
    // complete and in order; also 0 for a list that was complete already.
    // -1 when memory ran out or *list is none: the list is destroyed and
    // *list set to none.
    static int readMore(ZephDirList** list, int32_t maxNames);

    // Closes a search still open, frees every entry and the list and sets
    // *list to none. Nothing happens when *list is already none; list itself
    // must not be none.
    static void destroy(ZephDirList** list);

    // Allocates one entry, fills it and links it in name order by a linear
    // walk from first (before the first name that compares greater or equal).
    // Each time may be none for an all-zero time. Returns the entry, or none
    // when list or name is none, the list is still reading or memory ran
    // out; the list is then unchanged.
    static ZephDirEntry* addEntry(ZephDirList* list, const char* name, uint32_t size, uint32_t attributes,
                                  const ZephDirTime* created, const ZephDirTime* accessed, const ZephDirTime* written);

    bool isReading() const { return reading != 0; }
};

#endif
