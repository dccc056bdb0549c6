// posix/ZephSysSock.cpp - sockets need no start-up on POSIX. POSIX only.
#include "ZephSysSock.h"

#include <cstdio>

namespace {
int startup(int* error) {
    *error = 0;
    return 0;
}
int cleanup(int* error) {
    *error = 0;
    return 0;
}
// There is no debugger channel; standard error is what a developer watches.
void trace(const char* text) { std::fprintf(stderr, "%s\n", text); }
} // namespace

// Both spelt out, so both are fixed before any code runs.
const ZephSysSockTable ZephSysSocksDefault = {startup, cleanup, trace};
ZephSysSockTable ZephSysSocks = {startup, cleanup, trace};
