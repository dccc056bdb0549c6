// CliFind.cpp - the installs of the product table on this machine.
#include "CliFind.h"

#include "CliFolders.h"
#include "CliSteamLibraries.h"
#include "ProductTable.h"
#include "ZephDirList.h"
#include "ZephFile.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// Default folders of the launchers that keep one prefix per game, below the
// home folder (bottles also below XDG_DATA_HOME, see Search::run).
struct PrefixFolder {
    const char* below; // a folder below HOME, "/" separated
    const char* source;
};
const PrefixFolder LauncherFolders[] = {
    {"Games", "lutris"},
    {"Games/Heroic/Prefixes", "heroic"},
    {"Games/Heroic/Prefixes/default", "heroic"},
    {".var/app/com.usebottles.bottles/data/bottles/bottles", "bottles"},
    {".PlayOnLinux/wineprefix", "playonlinux"},
};

// Where Steam may be installed, below HOME (and XDG_DATA_HOME/Steam).
const char* const SteamRoots[] = {
    ".steam/steam",
    ".steam/root",
    ".var/app/com.valvesoftware.Steam/.local/share/Steam",
    "snap/steam/common/.local/share/Steam",
};

// a, the separator and b into area; false when it does not fit.
bool join(char* area, const char* a, const char* b) {
    if (a == nullptr || a[0] == '\0' || ZephStrLength(a) + 1 + ZephStrLength(b) >= CliPathSize)
        return false;
    ZephStrCopy(area, a, CliPathSize);
    if (!ZephPathIsSeparator(area[ZephStrLength(area) - 1]))
        ZephStrAppend(area, ZephPathSeparatorText, CliPathSize);
    ZephStrAppend(area, b, CliPathSize);
    return true;
}

bool isFolder(const char* path) { return ZephPathCheckFolder(path).code == ZephErrNone; }

bool isPrefix(const char* folder) {
    char driveC[CliPathSize];
    return join(driveC, folder, "drive_c") && isFolder(driveC);
}

// The last component of a Windows path ("Talon INT").
const char* lastComponent(const char* windowsPath) {
    const char* name = windowsPath;
    for (const char* c = windowsPath; *c != '\0'; ++c) {
        if (*c == '\\')
            name = c + 1;
    }
    return name;
}

class Search {
public:
    Search(const ProductEntry* product, int32_t channel, CliInstallList* list, CliFindListener* listener)
        : product_(product), channel_(channel), list_(list), listener_(listener != nullptr ? listener : &quiet_) {}

    void run(const CliFindPlaces& places);
    void inPrefix(const char* prefix, const char* source);

private:
    bool wanted(const ProductEntry& row, int32_t channel) const {
        return (product_ == nullptr || product_ == &row) && (channel_ == PurchaseChannel::None || channel_ == channel);
    }
    void add(const ProductEntry& row, int32_t channel, const char* source, const char* prefix, const char* folder);
    void byName(const char* folder, const char* source);
    void inSearchFolder(const char* folder, const char* source);
    void inPrefixFolder(const char* folder, const char* source);
    void inSteam(const char* root);
    // Calls visit(child) for every subfolder (or link) of folder.
    template <typename Visit>
    void eachChild(const char* folder, Visit visit);

    const ProductEntry* product_;
    int32_t channel_;
    CliInstallList* list_;
    CliFindListener quiet_;
    CliFindListener* listener_;
    ZephBuf libraries_; // Steam library folders already looked in, each zero-terminated
};

void Search::add(const ProductEntry& row, int32_t channel, const char* source, const char* prefix, const char* folder) {
    CliInstall install{};
    install.product = &row;
    install.channel = channel;
    install.source = source;
    ZephStrCopy(install.prefix, prefix, sizeof install.prefix);
    ZephStrCopy(install.folder, folder, sizeof install.folder);
    CliTrimFolder(install.folder);
    list_->add(install);
}

template <typename Visit>
void Search::eachChild(const char* folder, Visit visit) {
    char pattern[CliPathSize];
    if (!join(pattern, folder, "*"))
        return;
    ZephDirList* children = ZephDirList::create(&ZephMemManagerGlobal, pattern, ZephDirFullPaths | ZephDirNoCase);
    for (ZephDirEntry* entry = children != nullptr ? children->first : nullptr; entry != nullptr; entry = entry->next) {
        if ((entry->attributes & (ZephAttrDirectory | ZephAttrLink)) != 0 && isFolder(entry->name))
            visit(entry->name);
    }
    if (children != nullptr)
        ZephDirList::destroy(&children);
}

