// ZephSysFile.h - platform layer: files by handle and the few path steps a
// safe replacement needs. Portable code reaches it only through ZephSysFiles,
// a table that tests may swap to inject failures (tests/helpers/QvFileFault.h).
#ifndef QUORVEL_SUPPORT_ZEPHSYSFILE_H
#define QUORVEL_SUPPORT_ZEPHSYSFILE_H

#include "ZephError.h"

#include <cstdint>

// Handles are opaque; this value is never a valid one (-1 on both platforms:
// neither a POSIX descriptor nor a usable Win32 file handle).
inline constexpr int64_t ZephSysFileNone = -1;

// Flags of ZephSysFileTable::open.
enum : uint32_t {
    ZephSysOpenRead = 0x1,
    ZephSysOpenWrite = 0x2, // with ZephSysOpenRead: read and write
    // Others may read and write the file while it is open; without it the
    // file is opened alone (Win32 share mode 0). POSIX has no mandatory
    // sharing, so there the flag changes nothing.
    ZephSysOpenShared = 0x4,
    // Create the file when it is missing (normal attributes; POSIX mode 0666
    // less the umask). An existing file is opened as it is, never emptied.
    ZephSysOpenCreate = 0x8,
    // Create a new file; ZephErrExists when the name is taken. For temporary
    // names that must not meet anyone else's file.
    ZephSysOpenCreateNew = 0x10
};

enum ZephSysSeekOrigin : int { ZephSysSeekBegin = 0, ZephSysSeekCurrent = 1, ZephSysSeekEnd = 2 };

// What query reports about a path, without following a final link.
struct ZephSysFileInfo {
    uint64_t size;
    // POSIX: the mode's permission bits (07777). Win32: the file attributes.
    // Opaque to portable code: only handed back to setPermissions.
    uint32_t permissions;
    bool isDirectory;
    bool isLink; // POSIX symbolic link, Win32 reparse point
};

// Every entry returns ZephErrNone or the code of the failure. Counts and
// positions are 64-bit on both platforms.
struct ZephSysFileTable {
    // Opens path with the flags above. A directory is refused (ZephErrInvalid
    // on POSIX, ZephErrAccess on Win32) on both platforms. A read-only file
    // (POSIX: no one has a write permission bit; Win32: the read-only
    // attribute) is never opened for writing, whatever the caller's
    // privileges: ZephErrAccess, as Windows itself answers. Sets *handle only
    // on success.
    ZephError (*open)(const char* path, uint32_t flags, int64_t* handle);
    // Reads up to count bytes at the file position; *done is less than count
    // only at the end of the file. On failure *done holds what was read.
    ZephError (*read)(int64_t handle, void* buffer, int64_t count, int64_t* done);
    // Writes all count bytes, resuming after partial writes; anything less is
    // a failure (ZephErrNoSpace for a full disk), with *done the bytes that
    // did reach the file.
    ZephError (*write)(int64_t handle, const void* buffer, int64_t count, int64_t* done);
    // Moves the file position; *position receives the new offset.
    ZephError (*seek)(int64_t handle, int64_t offset, ZephSysSeekOrigin origin, int64_t* position);
    // Sets the file's length; the file position does not move.
    ZephError (*truncate)(int64_t handle, int64_t size);
    // Returns once the file's data have reached the disk (fsync, FlushFileBuffers).
    ZephError (*flush)(int64_t handle);
    // Closes the handle. Even when it reports a failure the handle is gone.
    ZephError (*close)(int64_t handle);
    // Describes path. ZephErrNotFound when nothing is there.
    ZephError (*query)(const char* path, ZephSysFileInfo* info);
    // Gives path the permissions (or attributes) that query reported for
    // another file.
    ZephError (*setPermissions)(const char* path, uint32_t permissions);
    // Puts the file from in the place of to in one step, replacing a file
    // that is there (POSIX rename; Win32 MoveFileExA with replace-existing and
    // write-through). When it fails, both names are as they were.
    ZephError (*replace)(const char* from, const char* to);
    // Deletes the file path.
    ZephError (*remove)(const char* path);
    // Makes the directory entry of path durable (POSIX: fsync of the folder
    // holding it; a file system that cannot is not a failure). Win32: nothing
    // to do, the write-through replace already did it.
    ZephError (*flushDirectoryOf)(const char* path);
    // Asks the system to start writing the file's data to disk without
    // waiting for it (Linux: sync_file_range), so that a flush soon after
    // finds it done or on its way. Only a hint: elsewhere it does nothing,
    // and a file system that cannot is not a failure.
    ZephError (*startWriteback)(int64_t handle);
    // Asks the system to start reading the first count bytes of the file at
    // path into its cache and returns without waiting (POSIX_FADV_WILLNEED),
    // so that a reader working through many files keeps a cold disk busy
    // with several of them at once. *started (may be none) tells whether
    // reads were started: not when the end of the range is already cached,
    // nor where no such hint exists (Win32, whose cache reads ahead on its
    // own). Only a hint: it follows no final link, leaves no handle open,
    // and what it cannot do is read when its turn comes.
    ZephError (*prefetch)(const char* path, int64_t count, bool* started);
};

extern ZephSysFileTable ZephSysFiles;              // what the library calls
extern const ZephSysFileTable ZephSysFilesDefault; // the real platform calls

// The real calls, one definition per platform (support/posix, support/win32).
// Call them through ZephSysFiles so that tests can step in.
ZephError ZephSysFileOpen(const char* path, uint32_t flags, int64_t* handle);
ZephError ZephSysFileRead(int64_t handle, void* buffer, int64_t count, int64_t* done);
ZephError ZephSysFileWrite(int64_t handle, const void* buffer, int64_t count, int64_t* done);
ZephError ZephSysFileSeek(int64_t handle, int64_t offset, ZephSysSeekOrigin origin, int64_t* position);
ZephError ZephSysFileTruncate(int64_t handle, int64_t size);
ZephError ZephSysFileFlush(int64_t handle);
ZephError ZephSysFileClose(int64_t handle);
ZephError ZephSysFileQuery(const char* path, ZephSysFileInfo* info);
ZephError ZephSysFileSetPermissions(const char* path, uint32_t permissions);
ZephError ZephSysFileReplace(const char* from, const char* to);
ZephError ZephSysFileRemove(const char* path);
ZephError ZephSysFileFlushDirectoryOf(const char* path);
ZephError ZephSysFileStartWriteback(int64_t handle);
ZephError ZephSysFilePrefetch(const char* path, int64_t count, bool* started);

#endif
