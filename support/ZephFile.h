// ZephFile.h - one open file, on disk or in memory, with a 64-bit size and
// position, the hex dump, and six whole-file operations.
#ifndef QUORVEL_SUPPORT_ZEPHFILE_H
#define QUORVEL_SUPPORT_ZEPHFILE_H

#include "ZephError.h"
#include "ZephSysFile.h"

#include <cstdint>

struct ZephMemManager;

// Open mode bits, the second argument of ZephFile::open.
enum : uint32_t {
    OpenMemory = 0x01, // no disk file: the content lives in a block; other bits ignored
    OpenCreate = 0x02, // when the file cannot be opened, create it
    OpenRead = 0x04,
    OpenWrite = 0x08,    // with OpenRead: read and write
    OpenShared = 0x10,   // others may read and write meanwhile; otherwise exclusive
    OpenTruncate = 0x20, // an existing file is cut to zero length before it is opened
    OpenAtEnd = 0x40     // the position starts at the end instead of at 0
};

// Bits of ZephFile::state.
enum : uint32_t { ZephFileStateOpen = 1, ZephFileStateMemory = 2, ZephFileStateAtEnd = 4 };

// The longest prefix and the most bytes per line a hex dump line takes; more
// is cut to these, so that every line fits its 512-byte work area.
inline constexpr int32_t ZephFileHexDumpMaxPrefix = 64;
inline constexpr int32_t ZephFileHexDumpMaxBytesPerLine = 64;

// A file object is closed (state 0) or open on disk or in memory. A memory
// file's content lives in block (named "ZephFile memory buffer", from
// manager), which grows by growthStep bytes at a time and is released on
// close; its size is the highest end written. A disk file's size is its
// length when opened, raised by writes past it. Every operation returns 0 or
// -1 and says nothing but failure, the cause of the last -1 of open, openIn,
// read or write (a disk read that finds the file shorter than its size at
// the open is ZephErrChanged); a failed open leaves the object closed, a
// failed read leaves the position where it was.
struct ZephFile {
    ZephMemManager* manager = nullptr;
    int64_t handle = ZephSysFileNone;
    uint32_t state = 0;
    int64_t size = 0;
    int64_t position = 0;
    char* block = nullptr;
    int32_t blockCapacity = 0;
    int32_t growthStep = 4096;
    ZephFailure failure;

    ZephFile() = default;
    ~ZephFile() { close(); }
    ZephFile(const ZephFile&) = delete;
    ZephFile& operator=(const ZephFile&) = delete;

    bool isOpen() const { return (state & ZephFileStateOpen) != 0; }
    bool isMemory() const { return (state & ZephFileStateMemory) != 0; }
    bool atEnd() const { return (state & ZephFileStateAtEnd) != 0; }

    // Closes the file if open and binds the object to manager (none:
    // untracked blocks). Cannot fail.
    void init(ZephMemManager* manager);
    // Opens path with the mode bits above (path is ignored with OpenMemory).
    // Without OpenShared the file is opened alone. -1 when path is missing,
    // neither OpenRead nor OpenWrite is given, or the platform refuses.
    int open(const char* path, uint32_t mode);
    // Opens name inside an open folder for reading (OpenRead, with or
    // without OpenShared; other bits refused), never through a link nor a
    // special file: see ZephSysFiles.openIn.
    int openIn(int64_t folder, const char* name, uint32_t mode);
    // Reads count bytes to destination. A disk read that finds fewer bytes
    // fails. A memory read copies what lies before the block's end (possibly
    // nothing) and always succeeds.
    int read(void* destination, int64_t count);
    // Writes count bytes (a negative count is 0). A memory file grows its
    // block as needed. On disk, anything short of count is -1; the position
    // still advances by the bytes that reached the file.
    int write(const void* source, int64_t count);
    // The text, then CR LF.
    int writeLine(const char* text);
    // Position = size + offset (a memory file clamps below at 0).
    int seekFromEnd(int64_t offset);
    // Releases the block and the handle; keeps manager and growthStep.
    // Reports nothing, and a closed object is left as it is.
    void close();
    // Makes the memory block exactly n bytes, keeping the first bytes and
    // zeroing the rest; the size does not change. n = 0 releases it.
    int setMemoryCapacity(int32_t n);
    // Writes data as lines of hex groups "%2.2x ", each line opened by prefix
    // and the offset (baseOffset + index, "%8.8d") and, with showText, closed
    // by "    [text]" (bytes outside 0x20-0x7E shown as '.'); the last line is
    // padded so its text lines up. Lines end with CR LF. bytesPerLine is
    // raised to 1 and cut to ZephFileHexDumpMaxBytesPerLine, the prefix to
    // ZephFileHexDumpMaxPrefix bytes. Length 0 writes nothing.
    int hexDump(const char* prefix, const void* data, int32_t length, int32_t baseOffset, int32_t bytesPerLine,
                bool showText);
};

// True when path names exactly one existing entry that is not a directory.
// path is a search pattern: one with wildcards matching two names is false.
bool ZephFileExists(const char* path);

// Cuts an existing file to zero length. -1 when it does not exist or cannot
// be opened for writing.
int ZephFileTruncate(const char* path);

// Appends text and CR LF to path, creating the file when missing.
int ZephFileAppendLine(const char* path, const char* text);

// Appends a hex dump (see ZephFile::hexDump) to path, creating it when missing.
int ZephFileAppendHexDump(const char* path, const char* prefix, const void* data, int32_t length, int32_t baseOffset,
                          int32_t bytesPerLine, bool showText);

// Loads the whole file into a new block from manager, named "_ZEPHFILE
// buffer" (an empty file gives a valid block of size 0). The caller releases
// it with ZephMemFree. outSize, when given, is set to the size, or to 0 on
// failure. A file larger than 2,147,483,647 bytes is refused (none).
void* ZephFileLoad(ZephMemManager* manager, const char* path, int32_t* outSize = nullptr);

// ZephFileLoad of name inside an open folder (ZephFile::openIn: no link, no
// special file). identity, when given, receives the file's identity as it
// was read, for a replacement that must find it unchanged; failure, when
// given, the cause of a none.
void* ZephFileLoadIn(ZephMemManager* manager, int64_t folder, const char* name, int32_t* outSize,
                     ZephSysFileIdentity* identity, ZephFailure* failure);

// Makes path hold exactly length bytes of data, creating it when missing.
// Written beside the file and put in its place only when complete
// (ZephFileReplacer, which keeps the file's metadata), so a failure leaves
// an existing file as it was. -1 for a missing path or data, a length <= 0,
// or any failure.
int ZephFileSave(const char* path, const void* data, int32_t length);

#endif
