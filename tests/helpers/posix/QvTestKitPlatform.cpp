// posix/QvTestKitPlatform.cpp - test helpers that need the running program's path.
#include "QvTestKit.h"

#include <climits>
#include <string>
#include <unistd.h>

namespace qvtest {

std::string siblingProgram(const std::string& name) {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return name;
    self[n] = 0;
    std::string dir(self);
    return dir.substr(0, dir.rfind('/') + 1) + name;
}

} // namespace qvtest
