// QvFileFault.cpp - counting and failing wrappers around ZephSysFiles.
#include "QvFileFault.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qvtest {

namespace {

FileFault* active = nullptr;

FileFault::Decision decide(FileOp op, int64_t count = -1) { return active->next(op, count); }

ZephError wrapOpen(const char* path, uint32_t flags, int64_t* handle) {
    auto d = decide(FileOp::Open);
    if (d.fail)
        return d.error;
    ZephError error = active->real().open(path, flags, handle);
    if (error == ZephErrNone)
        active->noteHandle(1);
    return error;
}

ZephError wrapRead(int64_t handle, void* buffer, int64_t count, int64_t* done) {
    auto d = decide(FileOp::Read, count);
    if (d.fail) {
        *done = 0;
        return d.error;
    }
    if (d.cut && d.bytes < count)
        return active->real().read(handle, buffer, d.bytes, done);
    return active->real().read(handle, buffer, count, done);
}

ZephError wrapWrite(int64_t handle, const void* buffer, int64_t count, int64_t* done) {
    auto d = decide(FileOp::Write, count);
    if (d.fail) {
        *done = 0;
        return d.error;
    }
    if (d.cut && d.bytes < count) {
        ZephError error = active->real().write(handle, buffer, d.bytes, done);
        return error != ZephErrNone ? error : ZephErrNoSpace;
    }
    return active->real().write(handle, buffer, count, done);
}

ZephError wrapSeek(int64_t handle, int64_t offset, ZephSysSeekOrigin origin, int64_t* position) {
    auto d = decide(FileOp::Seek);
    return d.fail ? d.error : active->real().seek(handle, offset, origin, position);
}

ZephError wrapTruncate(int64_t handle, int64_t size) {
    auto d = decide(FileOp::Truncate);
    return d.fail ? d.error : active->real().truncate(handle, size);
}

ZephError wrapFlush(int64_t handle) {
    auto d = decide(FileOp::Flush);
    return d.fail ? d.error : active->real().flush(handle);
}

ZephError wrapClose(int64_t handle) {
    auto d = decide(FileOp::Close);
    ZephError error = active->real().close(handle);
    active->noteHandle(-1);
    return d.fail ? d.error : error;
}

ZephError wrapQuery(const char* path, ZephSysFileInfo* info) {
    auto d = decide(FileOp::Query);
    return d.fail ? d.error : active->real().query(path, info);
}

ZephError wrapSetPermissions(const char* path, uint32_t permissions) {
    auto d = decide(FileOp::SetPermissions);
    return d.fail ? d.error : active->real().setPermissions(path, permissions);
}

ZephError wrapReplace(const char* from, const char* to) {
    auto d = decide(FileOp::Replace);
    return d.fail ? d.error : active->real().replace(from, to);
}

ZephError wrapRemove(const char* path) {
    auto d = decide(FileOp::Remove);
    return d.fail ? d.error : active->real().remove(path);
}

ZephError wrapFlushDirectoryOf(const char* path) {
    auto d = decide(FileOp::FlushDirectoryOf);
    return d.fail ? d.error : active->real().flushDirectoryOf(path);
}

ZephError wrapStartWriteback(int64_t handle) {
    auto d = decide(FileOp::StartWriteback);
    return d.fail ? d.error : active->real().startWriteback(handle);
}

// A hint: never failed and never counted, so that fault loops see only the
// calls whose failure a caller must report.
ZephError passPrefetch(const char* path, int64_t count, bool* started) {
    return active->real().prefetch(path, count, started);
}

const ZephSysFileTable Wrappers = {
    wrapOpen,  wrapRead,           wrapWrite,   wrapSeek,   wrapTruncate,         wrapFlush,          wrapClose,
    wrapQuery, wrapSetPermissions, wrapReplace, wrapRemove, wrapFlushDirectoryOf, wrapStartWriteback, passPrefetch};

} // namespace

const char* fileOpName(FileOp op) {
    static const char* const names[] = {
        "open",  "read",           "write",   "seek",   "truncate",         "flush",          "close",
        "query", "setPermissions", "replace", "remove", "flushDirectoryOf", "startWriteback", "any"};
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

void FileFault::disarm() {
    std::memset(rules_, 0, sizeof rules_);
    std::memset(spared_, 0, sizeof spared_);
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
    int any = ++counts_[FileOpCount];
    auto hits = [](const Rule& rule, int count) {
        return rule.armed && (count == rule.nth || (rule.persistent && count > rule.nth));
    };
    const Rule& specific = rules_[static_cast<int>(op)];
    const Rule& anyRule = rules_[FileOpCount];
    const Rule* rule = hits(specific, own)                                    ? &specific
                       : !spared_[static_cast<int>(op)] && hits(anyRule, any) ? &anyRule
                                                                              : nullptr;
    // A cut that leaves the call whole is no fault.
    if (rule == nullptr || (rule->cutBytes >= 0 && rule->cutBytes >= count))
        return Decision{false, false, ZephErrNone, 0};
    ++injected_[static_cast<int>(op)];
    ++injected_[FileOpCount];
    lastFault_ = op;
    if (rule->cutBytes >= 0)
        return Decision{false, true, ZephErrNone, rule->cutBytes};
    return Decision{true, false, rule->error, 0};
}

} // namespace qvtest
