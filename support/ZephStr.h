// ZephStr.h - null-safe string utilities on zero-terminated byte strings.
#ifndef QUORVEL_SUPPORT_ZEPHSTR_H
#define QUORVEL_SUPPORT_ZEPHSTR_H

// Every function accepts null pointers without failing. A size argument is
// always the capacity of the destination in bytes, terminator included, and
// the bounded forms always terminate a destination they write. Ignoring case
// means upper-casing the 26 ASCII letters only; bytes 0x80-0xFF compare
// unchanged. No function allocates.

// Splits a command line into arguments. Arguments are separated by runs of
// white space (0x20, 0x09-0x0D) outside double quotes; a quote opens an
// argument by itself, switches quoting on or off and is not copied; the
// quoting state carries over into the next argument; a backslash is an
// ordinary character. Argument texts go into buffer, each ended by a zero
// byte, and argv[i] points at the i-th one (argv gets no null element).
//
// The caller gives the sizes of both areas and nothing is ever written past
// them: when the arguments need more than bufferSize bytes (their bytes plus
// one terminator each) or more than argvCapacity entries, the result is -1
// and the contents of both areas are unspecified. A buffer of the text's
// length plus one and an array of half the text's length plus one always
// suffice. Returns the number of arguments; 0 when the text is empty or any
// pointer is null.
int ZephStrTokenize(const char* text, char* buffer, int bufferSize, char** argv, int argvCapacity);

// 1 when both are non-null and identical byte for byte; two nulls give 0.
int ZephStrEqual(const char* a, const char* b);
// 1 when both are non-null and equal ignoring case.
int ZephStrEqualNoCase(const char* a, const char* b);

// Three-way comparisons: -1, 0 or 1. Bytes compare as unsigned; null orders
// before every non-null string and two nulls are equal; a proper prefix
// orders first.
int ZephStrCompare(const char* a, const char* b);
int ZephStrCompareNoCase(const char* a, const char* b);

// 1 when text begins with prefix ignoring case. rest, when given, is set to
// text first and, on success, to the byte after the matched prefix. An empty
// prefix matches every non-null text.
int ZephStrStartsWithNoCase(const char* text, const char* prefix, const char** rest = nullptr);

// 1 when text ends with suffix ignoring case. A null or empty text gives 0;
// otherwise a null or empty suffix gives 1. position, when given and on a
// match, is set to the first byte of the matching tail.
int ZephStrEndsWithNoCase(const char* text, const char* suffix, const char** position = nullptr);

// Bounded copy. Does nothing when destination is null or size < 1; a null
// source stores the empty string; otherwise copies at most size - 1 bytes.
void ZephStrCopy(char* destination, const char* source, int size);

// Bounded append; size is the whole capacity of destination. A destination
// already holding size - 1 bytes or more is left unchanged.
void ZephStrAppend(char* destination, const char* source, int size);

// Bytes before the terminator; 0 for null.
int ZephStrLength(const char* s);

// Copies the last component of path (after the last separator, see
// ZephPath.h) with the bounded copy. A path ending in a separator gives "".
void ZephStrCopyFileName(const char* path, char* destination, int size);

// Cuts path in place before its last separator: "C:\a\b" becomes "C:\a",
// "C:\" becomes "C:", and a path without separator becomes "".
void ZephStrCutLastComponent(char* path);

// Upper-cases one byte the way every no-case function here does.
inline unsigned char ZephStrFold(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

#endif
