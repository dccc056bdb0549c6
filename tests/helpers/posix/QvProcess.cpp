// posix/QvProcess.cpp - child processes with posix_spawn and pipes.
#include "QvProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace qvtest {

namespace {
long long nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
} // namespace

Process::~Process() {
    if (process_ != -1 && !ended_) {
        kill();
        wait(10000);
    }
    closePipes();
}

void Process::closePipes() {
    if (input_ != -1)
        close(static_cast<int>(input_));
    if (output_ != -1)
        close(static_cast<int>(output_));
    input_ = output_ = -1;
}

bool Process::start(const std::string& program, const std::vector<std::string>& arguments) {
    if (process_ != -1)
        return false;
    // Close-on-exec everywhere: dup2 in the child clears it on fds 0 and 1
    // only, so no other child inherits these pipes.
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (rc != 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return false;
    }
    process_ = pid;
    input_ = toChild[1];
    output_ = fromChild[0];
    ended_ = false;
    return true;
}

bool Process::readLine(std::string* line, int timeoutMs) {
    long long deadline = nowMs() + timeoutMs;
    for (;;) {
        size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            *line = pending_.substr(0, end);
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            pending_.erase(0, end + 1);
            return true;
        }
        if (output_ == -1)
            return false;
        long long left = deadline - nowMs();
        if (left <= 0)
            return false;
        pollfd wanted{static_cast<int>(output_), POLLIN, 0};
        int ready = poll(&wanted, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char chunk[512];
        ssize_t n = read(static_cast<int>(output_), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        pending_.append(chunk, static_cast<size_t>(n));
    }
}

bool Process::writeLine(const std::string& text) {
    if (input_ == -1)
        return false;
    std::string bytes = text + "\n";
    // A child that is gone must not end the test with SIGPIPE.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    ssize_t n = write(static_cast<int>(input_), bytes.data(), bytes.size());
    sigaction(SIGPIPE, &previous, nullptr);
    return n == static_cast<ssize_t>(bytes.size());
}

bool Process::kill() {
    if (process_ == -1 || ended_)
        return false;
    return ::kill(static_cast<pid_t>(process_), SIGKILL) == 0;
}

bool Process::wait(int timeoutMs, int* exitCode) {
    if (process_ == -1)
        return false;
    long long deadline = nowMs() + timeoutMs;
    while (!ended_) {
        int status = 0;
        pid_t rc = waitpid(static_cast<pid_t>(process_), &status, WNOHANG);
        if (rc == static_cast<pid_t>(process_)) {
            ended_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (rc < 0 && errno != EINTR)
            return false;
        if (nowMs() >= deadline)
            return false;
        usleep(2000);
    }
    if (exitCode != nullptr)
        *exitCode = exitCode_;
    return true;
}

} // namespace qvtest
