// posix/ZephSysDir.cpp - directory search and file times on POSIX, shaped
// like the Win32 calls (FindFirstFileA and friends) so that the portable code
// sees one behaviour. POSIX only.
//
// Map: splitting the pattern and opening the directory (findFirst); reading
// and matching names (readMatch); attributes, size and times from lstat
// (describe); the calendar conversion.
#include "ZephSysDir.h"

#include "ZephSysError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

namespace {

// Seconds from 1 January 1601 to 1 January 1970, both UTC.
constexpr int64_t EpochDifference = 11644473600LL;
constexpr int64_t TicksPerSecond = 10000000LL;

// One open search: the directory stream and the wildcard component. The
// pattern copy lives in the same block, cut into directory and wildcard.
struct Search {
    DIR* dir;
    const char* wildcard;
    char* text; // right after the record
};

Search* fromHandle(int64_t handle) { return reinterpret_cast<Search*>(static_cast<intptr_t>(handle)); }

ZephError fromErrno(int error) {
    ZephSysSetLastError(error);
    switch (error) {
    case ENOENT:
    case ENOTDIR: return ZephErrNotFound;
    case EACCES:
    case EPERM: return ZephErrAccess;
    case ENOMEM: return ZephErrNoMemory;
    case ENAMETOOLONG:
    case EINVAL: return ZephErrInvalid;
    default: return ZephErrIo;
    }
}

uint64_t toFileTime(int64_t seconds, int64_t nanoseconds) {
    // Times before 1601 have no file time; report them as unknown.
    if (seconds < -EpochDifference)
        return 0;
    return static_cast<uint64_t>(seconds + EpochDifference) * TicksPerSecond + static_cast<uint64_t>(nanoseconds / 100);
}

bool isDotOrDotDot(const char* name) { return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)); }

// What lstat tells about one name.
struct Status {
    uint32_t mode;
    uint64_t size;
    uint64_t created, accessed, written;
    uint64_t volume, file;
};

// lstat with the birth time where the file system keeps one. 0, or an errno.
int statNoFollow(int dirFd, const char* name, Status* status) {
    struct statx extended {};
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &extended) == 0) {
        status->mode = extended.stx_mode;
        status->size = extended.stx_size;
        status->accessed = toFileTime(extended.stx_atime.tv_sec, extended.stx_atime.tv_nsec);
        status->written = toFileTime(extended.stx_mtime.tv_sec, extended.stx_mtime.tv_nsec);
        const statx_timestamp& created = (extended.stx_mask & STATX_BTIME) ? extended.stx_btime : extended.stx_ctime;
        status->created = toFileTime(created.tv_sec, created.tv_nsec);
        status->volume = makedev(extended.stx_dev_major, extended.stx_dev_minor);
        status->file = extended.stx_ino;
        return 0;
    }
    if (errno != ENOSYS)
        return errno;
    // statx is missing on older kernels and in some sandboxes.
    struct stat plain {};
    if (fstatat(dirFd, name, &plain, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    status->mode = plain.st_mode;
    status->size = static_cast<uint64_t>(plain.st_size);
    status->accessed = toFileTime(plain.st_atim.tv_sec, plain.st_atim.tv_nsec);
    status->written = toFileTime(plain.st_mtim.tv_sec, plain.st_mtim.tv_nsec);
    status->created = toFileTime(plain.st_ctim.tv_sec, plain.st_ctim.tv_nsec);
    status->volume = plain.st_dev;
    status->file = plain.st_ino;
    return 0;
}

// Fills data for name inside the open directory, without following a link.
// false when the name has gone since it was read.
bool describe(int dirFd, const char* name, ZephSysFindData* data) {
    std::memset(data, 0, sizeof *data);
    std::strncpy(data->name, name, sizeof data->name - 1);
    Status status{};
    int error = statNoFollow(dirFd, name, &status);
    if (error == ENOENT)
        return false;
    if (error != 0) {
        // Listed, but nothing more is known: a plain file without times.
        data->attributes = ZephSysAttrArchive;
        return true;
    }
    uint32_t mode = status.mode;
    uint64_t size = status.size;
    data->created = status.created;
    data->accessed = status.accessed;
    data->written = status.written;
    data->volume = status.volume;
    data->file = status.file;

    uint32_t attributes;
    if (S_ISLNK(mode)) {
        // Windows reports the reparse point itself, which holds no data.
        attributes = ZephSysAttrArchive | ZephSysAttrReparsePoint;
        size = 0;
    } else if (S_ISDIR(mode)) {
        attributes = ZephSysAttrDirectory;
        size = 0;
    } else if (!S_ISREG(mode)) {
        attributes = ZephSysAttrArchive | ZephSysAttrDevice;
        size = 0;
    } else {
        attributes = ZephSysAttrArchive;
    }
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= ZephSysAttrReadOnly;
    if (name[0] == '.' && !isDotOrDotDot(name))
        attributes |= ZephSysAttrHidden;
    data->attributes = attributes;
    data->size = size;
    return true;
}

// Reads on to the next name that matches the search's wildcard.
ZephError readMatch(Search* search, ZephSysFindData* data) {
    for (;;) {
        errno = 0;
        dirent* entry = readdir(search->dir);
        if (entry == nullptr)
            return errno == 0 ? ZephErrNotFound : fromErrno(errno);
        if (!ZephSysWildcardMatch(search->wildcard, entry->d_name))
            continue;
        if (describe(dirfd(search->dir), entry->d_name, data))
            return ZephErrNone;
    }
}

// localtime_r may keep a zone read earlier, and tzset is costly when TZ is
// unset (it looks at /etc/localtime again on every call): tzset runs the
// first time on each thread and whenever TZ has changed since.
void refreshZone() {
    enum Seen { Nothing, Unset, Set };
    thread_local Seen seen = Nothing;
    thread_local char value[256];
    const char* zone = std::getenv("TZ");
    if (zone == nullptr ? seen == Unset : seen == Set && std::strcmp(value, zone) == 0)
        return;
    tzset();
    if (zone == nullptr) {
        seen = Unset;
    } else if (std::strlen(zone) < sizeof value) {
        std::strcpy(value, zone);
        seen = Set;
    } else {
        seen = Nothing; // too long to remember: look again next time
    }
}

} // namespace

