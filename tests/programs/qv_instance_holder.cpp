// qv_instance_holder.cpp - holds an instance number for tests that need
// several running copies of a program.
//
//   qv_instance_holder PROGRAM-NAME [RELEASE-FILE]
//
// Acquires a number for PROGRAM-NAME and prints it on a line of its own
// ("failed" and exit code 2 when none can be had). Then holds it until a
// line arrives on standard input, the input ends, or RELEASE-FILE appears;
// gives the number back, prints "released" and exits with 0.
#include "ZephInstance.h"
#include "ZephTick.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: qv_instance_holder PROGRAM-NAME [RELEASE-FILE]\n");
        return 1;
    }
    ZephInstance instance;
    if (instance.acquire(argv[1]) != 0) {
        std::printf("failed\n");
        std::fflush(stdout);
        return 2;
    }
    std::printf("%d\n", static_cast<int>(instance.number));
    std::fflush(stdout);

    static std::atomic<bool> inputDone{false};
    std::thread([] {
        std::string line;
        std::getline(std::cin, line);
        inputDone = true;
    }).detach();
    std::filesystem::path releaseFile = argc == 3 ? argv[2] : "";
    for (;;) {
        std::error_code error;
        if (inputDone || (!releaseFile.empty() && std::filesystem::exists(releaseFile, error)))
            break;
        ZephSleep(5);
    }
    instance.release();
    std::printf("released\n");
    std::fflush(stdout);
    // The reader thread may still sit in a read of standard input; leave
    // without the runtime's clean-up, which could wait for that stream.
    std::_Exit(0);
}
