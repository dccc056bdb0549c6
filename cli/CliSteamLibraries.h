// CliSteamLibraries.h - the library folders that Steam lists in its
// libraryfolders.vdf, a text of nested quoted keys and values:
//
//   "libraryfolders"
//   {
//       "0" { "path" "/home/u/.local/share/Steam"  "apps" { "220" "1234" } }
//       "1" { "path" "/mnt/games/SteamLibrary" }
//   }
//
// Older files give the folders directly: "libraryfolders" { "1" "/mnt/x" }.
// The file is written by another program and may be damaged: every byte is
// checked, nothing is trusted, and a malformed file is refused as a whole.
#ifndef QUORVEL_CLI_CLISTEAMLIBRARIES_H
#define QUORVEL_CLI_CLISTEAMLIBRARIES_H

#include <cstdint>

struct ZephBuf;

// Deepest nesting of blocks taken; Steam's own files nest three deep.
inline constexpr int32_t CliSteamNestingMax = 32;
// Longest key or value taken, in bytes after unescaping.
inline constexpr int32_t CliSteamTextMax = 4096;

// Reads the first length bytes of text. Returns 0 and appends the path of
// every library folder to paths, each followed by its zero byte, in the
// file's order. Returns -1 with paths as it was, the 1-based line of the
// fault in *problemLine and its description in *problem (a literal) when
// the text is malformed: a quoted text without its end, a key without a
// value, braces that do not pair, a zero byte, nesting deeper than
// CliSteamNestingMax, a text longer than CliSteamTextMax, no libraryfolders
// block, or no room in paths. Quoted texts take the escapes \\, \", \n and
// \t; "//" starts a comment to the end of the line.
int CliReadSteamLibraries(const char* text, int32_t length, ZephBuf* paths, int32_t* problemLine, const char** problem);

#endif
