// ZephMemReport.cpp - guard reports and metric feed of the memory manager.
// Call points only for now: the guard report and the feed into the metric
// manager come with the library's services.
#include "ZephMemReport.h"

void zephMemCheckGuardsOnRelease(ZephMemManager* manager, ZephMemBlock* block) {}

void zephMemFeedMetrics(ZephMemManager* manager, const char* name, int32_t events, int32_t amount) {}
