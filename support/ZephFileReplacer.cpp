// ZephFileReplacer.cpp - no-loss rewrite through a temporary file and a
// replacing rename.
#include "ZephFileReplacer.h"

#include "ZephMem.h"
#include "ZephTick.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* PathBlockName = "ZephFileReplacer paths";

// Temporary names are the target's name plus ".qv" + 8 hex digits + ".tmp":
// in the same folder (so the rename never crosses file systems), tied to the
// target by name, and of no kind the patch engine looks at.
constexpr int TemporarySuffixLength = 3 + 8 + 4;
constexpr int TemporaryNameAttempts = 64;

// A different number on every call and, through the tick and an address,
// most likely in every process; a name that is taken anyway is skipped by the
// exclusive create.
uint32_t nextTemporaryNumber(const void* salt) {
    static std::atomic<uint32_t> counter{0};
    uint64_t x = (static_cast<uint64_t>(ZephTickCount()) << 32) ^ counter.fetch_add(1) ^
                 static_cast<uint64_t>(reinterpret_cast<uintptr_t>(salt));
    // splitmix64 finaliser: spreads every input bit over the result.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return static_cast<uint32_t>(x ^ (x >> 31));
}

} // namespace

void ZephFileReplacer::init(ZephMemManager* newManager) {
    abandon();
    manager = newManager;
    error = ZephErrNone;
}

// Fails the operation: records why, drops the temporary, goes idle.
static int fail(ZephFileReplacer* replacer, ZephError why) {
    replacer->abandon();
    replacer->error = why;
    return -1;
}

int ZephFileReplacer::begin(const char* target) {
    abandon();
    error = ZephErrNone;
    if (target == nullptr || *target == 0)
        return fail(this, ZephErrInvalid);

    ZephSysFileInfo info{};
    ZephError found = ZephSysFiles.query(target, &info);
    if (found != ZephErrNone && found != ZephErrNotFound)
        return fail(this, found);
    bool existed = found == ZephErrNone;
    if (existed && info.isDirectory)
        return fail(this, ZephErrInvalid);
    // Replacing a link would put a plain file in its place and leave the
    // file it points to as it was; writing through it could reach outside
    // the folder the caller chose. Neither is done.
    if (existed && info.isLink)
        return fail(this, ZephErrUnsupported);
    if (existed) {
        // Open it for writing alone, as an in-place rewrite would, so that a
        // read-only file or one in use fails here, before anything is written.
        int64_t probe = ZephSysFileNone;
        ZephError opened = ZephSysFiles.open(target, ZephSysOpenWrite, &probe);
        if (opened != ZephErrNone)
            return fail(this, opened);
        ZephSysFiles.close(probe);
    }

    size_t length = std::strlen(target);
    if (length > (INT32_MAX - PendingCapacity) / 2 - TemporarySuffixLength)
        return fail(this, ZephErrInvalid);
    const int64_t pathsSize = 2 * static_cast<int64_t>(length) + TemporarySuffixLength + 2;
    auto* paths =
        static_cast<char*>(ZephMemAlloc(manager, static_cast<int32_t>(pathsSize + PendingCapacity), 0, PathBlockName));
    if (paths == nullptr)
        return fail(this, ZephErrNoMemory);
    targetPath = paths;
    std::memcpy(targetPath, target, length + 1);
    temporaryPath = targetPath + length + 1;
    pending = paths + pathsSize;
    pendingLength = 0;
    targetExisted = existed;
    targetPermissions = existed ? info.permissions : 0;
    written = 0;

    ZephError created = ZephErrExists;
    for (int attempt = 0; attempt < TemporaryNameAttempts && created == ZephErrExists; ++attempt) {
        std::snprintf(temporaryPath, length + TemporarySuffixLength + 1, "%s.qv%08x.tmp", target,
                      static_cast<unsigned>(nextTemporaryNumber(this)));
        created = ZephSysFiles.open(temporaryPath, ZephSysOpenWrite | ZephSysOpenCreateNew, &handle);
    }
    if (created != ZephErrNone) {
        // Nothing was created: there is nothing to remove.
        temporaryPath[0] = 0;
        handle = ZephSysFileNone;
        return fail(this, created);
    }
    return 0;
}

