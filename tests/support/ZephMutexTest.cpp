// ZephMutexTest.cpp - recursion, time-outs, longestWait and abandoned owners,
// with real threads. Time bounds are generous: they catch a lock that does
// not wait or never returns, not a slow machine.
#include "ZephMutex.h"

#include "ZephTick.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Runs lock(timeout) on a thread of its own; a lock that succeeds is
// released there again, so the caller's view of ownership is unchanged.
int lockFromOtherThread(ZephMutex& mutex, int32_t timeoutMs, uint32_t* elapsedMs = nullptr) {
    int result = -2;
    uint32_t elapsed = 0;
    std::thread other([&] {
        uint32_t start = ZephTickCount();
        result = mutex.lock(timeoutMs);
        elapsed = ZephTickSince(start);
        if (result == 0)
            mutex.unlock();
    });
    other.join();
    if (elapsedMs != nullptr)
        *elapsedMs = elapsed;
    return result;
}

// A thread that takes the mutex, says so, and holds it until told to let go.
class Holder {
public:
    explicit Holder(ZephMutex& mutex)
        : thread_([this, &mutex] {
              locked_ = mutex.lock(-1) == 0 ? 1 : -1;
              while (!release_)
                  ZephSleep(1);
              unlockTick_ = ZephTickCount();
              mutex.unlock();
          }) {
        while (locked_ == 0)
            ZephSleep(1);
    }
    ~Holder() { letGo(); }
    bool holds() const { return locked_ == 1; }
    // Releases the mutex (after holding it at least holdMs from now) and
    // waits for the thread to end.
    void letGoAfter(uint32_t holdMs) {
        ZephSleep(holdMs);
        letGo();
    }
    void letGo() {
        release_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    uint32_t unlockTick() const { return unlockTick_; }

private:
    std::atomic<int> locked_{0};
    std::atomic<bool> release_{false};
    std::atomic<uint32_t> unlockTick_{0};
    std::thread thread_;
};

TEST(ZephMutexLifecycle, NeverCreatedMutexRefusesLockAndUnlock) {
    ZephMutex mutex;
    EXPECT_EQ(mutex.lock(-1), -1);
    EXPECT_EQ(mutex.lock(0), -1);
    EXPECT_EQ(mutex.unlock(), -1);
    mutex.close(); // harmless without a mutex
    EXPECT_EQ(mutex.handle, 0);
}

TEST(ZephMutexLifecycle, CloseLeavesNoMutexAndCreateMakesAFreshOne) {
    ZephMutex mutex;
    ASSERT_EQ(mutex.create(), 0);
    EXPECT_NE(mutex.handle, 0);
    mutex.longestWait = 1234;
    ASSERT_EQ(mutex.create(), 0); // replaces it and forgets the old statistics
    EXPECT_EQ(mutex.longestWait, 0u);
    EXPECT_EQ(mutex.lock(0), 0);
    EXPECT_EQ(mutex.unlock(), 0);
    mutex.close();
    EXPECT_EQ(mutex.handle, 0);
    EXPECT_EQ(mutex.lock(0), -1);
    EXPECT_EQ(mutex.unlock(), -1);
}

TEST(ZephMutexRecursion, OtherThreadGetsItOnlyAfterEveryLevelIsReleased) {
    ZephMutex mutex;
    ASSERT_EQ(mutex.create(), 0);
    ASSERT_EQ(mutex.lock(-1), 0);
    ASSERT_EQ(mutex.lock(0), 0); // the owner may lock again, even without waiting
    EXPECT_EQ(lockFromOtherThread(mutex, 0), -1);
    EXPECT_EQ(mutex.unlock(), 0);
    EXPECT_EQ(lockFromOtherThread(mutex, 0), -1); // one level still held
    EXPECT_EQ(mutex.unlock(), 0);
    EXPECT_EQ(lockFromOtherThread(mutex, 0), 0);
    EXPECT_EQ(mutex.unlock(), -1); // nothing left to release on this thread
    mutex.close();
}

TEST(ZephMutexWaits, ZeroTimeoutAgainstAnotherHolderFailsAtOnceAndKeepsLongestWait) {
    ZephMutex mutex;
    ASSERT_EQ(mutex.create(), 0);
    mutex.longestWait = 7;
    Holder holder(mutex);
    ASSERT_TRUE(holder.holds());
    uint32_t longest = mutex.longestWait; // the holder's own lock is measured too
    uint32_t start = ZephTickCount();
    EXPECT_EQ(mutex.lock(0), -1);
    EXPECT_LT(ZephTickSince(start), 2000u); // "at once": no wait for the holder
    EXPECT_EQ(mutex.longestWait, longest);
    holder.letGo();
    mutex.close();
}

TEST(ZephMutexWaits, TimedLockGivesUpAfterItsTimeoutAndCountsNoWait) {
    ZephMutex mutex;
    ASSERT_EQ(mutex.create(), 0);
    Holder holder(mutex);
    ASSERT_TRUE(holder.holds());
    uint32_t longest = mutex.longestWait; // the holder's own lock is measured too
    uint32_t start = ZephTickCount();
    EXPECT_EQ(mutex.lock(150), -1);
    uint32_t waited = ZephTickSince(start);
    EXPECT_GE(waited, 100u); // it did wait (tick granularity allowed for)
    EXPECT_LT(waited, 10000u);
    EXPECT_EQ(mutex.longestWait, longest); // failed locks are not measured
    holder.letGo();
    EXPECT_EQ(mutex.lock(150), 0);
    EXPECT_EQ(mutex.unlock(), 0);
    mutex.close();
}

TEST(ZephMutexWaits, LongestWaitMeasuresABlockedLockAndOnlyGrows) {
    ZephMutex mutex;
    ASSERT_EQ(mutex.create(), 0);
    uint32_t before = 0, after = 0;
    {
        Holder holder(mutex);
        ASSERT_TRUE(holder.holds());
        std::thread releaser([&holder] { holder.letGoAfter(300); });
        before = ZephTickCount();
        ASSERT_EQ(mutex.lock(-1), 0);
        after = ZephTickCount();
        releaser.join();
    }
    // The wait lies inside [before, after] and lasted at least until the
    // holder let go, which was 300 ms after the holder began to wait.
    EXPECT_LE(mutex.longestWait, after - before);
    EXPECT_GE(mutex.longestWait, 100u);
    EXPECT_EQ(mutex.unlock(), 0);
    uint32_t longest = mutex.longestWait;
    EXPECT_EQ(mutex.lock(-1), 0); // no contention: a shorter wait leaves it
    EXPECT_EQ(mutex.unlock(), 0);
    EXPECT_EQ(mutex.longestWait, longest);
    mutex.close();
}

TEST(ZephMutexAbandoned, OwnerThatEndsHoldingItIsTakenOverWithOneLevel) {
    ZephMutex mutex;
    ASSERT_EQ(mutex.create(), 0);
    std::thread quitter([&mutex] { ASSERT_EQ(mutex.lock(-1), 0); }); // ends without unlocking
    quitter.join();
    ASSERT_EQ(mutex.lock(2000), 0);
    EXPECT_EQ(lockFromOtherThread(mutex, 0), -1);
    EXPECT_EQ(mutex.unlock(), 0); // one unlock is enough: the takeover added one level
    EXPECT_EQ(lockFromOtherThread(mutex, 0), 0);
    mutex.close();
}

} // namespace
