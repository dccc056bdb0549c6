// QvAllocFault.h - fails chosen allocations of a memory manager, for tests.
#ifndef QUORVEL_TESTS_QVALLOCFAULT_H
#define QUORVEL_TESTS_QVALLOCFAULT_H

#include "ZephMem.h"

namespace qvtest {

// Installs an allocation hook on a manager (ZephMemManagerGlobal unless told
// otherwise) for the object's lifetime and restores the hook that was there
// before on destruction. While disarmed every allocation passes through to a
// real, tracked block (counted, with serial, guards and name, as without the
// hook). Armed with failAt(n), the n-th allocation from then on returns none;
// once, or with persistent=true that one and every later one.
//
//     qvtest::AllocFault fault;                 // on ZephMemManagerGlobal
//     for (int n = 1;; ++n) {
//         fault.failAt(n);                      // or failAt(n, true)
//         int result = codeUnderTest();
//         fault.disarm();
//         // require success or the documented error here ...
//         if (!fault.fired()) break;            // nothing left to fail
//     }
//
// Objects may nest on one manager (the inner one sees calls first). Build
// and destroy them on one thread; the hook itself may run on any thread
// while the manager locks (LockMutex).
class AllocFault {
public:
    explicit AllocFault(ZephMemManager* manager = &ZephMemManagerGlobal);
    ~AllocFault();
    AllocFault(const AllocFault&) = delete;
    AllocFault& operator=(const AllocFault&) = delete;

    // Arms: counting restarts, the n-th allocation from now (n >= 1) fails,
    // and with persistent every allocation after it too. n < 1 disarms.
    void failAt(int n, bool persistent = false);
    // Every later allocation passes through; the counts are kept.
    void disarm();

    // Allocation calls seen since construction or the last failAt.
    int calls() const { return calls_; }
    // Calls that were made to fail since then.
    int failures() const { return failures_; }
    bool fired() const { return failures_ > 0; }

private:
    static void* hook(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name);
    void* allocate(int32_t size, uint32_t flags, const char* name);

    ZephMemManager* manager_;
    ZephMemAllocHook previousHook_;
    AllocFault* previousFault_;
    int failAt_ = 0;
    bool persistent_ = false;
    int calls_ = 0;
    int failures_ = 0;
};

} // namespace qvtest

#endif
