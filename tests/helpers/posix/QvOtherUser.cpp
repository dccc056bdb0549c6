// posix/QvOtherUser.cpp - a forked child that drops to another user.
#include "posix/QvOtherUser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvtest {

bool canActAsOtherUser() { return geteuid() == 0; }

int runAs(uint32_t uid, uint32_t gid, const std::function<int()>& work) {
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // _exit: the child must run none of the parent's exit handlers.
        if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0)
            _exit(255);
        _exit(work() & 0xFF);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace qvtest
