// CliJson.h - JSON Lines as the quorvel tool writes them: one object per
// line, built field by field into a buffer.
#ifndef QUORVEL_CLI_CLIJSON_H
#define QUORVEL_CLI_CLIJSON_H

#include <cstdint>

struct ZephBuf;

// text (length bytes) as a JSON string, quotes included. '"', '\' and the
// control bytes are escaped. Valid UTF-8 passes unchanged; any other byte,
// as 8-bit code pages and odd file names give them, stands for the
// character of the same number (\u0080-\u00ff), so the result is valid
// JSON for every byte. A negative length takes text up to its zero byte;
// none is "". 0, or -1 when out could not grow.
int CliAppendJsonString(ZephBuf* out, const char* text, int32_t length = -1);

// One object on one line:
//
//   CliJsonLine(out, "file").text("file", path).number("matches", 2).end();
//
// writes {"type":"file","file":"...","matches":2} and a line end. Keys are
// the caller's own literals and are written as they stand.
class CliJsonLine {
public:
    CliJsonLine(ZephBuf* out, const char* type);
    CliJsonLine(const CliJsonLine&) = delete;
    CliJsonLine& operator=(const CliJsonLine&) = delete;

    // A string field; none writes null.
    CliJsonLine& text(const char* key, const char* value);
    CliJsonLine& bytes(const char* key, const char* value, int32_t length);
    CliJsonLine& number(const char* key, int64_t value);
    CliJsonLine& flag(const char* key, bool value);
    // An object as the value of key: the fields up to close() go into it.
    CliJsonLine& object(const char* key);
    CliJsonLine& close();
    // Closes the object and the line. 0, or -1 when out could not grow at
    // any point (what was appended stays).
    int end();

private:
    void key(const char* name);
    ZephBuf* out_;
    bool failed_ = false;
    bool opened_ = false; // an object was just opened: its first key takes no comma
};

#endif