void Search::inPrefix(const char* prefix, const char* source) {
    if (!isPrefix(prefix))
        return;
    listener_->lookingIn(prefix, source);
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        for (int32_t channel : {int32_t{PurchaseChannel::BoxCopy}, int32_t{PurchaseChannel::DownloadStore}}) {
            if (!wanted(ProductTable[i], channel))
                continue;
            char folder[CliPathSize];
            const char* windowsFolder = defaultProductFolder(&ProductTable[i], channel);
            if (CliMapIntoPrefix(windowsFolder, prefix, folder, sizeof folder) != 0)
                continue;
            CliMatchLetterCase(&ZephMemManagerGlobal, folder, ZephStrLength(prefix));
            if (isFolder(folder))
                add(ProductTable[i], channel, source, prefix, folder);
        }
    }
}

// A folder named like a product's default folder: the box copy's when its
// parent is named like the box copy's parent ("Quellsoft"), the download
// copy's otherwise.
void Search::byName(const char* folder, const char* source) {
    char parent[CliPathSize];
    ZephStrCopy(parent, folder, sizeof parent);
    ZephStrCutLastComponent(parent);
    char name[CliPathSize];
    ZephStrCopyFileName(folder, name, sizeof name);
    char parentName[CliPathSize];
    CliTrimFolder(parent);
    ZephStrCopyFileName(parent, parentName, sizeof parentName);
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        const ProductEntry& row = ProductTable[i];
        const bool isBoxName = ZephStrEqualNoCase(name, lastComponent(row.boxCopyFolder)) != 0;
        const bool isDownloadName = ZephStrEqualNoCase(name, lastComponent(row.downloadFolder)) != 0;
        if (!isBoxName && !isDownloadName)
            continue;
        char boxParent[CliPathSize];
        ZephStrCopy(boxParent, row.boxCopyFolder, sizeof boxParent);
        for (char* c = boxParent; *c != '\0'; ++c)
            *c = *c == '\\' ? '/' : *c; // ZephStrCutLastComponent cuts at the platform's separator
        ZephStrCutLastComponent(boxParent);
        char boxParentName[CliPathSize];
        ZephStrCopyFileName(boxParent, boxParentName, sizeof boxParentName);
        const bool inBoxParent = ZephStrEqualNoCase(parentName, boxParentName) != 0;
        const int32_t channel =
            isBoxName && (inBoxParent || !isDownloadName) ? PurchaseChannel::BoxCopy : PurchaseChannel::DownloadStore;
        if (wanted(row, channel))
            add(row, channel, source, "", folder);
    }
}

void Search::inSearchFolder(const char* folder, const char* source) {
    if (!isFolder(folder))
        return;
    listener_->lookingIn(folder, source);
    inPrefix(folder, source);
    byName(folder, source);
    eachChild(folder, [&](const char* child) {
        inPrefix(child, source);
        byName(child, source);
    });
}

void Search::inPrefixFolder(const char* folder, const char* source) {
    if (!isFolder(folder))
        return;
    eachChild(folder, [&](const char* child) { inPrefix(child, source); });
}

