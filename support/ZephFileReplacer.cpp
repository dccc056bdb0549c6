// ZephFileReplacer.cpp - no-loss rewrite through a temporary file and a
// replacing rename, checked against changes by others.
#include "ZephFileReplacer.h"

#include "ZephMem.h"
#include "ZephStr.h"
#include "ZephSysError.h"
#include "ZephTick.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* NamesBlockName = "ZephFileReplacer paths";
constexpr const char* PendingBlockName = "ZephFileReplacer writes";

// ".qv" + 8 hex digits + ".tmp": of no kind the patch engine looks at.
constexpr int TemporaryNameLength = 3 + 8 + 4;
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

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

} // namespace

bool ZephFileReplacer::isTemporaryName(const char* name) {
    const int32_t length = ZephStrLength(name);
    if (length < TemporaryNameLength)
        return false;
    const char* tail = name + length - TemporaryNameLength;
    if (std::strncmp(tail, ".qv", 3) != 0 || std::strcmp(tail + 11, ".tmp") != 0)
        return false;
    for (int i = 3; i < 11; ++i)
        if (!isHexDigit(tail[i]))
            return false;
    return true;
}

void ZephFileReplacer::init(ZephMemManager* newManager) {
    abandon();
    manager = newManager;
    failure = ZephFailure{};
    folderRefused = false;
}

// Fails the operation with a code: the system's number is taken before the
// clean-up can replace it (none for the library's own refusals).
static int fail(ZephFileReplacer* replacer, ZephError code, bool fromSystem = true) {
    const ZephFailure why{code, fromSystem ? ZephSysLastError() : 0};
    replacer->abandon();
    replacer->failure = why;
    return -1;
}

int ZephFileReplacer::begin(int64_t inFolder, const char* target, const char* sourceFile,
                            const ZephSysFileIdentity* sourceIdentity) {
    abandon();
    failure = ZephFailure{};
    folderRefused = false;
    if (inFolder == ZephSysFileNone || target == nullptr || *target == 0)
        return fail(this, ZephErrInvalid, false);

    // Opened for writing alone, as an in-place rewrite would, so that a link,
    // a read-only file or one in use fails here, before anything is written.
    int64_t probe = ZephSysFileNone;
    ZephError opened = ZephSysFiles.openIn(inFolder, target, ZephSysOpenWrite, &probe);
    if (opened != ZephErrNone && opened != ZephErrNotFound)
        return fail(this, opened);
    const bool existed = opened == ZephErrNone;
    if (existed) {
        ZephSysFileIdentity now{};
        ZephError known = ZephSysFiles.identify(probe, &now);
        ZephSysFiles.close(probe);
        if (known != ZephErrNone)
            return fail(this, known);
        if (now.links > 1)
            return fail(this, ZephErrHardLinks, false);
    }

    const char* metadataFrom = sourceFile != nullptr && *sourceFile != 0 ? sourceFile : "";
    const int64_t targetLength = ZephStrLength(target);
    const int64_t sourceLength = ZephStrLength(metadataFrom);
    const int64_t namesSize = targetLength + 1 + TemporaryNameLength + 1 + sourceLength + 1;
    if (namesSize > INT32_MAX)
        return fail(this, ZephErrInvalid, false);
    auto* names = static_cast<char*>(ZephMemAlloc(manager, static_cast<int32_t>(namesSize), 0, NamesBlockName));
    auto* gathered = names == nullptr ? nullptr
                                      : static_cast<char*>(ZephMemAlloc(manager, PendingCapacity, 0, PendingBlockName));
    if (gathered == nullptr) {
        ZephMemFree(names);
        return fail(this, ZephErrNoMemory, false);
    }
    folder = inFolder;
    targetName = names;
    std::memcpy(targetName, target, static_cast<size_t>(targetLength) + 1);
    temporaryName = targetName + targetLength + 1;
    temporaryName[0] = 0;
    sourceName = temporaryName + TemporaryNameLength + 1;
    std::memcpy(sourceName, metadataFrom, static_cast<size_t>(sourceLength) + 1);
    pending = gathered;
    pendingLength = 0;
    targetExisted = existed;
    checkSource = sourceIdentity != nullptr;
    source = checkSource ? *sourceIdentity : ZephSysFileIdentity{};
    written = 0;

    char name[TemporaryNameLength + 1];
    ZephError created = ZephErrExists;
    for (int attempt = 0; attempt < TemporaryNameAttempts && created == ZephErrExists; ++attempt) {
        std::snprintf(name, sizeof name, ".qv%08x.tmp", static_cast<unsigned>(nextTemporaryNumber(this)));
        created = ZephSysFiles.openIn(folder, name, ZephSysOpenRead | ZephSysOpenWrite | ZephSysOpenCreateNew, &handle);
    }
    if (created != ZephErrNone) {
        handle = ZephSysFileNone; // nothing was created: there is nothing to remove
        fail(this, created);
        folderRefused = true;
        return -1;
    }
    std::memcpy(temporaryName, name, sizeof name);
    ZephError known = ZephSysFiles.identify(handle, &temporary);
    if (known != ZephErrNone)
        return fail(this, known);
    return 0;
}

