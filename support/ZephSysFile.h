// ZephSysFile.h - platform layer: files by handle, and the steps of a safe
// rewrite inside one folder. Portable code reaches it only through
// ZephSysFiles, a table that tests may swap to inject failures
// (tests/helpers/QvFileFault.h).
#ifndef QUORVEL_SUPPORT_ZEPHSYSFILE_H
#define QUORVEL_SUPPORT_ZEPHSYSFILE_H

#include "ZephError.h"

#include <cstdint>

// Handles are opaque; this value is never a valid one (-1 on both platforms:
// neither a POSIX descriptor nor a usable Win32 file handle).
inline constexpr int64_t ZephSysFileNone = -1;

// Flags of ZephSysFileTable::open and openIn.
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
    // Create a new file; ZephErrExists when the name is taken. With openIn
    // the file is private to its creator (POSIX mode 0600) and marked in use
    // while open (see removeUnusedIn).
    ZephSysOpenCreateNew = 0x10
};

enum ZephSysSeekOrigin : int { ZephSysSeekBegin = 0, ZephSysSeekCurrent = 1, ZephSysSeekEnd = 2 };

// What query reports about a path, without following a final link.
struct ZephSysFileInfo {
    uint64_t size;
    // POSIX: the mode's permission bits (07777). Win32: the file attributes.
    uint32_t permissions;
    bool isDirectory;
    bool isLink; // POSIX symbolic link, Win32 reparse point
};

// Which file an open handle or a name stands for and its state: enough to
// tell whether it is still the file that was read, unchanged.
struct ZephSysFileIdentity {
    uint64_t volume; // POSIX st_dev; Win32 volume serial number
    uint64_t file;   // POSIX st_ino; Win32 file index
    uint64_t size;
    int64_t written; // last modification: POSIX nanoseconds, Win32 FILETIME
    int64_t changed; // last status change (metadata too): POSIX ctime, Win32 ChangeTime
    uint32_t links;  // names of the file (hard links)
    // POSIX owner, group and mode (07777); Win32 attributes in mode, owner and group 0.
    uint32_t owner;
    uint32_t group;
    uint32_t mode;
};

// The same file (volume and file number), unchanged since `before` was
// taken: size, modification and change times too.
bool ZephSysSameFile(const ZephSysFileIdentity& before, const ZephSysFileIdentity& now);
bool ZephSysUnchanged(const ZephSysFileIdentity& before, const ZephSysFileIdentity& now);

// Every entry returns ZephErrNone or the code of the failure and records the
// system's number for it (ZephSysLastError). Counts and positions are 64-bit
// on both platforms. Names given to the ...In calls are single names inside
// a folder opened with openFolder, never paths.
struct ZephSysFileTable {
    // Opens path with the flags above. A directory is refused (ZephErrInvalid
    // on POSIX, ZephErrAccess on Win32) on both platforms. A read-only file
    // (POSIX: no one has a write permission bit; Win32: the read-only
    // attribute) is never opened for writing, whatever the caller's
    // privileges: ZephErrReadOnly. Sets *handle only on success.
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
    // Asks the system to start writing the file's data to disk without
    // waiting for it (Linux: sync_file_range), so that a flush soon after
    // finds it done or on its way. Only a hint: elsewhere it does nothing,
    // and a file system that cannot is not a failure.
    ZephError (*startWriteback)(int64_t handle);

