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

// Every append below adds to the end of out and returns 0, or -1 when out
// could not grow (what was appended before stays). None is taken as "".

// text with each CR LF turned into a lone LF. The runs end lines with
// CR LF; a terminal wants LF, and on Windows the console stream puts the
// CR back itself.
int CliAppendTerminalText(ZephBuf* out, const char* text);
// The same for the first length bytes of text.
int CliAppendTerminalBytes(ZephBuf* out, const char* text, int32_t length);

// text as a JSON string, quotes included. Line ends become "\n" (CR LF
// first turned into LF, as on the terminal); '"', '\' and the other control
// bytes are escaped. Valid UTF-8 passes unchanged; any other byte, as the
// 8-bit code pages give them, stands for the character of the same number
// (\u00XX), so the result is always valid JSON.
int CliAppendJsonString(ZephBuf* out, const char* text);

// What a run's JSON line adds when there is something to say: the
// system's cause of a failure, the entries of known kinds passed over
// unread, and the temporary files of killed runs removed at the start.
struct CliJsonExtras {
    const char* cause = nullptr; // none or "": no "cause"
    int32_t linksPassedOver = 0;
    int32_t specialPassedOver = 0;
    int32_t staleRemoved = 0;
};

// One line: {"status":"Finished","visited":V,"matched":M,"message":"..."}
// and LF, with "cause":"...", "passed_over":{"links":L,"special":S} and
// "stale_removed":N after message when extras has them. status is the job's
// PatchStatus, named as the engine names it.
int CliAppendJsonResult(ZephBuf* out, int32_t status, int32_t visited, int32_t matched, const char* message,
                        const CliJsonExtras& extras = CliJsonExtras{});

// Name of a PatchStatus value ("Idle", "Running", "Finished", "Failed";
// "Unknown" for any other).
const char* CliStatusName(int32_t status);

// The progress line: "<label> <done> of <total> entries, <read> read", the
// amount in B, KB, MB or GB (powers of 1000, one decimal from KB on). Cut to
// the area (size bytes, terminated); an area of size < 1 is left alone.
void CliFormatProgress(const char* label, int32_t entriesDone, int32_t entriesTotal, int64_t bytesRead, char* area,
                       int size);

// The full help and the short hint that follows a usage error.
int CliAppendHelp(ZephBuf* out);
int CliAppendUsageHint(ZephBuf* out, const char* reason);

#endif