int ZephFileReplacer::write(const void* data, int64_t count) {
    if (!isActive() || prepared)
        return fail(this, ZephErrInvalid, false);
    if (count <= 0)
        return count == 0 ? 0 : fail(this, ZephErrInvalid, false);
    if (data == nullptr)
        return fail(this, ZephErrInvalid, false);
    if (pending == nullptr) { // let go of by seal
        pending = static_cast<char*>(ZephMemAlloc(manager, PendingCapacity, 0, PendingBlockName));
        if (pending == nullptr)
            return fail(this, ZephErrNoMemory, false);
    }
    contentOnDisk = false; // whatever was flushed, these bytes are not yet
    if (count <= PendingCapacity - pendingLength) {
        std::memcpy(pending + pendingLength, data, static_cast<size_t>(count));
        pendingLength += static_cast<int32_t>(count);
        written += count;
        return 0;
    }
    if (writePending() != 0)
        return -1;
    if (count < PendingCapacity) {
        std::memcpy(pending, data, static_cast<size_t>(count));
        pendingLength = static_cast<int32_t>(count);
        written += count;
        return 0;
    }
    int64_t done = 0;
    ZephError result = ZephSysFiles.write(handle, data, count, &done);
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
    if (!isActive() || prepared)
        return fail(this, ZephErrInvalid, false);
    if (writePending() != 0)
        return -1;
    ZephMemFree(pending);
    pending = nullptr;
    ZephSysFiles.startWriteback(handle);
    return 0;
}

int ZephFileReplacer::flushContent() {
    if (!isActive() || prepared)
        return fail(this, ZephErrInvalid, false);
    if (writePending() != 0)
        return -1;
    ZephError result = ZephSysFiles.flush(handle);
    if (result != ZephErrNone)
        return fail(this, result);
    contentOnDisk = true;
    return 0;
}

int ZephFileReplacer::flushContents(ZephFileReplacer* files, int32_t count, int32_t* failedIndex) {
    *failedIndex = -1;
    constexpr int32_t Group = 64;
    int64_t handles[Group];
    int32_t owners[Group];
    for (int32_t i = 0; i < count;) {
        int32_t n = 0;
        for (; i < count && n < Group; ++i) {
            ZephFileReplacer& file = files[i];
            if (!file.isActive() || file.prepared || file.pendingLength != 0) {
                file.failure = ZephFailure{ZephErrInvalid, 0};
                *failedIndex = i;
                return -1;
            }
            if (!file.contentOnDisk) {
                handles[n] = file.handle;
                owners[n++] = i;
            }
        }
        if (n == 0)
            continue;
        int32_t failed = -1;
        ZephError result = ZephSysFiles.flushAll(handles, n, &failed);
        if (result != ZephErrNone) {
            const int32_t at = owners[failed >= 0 && failed < n ? failed : 0];
            files[at].failure = ZephFailure{result, ZephSysLastError()};
            *failedIndex = at;
            return -1;
        }
        for (int32_t k = 0; k < n; ++k)
            files[owners[k]].contentOnDisk = true;
    }
    return 0;
}

void ZephFileReplacer::takeOver(ZephFileReplacer& other) {
    if (&other == this)
        return;
    abandon();
    manager = other.manager;
    folder = other.folder;
    targetName = other.targetName;
    temporaryName = other.temporaryName;
    sourceName = other.sourceName;
    source = other.source;
    checkSource = other.checkSource;
    temporary = other.temporary;
    handle = other.handle;
    written = other.written;
    targetExisted = other.targetExisted;
    failure = other.failure;
    pending = other.pending;
    pendingLength = other.pendingLength;
    contentOnDisk = other.contentOnDisk;
    metadataKept = other.metadataKept;
    prepared = other.prepared;
    // other's block and handle are ours now: it goes idle without closing or
    // removing anything.
    other.targetName = nullptr;
    other.temporaryName = nullptr;
    other.sourceName = nullptr;
    other.handle = ZephSysFileNone;
    other.pending = nullptr;
    other.abandon();
}

bool ZephFileReplacer::temporaryIsOurs() {
    ZephSysFileIdentity named{};
    ZephError looked = ZephSysFiles.identifyIn(folder, temporaryName, &named);
    if (looked != ZephErrNone && looked != ZephErrNotFound) {
        fail(this, looked);
        return false;
    }
    // Someone who may write the folder may also have put something else
    // under the temporary's name: that is not ours to rename, nor to remove.
    if (looked == ZephErrNotFound || !ZephSysSameFile(temporary, named)) {
        temporaryName[0] = 0;
        fail(this, ZephErrChanged, false);
        return false;
    }
    return true;
}

