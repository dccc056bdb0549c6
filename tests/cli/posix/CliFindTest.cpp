// CliFindTest.cpp - the installs find finds in a generated home folder: Wine
// prefixes, Steam libraries from a libraryfolders.vdf (and a damaged one),
// the launchers' default prefix folders, and folders named with --search.
#include "CliFind.h"
#include "ProductTable.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Home {
public:
    // A game folder, made with one file in it.
    void game(const std::string& below) {
        fs::create_directories(home.path() + "/" + below);
        EXPECT_TRUE(qvtest::writeFile(home.path() + "/" + below + "/game.ini", "x"));
    }
    void prefix(const std::string& below) { fs::create_directories(home.path() + "/" + below + "/drive_c"); }
    void file(const std::string& below, const std::string& text) {
        fs::create_directories(fs::path(home.path() + "/" + below).parent_path());
        EXPECT_TRUE(qvtest::writeFile(home.path() + "/" + below, text));
    }
    std::string at(const std::string& below) const { return home.path() + "/" + below; }

    qvtest::TempDir home;
};

class Recorder : public CliFindListener {
public:
    void skipped(const char* file, const char* reason) override { skips += std::string(file) + ": " + reason + "\n"; }
    std::string skips;
};

// "<title>|<channel>|<source>|<folder below home>" per install.
std::vector<std::string> found(const Home& home, const CliFindPlaces& places, const ProductEntry* product = nullptr,
                               int32_t channel = PurchaseChannel::None, Recorder* recorder = nullptr) {
    CliInstallList list;
    CliFindInstalls(places, product, channel, &list, recorder);
    std::vector<std::string> rows;
    const std::string root = home.home.path() + "/";
    for (int32_t i = 0; i < list.count(); ++i) {
        const CliInstall& install = list.at(i);
        std::string folder = install.folder;
        if (folder.rfind(root, 0) == 0)
            folder = folder.substr(root.size());
        rows.push_back(std::string(install.product->title) + "|" +
                       (install.channel == PurchaseChannel::BoxCopy ? "box" : "download") + "|" + install.source + "|" +
                       folder);
    }
    return rows;
}

TEST(CliFindInstalls, EveryKindOfPlaceInOneHome) {
    Home home;
    // ~/.wine, with Wine's letter case ignored; $WINEPREFIX elsewhere.
    home.prefix(".wine");
    home.game(".wine/drive_c/program files/QUELLSOFT/Talon INT");
    home.prefix("other-prefix");
    home.game("other-prefix/drive_c/Stormcrow");
    // Steam: two libraries listed by the vdf, a Proton prefix in the second
    // and a game folder in the first; a damaged vdf in a second Steam root.
    home.file(".local/share/Steam/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"0\" { \"path\" \"" + home.at(".local/share/Steam") + "\" } \"1\" { \"path\" \"" +
                  home.at("lib2") + "\" } }");
    home.game(".local/share/Steam/steamapps/common/Outer Verge");
    home.prefix("lib2/steamapps/compatdata/4242/pfx");
    home.game("lib2/steamapps/compatdata/4242/pfx/drive_c/Skylance 3");
    home.file(".steam/steam/steamapps/libraryfolders.vdf", "\"libraryfolders\" {\n \"0\" { \"path\" \"/x }\n");
    // Launchers' prefix folders, and a folder that is no prefix.
    home.prefix("Games/kestrel");
    home.game("Games/kestrel/drive_c/Program Files/Quellsoft/Kestrel Strike");
    home.prefix("Games/Heroic/Prefixes/default/sc3");
    home.game("Games/Heroic/Prefixes/default/sc3/drive_c/Steel Column 3");
    home.prefix(".local/share/bottles/bottles/b1");
    home.game(".local/share/bottles/bottles/b1/drive_c/Shadow Unit");
    home.prefix(".PlayOnLinux/wineprefix/p1");
    home.game(".PlayOnLinux/wineprefix/p1/drive_c/Program Files/Quellsoft/Ironwing Command");
    home.game("Games/not-a-prefix/drive_c-less/Rotorfall Gold");
    // Search folders: a copy by its folder's name, and a prefix inside one.
    home.game("copies/Quellsoft/Shadow Unit 2");
    home.prefix("elsewhere/pfx");
    home.game("elsewhere/pfx/drive_c/Rotorfall Gold");

    CliFindPlaces places;
    const std::string homePath = home.home.path();
    const std::string winePrefix = home.at("other-prefix/");
    const std::string copies = home.at("copies/Quellsoft");
    const std::string elsewhere = home.at("elsewhere");
    const char* search[] = {copies.c_str(), elsewhere.c_str()};
    places.home = homePath.c_str();
    places.winePrefix = winePrefix.c_str();
    places.search = search;
    places.searchCount = 2;
    Recorder recorder;
    const std::vector<std::string> expected = {
        "Stormcrow|download|wine|other-prefix/drive_c/Stormcrow",
        "Talon Interceptor|box|wine|.wine/drive_c/program files/QUELLSOFT/Talon INT",
        "Outer Verge|download|steam|.local/share/Steam/steamapps/common/Outer Verge",
        "Skylance 3|download|steam|lib2/steamapps/compatdata/4242/pfx/drive_c/Skylance 3",
        "Kestrel Strike|box|lutris|Games/kestrel/drive_c/Program Files/Quellsoft/Kestrel Strike",
        "Steel Column 3|download|heroic|Games/Heroic/Prefixes/default/sc3/drive_c/Steel Column 3",
        "Ironwing Command|box|playonlinux|.PlayOnLinux/wineprefix/p1/drive_c/Program Files/Quellsoft/Ironwing Command",
        "Shadow Unit|download|bottles|.local/share/bottles/bottles/b1/drive_c/Shadow Unit",
        "Shadow Unit 2|box|search|copies/Quellsoft/Shadow Unit 2",
        "Rotorfall Gold|download|search|elsewhere/pfx/drive_c/Rotorfall Gold",
    };
    EXPECT_EQ(found(home, places, nullptr, PurchaseChannel::None, &recorder), expected);
    EXPECT_EQ(recorder.skips,
              home.at(".steam/steam/steamapps/libraryfolders.vdf") + ": line 2: a quoted text has no end; skipped\n");

    // Narrowed to one product and channel.
    EXPECT_EQ(found(home, places, &ProductTable[2], PurchaseChannel::DownloadStore), std::vector<std::string>{});
    EXPECT_EQ(found(home, places, &ProductTable[3]).size(), 1u);
    // Nothing set: nothing looked at, nothing found.
    EXPECT_EQ(found(home, CliFindPlaces{}), std::vector<std::string>{});
}

} // namespace