// One Steam installation: the libraries its libraryfolders.vdf lists (the
// installation itself when it has none), each looked in once: the Proton
// prefix of every game, and the games' own folders by name.
void Search::inSteam(const char* root) {
    if (!isFolder(root))
        return;
    ZephBuf paths;
    paths.init(&ZephMemManagerGlobal, 1024);
    bool listed = false;
    for (const char* below : {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"}) {
        char file[CliPathSize];
        ZephFile vdf;
        vdf.init(&ZephMemManagerGlobal);
        if (!join(file, root, below) || !ZephPathExists(file))
            continue;
        char* text = nullptr;
        const char* problem = "cannot be read";
        int32_t line = 0;
        if (vdf.open(file, OpenRead | OpenShared) == 0) {
            if (vdf.size > CliSteamFileMax) {
                problem = "too large";
            } else if ((text =
                            static_cast<char*>(ZephMemAlloc(&ZephMemManagerGlobal, static_cast<int32_t>(vdf.size) + 1,
                                                            0, "Steam library list"))) == nullptr) {
                problem = "out of memory";
            } else if (vdf.read(text, vdf.size) == 0) {
                listed = CliReadSteamLibraries(text, static_cast<int32_t>(vdf.size), &paths, &line, &problem) == 0;
            }
        }
        vdf.close();
        if (text != nullptr)
            ZephMemFree(text);
        if (listed)
            break;
        char reason[128];
        if (line > 0)
            std::snprintf(reason, sizeof reason, "line %ld: %s; skipped", static_cast<long>(line), problem);
        else
            std::snprintf(reason, sizeof reason, "%s; skipped", problem);
        listener_->skipped(file, reason);
    }
    if (!listed) {
        paths.reset();
        paths.append(root, ZephStrLength(root) + 1);
    }
    for (int32_t at = 0; at < paths.length; at += ZephStrLength(paths.data + at) + 1) {
        char library[CliPathSize];
        ZephStrCopy(library, paths.data + at, sizeof library);
        CliTrimFolder(library);
        bool seen = false;
        for (int32_t k = 0; k < libraries_.length && !seen; k += ZephStrLength(libraries_.data + k) + 1)
            seen = ZephStrEqual(libraries_.data + k, library) != 0;
        if (seen || !isFolder(library))
            continue;
        libraries_.append(library, ZephStrLength(library) + 1);
        listener_->lookingIn(library, "steam");
        char place[CliPathSize];
        if (join(place, library, "steamapps/compatdata")) {
            eachChild(place, [&](const char* game) {
                char prefix[CliPathSize];
                if (join(prefix, game, "pfx"))
                    inPrefix(prefix, "steam");
            });
        }
        if (join(place, library, "steamapps/common"))
            eachChild(place, [&](const char* game) { byName(game, "steam"); });
    }
    paths.clear();
}

void Search::run(const CliFindPlaces& places) {
    libraries_.init(&ZephMemManagerGlobal, 1024);
    if (CliFoldersUseWinePrefix) {
        char place[CliPathSize];
        if (places.winePrefix != nullptr && places.winePrefix[0] != '\0') {
            ZephStrCopy(place, places.winePrefix, sizeof place);
            CliTrimFolder(place);
            inPrefix(place, "wine");
        }
        if (join(place, places.home, ".wine"))
            inPrefix(place, "wine");
        char dataHome[CliPathSize] = {};
        if (places.xdgDataHome != nullptr && places.xdgDataHome[0] != '\0')
            ZephStrCopy(dataHome, places.xdgDataHome, sizeof dataHome);
        else if (!join(dataHome, places.home, ".local/share"))
            dataHome[0] = '\0';
        if (join(place, dataHome, "Steam"))
            inSteam(place);
        for (const char* root : SteamRoots) {
            if (join(place, places.home, root))
                inSteam(place);
        }
        for (const PrefixFolder& launcher : LauncherFolders) {
            if (join(place, places.home, launcher.below))
                inPrefixFolder(place, launcher.source);
        }
        if (join(place, dataHome, "bottles/bottles"))
            inPrefixFolder(place, "bottles");
    } else {
        // Windows: the table's folders as they stand.
        for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
            for (int32_t channel : {int32_t{PurchaseChannel::BoxCopy}, int32_t{PurchaseChannel::DownloadStore}}) {
                const char* folder = defaultProductFolder(&ProductTable[i], channel);
                if (wanted(ProductTable[i], channel) && isFolder(folder))
                    add(ProductTable[i], channel, "windows", "", folder);
            }
        }
    }
    for (int32_t i = 0; i < places.searchCount; ++i) {
        char folder[CliPathSize];
        ZephStrCopy(folder, places.search[i], sizeof folder);
        CliTrimFolder(folder);
        inSearchFolder(folder, "search");
    }
    libraries_.clear();
}

} // namespace

CliInstallList::CliInstallList() { records_.init(&ZephMemManagerGlobal, static_cast<int32_t>(8 * sizeof(CliInstall))); }

CliInstallList::~CliInstallList() { records_.clear(); }

int CliInstallList::add(const CliInstall& install) {
    for (int32_t i = 0; i < count_; ++i) {
        if (ZephStrEqual(at(i).folder, install.folder))
            return 0;
    }
    if (records_.append(&install, static_cast<int32_t>(sizeof install)) != 0)
        return -1;
    ++count_;
    return 0;
}

void CliFindInstalls(const CliFindPlaces& places, const ProductEntry* product, int32_t channel, CliInstallList* list,
                     CliFindListener* listener) {
    if (list != nullptr)
        Search(product, channel, list, listener).run(places);
}

void CliFindInPrefix(const char* prefix, const ProductEntry* product, int32_t channel, const char* source,
                     CliInstallList* list) {
    if (list == nullptr || prefix == nullptr)
        return;
    char folder[CliPathSize];
    ZephStrCopy(folder, prefix, sizeof folder);
    CliTrimFolder(folder);
    Search(product, channel, list, nullptr).inPrefix(folder, source);
}
