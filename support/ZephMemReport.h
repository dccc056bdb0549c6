// ZephMemReport.h - the memory manager's guard reports.
// Internal to the support library: only ZephMem.cpp calls these.
#ifndef QUORVEL_SUPPORT_ZEPHMEMREPORT_H
#define QUORVEL_SUPPORT_ZEPHMEMREPORT_H

#include <cstdint>

struct ZephMemManager;
struct ZephMemBlock;

// Guard check of a block being released. ZephMemFree calls it for a manager
// whose options hold CheckGuards, under the manager's lock, after the
// already-free test and before the counters drop; the block is released
// normally afterwards whatever this finds. Deciding whether a report is due
// (reportFile set, the reporting bit clear) and writing it belong here.
void zephMemCheckGuardsOnRelease(ZephMemManager* manager, ZephMemBlock* block);

#endif
