// CliText.h - what the quorvel tool writes, composed into buffers without
// any output, so that every byte can be checked on both platforms.
#ifndef QUORVEL_CLI_CLITEXT_H
#define QUORVEL_CLI_CLITEXT_H

#include "QuorvelVersion.h"

#include <cstdint>

struct ZephBuf;

// The program's name in its own messages and help.
#ifdef _WIN32
inline constexpr char CliProgramName[] = "quorvel-cli";
#else
inline constexpr char CliProgramName[] = "quorvel";
#endif

inline constexpr char CliVersionText[] = QUORVEL_NAME " " QUORVEL_VERSION_TEXT;

// The suffix of the copies --save-as-new writes, for patch and rewrite
// alike: the job's own spelling, in the lower case that file names on Linux
// have by habit. (The expert page keeps its ".NEW".)
inline constexpr char CliSideCopySuffix[] = ".new";

// Length of the valid UTF-8 sequence at text (at most available bytes), or
// 0 when the bytes there are not one: overlong forms, surrogates and values
// past U+10FFFF are not valid.
int CliUtf8Length(const unsigned char* text, int32_t available);

// Every append below adds to the end of out and returns 0, or -1 when out
// could not grow (what was appended before stays). None is taken as "".

// The first length bytes of text for a terminal: each CR LF (the runs' line
// end) becomes a lone LF, since on Windows the console stream puts the CR
// back itself. With escape, bytes that could steer a terminal are shown as
// \xHH instead: control bytes other than tab and line feed, C1 controls
// and bytes that are not valid UTF-8.
int CliAppendTerminalBytes(ZephBuf* out, const char* text, int32_t length, bool escape = false);
// The same for a zero-terminated text.
int CliAppendTerminalText(ZephBuf* out, const char* text, bool escape = false);

// A name or path as the tool's messages show it: escaped as above, line
// feeds included, so that it always stays on its line.
int CliAppendShownName(ZephBuf* out, const char* name);

// The progress line: "<label> <done> of <total> files, <bytes> of <total
// bytes>" and, when secondsLeft is not negative, ", about <time> left".
// Amounts in B, KB, MB or GB (powers of 1000, one decimal from KB on).
// Cut to the area (size bytes, terminated); an area of size < 1 is left
// alone.
void CliFormatProgress(const char* label, int32_t filesDone, int32_t filesTotal, int64_t bytesDone, int64_t bytesTotal,
                       int32_t secondsLeft, char* area, int size);

// The full help, and what follows a usage error: "quorvel: <reason>" and a
// pointer to --help.
int CliAppendHelp(ZephBuf* out);
int CliAppendUsageHint(ZephBuf* out, const char* reason);

#endif
