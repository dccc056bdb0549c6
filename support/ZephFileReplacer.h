// ZephFileReplacer.h - rewrites a file without ever losing it: the new
// content goes into a temporary file beside it, which takes the file's place
// only when complete and on disk.
#ifndef QUORVEL_SUPPORT_ZEPHFILEREPLACER_H
#define QUORVEL_SUPPORT_ZEPHFILEREPLACER_H

#include "ZephError.h"
#include "ZephSysFile.h"

#include <cstdint>

struct ZephMemManager;

// Use: begin(target), write(...) any number of times, then commit() or
// abandon(). Until commit succeeds the target is untouched; whatever fails,
// it stays byte for byte as it was and no temporary file is left. A target
// that does not exist yet is created by the commit.
//
//   ZephFileReplacer replacer;
//   replacer.init(manager);
//   if (replacer.begin(path) != 0 || replacer.write(data, n) != 0 || replacer.commit() != 0)
//       ...report; nothing changed...
//
// The rewritten file keeps the target's permission bits (POSIX) or
// attributes (Win32). It is a new file, though: on POSIX it has the writer
// as owner and no longer shares a hard link.
//
// Every operation that returns -1 leaves the replacer idle, the temporary
// removed (unless removing it failed too) and the cause in error.
// Destruction abandons an unfinished replacement.
struct ZephFileReplacer {
    ZephMemManager* manager = nullptr; // where the path block comes from
    char* targetPath = nullptr;        // both paths live in one block, "ZephFileReplacer paths"
    char* temporaryPath = nullptr;
    int64_t handle = ZephSysFileNone; // the open temporary file
    int64_t written = 0;              // bytes taken by write since begin
    // Small writes are gathered here (in the paths' block) and go to the
    // file PendingCapacity bytes at a time: the patch job hands over 4096-byte
    // pieces, and the system call per piece cost more than the copy.
    static constexpr int32_t PendingCapacity = 65536;
    char* pending = nullptr;
    int32_t pendingLength = 0;
    bool contentOnDisk = false; // flushed by flushContent; commit skips it
    bool targetExisted = false;
    uint32_t targetPermissions = 0; // as ZephSysFiles.query reported them
    ZephError error = ZephErrNone;  // why the last -1 happened
    // commit syncs the target's folder itself. A caller that puts many files
    // of one folder in place turns this off and syncs the folder once, after
    // the last commit (ZephSysFiles.flushDirectoryOf): each file is then
    // still either old or new after a crash, since its content is on disk
    // before its rename, and only the renames since the last sync may be
    // undone. Kept by init.
    bool syncFolder = true;

    ZephFileReplacer() = default;
    ~ZephFileReplacer() { abandon(); }
    ZephFileReplacer(const ZephFileReplacer&) = delete;
    ZephFileReplacer& operator=(const ZephFileReplacer&) = delete;

    // Abandons any unfinished replacement and binds to manager (none:
    // untracked blocks). Cannot fail.
    void init(ZephMemManager* manager);

    // Starts replacing targetPath. Fails before anything is written when the
    // target is a directory or a link (never written through), cannot be
    // opened for writing alone (read-only, in use), or when no temporary file
    // can be made in its folder. An unfinished replacement is abandoned first.
    int begin(const char* targetPath);

    // Appends count bytes to the new content (count 0 does nothing). They may
    // be held until a later write or the commit, which then reports a failure
    // to put them on disk.
    int write(const void* source, int64_t count);

    // Writes what was gathered and asks the system to start putting the new
    // content on disk without waiting (ZephSysFiles.startWriteback). The
    // commit that follows then mostly finds it done: a caller rewriting many
    // files seals each when complete and commits them a few at a time, so
    // that one journal commit of the file system covers several flushes.
    // Nothing takes the target's place yet.
    int seal();

    // Writes what was gathered and waits until the new content is on disk,
    // as commit would first. A caller committing several files flushes them
    // all before the first commit: each rename in between would otherwise
    // give the next flush a journal commit of its own to wait for.
    int flushContent();

    // Takes over other's unfinished replacement (after abandoning its own),
    // leaving other idle without touching the temporary file. Cannot fail.
    void takeOver(ZephFileReplacer& other);

    // Flushes the new content to disk, closes it, gives it the target's
    // permissions and puts it in the target's place (POSIX: fsync, rename,
    // fsync of the folder unless syncFolder is off; Win32: FlushFileBuffers,
    // MoveFileExA with write-through). Once the new file has taken the
    // target's name the result is 0: a folder that cannot be synced is not a
    // failure.
    int commit();

    // Closes and removes the temporary file; the target stays as it was.
    // Does nothing when idle. Keeps error.
    void abandon();

    bool isActive() const { return targetPath != nullptr; }

private:
    int writePending(); // 0, or -1 after fail
};

#endif
