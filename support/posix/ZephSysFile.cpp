// posix/ZephSysFile.cpp - files by descriptor, and the steps of a safe rewrite
// relative to the folder's descriptor (openat, renameat, fsync of the
// folder), so that a name swapped by someone else is never followed. POSIX
// only.
//
// Map: errors; files by path (open, read, write...); the folder, its lock
// and names inside it (openIn, identify); the new file's metadata
// (keepMetadata); replacing and removing names.
#include "ZephSysFile.h"

#include "ZephSysError.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace {

// Records the system's number and maps it.
ZephError fromErrno(int error) {
    ZephSysSetLastError(error);
    switch (error) {
    case ENOENT: return ZephErrNotFound;
    case EACCES:
    case EPERM: return ZephErrAccess;
    case EROFS: return ZephErrReadOnly;
    case ETXTBSY: return ZephErrInUse;
    case EEXIST: return ZephErrExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ZephErrNoSpace;
    case ENOMEM: return ZephErrNoMemory;
    case ELOOP: return ZephErrLink;
    case ENXIO:
    case ENODEV: return ZephErrNotRegular;
    case EINVAL:
    case ENAMETOOLONG:
    case ENOTDIR:
    case EISDIR:
    case EBADF: return ZephErrInvalid;
    case EBUSY:
    case EAGAIN: return ZephErrBusy;
    case ENOSYS:
    case EOPNOTSUPP: return ZephErrUnsupported;
    default: return ZephErrIo;
    }
}

// A refusal of the library's own, with no system number behind it.
ZephError refuse(ZephError code) {
    ZephSysSetLastError(0);
    return code;
}

int toDescriptor(int64_t handle) { return static_cast<int>(handle); }

