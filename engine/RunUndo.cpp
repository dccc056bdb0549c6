// RunUndo.cpp - the last run on a folder, and undoing it.
#include "RunUndo.h"

#include "InstallFolder.h"
#include "RunCommit.h"
#include "RunJournal.h"
#include "ZephBuf.h"
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"
#include "ZephMem.h"
#include "ZephStr.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"

#include <cstring>
#include <ctime>

namespace {

// Runs a journal holds at most, and a little more.
constexpr int32_t IdsMax = RunJournalKeep + 16;

// The record cannot give the file back: a side copy that replaced an
// earlier one, or a file the run removed.
bool isLost(const RunFileRecord& file) {
    return (file.source[0] != '\0' && file.before.present) || (!file.after.present && file.before.present);
}

// Gives back, all together, the files of record that hold what it wrote.
int undoInPlace(ZephFolder& folder, RunJournal& journal, const RunRecord& record, const RunFileState* states,
                ZephMemManager* manager, RunUndoOutcome* outcome) {
    RunCommit changes;
    changes.init(manager, 8);
    ZephBuf current, old, tokens;
    current.init(manager, 65536);
    old.init(manager, 65536);
    tokens.init(manager, 4096);
    RunEditReader reader;
    int result = 0;
    for (int32_t i = 0; i < record.fileCount && result == 0; ++i) {
        const RunFileRecord& file = record.files[i];
        if (states[i] != RunFileAfter)
            continue;
        ZephStrCopy(outcome->failedName, file.target, sizeof outcome->failedName);
        ZephSysFileIdentity identity{};
        int32_t size = 0;
        void* loaded = ZephFileLoadIn(manager, folder.handle, file.target, &size, &identity, &outcome->failure);
        current.reset();
        if (loaded == nullptr || (size > 0 && current.append(loaded, size) != 0)) {
            if (loaded != nullptr)
                outcome->failure = ZephFailure{ZephErrNoMemory, 0};
            ZephMemFree(loaded);
            result = -1;
            break;
        }
        ZephMemFree(loaded);
        tokens.reset();
        if (RunRebuildChecked(file, current, &old) != 0 || RunEditsInvert(file, &reader, &tokens) != 0) {
            outcome->failure = ZephFailure{old.failed || tokens.failed ? ZephErrNoMemory : ZephErrChanged, 0};
            result = -1;
            break;
        }
        ZephFileReplacer replacer;
        replacer.init(manager);
        if (replacer.begin(folder.handle, file.target, file.target, &identity) != 0 ||
            replacer.write(old.data, old.length) != 0 || replacer.seal() != 0) {
            outcome->failure = replacer.failure;
            result = -1;
            break;
        }
        RunFileRecord back = file;
        back.source = "";
        back.before = file.after;
        back.after = file.before;
        back.editCount = file.editCount;
        if (changes.add(replacer, back, reader.defaultOld, reader.defaultOldLength, reader.defaultNew,
                        reader.defaultNewLength, &tokens) != 0) {
            outcome->failure = changes.failure;
            result = -1;
        }
    }
    current.clear();
    old.clear();
    tokens.clear();
    if (result == 0 && changes.count > 0) {
        RunHeader header = record.header;
        header.id = 0;
        header.kind = RunKindUndo;
        header.time = 0;
        header.undoes = record.header.id;
        ZephStrCopy(header.oldString, record.header.newString, sizeof header.oldString);
        ZephStrCopy(header.newString, record.header.oldString, sizeof header.newString);
        if (changes.commit(journal, header, folder.handle) != 0) {
            outcome->failure = changes.failure;
            ZephStrCopy(outcome->failedName, changes.failedName, sizeof outcome->failedName);
            result = -1;
        }
    }
    changes.release();
    return result;
}

// Removes, under a record of their own, the side copies record made that
// still hold what it wrote.
int undoSideCopies(ZephFolder& folder, RunJournal& journal, const RunRecord& record, const RunFileState* states,
                   ZephMemManager* manager, RunUndoOutcome* outcome) {
    RunHeader header = record.header;
    header.kind = RunKindUndo;
    header.time = static_cast<int64_t>(std::time(nullptr));
    header.undoes = record.header.id;
    ZephStrCopy(header.oldString, record.header.newString, sizeof header.oldString);
    ZephStrCopy(header.newString, record.header.oldString, sizeof header.newString);
    header.files = 0;
    for (int32_t i = 0; i < record.fileCount; ++i)
        header.files += states[i] == RunFileAfter ? 1 : 0;
    RunRecord undo;
    undo.init(manager);
    if (journal.nextId(&header.id) != 0) {
        outcome->failure = journal.failure;
        return -1;
    }
    bool built = undo.appendHeader(header) == 0;
    for (int32_t i = 0; built && i < record.fileCount; ++i) {
        if (states[i] != RunFileAfter)
            continue;
        RunFileRecord gone = record.files[i];
        gone.source = "";
        gone.before = record.files[i].after;
        gone.after = RunContent{};
        gone.editCount = 0;
        built = undo.appendFile(gone, "", 0, "", 0, nullptr) == 0;
    }
    if (!built) {
        outcome->failure = ZephFailure{ZephErrNoMemory, 0};
        return -1;
    }
    if (journal.create(header.id, undo.text.data, undo.text.length) != 0) {
        outcome->failure = journal.failure;
        return -1;
    }
    // From here a crash is completed by the next run: removals cannot be
    // taken back, and need not be.
    for (int32_t i = 0; i < record.fileCount; ++i) {
        if (states[i] != RunFileAfter)
            continue;
        const ZephError removed = ZephSysFiles.removeIn(folder.handle, record.files[i].target);
        if (removed != ZephErrNone && removed != ZephErrNotFound) {
            outcome->failure = ZephFailure{removed, ZephSysLastError()};
            ZephStrCopy(outcome->failedName, record.files[i].target, sizeof outcome->failedName);
            return -1;
        }
    }
    ZephError synced = ZephSysFiles.flushFolder(folder.handle);
    if (synced != ZephErrNone) {
        outcome->failure = ZephFailure{synced, ZephSysLastError()};
        return -1;
    }
    RunRecord end;
    end.init(manager);
    if (end.appendEnd() != 0 || journal.append(header.id, end.text.data, end.text.length) != 0) {
        outcome->failure = journal.failure;
        return -1;
    }
    return 0;
}

} // namespace

