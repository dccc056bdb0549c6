// qv_install_dir.cpp - makes and checks the generated install directory of
// the wizard's tests, for scripts that drive the program from outside.
//
//   qv_install_dir make DIR       creates DIR (must not exist) with the files
//   qv_install_dir patched DIR    exit 0 when DIR holds what a convert run leaves
//   qv_install_dir unchanged DIR  exit 0 when DIR is as made
// Problems go to standard output, one a line; exit code 1 when there are any.
#include "QvInstallDir.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: qv_install_dir make|patched|unchanged DIR\n");
        return 2;
    }
    const std::string verb = argv[1];
    const std::string dir = argv[2];
    if (verb == "make") {
        std::error_code ec;
        if (!std::filesystem::create_directories(dir, ec)) {
            std::printf("cannot create %s: %s\n", dir.c_str(), ec ? ec.message().c_str() : "it exists");
            return 1;
        }
        std::string error;
        if (!qvtest::makeGameInstall(dir, &error)) {
            std::printf("%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (verb != "patched" && verb != "unchanged") {
        std::printf("unknown verb %s\n", verb.c_str());
        return 2;
    }
    const auto problems = qvtest::checkGameInstall(dir, verb == "patched");
    for (const std::string& problem : problems)
        std::printf("%s\n", problem.c_str());
    if (problems.empty())
        std::printf("%s: %s\n", dir.c_str(),
                    verb == "patched" ? "every file as a convert run leaves it" : "nothing changed");
    return problems.empty() ? 0 : 1;
}
