// posix/ZephSysFile.cpp - files by descriptor, and the steps of a safe
// replacement (fsync, rename, fsync of the folder). POSIX only.
#include "ZephSysFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

ZephError fromErrno(int error) {
    switch (error) {
    case ENOENT: return ZephErrNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return ZephErrAccess;
    case EEXIST: return ZephErrExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ZephErrNoSpace;
    case ENOMEM: return ZephErrNoMemory;
    case EINVAL:
    case ENAMETOOLONG:
    case ENOTDIR:
    case EISDIR:
    case EBADF:
    case ELOOP: return ZephErrInvalid;
    case EBUSY:
    case EAGAIN: return ZephErrBusy;
    case ENOSYS:
    case EOPNOTSUPP: return ZephErrUnsupported;
    default: return ZephErrIo;
    }
}

int toDescriptor(int64_t handle) { return static_cast<int>(handle); }

int openRetrying(const char* path, int flags) {
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Whether the page holding offset is in the page cache, asked without
// starting any reading (Linux 6.5 cachestat); false where it cannot be told.
bool isCached(int fd, int64_t offset) {
#if defined(__linux__)
    struct Range {
        uint64_t offset, length;
    } range{static_cast<uint64_t>(offset), 1};
    struct Counts {
        uint64_t cached, dirty, writeback, evicted, recentlyEvicted;
    } counts{};
    constexpr long CachestatCall = 451; // Linux's number for it; the C library has no wrapper yet
    return syscall(CachestatCall, fd, &range, &counts, 0) == 0 && counts.cached > 0;
#else
    (void)fd;
    (void)offset;
    return false;
#endif
}

// One system call moves at most this much, whatever the count asked for.
constexpr int64_t MaxTransfer = int64_t{1} << 30;

} // namespace

ZephError ZephSysFileOpen(const char* path, uint32_t flags, int64_t* handle) {
    if (path == nullptr || *path == 0)
        return ZephErrNotFound;
    int access = 0;
    switch (flags & (ZephSysOpenRead | ZephSysOpenWrite)) {
    case ZephSysOpenRead: access = O_RDONLY; break;
    case ZephSysOpenWrite: access = O_WRONLY; break;
    case ZephSysOpenRead | ZephSysOpenWrite: access = O_RDWR; break;
    default: return ZephErrInvalid;
    }
    int fd = -1;
    bool created = false;
    if (flags & ZephSysOpenCreateNew) {
        fd = openRetrying(path, access | O_CREAT | O_EXCL);
        created = fd >= 0;
    } else if (flags & ZephSysOpenCreate) {
        // Open what is there, or create: done in two steps so that we know
        // whether the file is ours, which the read-only rule below needs.
        for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
            fd = openRetrying(path, access);
            if (fd >= 0 || errno != ENOENT)
                break;
            fd = openRetrying(path, access | O_CREAT | O_EXCL);
            created = fd >= 0;
            if (fd < 0 && errno != EEXIST)
                break;
        }
    } else {
        fd = openRetrying(path, access);
    }
    if (fd < 0)
        return fromErrno(errno);
    // Windows cannot open a directory as a file; neither can we, so that
    // both platforms fail the same way.
    struct stat status {};
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(fd);
        return ZephErrInvalid;
    }
    // Read-only is a property of the file, as on Windows: root, who may
    // write anything, must not rewrite a file its owner protected.
    if ((flags & ZephSysOpenWrite) && !created && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(fd);
        return ZephErrAccess;
    }
    *handle = fd;
    return ZephErrNone;
}

