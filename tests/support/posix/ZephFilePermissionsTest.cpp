// POSIX side of the no-loss rewrite: what the new file keeps (owner, group,
// mode, extended attributes and ACLs), what it never hands to another owner
// (setuid, setgid), and what is refused (links, a read-only folder).
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"

#include "QvTestKit.h"
#include "posix/QvOtherUser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string attribute(const std::string& path, const char* name) {
    char value[256];
    ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "(none)" : std::string(value, static_cast<size_t>(size));
}

// An access ACL as the kernel stores it: owner rw, the other user rw, group
// r, mask r (so the named user gets r only), others nothing; mode 0640.
std::string aclWithMask() {
    std::string acl("\x02\0\0\0", 4);
    auto entry = [&acl](uint16_t tag, uint16_t perm, uint32_t id) {
        for (int i = 0; i < 2; ++i)
            acl += static_cast<char>(tag >> (8 * i));
        for (int i = 0; i < 2; ++i)
            acl += static_cast<char>(perm >> (8 * i));
        for (int i = 0; i < 4; ++i)
            acl += static_cast<char>(id >> (8 * i));
    };
    entry(0x01, 6, 0xFFFFFFFF);
    entry(0x02, 6, qvtest::OtherUser);
    entry(0x04, 4, 0xFFFFFFFF);
    entry(0x10, 4, 0xFFFFFFFF);
    entry(0x20, 0, 0xFFFFFFFF);
    return acl;
}

struct Stat {
    uid_t owner;
    gid_t group;
    mode_t mode;
};
Stat statOf(const std::string& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return Stat{status.st_uid, status.st_gid, status.st_mode & 07777};
}

} // namespace

TEST(ZephFileReplacerPosix, NewFileKeepsOwnerModeAndAttributesButNoPrivilegeItCannotKeep) {
    const uid_t self = geteuid();
    const gid_t group = getegid();
    const uint32_t nobody = qvtest::OtherUser + 1;
    struct Case {
        const char* what;
        bool needsRoot;
        uid_t owner;
        gid_t group;
        mode_t mode;
        uid_t runner; // who saves the new content
        Stat expected;
        bool attributes; // a user attribute and an ACL with a mask
    };
    const Case cases[] = {
        {"private file", false, self, group, 0600, self, {self, group, 0600}, false},
        {"attributes and ACL", false, self, group, 0640, self, {self, group, 0640}, true},
        {"root patching another user's setuid program",
         true,
         qvtest::OtherUser,
         qvtest::OtherGroup,
         06755,
         0,
         {qvtest::OtherUser, qvtest::OtherGroup, 06755},
         false},
        {"a user who cannot keep the owner",
         true,
         nobody,
         nobody,
         06777,
         qvtest::OtherUser,
         {qvtest::OtherUser, qvtest::OtherGroup, 0777},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && !qvtest::canActAsOtherUser()) {
            std::printf("skipped \"%s\": needs root to act as other users\n", c.what);
            continue;
        }
        qvtest::TempDir dir;
        fs::permissions(dir.path(), fs::perms(0777));
        const std::string target = dir.file("game.exe");
        ASSERT_TRUE(qvtest::writeFile(target, "old"));
        ASSERT_EQ(0, chown(target.c_str(), c.owner, c.group));
        ASSERT_EQ(0, chmod(target.c_str(), c.mode));
        const std::string acl = aclWithMask();
        if (c.attributes) {
            ASSERT_EQ(0, setxattr(target.c_str(), "user.note", "kept", 4, 0));
            ASSERT_EQ(0, setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0));
        }
        auto save = [&] { return ZephFileSave(target.c_str(), "new", 3) == 0 ? 0 : 1; };
        ASSERT_EQ(0, c.runner == self ? save() : qvtest::runAs(c.runner, c.runner, save));
        EXPECT_EQ("new", qvtest::readFile(target));
        const Stat now = statOf(target);
        EXPECT_EQ(c.expected.owner, now.owner);
        EXPECT_EQ(c.expected.group, now.group);
        EXPECT_EQ(c.expected.mode, now.mode) << std::oct << now.mode;
        if (c.attributes) {
            EXPECT_EQ("kept", attribute(target, "user.note"));
            EXPECT_EQ(acl, attribute(target, "system.posix_acl_access"));
        }
    }
}

// A side copy ("NAME.new") takes its source's mode: a private file's copy
// is private too.
TEST(ZephFileReplacerPosix, SideCopyTakesTheSourcesMode) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("keys.ini"), "secret"));
    fs::permissions(dir.file("keys.ini"), fs::perms(0600));
    ZephFolder folder;
    ASSERT_EQ(0, folder.open(dir.path().c_str(), -1));
    ZephFileReplacer replacer;
    ASSERT_EQ(0, replacer.begin(folder.handle, "keys.ini.new", "keys.ini"));
    ASSERT_EQ(0, replacer.write("copy", 4));
    ASSERT_EQ(0, replacer.commit());
    EXPECT_EQ(0600u, statOf(dir.file("keys.ini.new")).mode);
}

TEST(ZephFileReplacerPosix, LinkAndReadOnlyFolderAreRefused) {
    qvtest::TempDir outside;
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(outside.file("real.ini"), "real"));
    fs::create_symlink(outside.file("real.ini"), dir.file("link.ini"));
    ASSERT_TRUE(qvtest::writeFile(dir.file("game.ini"), "old"));
    ZephFolder folder;
    ASSERT_EQ(0, folder.open(dir.path().c_str(), -1));
    ZephFileReplacer replacer;
    EXPECT_EQ(-1, replacer.begin(folder.handle, "link.ini"));
    EXPECT_EQ(ZephErrLink, replacer.failure.code);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ("real", qvtest::readFile(outside.file("real.ini")));

    // A folder that no one may write is respected, by root too, as a
    // read-only file is.
    fs::permissions(dir.path(), fs::perms(0555));
    EXPECT_EQ(-1, replacer.begin(folder.handle, "game.ini"));
    EXPECT_EQ(ZephErrReadOnly, replacer.failure.code);
    EXPECT_TRUE(replacer.folderRefused);
    fs::permissions(dir.path(), fs::perms(0755));
    EXPECT_EQ("old", qvtest::readFile(dir.file("game.ini")));
}