    // Opens the folder at path (links on the way are followed: the caller
    // chose it) for the calls below. Win32 paths of any length Windows
    // allows. ZephErrNotFound, ZephErrInvalid for a file, and so on.
    ZephError (*openFolder)(const char* path, int64_t* folder);
    // Releases the folder, and its lock when it holds one. Cannot fail.
    void (*closeFolder)(int64_t folder);
    // Takes the folder's run lock, without waiting: ZephErrBusy when another
    // open folder (in this or another process) holds it. POSIX: flock on the
    // folder; Win32: a named mutex of the folder's volume and file number.
    // Nothing is added to the folder. Released by closeFolder or the end of
    // the process.
    ZephError (*lockFolder)(int64_t folder);
    // Opens name inside folder, never following a link: ZephErrLink for a
    // link (Win32: a reparse point, or under Wine a name that is a link on
    // the host), ZephErrNotRegular for a directory, FIFO, socket or device
    // (never waited on), ZephErrReadOnly for a read-only file opened for
    // writing or, with ZephSysOpenCreateNew, a folder that no one may write
    // (POSIX: no write bit; root too). ZephSysOpenShared as for open; Win32
    // reports a file held open without sharing as ZephErrInUse.
    ZephError (*openIn)(int64_t folder, const char* name, uint32_t flags, int64_t* handle);
    // Identity and state of an open file.
    ZephError (*identify)(int64_t handle, ZephSysFileIdentity* identity);
    // Identity and state of name inside folder, without following a link.
    ZephError (*identifyIn)(int64_t folder, const char* name, ZephSysFileIdentity* identity);
    // Gives the file target what the file source has that its content does
    // not carry, as far as the caller may: POSIX owner, group, extended
    // attributes (ACLs among them) and then the mode; when the owner or group
    // cannot be kept, setuid and setgid (and file capabilities) are dropped
    // rather than handed to another owner. Win32: the attributes, read-only
    // aside (a replacement keeps the rest through ReplaceFileW). source
    // ZephSysFileNone: the mode a created file gets (0666 less the umask).
    ZephError (*keepMetadata)(int64_t source, int64_t target);
    // Puts the file from in the place of to in one step, replacing a file
    // that is there (POSIX renameat; Win32 ReplaceFileW, which keeps the
    // replaced file's creation time, attributes, security and streams, or
    // MoveFileExW with write-through when to does not exist). When it fails,
    // both names are as they were.
    ZephError (*replaceIn)(int64_t folder, const char* from, const char* to);
    // Deletes name inside folder (a link itself, never what it points to).
    ZephError (*removeIn)(int64_t folder, const char* name);
    // Deletes name inside folder unless a program holds it open as created
    // with ZephSysOpenCreateNew (ZephErrInUse) or it is not a regular file
    // (ZephErrNotRegular).
    ZephError (*removeUnusedIn)(int64_t folder, const char* name);
    // Makes the folder's entries durable (POSIX fsync of the folder; a file
    // system that cannot is not a failure). Win32: nothing to do.
    ZephError (*flushFolder)(int64_t folder);
    // Asks the system to start reading the first count bytes of name inside
    // folder into its cache and returns without waiting (POSIX_FADV_WILLNEED),
    // so that a reader working through many files keeps a cold disk busy
    // with several of them at once. *started (may be none) tells whether
    // reads were started: not when the end of the range is already cached,
    // nor for anything but a regular file, nor where no such hint exists
    // (Win32, whose cache reads ahead on its own). Only a hint: it follows
    // no link, never waits on the name, leaves no handle open, and what it
    // cannot do is read when its turn comes.
    ZephError (*prefetchIn)(int64_t folder, const char* name, int64_t count, bool* started);
    // Identity of an open folder (volume and file number; the rest as for a
    // file), the same for every path that leads to it.
    ZephError (*identifyFolder)(int64_t folder, ZephSysFileIdentity* identity);
    // Bytes the caller may still write on the folder's volume (POSIX
    // f_bavail; Win32 GetDiskFreeSpaceExW's free bytes available to the
    // caller, quotas included).
    ZephError (*freeSpace)(int64_t folder, uint64_t* bytes);
    // Creates the folder at path, readable by its owner alone (POSIX 0700;
    // Win32 the parent's inherited security). ZephErrExists when something
    // is there already; the folder above must exist.
    ZephError (*makeFolder)(const char* path);
    // Returns once the data of all count handles have reached the disk, as a
    // flush of each would, but lets the system wait for them together:
    // several flushes at once (from up to 8 threads), so that one commit of
    // the file system's journal and one cache flush of the disk serve many
    // files. On failure *failed is the lowest index that failed
    // (its error returned, its number recorded); the others may or may not
    // have been flushed.
    ZephError (*flushAll)(const int64_t* handles, int32_t count, int32_t* failed);
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
ZephError ZephSysFileStartWriteback(int64_t handle);
ZephError ZephSysFolderOpen(const char* path, int64_t* folder);
void ZephSysFolderClose(int64_t folder);
ZephError ZephSysFolderLock(int64_t folder);
ZephError ZephSysFileOpenIn(int64_t folder, const char* name, uint32_t flags, int64_t* handle);
ZephError ZephSysFileIdentify(int64_t handle, ZephSysFileIdentity* identity);
ZephError ZephSysFileIdentifyIn(int64_t folder, const char* name, ZephSysFileIdentity* identity);
ZephError ZephSysFileKeepMetadata(int64_t source, int64_t target);
ZephError ZephSysFileReplaceIn(int64_t folder, const char* from, const char* to);
ZephError ZephSysFileRemoveIn(int64_t folder, const char* name);
ZephError ZephSysFileRemoveUnusedIn(int64_t folder, const char* name);
ZephError ZephSysFolderFlush(int64_t folder);
ZephError ZephSysFilePrefetchIn(int64_t folder, const char* name, int64_t count, bool* started);
ZephError ZephSysFolderIdentify(int64_t folder, ZephSysFileIdentity* identity);
ZephError ZephSysFolderFreeSpace(int64_t folder, uint64_t* bytes);
ZephError ZephSysFolderMake(const char* path);
ZephError ZephSysFileFlushAll(const int64_t* handles, int32_t count, int32_t* failed);

#endif
