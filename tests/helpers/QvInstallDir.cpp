// QvInstallDir.cpp - generated install directories and their expected bytes.
#include "QvInstallDir.h"

#include "QvFileTime.h"
#include "QvTestKit.h"
#include "WizardStrings.h"
#include "ZephPath.h"

#include <filesystem>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace qvtest {

namespace {

const std::string address = legacyServerAddress;
const std::string hostName = serviceHostName;

// Bytes of every value, zeros included, from a fixed seed: the same directory
// on every run and platform.
std::string noise(unsigned seed, size_t size) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    // A generated run of the address would make the counts depend on the seed.
    for (size_t at = bytes.find(address); at != std::string::npos; at = bytes.find(address, at))
        bytes[at] = 'x';
    return bytes;
}

std::string text(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

// Binary with the address at offset 0, across the first piece boundary (its
// first half in piece one), one the engine must find after a near miss, and
// as the file's last bytes.
std::string gameExe() {
    std::string bytes = address + noise(1, 4096 - address.size() - 7);
    bytes += address; // bytes 4089..4102: across the boundary
    bytes += noise(2, 9000);
    bytes += std::string("198.51.100.11") + '\0' + "7"; // a near miss: no match
    bytes += noise(3, 3000);
    bytes += address; // the last bytes
    return bytes;
}

std::string netDll() { return noise(4, 20000) + address + noise(5, 100); }

// A file of a known kind with no address at all.
std::string cleanExe() { return noise(6, 5000); }

// 2001-09-09 01:46:40 UTC, well before any test ran; a fixed instant, so
// that make and check may run in different processes.
constexpr int64_t PastTime = 1000000000LL * 10000000;

struct SubFile {
    const char* name;
    std::string bytes;
};

std::vector<SubFile> mapsFiles() {
    return {{"maps.ini", text({"[maps]", "server=" + address})},
            {"Level1.EXE", noise(7, 300) + address + noise(8, 300)}};
}

std::string join(const std::string& dir, const std::string& name) { return dir + ZephPathSeparatorText + name; }

} // namespace

std::string addressBytes() { return address; }

std::vector<InstallFile> gameInstallFiles() {
    // Listed in the order the engine visits them (names ignoring case).
    return {
        {"CLEAN.exe", InstallFileKind::Binary, 0, cleanExe()},
        {"CONFIG.ini", InstallFileKind::Text, 2,
         text({"[network]", "server=" + address, "backup=" + address + ":6667", "port=28000"})},
        {"data.bin", InstallFileKind::Other, 0, noise(9, 700) + address + noise(10, 30)},
        {"game.exe", InstallFileKind::Binary, 3, gameExe()},
        {"Maps", InstallFileKind::Other, 0, {}},
        {"Net.Dll", InstallFileKind::Binary, 1, netDll()},
        {"notes.txt", InstallFileKind::Other, 0, text({"Old server: " + address})},
        {"ReadMe.HTM", InstallFileKind::Text, 3,
         "<html><body><a href=\"http://" + address + "/\">" + address + "</a> " + address + "</body></html>"},
        {"server.Cfg", InstallFileKind::Text, 1, address},
        {"unknown.ini.bak", InstallFileKind::Other, 0, text({"server=" + address})},
    };
}

bool makeGameInstall(const std::string& dir, std::string* error) {
    std::error_code ec;
    for (const InstallFile& file : gameInstallFiles()) {
        const std::string path = join(dir, file.name);
        if (file.name == "Maps") {
            if (!fs::create_directory(path, ec)) {
                *error = "cannot create " + path + ": " + ec.message();
                return false;
            }
            for (const SubFile& sub : mapsFiles()) {
                const std::string subPath = join(path, sub.name);
                if (!writeFile(subPath, sub.bytes)) {
                    *error = "cannot write " + subPath;
                    return false;
                }
                if (!setModificationTime(subPath, PastTime)) {
                    *error = "cannot set the time of " + subPath;
                    return false;
                }
            }
            continue;
        }
        if (!writeFile(path, file.bytes)) {
            *error = "cannot write " + path;
            return false;
        }
        if (file.occurrences == 0) {
            if (!setModificationTime(path, PastTime)) {
                *error = "cannot set the time of " + path;
                return false;
            }
        }
    }
    // Last, since writing its files moved the directory's time.
    const std::string maps = join(dir, "Maps");
    if (!setModificationTime(maps, PastTime)) {
        *error = "cannot set the time of " + maps;
        return false;
    }
    return true;
}

std::string patchedBytes(const InstallFile& file) {
    if (file.kind == InstallFileKind::Other)
        return file.bytes;
    const std::string replacement = file.kind == InstallFileKind::Binary
                                        ? hostName + std::string(address.size() - hostName.size(), '\0')
                                        : hostName;
    std::string out;
    size_t from = 0;
    for (size_t at = file.bytes.find(address); at != std::string::npos; at = file.bytes.find(address, from)) {
        out.append(file.bytes, from, at - from);
        out += replacement;
        from = at + address.size();
    }
    out.append(file.bytes, from, std::string::npos);
    return out;
}

std::vector<std::string> checkGameInstall(const std::string& dir, bool patched) {
    std::vector<std::string> problems;
    std::error_code ec;
    size_t entries = 0;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        ++entries;
    if (entries != static_cast<size_t>(GameInstallEntries))
        problems.push_back("the directory holds " + std::to_string(entries) + " entries, expected " +
                           std::to_string(GameInstallEntries) + " (a temporary or .new file left behind?)");

    for (const InstallFile& file : gameInstallFiles()) {
        const std::string path = join(dir, file.name);
        if (file.name == "Maps") {
            if (!fs::is_directory(path, ec)) {
                problems.push_back("Maps is no longer a directory");
                continue;
            }
            if (modificationTime(path) != PastTime)
                problems.push_back("Maps: its modification time changed");
            for (const SubFile& sub : mapsFiles()) {
                const std::string subPath = join(path, sub.name);
                bool ok = false;
                if (readFile(subPath, &ok) != sub.bytes || !ok)
                    problems.push_back(std::string("Maps") + ZephPathSeparatorText + sub.name + ": bytes changed");
                if (modificationTime(subPath) != PastTime)
                    problems.push_back(std::string("Maps") + ZephPathSeparatorText + sub.name + ": time changed");
            }
            continue;
        }
        bool ok = false;
        const std::string bytes = readFile(path, &ok);
        if (!ok) {
            problems.push_back(file.name + ": cannot be read");
            continue;
        }
        const std::string expected = patched ? patchedBytes(file) : file.bytes;
        if (file.kind == InstallFileKind::Binary && bytes.size() != file.bytes.size())
            problems.push_back(file.name + ": a binary changed its length from " + std::to_string(file.bytes.size()) +
                               " to " + std::to_string(bytes.size()));
        if (patched && file.kind == InstallFileKind::Text &&
            bytes.size() != file.bytes.size() - static_cast<size_t>(file.occurrences))
            problems.push_back(file.name + ": " + std::to_string(bytes.size()) +
                               " bytes, expected one byte fewer per " + "occurrence (" +
                               std::to_string(file.bytes.size() - file.occurrences) + ")");
        if (bytes != expected) {
            size_t at = 0;
            while (at < bytes.size() && at < expected.size() && bytes[at] == expected[at])
                ++at;
            problems.push_back(file.name + ": bytes differ from offset " + std::to_string(at));
        }
        if (file.occurrences == 0 && modificationTime(path) != PastTime)
            problems.push_back(file.name + ": its modification time changed");
    }
    return problems;
}

} // namespace qvtest
