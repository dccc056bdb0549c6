// RunCommit.cpp - all-or-nothing placement of a run's new files.
#include "RunCommit.h"

#include "RunJournal.h"
#include "RunRestore.h"
#include "ZephFileReplacer.h"
#include "ZephMem.h"
#include "ZephStr.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"

#include <ctime>
#include <new>

void RunCommit::init(ZephMemManager* newManager, int32_t newOpenLimit) {
    release();
    record.release();
    manager = newManager;
    openLimit = newOpenLimit < 1 ? 1 : newOpenLimit;
    blocks.init(newManager, 4096);
    record.init(newManager);
    placed = 0;
}

void RunCommit::release() {
    for (int32_t i = 0; i < count; ++i)
        files[i].~ZephFileReplacer(); // abandons
    ZephMemFree(files);
    files = nullptr;
    count = 0;
    capacity = 0;
    prepared = 0;
    blocks.clear();
    blocks.init(manager, 4096);
}

int RunCommit::fail(int32_t index, const ZephFailure& cause) {
    failure = cause;
    failedFile = index;
    return -1;
}

void RunCommit::noteName(int32_t index) {
    // Kept aside: a replacer that fails forgets its names.
    const ZephFileReplacer& file = files[index];
    ZephStrCopy(failedName, file.sourceName != nullptr && file.sourceName[0] != '\0' ? file.sourceName : file.targetName,
                sizeof failedName);
}

int RunCommit::prepareOpen() {
    // Every file's metadata first, then every content to the disk, all
    // waiting together (each flush makes its file's metadata durable too);
    // then the closes. A close or a metadata change between two flushes
    // would make the second wait for a journal commit of its own.
    for (int32_t i = prepared; i < count; ++i) {
        noteName(i);
        if (files[i].keepSourceMetadata() != 0)
            return fail(i, files[i].failure);
    }
    int32_t failedIndex = -1;
    if (ZephFileReplacer::flushContents(files + prepared, count - prepared, &failedIndex) != 0) {
        noteName(prepared + failedIndex);
        return fail(prepared + failedIndex, files[prepared + failedIndex].failure);
    }
    for (int32_t i = prepared; i < count; ++i) {
        noteName(i);
        if (files[i].prepare() != 0)
            return fail(i, files[i].failure);
    }
    prepared = count;
    failedName[0] = '\0';
    return 0;
}

int RunCommit::add(ZephFileReplacer& sealed, RunFileRecord file, const char* defaultOld, int32_t defaultOldLength,
                   const char* defaultNew, int32_t defaultNewLength, const ZephBuf* edits) {
    failure = ZephFailure{};
    failedFile = -1;
    ZephStrCopy(failedName, sealed.sourceName != nullptr && sealed.sourceName[0] != '\0' ? sealed.sourceName
                                                                                            : sealed.targetName,
                sizeof failedName);
    if (count == capacity) {
        const int32_t grown = capacity == 0 ? 16 : capacity * 2;
        auto* block = static_cast<ZephFileReplacer*>(
            ZephMemAlloc(manager, static_cast<int32_t>(sizeof(ZephFileReplacer)) * grown, 0, "RunCommit files"));
        if (block == nullptr) {
            sealed.abandon();
            return fail(-1, ZephFailure{ZephErrNoMemory, 0});
        }
        for (int32_t i = 0; i < grown; ++i)
            new (block + i) ZephFileReplacer();
        for (int32_t i = 0; i < count; ++i) {
            block[i].takeOver(files[i]);
            files[i].~ZephFileReplacer();
        }
        for (int32_t i = count; i < grown; ++i)
            block[i].~ZephFileReplacer();
        ZephMemFree(files);
        files = block;
        capacity = grown;
    }
    file.temporary = sealed.temporaryName;
    // The block goes through a record so that it is made as every block is.
    RunRecord one;
    one.init(manager);
    if (one.appendFile(file, defaultOld, defaultOldLength, defaultNew, defaultNewLength, edits) != 0 ||
        blocks.append(one.text.data, one.text.length) != 0) {
        sealed.abandon();
        return fail(-1, ZephFailure{ZephErrNoMemory, 0});
    }
    new (files + count) ZephFileReplacer();
    files[count].takeOver(sealed);
    ++count;
    failedName[0] = '\0';
    return count - prepared >= openLimit ? prepareOpen() : 0;
}

void RunCommit::rollBack(RunJournal& journal, int64_t folder, int32_t done) {
    for (int32_t i = 0; i < count; ++i)
        files[i].abandon();
    for (int32_t i = 0; i < done && i < record.fileCount; ++i) {
        ZephFailure cause;
        const RunRestoreResult result = RunRestoreFile(folder, record.files[i], manager, &cause);
        if (result != RunRestored && result != RunRestoreNone)
            leftPending = true;
    }
    if (!leftPending && journal.remove(record.header.id) != 0)
        leftPending = true;
}

int RunCommit::commit(RunJournal& journal, RunHeader header, int64_t folder) {
    failure = ZephFailure{};
    failedFile = -1;
    failedName[0] = '\0';
    journalFailed = false;
    leftPending = false;
    placed = 0;
    if (prepareOpen() != 0)
        return -1;
    header.files = count;
    if (header.time == 0)
        header.time = static_cast<int64_t>(std::time(nullptr));
    record.release();
    record.init(manager);
    if (journal.nextId(&header.id) != 0) {
        journalFailed = true;
        return fail(-1, journal.failure);
    }
    if (record.appendHeader(header) != 0 || record.text.append(blocks.data, blocks.length) != 0 ||
        record.parse() != 0 || record.fileCount != count)
        return fail(-1, ZephFailure{ZephErrNoMemory, 0});
    if (journal.create(header.id, record.text.data, record.text.length) != 0) {
        journalFailed = true;
        return fail(-1, journal.failure);
    }
    for (int32_t i = 0; i < count; ++i) {
        noteName(i);
        files[i].syncFolder = false; // once for all of them, below
        if (files[i].commit() != 0) {
            const ZephFailure cause = files[i].failure;
            rollBack(journal, folder, i);
            placed = leftPending ? placed : 0;
            return fail(i, cause);
        }
        ++placed;
    }
    // One sync for every rename; without it the files may not keep their new
    // content after a crash, so a failing one gives them all back.
    ZephError synced = ZephSysFiles.flushFolder(folder); // a failure is named by the last file placed
    if (synced != ZephErrNone) {
        const ZephFailure cause{synced, ZephSysLastError()};
        rollBack(journal, folder, count);
        placed = leftPending ? placed : 0;
        return fail(-1, cause);
    }
    // An end that cannot be written leaves the run to be closed by the next
    // one, which finds every file in place. It is waited for all the same:
    // a run found without its end is settled by the state of its files, and
    // a file another program changes in the meantime would have the others
    // given back.
    RunRecord end;
    end.init(manager);
    if (end.appendEnd() == 0 && journal.append(header.id, end.text.data, end.text.length) == 0 &&
        record.text.append(end.text.data, end.text.length) == 0)
        record.parse();
    journal.prune();
    release();
    return 0;
}