ZephError ZephSysFileRead(int64_t handle, void* buffer, int64_t count, int64_t* done) {
    *done = 0;
    auto* into = static_cast<char*>(buffer);
    while (*done < count) {
        int64_t piece = count - *done < MaxTransfer ? count - *done : MaxTransfer;
        ssize_t n = ::read(toDescriptor(handle), into + *done, static_cast<size_t>(piece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fromErrno(errno);
        }
        if (n == 0)
            break;
        *done += n;
    }
    return ZephErrNone;
}

ZephError ZephSysFileWrite(int64_t handle, const void* buffer, int64_t count, int64_t* done) {
    *done = 0;
    const auto* from = static_cast<const char*>(buffer);
    while (*done < count) {
        int64_t piece = count - *done < MaxTransfer ? count - *done : MaxTransfer;
        ssize_t n = ::write(toDescriptor(handle), from + *done, static_cast<size_t>(piece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fromErrno(errno);
        }
        if (n == 0)
            return ZephErrIo;
        *done += n;
    }
    return ZephErrNone;
}

ZephError ZephSysFileSeek(int64_t handle, int64_t offset, ZephSysSeekOrigin origin, int64_t* position) {
    int whence = origin == ZephSysSeekBegin ? SEEK_SET : origin == ZephSysSeekCurrent ? SEEK_CUR : SEEK_END;
    off_t result = lseek(toDescriptor(handle), static_cast<off_t>(offset), whence);
    if (result < 0)
        return fromErrno(errno);
    *position = result;
    return ZephErrNone;
}

ZephError ZephSysFileTruncate(int64_t handle, int64_t size) {
    int rc;
    do
        rc = ftruncate(toDescriptor(handle), static_cast<off_t>(size));
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileFlush(int64_t handle) {
    int rc;
    do
        rc = fsync(toDescriptor(handle));
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileStartWriteback(int64_t handle) {
#if defined(__linux__)
    // Starts the writing and returns; errors show again at the flush.
    sync_file_range(toDescriptor(handle), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)handle;
#endif
    return ZephErrNone;
}

ZephError ZephSysFilePrefetch(const char* path, int64_t count, bool* started) {
    if (started != nullptr)
        *started = false;
    if (path == nullptr || count <= 0)
        return ZephErrNone;
    const int fd = openRetrying(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return fromErrno(errno);
    int error = 0;
    const bool cached = isCached(fd, count - 1);
    if (!cached) {
        // The reads go on after the close; the pages stay in the cache.
        error = posix_fadvise(fd, 0, static_cast<off_t>(count), POSIX_FADV_WILLNEED);
        if (started != nullptr)
            *started = error == 0;
    }
    ::close(fd);
    return error == 0 ? ZephErrNone : fromErrno(error);
}

ZephError ZephSysFileClose(int64_t handle) {
    // Linux releases the descriptor even when close reports an error, EINTR
    // included, so it is never retried.
    if (::close(toDescriptor(handle)) == 0 || errno == EINTR)
        return ZephErrNone;
    return fromErrno(errno);
}

ZephError ZephSysFileQuery(const char* path, ZephSysFileInfo* info) {
    struct stat status {};
    if (path == nullptr || *path == 0)
        return ZephErrNotFound;
    if (lstat(path, &status) != 0)
        return fromErrno(errno);
    info->size = S_ISREG(status.st_mode) ? static_cast<uint64_t>(status.st_size) : 0;
    info->permissions = status.st_mode & 07777;
    info->isDirectory = S_ISDIR(status.st_mode);
    info->isLink = S_ISLNK(status.st_mode);
    return ZephErrNone;
}

ZephError ZephSysFileSetPermissions(const char* path, uint32_t permissions) {
    return chmod(path, static_cast<mode_t>(permissions & 07777)) == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileReplace(const char* from, const char* to) {
    return std::rename(from, to) == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileRemove(const char* path) { return unlink(path) == 0 ? ZephErrNone : fromErrno(errno); }

ZephError ZephSysFileFlushDirectoryOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    size_t length = slash == nullptr ? 0 : slash == path ? 1 : static_cast<size_t>(slash - path);
    char* folder = static_cast<char*>(std::malloc(length + 2));
    if (folder == nullptr)
        return ZephErrNoMemory;
    if (slash == nullptr) {
        std::strcpy(folder, ".");
    } else {
        std::memcpy(folder, path, length);
        folder[length] = 0;
    }
    int fd;
    do
        fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    std::free(folder);
    if (fd < 0)
        return fromErrno(errno);
    int rc;
    do
        rc = fsync(fd);
    while (rc != 0 && errno == EINTR);
    int error = rc == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the rename is then as durable
    // as they make it.
    if (error == 0 || error == EINVAL || error == EROFS || error == EBADF)
        return ZephErrNone;
    return fromErrno(error);
}
