// QvInstallDir.h - generated game install directories for the wizard's tests,
// with the bytes every file must hold after a scan or a convert run.
#ifndef QUORVEL_TESTS_QVINSTALLDIR_H
#define QUORVEL_TESTS_QVINSTALLDIR_H

#include <string>
#include <vector>

namespace qvtest {

enum class InstallFileKind { Binary, Text, Other };

// One top-level file of a generated install directory.
struct InstallFile {
    std::string name;
    InstallFileKind kind;
    int occurrences;   // of the wizard's old address that a convert run replaces
    std::string bytes; // as generated
};

// The standard install directory: binaries and text files whose names mix
// letter cases, holding the old address at the start, at the end, across
// 4096-byte piece boundaries and beside near misses; files of other kinds
// and a known kind without the address; and a subdirectory "Maps" whose
// files hold the address too. Top-level files in list order; the
// subdirectory's files are not listed here.
std::vector<InstallFile> gameInstallFiles();

// What a run over the standard directory reports.
inline constexpr int GameInstallEntries = 10; // top-level entries, "Maps" included
inline constexpr int GameInstallMatches = 5;  // files that hold the address

// Creates the standard directory in dir (which must exist and be empty).
// Files that no run may write, the subdirectory and its files get a fixed
// modification time in the past, so that a check needs no record of them.
// Returns false with a reason when something could not be written.
bool makeGameInstall(const std::string& dir, std::string* error);

// The bytes a file must hold after a convert run with the wizard's strings,
// worked out here without the engine: in a binary the 13-character host name
// and one zero byte take each address's 14 bytes; in a text file the host
// name takes its place, one byte shorter; other kinds stay as they are.
std::string patchedBytes(const InstallFile& file);

// Problems found in dir, one line each; empty when dir is as it should be
// after a convert run (patched) or after runs that change nothing.
std::vector<std::string> checkGameInstall(const std::string& dir, bool patched);

// The old address as a file holds it, for tests that build their own files.
std::string addressBytes();

} // namespace qvtest

#endif
