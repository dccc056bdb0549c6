// RunRestore.cpp - files against their records, restoring one, and settling
// interrupted runs.
#include "RunRestore.h"

#include "RunJournal.h"
#include "ZephBuf.h"
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"
#include "ZephHash.h"
#include "ZephMem.h"
#include "ZephSysError.h"

#include <cstring>

namespace {

constexpr int32_t HashPiece = 1 << 16;

} // namespace

bool RunSameContent(const RunContent& a, const RunContent& b) {
    if (!a.present || !b.present)
        return a.present == b.present;
    return a.size == b.size && a.hash == b.hash;
}

int RunHashFile(int64_t folder, const char* name, ZephMemManager* manager, RunContent* content,
                ZephSysFileIdentity* identity, ZephFailure* cause) {
    *content = RunContent{};
    ZephFile file;
    file.init(manager);
    if (file.openIn(folder, name, OpenRead | OpenShared) != 0) {
        if (file.failure.code == ZephErrNotFound)
            return 0;
        *cause = file.failure;
        return -1;
    }
    if (identity != nullptr) {
        ZephError known = ZephSysFiles.identify(file.handle, identity);
        if (known != ZephErrNone) {
            *cause = ZephFailure{known, ZephSysLastError()};
            return -1;
        }
    }
    auto* piece = static_cast<char*>(ZephMemAlloc(manager, HashPiece, 0, "RunRestore piece"));
    if (piece == nullptr) {
        *cause = ZephFailure{ZephErrNoMemory, 0};
        return -1;
    }
    ZephHash hash;
    int result = 0;
    while (file.position < file.size) {
        const int64_t count = file.size - file.position < HashPiece ? file.size - file.position : HashPiece;
        if (file.read(piece, count) != 0) {
            *cause = file.failure;
            result = -1;
            break;
        }
        hash.update(piece, count);
    }
    ZephMemFree(piece);
    if (result == 0)
        *content = RunContent{true, file.size, hash.digest()};
    return result;
}

RunFileState RunClassifyFile(int64_t folder, const RunFileRecord& file, ZephMemManager* manager, ZephFailure* cause) {
    RunContent now;
    if (RunHashFile(folder, file.target, manager, &now, nullptr, cause) != 0)
        return cause->code == ZephErrLink || cause->code == ZephErrNotRegular ? RunFileChanged : RunFileUnreadable;
    if (RunSameContent(now, file.after))
        return RunFileAfter;
    return RunSameContent(now, file.before) ? RunFileBefore : RunFileChanged;
}

int RunRebuildChecked(const RunFileRecord& file, const ZephBuf& current, ZephBuf* out) {
    if (RunRebuildBefore(file, current.data, current.length, out) != 0)
        return -1;
    const RunContent rebuilt{true, out->length, ZephHash::of(out->data, out->length)};
    return RunSameContent(rebuilt, file.before) ? 0 : -1;
}

RunRestoreResult RunRestoreFile(int64_t folder, const RunFileRecord& file, ZephMemManager* manager,
                                ZephFailure* cause) {
    ZephSysFileIdentity identity{};
    int32_t size = 0;
    ZephFailure loadFailure;
    void* loaded = ZephFileLoadIn(manager, folder, file.target, &size, &identity, &loadFailure);
    if (loaded == nullptr && loadFailure.code != ZephErrNotFound) {
        if (loadFailure.code == ZephErrLink || loadFailure.code == ZephErrNotRegular)
            return RunRestoreChanged;
        *cause = loadFailure;
        return RunRestoreFailed;
    }
    ZephBuf current;
    current.init(manager, HashPiece);
    if (loaded != nullptr && size > 0 && current.append(loaded, size) != 0) {
        ZephMemFree(loaded);
        *cause = ZephFailure{ZephErrNoMemory, 0};
        return RunRestoreFailed;
    }
    const RunContent now =
        loaded == nullptr ? RunContent{} : RunContent{true, size, ZephHash::of(current.data, current.length)};
    ZephMemFree(loaded);
    if (RunSameContent(now, file.before))
        return RunRestoreNone;
    if (!RunSameContent(now, file.after))
        return RunRestoreChanged;
    if (!file.before.present) {
        // A side copy the run made: it goes again.
        ZephError removed = ZephSysFiles.removeIn(folder, file.target);
        if (removed == ZephErrNone)
            removed = ZephSysFiles.flushFolder(folder);
        if (removed != ZephErrNone) {
            *cause = ZephFailure{removed, ZephSysLastError()};
            return RunRestoreFailed;
        }
        return RunRestored;
    }
    // Only the file's own old content can be rebuilt, not an earlier side
    // copy it replaced, nor a file the run removed.
    if (!file.after.present || file.source[0] != '\0')
        return RunRestoreLost;
    ZephBuf old;
    old.init(manager, HashPiece);
    if (RunRebuildChecked(file, current, &old) != 0) {
        const bool noMemory = old.failed;
        if (noMemory) {
            *cause = ZephFailure{ZephErrNoMemory, 0};
            return RunRestoreFailed;
        }
        return RunRestoreLost;
    }
    current.clear();
    ZephFileReplacer replacer;
    replacer.init(manager);
    // An empty old content is a file of no bytes, as it was.
    if (replacer.begin(folder, file.target, file.target, &identity) != 0 || replacer.write(old.data, old.length) != 0 ||
        replacer.commit() != 0) {
        *cause = replacer.failure;
        return replacer.failure.code == ZephErrChanged ? RunRestoreChanged : RunRestoreFailed;
    }
    return RunRestored;
}

