// ZephSysLib.h - platform layer: process-level services of ZephLib.
#ifndef QUORVEL_SUPPORT_ZEPHSYSLIB_H
#define QUORVEL_SUPPORT_ZEPHSYSLIB_H

// The current local time, broken down. month is 1-12, weekday 0-6 from Sunday.
struct ZephSysLocalTime {
    int year, month, day, weekday, hour, minute, second;
};

// Fills now with the current local time under the time zone's rules.
// 0, or -1 when the platform cannot give it.
int ZephSysLocalTimeNow(ZephSysLocalTime* now);

#endif
