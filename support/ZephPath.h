// ZephPath.h - the path separator, chosen once for the whole program, a
// path's last name and folder, and whether anything, or a folder, stands at
// a path.
#ifndef QUORVEL_SUPPORT_ZEPHPATH_H
#define QUORVEL_SUPPORT_ZEPHPATH_H

#include "ZephError.h"

#include <cstdint>

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

// The last name of path: what follows its last separator (all of it
// without one). Cannot fail.
const char* ZephPathLastName(const char* path);

// The folder that holds path's last name, into area (size bytes): path
// without the separator and the name, "." when it has no separator, and the
// separator kept when it is all the folder has ("/x" gives "/", "C:\x"
// "C:\"). 0, or -1 with area "" when it does not fit.
int ZephPathFolderOf(const char* path, char* area, int32_t size);

// True when something is at path: a file, a folder or a link (a link that
// leads nowhere too). False for none, "" or a path with nothing there, also
// when a folder on the way cannot be read. Cannot fail otherwise.
bool ZephPathExists(const char* path);

// Whether path is a folder, a final link followed: code ZephErrNone for a
// folder, ZephErrNotDirectory for anything else (a file, a link that leads
// nowhere or to a file), or the failure that kept it from being looked at
// (ZephErrNotFound, ZephErrAccess...), with the system's number for it so
// that ZephFailureText words it. Cannot fail otherwise.
ZephFailure ZephPathCheckFolder(const char* path);

#endif
