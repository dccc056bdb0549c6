// QvFileFault.cpp - counting and failing wrappers around ZephSysFiles.
#include "QvFileFault.h"

#include "ZephSysError.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace qvtest {

namespace {

FileFault* active = nullptr;

FileFault::Decision decide(FileOp op, int64_t count = -1) { return active->next(op, count); }

// An injected failure reads like a real one: the system's number for it.
ZephError injected(ZephError error) {
    ZephSysSetLastError(ZephSysErrorNumberOf(error));
    return error;
}

ZephError wrapOpen(const char* path, uint32_t flags, int64_t* handle) {
    auto d = decide(FileOp::Open);
    if (d.fail)
        return injected(d.error);
    ZephError error = active->real().open(path, flags, handle);
    if (error == ZephErrNone)
        active->noteHandle(1);
    return error;
}

ZephError wrapRead(int64_t handle, void* buffer, int64_t count, int64_t* done) {
    auto d = decide(FileOp::Read, count);
    if (d.fail) {
        *done = 0;
        return injected(d.error);
    }
    if (d.cut && d.bytes < count)
        return active->real().read(handle, buffer, d.bytes, done);
    return active->real().read(handle, buffer, count, done);
}

ZephError wrapWrite(int64_t handle, const void* buffer, int64_t count, int64_t* done) {
    auto d = decide(FileOp::Write, count);
    if (d.fail) {
        *done = 0;
        return injected(d.error);
    }
    if (d.cut && d.bytes < count) {
        ZephError error = active->real().write(handle, buffer, d.bytes, done);
        return error != ZephErrNone ? error : injected(ZephErrNoSpace);
    }
    return active->real().write(handle, buffer, count, done);
}

ZephError wrapSeek(int64_t handle, int64_t offset, ZephSysSeekOrigin origin, int64_t* position) {
    auto d = decide(FileOp::Seek);
    return d.fail ? injected(d.error) : active->real().seek(handle, offset, origin, position);
}

ZephError wrapTruncate(int64_t handle, int64_t size) {
    auto d = decide(FileOp::Truncate);
    return d.fail ? injected(d.error) : active->real().truncate(handle, size);
}

ZephError wrapFlush(int64_t handle) {
    auto d = decide(FileOp::Flush);
    return d.fail ? injected(d.error) : active->real().flush(handle);
}

ZephError wrapClose(int64_t handle) {
    auto d = decide(FileOp::Close);
    ZephError error = active->real().close(handle);
    active->noteHandle(-1);
    return d.fail ? injected(d.error) : error;
}

ZephError wrapQuery(const char* path, ZephSysFileInfo* info) {
    auto d = decide(FileOp::Query);
    return d.fail ? injected(d.error) : active->real().query(path, info);
}

ZephError wrapStartWriteback(int64_t handle) {
    auto d = decide(FileOp::StartWriteback);
    return d.fail ? injected(d.error) : active->real().startWriteback(handle);
}

ZephError wrapOpenFolder(const char* path, int64_t* folder) {
    auto d = decide(FileOp::OpenFolder);
    if (d.fail)
        return injected(d.error);
    ZephError error = active->real().openFolder(path, folder);
    if (error == ZephErrNone)
        active->noteHandle(1);
    return error;
}

void wrapCloseFolder(int64_t folder) {
    decide(FileOp::CloseFolder);
    active->real().closeFolder(folder);
    active->noteHandle(-1);
}

ZephError wrapLockFolder(int64_t folder) {
    auto d = decide(FileOp::LockFolder);
    return d.fail ? injected(d.error) : active->real().lockFolder(folder);
}

ZephError wrapOpenIn(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
    auto d = decide(FileOp::OpenIn);
    if (d.fail)
        return injected(d.error);
    ZephError error = active->real().openIn(folder, name, flags, handle);
    if (error == ZephErrNone)
        active->noteHandle(1);
    return error;
}

ZephError wrapIdentify(int64_t handle, ZephSysFileIdentity* identity) {
    auto d = decide(FileOp::Identify);
    return d.fail ? injected(d.error) : active->real().identify(handle, identity);
}

ZephError wrapIdentifyIn(int64_t folder, const char* name, ZephSysFileIdentity* identity) {
    auto d = decide(FileOp::IdentifyIn);
    return d.fail ? injected(d.error) : active->real().identifyIn(folder, name, identity);
}

ZephError wrapKeepMetadata(int64_t source, int64_t target) {
    auto d = decide(FileOp::KeepMetadata);
    return d.fail ? injected(d.error) : active->real().keepMetadata(source, target);
}

ZephError wrapReplaceIn(int64_t folder, const char* from, const char* to) {
    auto d = decide(FileOp::ReplaceIn);
    return d.fail ? injected(d.error) : active->real().replaceIn(folder, from, to);
}

ZephError wrapRemoveIn(int64_t folder, const char* name) {
    auto d = decide(FileOp::RemoveIn);
    return d.fail ? injected(d.error) : active->real().removeIn(folder, name);
}

ZephError wrapRemoveUnusedIn(int64_t folder, const char* name) {
    auto d = decide(FileOp::RemoveUnusedIn);
    return d.fail ? injected(d.error) : active->real().removeUnusedIn(folder, name);
}

ZephError wrapFlushFolder(int64_t folder) {
    auto d = decide(FileOp::FlushFolder);
    return d.fail ? injected(d.error) : active->real().flushFolder(folder);
}

ZephError wrapIdentifyFolder(int64_t folder, ZephSysFileIdentity* identity) {
    auto d = decide(FileOp::IdentifyFolder);
    return d.fail ? injected(d.error) : active->real().identifyFolder(folder, identity);
}

ZephError wrapFreeSpace(int64_t folder, uint64_t* bytes) {
    auto d = decide(FileOp::FreeSpace);
    return d.fail ? injected(d.error) : active->real().freeSpace(folder, bytes);
}

ZephError wrapMakeFolder(const char* path) {
    auto d = decide(FileOp::MakeFolder);
    return d.fail ? injected(d.error) : active->real().makeFolder(path);
}

// One flush per handle, counted in order, so that a loop over the nth flush
// meets every file's; the handles before a failed one are flushed.
ZephError wrapFlushAll(const int64_t* handles, int32_t count, int32_t* failed) {
    for (int32_t i = 0; i < count; ++i) {
        auto d = decide(FileOp::Flush);
        if (!d.fail)
            continue;
        if (i > 0) {
            ZephError before = active->real().flushAll(handles, i, failed);
            if (before != ZephErrNone)
                return before;
        }
        *failed = i;
        return injected(d.error);
    }
    return active->real().flushAll(handles, count, failed);
}

// A hint: never failed and never counted, so that fault loops see only the
// calls whose failure a caller must report.
ZephError passPrefetchIn(int64_t folder, const char* name, int64_t count, bool* started) {
    return active->real().prefetchIn(folder, name, count, started);
}

const ZephSysFileTable Wrappers = {
    wrapOpen,           wrapRead,        wrapWrite,          wrapSeek,           wrapTruncate,    wrapFlush,
    wrapClose,          wrapQuery,       wrapStartWriteback, wrapOpenFolder,     wrapCloseFolder, wrapLockFolder,
    wrapOpenIn,         wrapIdentify,    wrapIdentifyIn,     wrapKeepMetadata,   wrapReplaceIn,   wrapRemoveIn,
    wrapRemoveUnusedIn, wrapFlushFolder, passPrefetchIn,     wrapIdentifyFolder, wrapFreeSpace,   wrapMakeFolder,
    wrapFlushAll};

} // namespace

