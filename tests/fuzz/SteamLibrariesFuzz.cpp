// SteamLibrariesFuzz.cpp - the reader of Steam's libraryfolders.vdf, a file
// another program writes, on any bytes.
//
// Input: a frame byte, then the text. The frame puts the text where the
// reader looks deepest (inside "libraryfolders", or as a library's "path"),
// so that the search does not have to find those words first. The reader
// must answer 0 with zero-terminated paths no longer than CliSteamTextMax,
// or -1 with the caller's buffer as it was, a line within the text and a
// reason; never read outside the text.
#include "CliSteamLibraries.h"
#include "ZephBuf.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string text;
    switch (data[0] % 3) {
    case 0: text = body; break;
    case 1: text = "\"libraryfolders\" {" + body + "}"; break;
    default: text = "\"libraryfolders\" { \"0\" { \"path\" " + body + " } }"; break;
    }
    // The text alone in its block, so that a read past its end is caught.
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.data(), text.size());

    ZephBuf paths;
    paths.init(nullptr, 64);
    paths.append("kept", 5);
    int32_t line = 0;
    const char* problem = nullptr;
    const int result = CliReadSteamLibraries(copy, static_cast<int32_t>(text.size()), &paths, &line, &problem);
    check(result == 0 || result == -1);
    check(paths.length >= 5 && std::memcmp(paths.data, "kept", 5) == 0);
    if (result == 0) {
        for (int32_t at = 5; at < paths.length;) {
            const void* end = std::memchr(paths.data + at, '\0', static_cast<size_t>(paths.length - at));
            check(end != nullptr);
            const int32_t length = static_cast<int32_t>(static_cast<const char*>(end) - (paths.data + at));
            check(length > 0 && length <= CliSteamTextMax);
            at += length + 1;
        }
    } else {
        int32_t lines = 1;
        for (char c : text)
            lines += c == '\n' ? 1 : 0;
        check(paths.length == 5 && problem != nullptr && problem[0] != '\0' && line >= 1 && line <= lines);
    }
    paths.clear();
    std::free(copy);
    return 0;
}
