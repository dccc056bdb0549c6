// ZephSysMap.cpp - the file-view table, filled with the platform's calls.
#include "ZephSysMap.h"

// Constant-initialised, so valid before any static constructor runs.
const ZephSysMapTable ZephSysMapsDefault = {ZephSysMapView, ZephSysUnmapView};
ZephSysMapTable ZephSysMaps = {ZephSysMapView, ZephSysUnmapView};