int ZephFileReplacer::write(const void* source, int64_t count) {
    if (!isActive())
        return fail(this, ZephErrInvalid);
    if (count <= 0)
        return count == 0 ? 0 : fail(this, ZephErrInvalid);
    if (source == nullptr)
        return fail(this, ZephErrInvalid);
    contentOnDisk = false; // whatever was flushed, these bytes are not yet
    if (count <= PendingCapacity - pendingLength) {
        std::memcpy(pending + pendingLength, source, static_cast<size_t>(count));
        pendingLength += static_cast<int32_t>(count);
        written += count;
        return 0;
    }
    if (writePending() != 0)
        return -1;
    if (count < PendingCapacity) {
        std::memcpy(pending, source, static_cast<size_t>(count));
        pendingLength = static_cast<int32_t>(count);
        written += count;
        return 0;
    }
    int64_t done = 0;
    ZephError result = ZephSysFiles.write(handle, source, count, &done);
    if (result != ZephErrNone)
        return fail(this, result);
    written += count;
    return 0;
}

int ZephFileReplacer::writePending() {
    if (pendingLength == 0)
        return 0;
    int64_t done = 0;
    ZephError result = ZephSysFiles.write(handle, pending, pendingLength, &done);
    if (result != ZephErrNone)
        return fail(this, result);
    pendingLength = 0;
    return 0;
}

int ZephFileReplacer::seal() {
    if (!isActive())
        return fail(this, ZephErrInvalid);
    if (writePending() != 0)
        return -1;
    ZephSysFiles.startWriteback(handle);
    return 0;
}

int ZephFileReplacer::flushContent() {
    if (!isActive())
        return fail(this, ZephErrInvalid);
    if (writePending() != 0)
        return -1;
    ZephError result = ZephSysFiles.flush(handle);
    if (result != ZephErrNone)
        return fail(this, result);
    contentOnDisk = true;
    return 0;
}

void ZephFileReplacer::takeOver(ZephFileReplacer& other) {
    if (&other == this)
        return;
    abandon();
    manager = other.manager;
    targetPath = other.targetPath;
    temporaryPath = other.temporaryPath;
    handle = other.handle;
    written = other.written;
    targetExisted = other.targetExisted;
    targetPermissions = other.targetPermissions;
    error = other.error;
    pending = other.pending;
    pendingLength = other.pendingLength;
    contentOnDisk = other.contentOnDisk;
    // other's block and handle are ours now: it goes idle without closing or
    // removing anything.
    other.targetPath = nullptr;
    other.temporaryPath = nullptr;
    other.handle = ZephSysFileNone;
    other.pending = nullptr;
    other.pendingLength = 0;
    other.contentOnDisk = false;
    other.written = 0;
    other.targetExisted = false;
    other.targetPermissions = 0;
}

int ZephFileReplacer::commit() {
    if (!isActive())
        return fail(this, ZephErrInvalid);
    if (!contentOnDisk && flushContent() != 0)
        return -1;
    // A failing close may have lost buffered data; the handle is gone either way.
    ZephError result = ZephSysFiles.close(handle);
    handle = ZephSysFileNone;
    if (result != ZephErrNone)
        return fail(this, result);
    if (targetExisted) {
        result = ZephSysFiles.setPermissions(temporaryPath, targetPermissions);
        if (result != ZephErrNone)
            return fail(this, result);
    }
    result = ZephSysFiles.replace(temporaryPath, targetPath);
    if (result != ZephErrNone)
        return fail(this, result);
    // The new file has the target's name now: nothing is left to remove. A
    // folder that cannot be synced leaves the rename as durable as the file
    // system makes it; the content itself is already on disk.
    if (syncFolder)
        ZephSysFiles.flushDirectoryOf(targetPath);
    temporaryPath[0] = 0;
    abandon();
    return 0;
}

void ZephFileReplacer::abandon() {
    if (handle != ZephSysFileNone) {
        ZephSysFiles.close(handle);
        handle = ZephSysFileNone;
    }
    if (temporaryPath != nullptr && temporaryPath[0] != 0)
        ZephSysFiles.remove(temporaryPath);
    ZephMemFree(targetPath);
    targetPath = nullptr;
    temporaryPath = nullptr;
    pending = nullptr;
    pendingLength = 0;
    contentOnDisk = false;
    targetExisted = false;
    targetPermissions = 0;
}
