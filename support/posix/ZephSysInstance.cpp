// posix/ZephSysInstance.cpp - instance slots as lock files. POSIX only.
//
// POSIX named semaphores outlive a process that is killed while holding one,
// so a slot here is a file held with flock(): the kernel drops the lock when
// the last descriptor of its open file goes away, however the holder ends.
// flock() locks belong to the open file, not the process, so two records in
// one process conflict just as two processes do. The files stay behind (a
// few empty files); removing them would race with a copy about to lock one.
//
// Where: $XDG_RUNTIME_DIR/zeph-instance when that variable names a directory
// of ours that others cannot write, else /tmp/zeph-instance-<uid>. Either
// folder must be a real directory owned by us with no access for others, or
// no slot is made.
#include "ZephSysInstance.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPathCapacity = 4096;

int descriptorOf(int64_t handle) { return static_cast<int>(handle - 1); } // handle 0 means none

bool isOwnedDirectory(const char* path, bool followLink, mode_t forbiddenBits) {
    struct stat info {};
    int rc = followLink ? stat(path, &info) : lstat(path, &info);
    return rc == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & forbiddenBits) == 0;
}

bool findSlotFolder(char* folder, int size) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    int length;
    if (runtime != nullptr && runtime[0] == '/' && isOwnedDirectory(runtime, true, S_IWGRP | S_IWOTH))
        length = std::snprintf(folder, static_cast<size_t>(size), "%s/zeph-instance", runtime);
    else
        length = std::snprintf(folder, static_cast<size_t>(size), "/tmp/zeph-instance-%lu",
                               static_cast<unsigned long>(geteuid()));
    if (length < 0 || length >= size)
        return false;
    if (mkdir(folder, 0700) != 0 && errno != EEXIST)
        return false;
    // Someone else may have made it first, or made it a link: refuse both.
    return isOwnedDirectory(folder, false, S_IRWXG | S_IRWXO);
}

// Slot names become file names: '/' and '%' and control bytes are written
// as %XX, so no name can leave the folder or collide with another.
bool appendEscaped(char* path, int size, const char* name) {
    static const char hex[] = "0123456789ABCDEF";
    int at = 0;
    while (path[at] != 0)
        ++at;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != 0; ++c) {
        bool escape = *c == '/' || *c == '%' || *c < 0x20 || *c == 0x7F;
        if (at + (escape ? 3 : 1) >= size)
            return false;
        if (escape) {
            path[at++] = '%';
            path[at++] = hex[*c >> 4];
            path[at++] = hex[*c & 15];
        } else {
            path[at++] = static_cast<char>(*c);
        }
    }
    path[at] = 0;
    return true;
}

} // namespace

int64_t ZephSysInstanceOpen(const char* name) {
    char path[kPathCapacity];
    if (name == nullptr || !findSlotFolder(path, kPathCapacity - 1))
        return 0;
    int length = 0;
    while (path[length] != 0)
        ++length;
    path[length] = '/';
    path[length + 1] = 0;
    if (!appendEscaped(path, kPathCapacity, name))
        return 0;
    int descriptor = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return 0;
    return static_cast<int64_t>(descriptor) + 1;
}

ZephWaitResult ZephSysInstanceTryTake(int64_t handle) {
    if (flock(descriptorOf(handle), LOCK_EX | LOCK_NB) == 0)
        return ZephWaitAcquired;
    return errno == EWOULDBLOCK ? ZephWaitTimeout : ZephWaitFailed;
}

void ZephSysInstanceGiveBack(int64_t handle) {
    flock(descriptorOf(handle), LOCK_UN);
    close(descriptorOf(handle));
}

void ZephSysInstanceClose(int64_t handle) { close(descriptorOf(handle)); }
