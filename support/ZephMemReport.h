// ZephMemReport.h - the memory manager's guard reports and metric feed.
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

// Metric feed: ZephMemAlloc calls it with (+1, +size) after its bookkeeping
// and before the watchers; ZephMemFree with (-1, -size) after the counters
// drop. Called only with ReportMetrics and a metric manager, under the lock.
void zephMemFeedMetrics(ZephMemManager* manager, const char* name, int32_t events, int32_t amount);

#endif