int ZephFileReplacer::keepSourceMetadata() {
    if (!isActive() || prepared)
        return fail(this, ZephErrInvalid, false);
    // What the new file takes besides its content comes from the source as
    // it is now, which must still be the file that was read.
    const char* metadataFrom = sourceName[0] != 0 ? sourceName : targetExisted ? targetName : nullptr;
    int64_t from = ZephSysFileNone;
    if (metadataFrom != nullptr) {
        ZephError opened = ZephSysFiles.openIn(folder, metadataFrom, ZephSysOpenRead | ZephSysOpenShared, &from);
        if (opened == ZephErrNotFound || opened == ZephErrLink || opened == ZephErrNotRegular)
            return fail(this, ZephErrChanged, false); // gone or swapped since it was read
        if (opened != ZephErrNone)
            return fail(this, opened);
        ZephSysFileIdentity now{};
        ZephError known = ZephSysFiles.identify(from, &now);
        if (known != ZephErrNone || (checkSource && !ZephSysUnchanged(source, now))) {
            ZephSysFiles.close(from);
            return known != ZephErrNone ? fail(this, known) : fail(this, ZephErrChanged, false);
        }
    }
    ZephError kept = ZephSysFiles.keepMetadata(from, handle);
    if (from != ZephSysFileNone)
        ZephSysFiles.close(from);
    if (kept != ZephErrNone)
        return fail(this, kept);
    metadataKept = true;
    return 0;
}

int ZephFileReplacer::prepare() {
    if (!isActive())
        return fail(this, ZephErrInvalid, false);
    if (prepared)
        return 0;
    // The metadata first: the flush then makes it durable with the content.
    if (!metadataKept && keepSourceMetadata() != 0)
        return -1;
    if (!contentOnDisk && flushContent() != 0)
        return -1;
    if (!temporaryIsOurs())
        return -1;
    // A failing close may have lost buffered data; the handle is gone either way.
    ZephError result = ZephSysFiles.close(handle);
    handle = ZephSysFileNone;
    if (result != ZephErrNone)
        return fail(this, result);
    ZephMemFree(pending);
    pending = nullptr;
    pendingLength = 0;
    prepared = true;
    return 0;
}

int ZephFileReplacer::commit() {
    if (!isActive())
        return fail(this, ZephErrInvalid, false);
    const bool justPrepared = !prepared;
    if (prepare() != 0)
        return -1;
    // A file prepared a while ago is looked at again: it is closed now, and
    // only the folder's lock kept others from its name.
    if (!justPrepared && !temporaryIsOurs())
        return -1;
    // The last look, as close to the replacement as it can be.
    if (checkSource) {
        ZephSysFileIdentity now{};
        ZephError looked = ZephSysFiles.identifyIn(folder, sourceName, &now);
        if (looked != ZephErrNone && looked != ZephErrNotFound)
            return fail(this, looked);
        if (looked == ZephErrNotFound || !ZephSysUnchanged(source, now))
            return fail(this, ZephErrChanged, false);
    }
    ZephError result = ZephSysFiles.replaceIn(folder, temporaryName, targetName);
    if (result != ZephErrNone)
        return fail(this, result);
    // The new file has the target's name now: nothing is left to remove.
    temporaryName[0] = 0;
    if (syncFolder) {
        result = ZephSysFiles.flushFolder(folder);
        if (result != ZephErrNone)
            return fail(this, result);
    }
    abandon();
    return 0;
}

void ZephFileReplacer::abandon() {
    if (handle != ZephSysFileNone) {
        ZephSysFiles.close(handle);
        handle = ZephSysFileNone;
    }
    if (temporaryName != nullptr && temporaryName[0] != 0) {
        // Closed, a prepared file is left alone when its name is seen to
        // stand for another file now.
        ZephSysFileIdentity named{};
        if (!prepared || ZephSysFiles.identifyIn(folder, temporaryName, &named) != ZephErrNone ||
            ZephSysSameFile(temporary, named))
            ZephSysFiles.removeIn(folder, temporaryName);
    }
    ZephMemFree(targetName);
    ZephMemFree(pending);
    targetName = nullptr;
    temporaryName = nullptr;
    sourceName = nullptr;
    pending = nullptr;
    pendingLength = 0;
    contentOnDisk = false;
    metadataKept = false;
    prepared = false;
    targetExisted = false;
    checkSource = false;
    source = ZephSysFileIdentity{};
    temporary = ZephSysFileIdentity{};
    folder = ZephSysFileNone;
    written = 0;
}
