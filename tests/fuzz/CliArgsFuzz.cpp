// CliArgsFuzz.cpp - the quorvel tool's command line and the texts it writes.
//
// Input: arguments separated by zero bytes (the first one is the program's
// name, as in argv). Some well-known words are swapped in by a leading
// selector byte, so that whole verbs and options are common. The parser must
// answer 0 or -1, never read or point outside the arguments, and keep its
// promises; the JSON text of every argument must be valid JSON; a product's
// folder mapped into a prefix must stay inside the area.
#include "CliArgs.h"
#include "CliFolders.h"
#include "CliJson.h"
#include "CliText.h"
#include "ZephBuf.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const Words[] = {
    "scan",     "patch",      "report",        "rewrite",   "products",  "find",      "--old",
    "--new",    "--json",     "--save-as-new", "--dry-run", "--product", "--channel", "--prefix",
    "--search", "--strict",   "box",           "download",  "--",        "--help",    "--version",
    "--old=",   "--channel=", "C:\\x",         "-",         "-qn",       "-v",        "-V"};

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool pointsInto(const char* text, const std::vector<std::string>& arguments) {
    if (text == nullptr)
        return true;
    for (const std::string& argument : arguments) {
        const char* start = argument.c_str();
        if (text >= start && text <= start + argument.size())
            return true;
    }
    return false;
}

// A JSON string as CliAppendJsonString promises it: quoted, no raw control
// byte, escapes well formed, every byte above 0x7F part of valid UTF-8.
void checkJsonString(const char* text, int32_t length) {
    check(length >= 2 && text[0] == '"' && text[length - 1] == '"');
    for (int32_t i = 1; i < length - 1; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        check(c >= 0x20 && c != 0x7F);
        check(c != '"');
        if (c == '\\') {
            char e = text[++i];
            check(std::strchr("\"\\nrt", e) != nullptr || e == 'u');
            if (e == 'u') {
                check(i + 4 < length - 1);
                i += 4;
            }
        } else if (c >= 0x80) {
            int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
            check(c >= 0xC2 && c <= 0xF4);
            for (int k = 0; k < more; ++k)
                check((static_cast<unsigned char>(text[++i]) & 0xC0) == 0x80 && i < length - 1);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else if (data[i] == 0x01 && i + 1 < size) {
            // 0x01 and a selector: a well-known word.
            arguments.back() += Words[data[++i] % (sizeof Words / sizeof Words[0])];
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());

    CliOptions options;
    char error[CliErrorSize];
    int result = CliParseArgs(static_cast<int>(argv.size()), argv.data(), &options, error, sizeof error);
    check(result == 0 || result == -1);
    check(std::memchr(error, '\0', sizeof error) != nullptr);
    if (result != 0) {
        check(error[0] != '\0' && std::strchr(error, '\n') == nullptr);
        check(options.verb == CliVerbNone && options.directory == nullptr && options.product == nullptr);
    } else {
        check(options.verb != CliVerbNone);
        for (const char* text :
             {options.directory, options.oldString, options.newString, options.product, options.prefix})
            check(pointsInto(text, arguments));
        bool runs = options.verb >= CliVerbScan && options.verb <= CliVerbRewrite;
        check(!runs || (options.directory != nullptr) != (options.product != nullptr));
        check(options.searchCount >= 0 && options.searchCount <= CliSearchMax);
        for (int32_t i = 0; i < options.searchCount; ++i)
            check(pointsInto(options.search[i], arguments));
        check(!(options.quiet && options.verbose));
        int32_t stringMax =
            options.verb == CliVerbReport || options.verb == CliVerbRewrite ? CliExpertStringMax : CliJobStringMax;
        check(options.oldString == nullptr || static_cast<int32_t>(std::strlen(options.oldString)) <= stringMax);
        check(options.directory == nullptr || static_cast<int32_t>(std::strlen(options.directory)) <= CliDirectoryMax);
        if (options.product != nullptr)
            CliFindProduct(options.product);
    }

    char area[64];
    for (const std::string& argument : arguments) {
        ZephBuf json;
        json.init(nullptr, 16);
        if (CliAppendJsonString(&json, argument.c_str()) == 0)
            checkJsonString(json.data, json.length);
        json.clear();
        std::memset(area, '#', sizeof area);
        if (CliMapIntoPrefix(argument.c_str(), "/p", area, 48) == 0)
            check(std::strncmp(area, "/p/", 3) == 0 && std::strlen(area) < 48);
        check(area[48] == '#');
    }
    return 0;
}
