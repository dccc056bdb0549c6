// QvTestKit.h - helpers shared by the unit tests.
#ifndef QUORVEL_TESTS_QVTESTKIT_H
#define QUORVEL_TESTS_QVTESTKIT_H

#include <string>

namespace qvtest {

// A fresh, empty directory under the system's temporary folder, removed with
// everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path() joined with name by the platform's separator.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Writes bytes to a file, replacing it; returns false on failure.
bool writeFile(const std::string& path, const std::string& bytes);
// Reads a whole file; an unreadable file gives an empty string and ok=false.
std::string readFile(const std::string& path, bool* ok = nullptr);

// Path of a program built beside the running test (tests/programs/NAME).
std::string siblingProgram(const std::string& name);

} // namespace qvtest

#endif
