// ZephInstance.h - which running copy of a program this process is.
#ifndef QUORVEL_SUPPORT_ZEPHINSTANCE_H
#define QUORVEL_SUPPORT_ZEPHINSTANCE_H

#include <cstdint>

// Each running copy of a program holds one system-wide slot named
// "semaphore:<program>:<number>"; a copy takes the lowest number that no
// running copy holds, so the first copy is 1, a second one running beside it
// is 2, and a number is free again once its holder releases it or ends, also
// when it is killed. Copies that start at the same moment never share a
// number. Works across processes; within one process each record holds its
// own number, and only one thread should use a record.
//
// The probe is bounded: numbers 1 to ZephInstanceMaxNumber are tried, and a
// number whose slot answers neither "taken" nor "busy" is retried a few times
// and then passed over. Past the bound acquire fails with -1.
inline constexpr int32_t ZephInstanceMaxNumber = 1024;

struct ZephInstance {
    int64_t handle = 0; // the slot of the number held; 0 = none
    int32_t number = 0; // the number held; 0 when none is held

    ZephInstance() = default;
    ~ZephInstance() { release(); }
    ZephInstance(const ZephInstance&) = delete;
    ZephInstance& operator=(const ZephInstance&) = delete;

    // Gives back any number held, then takes the lowest free number for
    // programName (none: "UNNAMED", so all unnamed users share one sequence).
    // Returns 0 with number set, or -1 with nothing held when no number up to
    // ZephInstanceMaxNumber can be taken (for example the platform refuses
    // the name, or every slot is busy).
    int acquire(const char* programName);
    // Gives the number back, if any; number becomes 0. Always 0.
    int release();
};

#endif