int openRetrying(int folder, const char* path, int flags, mode_t mode = 0666) {
    int fd;
    do
        fd = ::openat(folder, path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool hasNoWriteBit(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }
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

void fillIdentity(const struct stat& status, ZephSysFileIdentity* identity) {
    identity->volume = static_cast<uint64_t>(status.st_dev);
    identity->file = static_cast<uint64_t>(status.st_ino);
    identity->size = static_cast<uint64_t>(status.st_size);
    identity->written = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    identity->changed = static_cast<int64_t>(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    identity->links = static_cast<uint32_t>(status.st_nlink);
    identity->owner = status.st_uid;
    identity->group = status.st_gid;
    identity->mode = status.st_mode & 07777;
}

// A single name: a path would leave the folder the caller opened.
bool isPlainName(const char* name) {
    return name != nullptr && name[0] != '\0' && std::strchr(name, '/') == nullptr && std::strcmp(name, ".") != 0 &&
           std::strcmp(name, "..") != 0;
}

// Copies every extended attribute of source to target. A file's capability
// set goes along only when the owner did: it grants privileges, as setuid.
ZephError copyAttributes(int source, int target, bool ownerKept) {
    ssize_t listSize;
    do
        listSize = flistxattr(source, nullptr, 0);
    while (listSize < 0 && errno == EINTR);
    if (listSize < 0)
        return errno == ENOTSUP ? ZephErrNone : fromErrno(errno); // no attributes on this file system
    if (listSize == 0)
        return ZephErrNone;
    char* names = static_cast<char*>(std::malloc(static_cast<size_t>(listSize)));
    if (names == nullptr)
        return fromErrno(ENOMEM);
    listSize = flistxattr(source, names, static_cast<size_t>(listSize));
    ZephError result = listSize < 0 ? fromErrno(errno) : ZephErrNone;
    char* value = nullptr;
    for (ssize_t at = 0; result == ZephErrNone && at < listSize;
         at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        const char* name = names + at;
        if (!ownerKept && std::strcmp(name, "security.capability") == 0)
            continue;
        ssize_t size = fgetxattr(source, name, nullptr, 0);
        if (size < 0) {
            result = fromErrno(errno);
            break;
        }
        char* grown = static_cast<char*>(std::realloc(value, static_cast<size_t>(size) + 1));
        if (grown == nullptr) {
            result = fromErrno(ENOMEM);
            break;
        }
        value = grown;
        size = fgetxattr(source, name, value, static_cast<size_t>(size));
        if (size < 0 || fsetxattr(target, name, value, static_cast<size_t>(size), 0) != 0)
            result = fromErrno(errno);
    }
    std::free(value);
    std::free(names);
    return result;
}

} // namespace

ZephError ZephSysFileOpen(const char* path, uint32_t flags, int64_t* handle) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    int access = 0;
    switch (flags & (ZephSysOpenRead | ZephSysOpenWrite)) {
    case ZephSysOpenRead: access = O_RDONLY; break;
    case ZephSysOpenWrite: access = O_WRONLY; break;
    case ZephSysOpenRead | ZephSysOpenWrite: access = O_RDWR; break;
    default: return refuse(ZephErrInvalid);
    }
    int fd = -1;
    bool created = false;
    if (flags & ZephSysOpenCreateNew) {
        fd = openRetrying(AT_FDCWD, path, access | O_CREAT | O_EXCL);
        created = fd >= 0;
    } else if (flags & ZephSysOpenCreate) {
        // Open what is there, or create: done in two steps so that we know
        // whether the file is ours, which the read-only rule below needs.
        for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
            fd = openRetrying(AT_FDCWD, path, access);
            if (fd >= 0 || errno != ENOENT)
                break;
            fd = openRetrying(AT_FDCWD, path, access | O_CREAT | O_EXCL);
            created = fd >= 0;
            if (fd < 0 && errno != EEXIST)
                break;
        }
    } else {
        fd = openRetrying(AT_FDCWD, path, access);
    }
    if (fd < 0)
        return fromErrno(errno);
    // Windows cannot open a directory as a file; neither can we, so that
    // both platforms fail the same way.
    struct stat status {};
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(fd);
        return refuse(ZephErrInvalid);
    }
    // Read-only is a property of the file, as on Windows: root, who may
    // write anything, must not rewrite a file its owner protected.
    if ((flags & ZephSysOpenWrite) && !created && hasNoWriteBit(status.st_mode)) {
        ::close(fd);
        return refuse(ZephErrReadOnly);
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
            return fromErrno(EIO);
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

ZephError ZephSysFileFlushAll(const int64_t* handles, int32_t count, int32_t* failed) {
    *failed = -1;
    // fsyncs that wait together share the file system's journal commit and
    // the disk's cache flush, which one after the other each pay for.
    constexpr int32_t Group = 64;
    constexpr int32_t Helpers = 7;
    for (int32_t start = 0; start < count; start += Group) {
        const int32_t n = count - start < Group ? count - start : Group;
        int errors[Group] = {};
        std::atomic<int32_t> next{0};
        auto work = [&] {
            for (int32_t i = next.fetch_add(1); i < n; i = next.fetch_add(1)) {
                int rc;
                do
                    rc = fsync(toDescriptor(handles[start + i]));
                while (rc != 0 && errno == EINTR);
                errors[i] = rc == 0 ? 0 : errno;
            }
        };
        std::thread helpers[Helpers];
        int32_t started = 0;
        for (; started < Helpers && started < n - 1; ++started) {
            try {
                helpers[started] = std::thread(work);
            } catch (...) {
                break; // no thread to spare: this one does the rest
            }
        }
        work();
        for (int32_t i = 0; i < started; ++i)
            helpers[i].join();
        for (int32_t i = 0; i < n; ++i) {
            if (errors[i] != 0) {
                *failed = start + i;
                return fromErrno(errors[i]);
            }
        }
    }
    return ZephErrNone;
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

ZephError ZephSysFilePrefetchIn(int64_t folder, const char* name, int64_t count, bool* started) {
    if (started != nullptr)
        *started = false;
    if (name == nullptr || *name == 0 || count <= 0)
        return ZephErrNone;
    const int dir = toDescriptor(folder);
    // Looked at first, as openIn does: opening a device may act on it.
    struct stat status {};
    if (fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (!S_ISREG(status.st_mode))
        return ZephErrNone;
    const int fd = openRetrying(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fromErrno(errno);
    int error = 0;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && !isCached(fd, count - 1)) {
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
        return refuse(ZephErrNotFound);
    if (lstat(path, &status) != 0)
        return fromErrno(errno);
    info->size = S_ISREG(status.st_mode) ? static_cast<uint64_t>(status.st_size) : 0;
    info->permissions = status.st_mode & 07777;
    info->isDirectory = S_ISDIR(status.st_mode);
    info->isLink = S_ISLNK(status.st_mode);
    return ZephErrNone;
}

ZephError ZephSysFolderOpen(const char* path, int64_t* folder) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    int fd = openRetrying(AT_FDCWD, path, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return fromErrno(errno);
    *folder = fd;
    return ZephErrNone;
}

void ZephSysFolderClose(int64_t folder) {
    // The lock, an flock on this very descriptor, goes with it.
    if (folder != ZephSysFileNone)
        ::close(toDescriptor(folder));
}

ZephError ZephSysFolderLock(int64_t folder) {
    int rc;
    do
        rc = flock(toDescriptor(folder), LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return ZephErrNone;
    if (errno == EWOULDBLOCK) {
        ZephSysSetLastError(errno);
        return ZephErrBusy;
    }
    // A file system without locks (some network ones) runs unlocked, as
    // before there were locks; the temporaries of a run going on there are
    // still never taken for stale, since removeUnusedIn needs a lock too.
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)
        return ZephErrNone;
    return fromErrno(errno);
}

ZephError ZephSysFileOpenIn(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    const int dir = toDescriptor(folder);
    int access = 0;
    switch (flags & (ZephSysOpenRead | ZephSysOpenWrite)) {
    case ZephSysOpenRead: access = O_RDONLY; break;
    case ZephSysOpenWrite: access = O_WRONLY; break;
    case ZephSysOpenRead | ZephSysOpenWrite: access = O_RDWR; break;
    default: return refuse(ZephErrInvalid);
    }
    struct stat status {};
    if (flags & ZephSysOpenCreateNew) {
        // A folder that no one may write is read-only, for root too, as a
        // file with no write bit is.
        if (fstat(dir, &status) != 0)
            return fromErrno(errno);
        if (hasNoWriteBit(status.st_mode))
            return refuse(ZephErrReadOnly);
        int fd = openRetrying(dir, name, access | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd < 0)
            return fromErrno(errno);
        // Held while open: removeUnusedIn leaves a file that is being written.
        flock(fd, LOCK_EX | LOCK_NB);
        *handle = fd;
        return ZephErrNone;
    }
    if (flags & ZephSysOpenCreate)
        return refuse(ZephErrInvalid);
    // Looked at before it is opened: opening a device may act on it, and a
    // FIFO would wait for a writer.
    if (fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (S_ISLNK(status.st_mode))
        return refuse(ZephErrLink);
    if (!S_ISREG(status.st_mode))
        return refuse(ZephErrNotRegular);
    int fd = openRetrying(dir, name, access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fromErrno(errno);
    // Swapped since the look: it is what is open now that counts.
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return refuse(ZephErrNotRegular);
    }
    if ((flags & ZephSysOpenWrite) && hasNoWriteBit(status.st_mode)) {
        ::close(fd);
        return refuse(ZephErrReadOnly);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *handle = fd;
    return ZephErrNone;
}

ZephError ZephSysFileIdentify(int64_t handle, ZephSysFileIdentity* identity) {
    struct stat status {};
    if (fstat(toDescriptor(handle), &status) != 0)
        return fromErrno(errno);
    fillIdentity(status, identity);
    return ZephErrNone;
}

ZephError ZephSysFileIdentifyIn(int64_t folder, const char* name, ZephSysFileIdentity* identity) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    struct stat status {};
    if (fstatat(toDescriptor(folder), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    fillIdentity(status, identity);
    return ZephErrNone;
}

ZephError ZephSysFileKeepMetadata(int64_t source, int64_t target) {
    const int to = toDescriptor(target);
    if (source == ZephSysFileNone) {
        // The umask can only be read by setting it: it is put back at once.
        mode_t mask = umask(0);
        umask(mask);
        return fchmod(to, 0666 & ~mask) == 0 ? ZephErrNone : fromErrno(errno);
    }
    const int from = toDescriptor(source);
    struct stat wanted {};
    if (fstat(from, &wanted) != 0)
        return fromErrno(errno);
    // Owner and group first: a change of owner clears setuid, setgid and
    // capabilities, which come after.
    if (fchown(to, wanted.st_uid, wanted.st_gid) != 0)
        fchown(to, static_cast<uid_t>(-1), wanted.st_gid);
    struct stat got {};
    if (fstat(to, &got) != 0)
        return fromErrno(errno);
    const bool ownerKept = got.st_uid == wanted.st_uid;
    const bool groupKept = got.st_gid == wanted.st_gid;
    ZephError copied = copyAttributes(from, to, ownerKept && groupKept);
    if (copied != ZephErrNone)
        return copied;
    // Privileges of an owner or group the new file does not have are
    // dropped, never handed to the one it has.
    mode_t mode = wanted.st_mode & 07777;
    if (!ownerKept)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (!groupKept)
        mode &= ~static_cast<mode_t>(S_ISGID);
    return fchmod(to, mode) == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileReplaceIn(int64_t folder, const char* from, const char* to) {
    if (!isPlainName(from) || !isPlainName(to))
        return refuse(ZephErrInvalid);
    const int dir = toDescriptor(folder);
    return renameat(dir, from, dir, to) == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileRemoveIn(int64_t folder, const char* name) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    return unlinkat(toDescriptor(folder), name, 0) == 0 ? ZephErrNone : fromErrno(errno);
}

ZephError ZephSysFileRemoveUnusedIn(int64_t folder, const char* name) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    const int dir = toDescriptor(folder);
    struct stat named {};
    if (fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) != 0)
        return fromErrno(errno);
    if (!S_ISREG(named.st_mode))
        return refuse(ZephErrNotRegular);
    int fd = openRetrying(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fromErrno(errno);
    ZephError result = ZephErrNone;
    struct stat opened {};
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        result = fromErrno(errno);
        if (errno == EWOULDBLOCK)
            result = ZephErrInUse;
    } else if (fstat(fd, &opened) != 0 || opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        result = refuse(ZephErrChanged);
    else if (unlinkat(dir, name, 0) != 0)
        result = fromErrno(errno);
    ::close(fd);
    return result;
}

ZephError ZephSysFolderFlush(int64_t folder) {
    int rc;
    do
        rc = fsync(toDescriptor(folder));
    while (rc != 0 && errno == EINTR);
    // Some file systems cannot sync a folder; the renames are then as
    // durable as they make them.
    if (rc == 0 || errno == EINVAL || errno == EROFS || errno == EBADF)
        return ZephErrNone;
    return fromErrno(errno);
}

ZephError ZephSysFolderIdentify(int64_t folder, ZephSysFileIdentity* identity) {
    return ZephSysFileIdentify(folder, identity);
}

ZephError ZephSysFolderFreeSpace(int64_t folder, uint64_t* bytes) {
    struct statvfs about {};
    int rc;
    do
        rc = fstatvfs(toDescriptor(folder), &about);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return fromErrno(errno);
    *bytes = static_cast<uint64_t>(about.f_bavail) * static_cast<uint64_t>(about.f_frsize);
    return ZephErrNone;
}

ZephError ZephSysFolderMake(const char* path) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    return mkdir(path, 0700) == 0 ? ZephErrNone : fromErrno(errno);
}
