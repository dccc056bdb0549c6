// QvFileTime.h - modification times of files and directories, for tests that
// check that a run left something untouched.
#ifndef QUORVEL_TESTS_QVFILETIME_H
#define QUORVEL_TESTS_QVFILETIME_H

#include <cstdint>
#include <string>

namespace qvtest {

// Times are 100-nanosecond units since 1970-01-01 UTC, the finest unit both
// platforms keep. Directories work too (the standard library cannot set a
// directory's time on Windows).
bool setModificationTime(const std::string& path, int64_t time);
// -1 when path cannot be looked at.
int64_t modificationTime(const std::string& path);

} // namespace qvtest

#endif
