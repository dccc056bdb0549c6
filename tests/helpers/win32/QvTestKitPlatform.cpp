// win32/QvTestKitPlatform.cpp - test helpers that need the running program's path.
#include "QvTestKit.h"

#include <windows.h>

namespace qvtest {

std::string siblingProgram(const std::string& name) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name + ".exe";
}

} // namespace qvtest
