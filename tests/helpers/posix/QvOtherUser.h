// posix/QvOtherUser.h - work done as another user, for tests of what the
// owner of a folder can do to a run that root makes in it.
#ifndef QUORVEL_TESTS_QVOTHERUSER_H
#define QUORVEL_TESTS_QVOTHERUSER_H

#include <cstdint>
#include <functional>

namespace qvtest {

// A user and group that are not root and need no entry in /etc/passwd.
inline constexpr uint32_t OtherUser = 4242;
inline constexpr uint32_t OtherGroup = 4242;

// True when the test may act as other users: it runs as root.
bool canActAsOtherUser();

// Runs work in a child process as uid and gid, without supplementary
// groups, and returns what work returned; -1 when the child could not
// switch or did not end normally. Only for root.
int runAs(uint32_t uid, uint32_t gid, const std::function<int()>& work);

} // namespace qvtest

#endif