int RunFindLast(RunJournal& journal, RunRecord* record) {
    uint32_t ids[IdsMax];
    int32_t count = 0;
    if (journal.list(ids, IdsMax, &count) != 0)
        return -1;
    uint32_t undone[IdsMax];
    int32_t undoneCount = 0;
    for (int32_t i = count - 1; i >= 0; --i) {
        if (journal.load(ids[i], record) != 0)
            return -1;
        // Damaged or unfinished records are never applied.
        if (!record->isUnderstood() || record->damaged || !record->complete)
            continue;
        if (record->header.kind == RunKindUndo) {
            if (undoneCount < IdsMax)
                undone[undoneCount++] = record->header.undoes;
            continue;
        }
        bool isUndone = false;
        for (int32_t j = 0; j < undoneCount; ++j)
            isUndone = isUndone || undone[j] == record->header.id;
        if (!isUndone)
            return 1;
    }
    record->release();
    record->init(journal.manager);
    return 0;
}

int RunUndoLast(const char* directory, ZephMemManager* manager, bool dryRun, RunUndoListener* listener,
                RunUndoOutcome* outcome) {
    *outcome = RunUndoOutcome{};
    ZephFolder folder;
    if (InstallFolderOpen(&folder, directory, InstallFolderLockWaitMs, manager, &outcome->staleRemoved,
                          &outcome->recovery) != 0) {
        outcome->failure = folder.failure;
        outcome->locked = folder.failure.code == ZephErrBusy;
        outcome->recoveryFailed = outcome->recovery.unresolved;
        return -1;
    }
    RunJournal journal;
    if (journal.open(manager, folder) != 0) {
        outcome->failure = journal.failure;
        return journal.failure.code == ZephErrNotFound ? 0 : -1; // no state folder: no run to undo
    }
    RunRecord record;
    record.init(manager);
    const int found = RunFindLast(journal, &record);
    if (found < 0) {
        outcome->failure = journal.failure;
        return -1;
    }
    if (found == 0)
        return 0;
    outcome->found = true;
    outcome->header = record.header;
    outcome->files = record.fileCount;
    auto* states = static_cast<RunFileState*>(
        ZephMemAlloc(manager, static_cast<int32_t>(sizeof(RunFileState)) * (record.fileCount + 1), 0, "RunUndo"));
    if (states == nullptr) {
        outcome->failure = ZephFailure{ZephErrNoMemory, 0};
        return -1;
    }
    bool sideCopies = false;
    for (int32_t i = 0; i < record.fileCount; ++i) {
        const RunFileRecord& file = record.files[i];
        states[i] = RunClassifyFile(folder.handle, file, manager, &outcome->failure);
        if (states[i] == RunFileUnreadable) {
            ZephStrCopy(outcome->failedName, file.target, sizeof outcome->failedName);
            ZephMemFree(states);
            return -1;
        }
        const bool lost = states[i] == RunFileAfter && isLost(file);
        if (lost)
            states[i] = RunFileChanged; // left alone as a file changed since
        sideCopies = sideCopies || !file.before.present;
        if (states[i] == RunFileAfter)
            ++outcome->restore;
        else if (states[i] == RunFileBefore)
            ++outcome->already;
        else
            ++outcome->changed;
        if (listener != nullptr)
            listener->file(file.target, states[i], lost);
    }
    outcome->failure = ZephFailure{};
    int result = 0;
    // Files changed since and nothing to give back: nothing is written, and
    // the run is not marked undone.
    const bool nothingToWrite = outcome->changed > 0 && outcome->restore == 0;
    if (!nothingToWrite && !dryRun) {
        // A run makes side copies or rewrites files in place, never both.
        result = sideCopies ? undoSideCopies(folder, journal, record, states, manager, outcome)
                            : undoInPlace(folder, journal, record, states, manager, outcome);
        if (outcome->restore == 0 && result == 0 && outcome->already == outcome->files && !sideCopies) {
            // Nothing to give back: the undo is remembered all the same, so
            // that the next one walks back further.
            result = undoSideCopies(folder, journal, record, states, manager, outcome);
        }
        journal.prune();
    }
    ZephMemFree(states);
    return result;
}

int RunReadLastState(const ZephFolder& folder, ZephMemManager* manager, RunLastState* state, ZephFailure* cause) {
    *state = RunLastState{};
    RunJournal journal;
    if (journal.open(manager, folder) != 0)
        return journal.failure.code == ZephErrNotFound ? 0 : (*cause = journal.failure, -1);
    RunRecord record;
    record.init(manager);
    const int found = RunFindLast(journal, &record);
    if (found <= 0) {
        if (found < 0)
            *cause = journal.failure;
        return found;
    }
    state->found = true;
    state->header = record.header;
    state->files = record.fileCount;
    int32_t restorable = 0;
    bool allBefore = true;
    for (int32_t i = 0; i < record.fileCount; ++i) {
        const RunFileState now = RunClassifyFile(folder.handle, record.files[i], manager, cause);
        if (now == RunFileUnreadable)
            return -1;
        state->asWritten += now == RunFileAfter ? 1 : 0;
        state->changed += now != RunFileAfter ? 1 : 0;
        restorable += now == RunFileAfter && !isLost(record.files[i]) ? 1 : 0;
        allBefore = allBefore && now == RunFileBefore;
    }
    state->undoable = restorable > 0 || allBefore;
    return 0;
}