namespace {

// Settles one all-or-nothing run; see RunRecover. -1 when it stays pending.
int settle(const ZephFolder& install, RunJournal& journal, const RunRecord& record, ZephMemManager* manager,
           RunRecovery* recovery) {
    const int64_t folder = install.handle;
    // Which files still wait for their new content.
    auto* waiting = static_cast<char*>(ZephMemAlloc(manager, record.fileCount + 1, 0, "RunRestore states"));
    if (waiting == nullptr) {
        recovery->failure = ZephFailure{ZephErrNoMemory, 0};
        return -1;
    }
    bool forward = true;
    for (int32_t i = 0; i < record.fileCount; ++i) {
        const RunFileRecord& file = record.files[i];
        ZephFailure cause;
        const RunFileState state = RunClassifyFile(folder, file, manager, &cause);
        waiting[i] = state == RunFileBefore && !RunSameContent(file.before, file.after) ? 1 : 0;
        if (state == RunFileUnreadable) {
            ZephMemFree(waiting);
            recovery->failure = cause;
            return -1;
        }
        if (state == RunFileChanged) {
            forward = false;
        } else if (waiting[i] != 0 && file.after.present) {
            // Its new content must stand ready beside it, whole.
            RunContent ready;
            if (RunHashFile(folder, file.temporary, manager, &ready, nullptr, &cause) != 0 ||
                !RunSameContent(ready, file.after))
                forward = false;
        }
    }
    if (forward) {
        int32_t placed = 0;
        for (int32_t i = 0; i < record.fileCount; ++i) {
            const RunFileRecord& file = record.files[i];
            if (waiting[i] == 0)
                continue;
            ZephError done = file.after.present ? ZephSysFiles.replaceIn(folder, file.temporary, file.target)
                                                : ZephSysFiles.removeIn(folder, file.target);
            if (done != ZephErrNone) {
                ZephMemFree(waiting);
                recovery->failure = ZephFailure{done, ZephSysLastError()};
                return -1;
            }
            ++placed;
        }
        ZephMemFree(waiting);
        ZephError synced = ZephSysFiles.flushFolder(folder);
        if (synced != ZephErrNone) {
            recovery->failure = ZephFailure{synced, ZephSysLastError()};
            return -1;
        }
        recovery->completed += placed;
        RunRecord end;
        end.init(manager);
        if (end.appendEnd() != 0 || journal.append(record.header.id, end.text.data, end.text.length) != 0) {
            recovery->failure = journal.failure;
            return -1;
        }
        return 0;
    }
    ZephMemFree(waiting);
    int32_t undone = 0;
    for (int32_t i = 0; i < record.fileCount; ++i) {
        ZephFailure cause;
        switch (RunRestoreFile(folder, record.files[i], manager, &cause)) {
        case RunRestored: ++undone; break;
        case RunRestoreNone: break;
        case RunRestoreChanged:
        case RunRestoreLost: ++recovery->leftAlone; break;
        case RunRestoreFailed: recovery->failure = cause; return -1;
        }
    }
    recovery->undone += undone;
    // Nothing of it is in place any more: it is no run to remember.
    if (journal.remove(record.header.id) != 0) {
        recovery->failure = journal.failure;
        return -1;
    }
    return 0;
}

} // namespace

int RunRecover(const ZephFolder& install, ZephMemManager* manager, RunRecovery* recovery) {
    RunJournal journal;
    if (journal.open(manager, install) != 0)
        return 0; // no journal: nothing to settle
    // Runs on a folder follow one another under its lock, and each first
    // settles the one before it: only the newest record can be unsettled.
    uint32_t ids[1];
    int32_t count = 0;
    if (journal.list(ids, 1, &count) != 0) {
        recovery->unresolved = true;
        recovery->failure = journal.failure;
        return -1;
    }
    int result = 0;
    RunRecord record;
    record.init(manager);
    for (int32_t i = 0; i < count; ++i) {
        if (journal.load(ids[i], &record) != 0) {
            recovery->unresolved = true;
            recovery->failure = journal.failure;
            result = -1;
            continue;
        }
        if (record.complete && !record.damaged)
            continue;
        if (record.damaged) {
            ++recovery->damaged;
            continue;
        }
        // A first line cut short (version 0) is no other version's record.
        if (record.version != RunRecordVersion && record.version != 0)
            continue; // another version's: settled by that version
        if (!record.isUnderstood()) {
            // Its first write was cut short: nothing it protects was touched.
            if (journal.remove(ids[i]) != 0) {
                recovery->unresolved = true;
                recovery->failure = journal.failure;
                result = -1;
            }
            continue;
        }
        if (record.tornTail) {
            if (journal.cut(ids[i], record.validLength) != 0) {
                recovery->unresolved = true;
                recovery->failure = journal.failure;
                result = -1;
                continue;
            }
            record.text.truncate(record.validLength);
            if (record.parse() != 0) {
                recovery->unresolved = true;
                recovery->failure = ZephFailure{ZephErrNoMemory, 0};
                result = -1;
                continue;
            }
            if (record.complete)
                continue;
        }
        int settled = 0;
        if (record.header.kind == RunKindExpert) {
            // Each save was whole; the one in progress never took its place.
            RunRecord end;
            end.init(manager);
            settled = end.appendEnd() == 0 && journal.append(ids[i], end.text.data, end.text.length) == 0 ? 0 : -1;
            if (settled != 0)
                recovery->failure = journal.failure;
        } else if (!record.hasAllFiles()) {
            // Cut short while it was written, before any file was touched.
            settled = journal.remove(ids[i]);
            if (settled != 0)
                recovery->failure = journal.failure;
        } else {
            settled = settle(install, journal, record, manager, recovery);
        }
        if (settled != 0) {
            recovery->unresolved = true;
            result = -1;
        }
    }
    return result;
}