const char* fileOpName(FileOp op) {
    static const char* const names[] = {
        "open",           "read",        "write",          "seek",         "truncate",    "flush",
        "close",          "query",       "startWriteback", "openFolder",   "closeFolder", "lockFolder",
        "openIn",         "identify",    "identifyIn",     "keepMetadata", "replaceIn",   "removeIn",
        "removeUnusedIn", "flushFolder", "identifyFolder", "freeSpace",    "makeFolder",  "any"};
    static_assert(sizeof names / sizeof names[0] == FileOpCount + 1, "a name for every operation");
    return names[static_cast<int>(op)];
}

FileFault::FileFault() {
    if (active != nullptr) {
        std::fprintf(stderr, "QvFileFault: only one FileFault may exist at a time\n");
        std::abort();
    }
    std::memset(rules_, 0, sizeof rules_);
    std::memset(spared_, 0, sizeof spared_);
    std::memset(counts_, 0, sizeof counts_);
    std::memset(injected_, 0, sizeof injected_);
    std::memset(actionAt_, 0, sizeof actionAt_);
    saved_ = ZephSysFiles;
    active = this;
    ZephSysFiles = Wrappers;
}

FileFault::~FileFault() {
    ZephSysFiles = saved_;
    active = nullptr;
}

void FileFault::failAt(FileOp op, int nth, ZephError error, bool persistent) {
    rules_[static_cast<int>(op)] = Rule{true, persistent, nth, error, -1};
}