ZephError ZephSysFindFirst(const char* pattern, ZephSysFindData* data, int64_t* handle) {
    *handle = 0;
    if (pattern == nullptr || *pattern == 0)
        return ZephErrNotFound;
    size_t length = std::strlen(pattern);
    auto* search = static_cast<Search*>(std::malloc(sizeof(Search) + length + 1));
    if (search == nullptr)
        return ZephErrNoMemory;
    search->text = reinterpret_cast<char*>(search + 1);
    std::memcpy(search->text, pattern, length + 1);

    const char* directory = ".";
    char* slash = std::strrchr(search->text, '/');
    if (slash == nullptr) {
        search->wildcard = search->text;
    } else {
        search->wildcard = slash + 1;
        if (slash == search->text) {
            directory = "/";
        } else {
            *slash = 0;
            directory = search->text;
        }
    }

    search->dir = opendir(directory);
    if (search->dir == nullptr) {
        ZephError error = fromErrno(errno);
        std::free(search);
        return error;
    }
    ZephError error = readMatch(search, data);
    if (error != ZephErrNone) {
        closedir(search->dir);
        std::free(search);
        return error;
    }
    *handle = static_cast<int64_t>(reinterpret_cast<intptr_t>(search));
    return ZephErrNone;
}

ZephError ZephSysFindNext(int64_t handle, ZephSysFindData* data) { return readMatch(fromHandle(handle), data); }

void ZephSysFindClose(int64_t handle) {
    Search* search = fromHandle(handle);
    if (search == nullptr)
        return;
    closedir(search->dir);
    std::free(search);
}

int ZephSysFileTimeToCalendar(uint64_t fileTime, bool utc, ZephSysCalendar* out) {
    // The same range as FileTimeToSystemTime: the value must fit in 63 bits.
    if (fileTime > static_cast<uint64_t>(INT64_MAX))
        return -1;
    time_t seconds = static_cast<time_t>(static_cast<int64_t>(fileTime / TicksPerSecond) - EpochDifference);
    struct tm calendar {};
    if (utc) {
        if (gmtime_r(&seconds, &calendar) == nullptr)
            return -1;
    } else {
        refreshZone();
        if (localtime_r(&seconds, &calendar) == nullptr)
            return -1;
    }
    out->year = static_cast<uint16_t>(calendar.tm_year + 1900);
    out->month = static_cast<uint16_t>(calendar.tm_mon + 1);
    out->day = static_cast<uint16_t>(calendar.tm_mday);
    out->hour = static_cast<uint16_t>(calendar.tm_hour);
    out->minute = static_cast<uint16_t>(calendar.tm_min);
    // A leap second (60) has no place in a Windows calendar time.
    out->second = static_cast<uint16_t>(calendar.tm_sec > 59 ? 59 : calendar.tm_sec);
    out->milliseconds = static_cast<uint16_t>(fileTime % TicksPerSecond / 10000);
    return 0;
}
