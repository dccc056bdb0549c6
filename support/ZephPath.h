// ZephPath.h - the path separator, chosen once for the whole program.
#ifndef QUORVEL_SUPPORT_ZEPHPATH_H
#define QUORVEL_SUPPORT_ZEPHPATH_H

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

#endif