void FileFault::cutShortAt(FileOp op, int nth, int64_t bytes, bool persistent) {
    if (op != FileOp::Read && op != FileOp::Write) {
        std::fprintf(stderr, "QvFileFault: only reads and writes can be cut short\n");
        std::abort();
    }
    rules_[static_cast<int>(op)] = Rule{true, persistent, nth, ZephErrNone, bytes < 0 ? 0 : bytes};
}

void FileFault::spare(FileOp op) { spared_[static_cast<int>(op)] = true; }

void FileFault::beforeCall(FileOp op, int nth, std::function<void()> action) {
    if (op == FileOp::Any) {
        std::fprintf(stderr, "QvFileFault: an action belongs to one operation\n");
        std::abort();
    }
    actions_[static_cast<int>(op)] = std::move(action);
    actionAt_[static_cast<int>(op)] = nth;
}

void FileFault::disarm() {
    std::memset(rules_, 0, sizeof rules_);
    std::memset(spared_, 0, sizeof spared_);
    for (int i = 0; i < FileOpCount; ++i) {
        actions_[i] = nullptr;
        actionAt_[i] = 0;
    }
}

void FileFault::resetCounts() {
    std::memset(counts_, 0, sizeof counts_);
    std::memset(injected_, 0, sizeof injected_);
    lastFault_ = FileOp::Any;
}

int FileFault::calls(FileOp op) const { return counts_[static_cast<int>(op)]; }

const char* FileFault::lastFaultName() const { return injected_[FileOpCount] == 0 ? "none" : fileOpName(lastFault_); }

FileFault::Decision FileFault::next(FileOp op, int64_t count) {
    int own = ++counts_[static_cast<int>(op)];
    // A folder's close cannot fail: it takes no place among the calls that
    // an Any rule counts, so that every number n there is a call to fail.
    int any = op == FileOp::CloseFolder ? 0 : ++counts_[FileOpCount];
    if (actions_[static_cast<int>(op)] && own == actionAt_[static_cast<int>(op)]) {
        // Taken out first: the action may itself go through the file layer.
        std::function<void()> action = std::move(actions_[static_cast<int>(op)]);
        actions_[static_cast<int>(op)] = nullptr;
        ZephSysFileTable wrapped = ZephSysFiles;
        ZephSysFiles = saved_;
        action();
        ZephSysFiles = wrapped;
    }
    auto hits = [](const Rule& rule, int count) {
        return rule.armed && (count == rule.nth || (rule.persistent && count > rule.nth));
    };
    const Rule& specific = rules_[static_cast<int>(op)];
    const Rule& anyRule = rules_[FileOpCount];
    const Rule* rule = hits(specific, own)                                    ? &specific
                       : !spared_[static_cast<int>(op)] && hits(anyRule, any) ? &anyRule
                                                                              : nullptr;
    // A cut that leaves the call whole is no fault.
    if (rule == nullptr || (rule->cutBytes >= 0 && rule->cutBytes >= count) || op == FileOp::CloseFolder)
        return Decision{false, false, ZephErrNone, 0};
    ++injected_[static_cast<int>(op)];
    ++injected_[FileOpCount];
    lastFault_ = op;
    if (rule->cutBytes >= 0)
        return Decision{false, true, ZephErrNone, rule->cutBytes};
    return Decision{true, false, rule->error, 0};
}

} // namespace qvtest
