// ZephPath.h - the path separator, chosen once for the whole program, and
// whether anything, or a folder, stands at a path.
#ifndef QUORVEL_SUPPORT_ZEPHPATH_H
#define QUORVEL_SUPPORT_ZEPHPATH_H

#include "ZephError.h"

// Windows builds form and cut paths with the backslash. POSIX builds use "/"
// in its place so Linux users see native paths; there a backslash is an
// ordinary character of a file name.
#ifdef _WIN32
inline constexpr char ZephPathSeparator = '\\';
inline constexpr const char* ZephPathSeparatorText = "\\";
inline constexpr bool ZephPathIsSeparator(char c) { return c == '\\' || c == '/'; }
#else
inline constexpr char ZephPathSeparator = '/';
inline constexpr const char* ZephPathSeparatorText = "/";
inline constexpr bool ZephPathIsSeparator(char c) { return c == '/'; }
#endif

// True when something is at path: a file, a folder or a link (a link that
// leads nowhere too). False for none, "" or a path with nothing there, also
// when a folder on the way cannot be read. Cannot fail otherwise.
bool ZephPathExists(const char* path);

// Whether path is a folder, a final link followed: ZephErrNone for a folder,
// ZephErrNotFound when nothing is there, ZephErrInvalid for anything else (a
// file, a link that leads nowhere or to a file), or the code of the failure
// that kept it from being looked at (ZephErrAccess...). Cannot fail otherwise.
ZephError ZephPathCheckFolder(const char* path);

#endif
