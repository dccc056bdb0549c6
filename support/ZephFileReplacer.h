// ZephFileReplacer.h - rewrites a file without ever losing it or anyone's
// change to it: the new content goes into a temporary file beside it, which
// takes the file's place only when complete and on disk, and only while the
// file is still the one that was read.
#ifndef QUORVEL_SUPPORT_ZEPHFILEREPLACER_H
#define QUORVEL_SUPPORT_ZEPHFILEREPLACER_H

#include "ZephError.h"
#include "ZephSysFile.h"

#include <cstdint>

struct ZephMemManager;

// Use: begin(folder, target...), write(...) any number of times, then
// commit() or abandon(). Until commit succeeds the target is untouched;
// whatever fails, it stays byte for byte as it was and no temporary file is
// left. A target that does not exist yet is created by the commit. A caller
// that puts many files in place all or none calls prepare() on each first:
// then every new file is complete, on disk and closed, and its commit is
// only the last look and the rename, which the caller makes when all are
// prepared.
//
//   ZephFileReplacer replacer;
//   replacer.init(manager);
//   if (replacer.begin(folder.handle, "GAME.INI", "GAME.INI", &identityWhenRead) != 0 ||
//       replacer.write(data, n) != 0 || replacer.commit() != 0)
//       ...report replacer.failure; nothing changed...
//
// Every name is a single name inside the folder (ZephFolder, not owned,
// open until the replacer is idle); nothing is ever reached through a link.
// The source is the file the new content was made from: the target itself,
// or the file beside it that a side copy ("NAME.new") is made from. When its
// identity when read is given, the commit refuses (ZephErrChanged) unless the
// name still stands for that file, unchanged (same file, size, modification
// and change times), checked last right before the replacement, so that
// another program's change is never overwritten.
//
// The new file takes what the source has besides its content
// (ZephSysFiles.keepMetadata): POSIX owner, group, mode and extended
// attributes (ACLs included), set on the temporary's descriptor before it is
// closed; setuid and setgid only when the owner (group) could be kept.
// Win32: ReplaceFileW keeps the replaced file's creation time, attributes,
// security and streams. A file with other names (hard links) is refused
// (ZephErrHardLinks): a replacement would leave them with the old content.
//
// Temporary names are ".qv" + 8 hex digits + ".tmp" (isTemporaryName), short
// and fixed, so that they fit wherever the target's name fits, and marked in
// use while written (ZephSysFiles.removeUnusedIn leaves them alone).
//
// Every operation that returns -1 leaves the replacer idle, the temporary
// removed (unless removing it failed too, or it was no longer ours) and the
// cause in failure. Destruction abandons an unfinished replacement.
struct ZephFileReplacer {
    ZephMemManager* manager = nullptr; // where the names' block comes from
    int64_t folder = ZephSysFileNone;  // not owned
    char* targetName = nullptr;        // the names live in one block, "ZephFileReplacer paths"
    char* temporaryName = nullptr;     // "" once it is no longer ours to remove
    char* sourceName = nullptr;        // the file whose metadata the new one takes
    ZephSysFileIdentity source{};      // the source when read, if checkSource
    bool checkSource = false;
    ZephSysFileIdentity temporary{};  // the temporary file as created
    int64_t handle = ZephSysFileNone; // the open temporary file
    int64_t written = 0;              // bytes taken by write since begin
    // Small writes are gathered here (a block of its own, released by seal so
    // that the next file's replacer reuses the memory) and go to the file
    // PendingCapacity bytes at a time: the patch job hands over 4096-byte
    // pieces, and the system call per piece cost more than the copy.
    static constexpr int32_t PendingCapacity = 65536;
    char* pending = nullptr;
    int32_t pendingLength = 0;
    bool contentOnDisk = false; // flushed by flushContent; commit skips it
    bool metadataKept = false;  // by keepSourceMetadata; prepare skips it
    // prepare() is done: the new file is complete, on disk, has its metadata
    // and is closed (handle none); only the rename is left.
    bool prepared = false;
    bool targetExisted = false;
    ZephFailure failure; // why the last -1 happened
    // The last -1 was the folder's: no temporary file could be made there
    // (read-only folder, no permission, disk full), so that a caller can say
    // it of the folder rather than of the file.
    bool folderRefused = false;
    // commit syncs the folder itself. A caller that puts many files of one
    // folder in place turns this off and syncs the folder once, after the
    // last commit (ZephSysFiles.flushFolder): each file is then still either
    // old or new after a crash, since its content is on disk before its
    // rename, and only the renames since the last sync may be undone. Kept by
    // init.
    bool syncFolder = true;

    ZephFileReplacer() = default;
    ~ZephFileReplacer() { abandon(); }
    ZephFileReplacer(const ZephFileReplacer&) = delete;
    ZephFileReplacer& operator=(const ZephFileReplacer&) = delete;

    // Abandons any unfinished replacement and binds to manager (none:
    // untracked blocks). Cannot fail.
    void init(ZephMemManager* manager);

    // Starts replacing targetName inside folder. sourceName none: the
    // target's own metadata is kept when it exists. source none: no identity
    // check. Fails before anything is written when the target is a link, a
    // directory or a special file, cannot be opened for writing alone
    // (read-only, in use), has other names, or when no temporary file can be
    // made in the folder (read-only folder, no permission). An unfinished
    // replacement is abandoned first.
    int begin(int64_t folder, const char* targetName, const char* sourceName = nullptr,
              const ZephSysFileIdentity* source = nullptr);

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

    // flushContent for count sealed replacers at once (ZephSysFiles.flushAll):
    // their waits for the disk overlap. 0, or -1 with *failedIndex the first
    // that failed and its cause in its failure; unlike the calls above this
    // leaves every replacer as it was (the caller abandons them).
    static int flushContents(ZephFileReplacer* files, int32_t count, int32_t* failedIndex);

    // Gives the new file the source's metadata now, while the source is
    // unchanged (see prepare, which then does not again). Set before the
    // content's flush, one flush makes both durable.
    int keepSourceMetadata();

    // Takes over other's unfinished replacement (after abandoning its own),
    // leaving other idle without touching the temporary file. Cannot fail.
    void takeOver(ZephFileReplacer& other);

    // Everything of the commit but the rename: gives the new file the
    // source's metadata while the source is unchanged, flushes it, checks
    // that the temporary is still ours and closes it. Nothing takes the
    // target's place yet, and no handle stays open. Does nothing when
    // prepared already.
    int prepare();

    // Prepares (unless prepared), looks last that the source is unchanged
    // and the temporary still ours and puts it in the target's place, then
    // syncs the folder unless syncFolder is off. A folder that cannot be
    // synced at all is not a failure; one whose sync fails is: -1, although
    // the new file has taken the target's name, since it may not stay there
    // after a crash.
    int commit();

    // Closes and removes the temporary file (a prepared one unless its name
    // is seen to stand for another file now); the target stays as it was.
    // Does nothing when idle. Keeps failure.
    void abandon();

    bool isActive() const { return targetName != nullptr; }

    // True for a name of the replacer's temporary files, this version's or an
    // earlier one's ("GAME.INI.qv1a2b3c4d.tmp"): anything, then ".qv", 8 hex
    // digits, ".tmp". Cannot fail.
    static bool isTemporaryName(const char* name);

private:
    int writePending();      // 0, or -1 after failing
    bool temporaryIsOurs();  // the temporary's name still stands for the file made
};

#endif
