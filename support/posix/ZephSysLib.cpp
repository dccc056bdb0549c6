// posix/ZephSysLib.cpp - local time through localtime_r. POSIX only.
#include "ZephSysLib.h"

#include <time.h>

int ZephSysLocalTimeNow(ZephSysLocalTime* now) {
    time_t seconds = time(nullptr);
    struct tm local {};
    if (seconds == static_cast<time_t>(-1) || localtime_r(&seconds, &local) == nullptr)
        return -1;
    *now = ZephSysLocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday,
                            local.tm_hour,        local.tm_min,     local.tm_sec};
    return 0;
}
