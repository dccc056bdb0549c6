// posix/QvFileTime.cpp - modification times through utimensat and stat.
#include "QvFileTime.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace qvtest {

bool setModificationTime(const std::string& path, int64_t time) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // access time
    times[1].tv_sec = static_cast<time_t>(time / 10000000);
    times[1].tv_nsec = static_cast<long>(time % 10000000) * 100;
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

int64_t modificationTime(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 10000000 + info.st_mtim.tv_nsec / 100;
}

} // namespace qvtest
