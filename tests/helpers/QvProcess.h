// QvProcess.h - a child process on pipes, for tests that need real processes.
#ifndef QUORVEL_TESTS_QVPROCESS_H
#define QUORVEL_TESTS_QVPROCESS_H

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

// A child with its standard input and output on pipes (standard error is
// shared with the test). The pipe ends of the test are never inherited by
// other children, so a child sees the end of its input as soon as its own
// Process closes it. A child still running when the object goes away is
// killed and waited for.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts program with arguments; false when it cannot be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments);
    // The next line of the child's output without its line end. false at the
    // end of the output or when no whole line came within timeoutMs.
    bool readLine(std::string* line, int timeoutMs);
    // Writes text and a line feed to the child's input.
    bool writeLine(const std::string& text);
    // Ends the child at once: SIGKILL on POSIX, TerminateProcess on Windows.
    bool kill();
    // Waits up to timeoutMs for the child to end; its exit code goes to
    // *exitCode. false on time-out or when nothing was started.
    bool wait(int timeoutMs, int* exitCode = nullptr);

private:
    void closePipes();

    int64_t process_ = -1; // pid or process handle; -1 = none
    int64_t input_ = -1;   // our end of the child's standard input
    int64_t output_ = -1;  // our end of the child's standard output
    bool ended_ = false;   // waited for: the process is gone
    int exitCode_ = 0;
    std::string pending_; // output read past the last line handed out
};

} // namespace qvtest

#endif
