// win32/QvProcess.cpp - child processes with CreateProcessA and anonymous pipes.
#include "QvProcess.h"

#include <windows.h>

namespace qvtest {

namespace {
HANDLE asHandle(int64_t value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }
int64_t fromHandle(HANDLE handle) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(handle)); }

// Quotes an argument the way the runtime's command-line parser reads it.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}
} // namespace

Process::~Process() {
    if (process_ != -1 && !ended_) {
        kill();
        wait(10000);
    }
    closePipes();
    if (process_ != -1)
        CloseHandle(asHandle(process_));
}

void Process::closePipes() {
    if (input_ != -1)
        CloseHandle(asHandle(input_));
    if (output_ != -1)
        CloseHandle(asHandle(output_));
    input_ = output_ = -1;
}

bool Process::start(const std::string& program, const std::vector<std::string>& arguments) {
    if (process_ != -1)
        return false;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr, ourInput = nullptr, ourOutput = nullptr, childOutput = nullptr;
    if (!CreatePipe(&childInput, &ourInput, &inheritable, 0))
        return false;
    if (!CreatePipe(&ourOutput, &childOutput, &inheritable, 0)) {
        CloseHandle(childInput);
        CloseHandle(ourInput);
        return false;
    }
    // Only the child's ends may be inherited, and they are closed here right
    // after the start, so later children never get them.
    SetHandleInformation(ourInput, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ourOutput, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine = quoted(program);
    for (const std::string& argument : arguments)
        commandLine += " " + quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                             &started);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!ok) {
        CloseHandle(ourInput);
        CloseHandle(ourOutput);
        return false;
    }
    CloseHandle(started.hThread);
    process_ = fromHandle(started.hProcess);
    input_ = fromHandle(ourInput);
    output_ = fromHandle(ourOutput);
    ended_ = false;
    return true;
}

bool Process::readLine(std::string* line, int timeoutMs) {
    DWORD start = GetTickCount();
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
        DWORD available = 0;
        if (!PeekNamedPipe(asHandle(output_), nullptr, 0, nullptr, &available, nullptr))
            return false; // the child closed its end
        if (available == 0) {
            if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs))
                return false;
            Sleep(2);
            continue;
        }
        char chunk[512];
        DWORD n = 0;
        if (!ReadFile(asHandle(output_), chunk, available < sizeof chunk ? available : sizeof chunk, &n, nullptr) ||
            n == 0)
            return false;
        pending_.append(chunk, n);
    }
}

bool Process::writeLine(const std::string& text) {
    if (input_ == -1)
        return false;
    std::string bytes = text + "\n";
    DWORD n = 0;
    return WriteFile(asHandle(input_), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
           n == bytes.size();
}

bool Process::kill() {
    if (process_ == -1 || ended_)
        return false;
    return TerminateProcess(asHandle(process_), 137) != 0;
}

bool Process::wait(int timeoutMs, int* exitCode) {
    if (process_ == -1)
        return false;
    if (!ended_) {
        if (WaitForSingleObject(asHandle(process_), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
            return false;
        DWORD code = 0;
        GetExitCodeProcess(asHandle(process_), &code);
        exitCode_ = static_cast<int>(code);
        ended_ = true;
    }
    if (exitCode != nullptr)
        *exitCode = exitCode_;
    return true;
}

} // namespace qvtest
