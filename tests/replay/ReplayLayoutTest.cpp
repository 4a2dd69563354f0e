#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "MemorySettingsSource.h"
#include "ReplayLayout.h"
#include "ReplayTree.h"

namespace kelvista {
namespace {

namespace fs = std::filesystem;

TEST(CopyTruncatedTest, CopiesZeroFillsAndTerminates) {
    struct Case {
        const char* src;
        size_t size;
        std::string expectedBytes;
    };
    const Case cases[] = {
        {"ab", 5, std::string("ab\0\0\0", 5)},   // shorter: the rest zero-filled
        {"abcd", 5, std::string("abcd\0", 5)},   // size - 1 characters: whole
        {"abcde", 5, std::string("abcd\0", 5)},  // size characters: cut by one
        {"abcdefgh", 5, std::string("abcd\0", 5)}, {"abc", 1, std::string("\0", 1)},
        {"", 3, std::string("\0\0\0", 3)},
    };
    for (const Case& c : cases) {
        char dst[8];
        std::memset(dst, 'x', sizeof dst);
        EXPECT_EQ(CopyTruncated(dst, c.src, c.size), dst);
        EXPECT_EQ(std::string(dst, c.size), c.expectedBytes) << c.src << " into " << c.size;
        EXPECT_EQ(std::string(dst + c.size, sizeof dst - c.size),
                  std::string(sizeof dst - c.size, 'x'));
    }
}

class ReplayPathTest : public testing::Test {
protected:
    std::shared_ptr<MemorySettingsSource> m_settings = std::make_shared<MemorySettingsSource>();
    ScopedUserSettings m_scope{m_settings};
};

struct FramePath {
    const char* root;
    int32_t session;
    int32_t frame;
    const char* expected;
};

class FrameBasePathTest : public ReplayPathTest, public testing::WithParamInterface<FramePath> {};

TEST_P(FrameBasePathTest, ComposesRootSeparatorAndRelativeName) {
    m_settings->setText(kInstallFolderSetting, GetParam().root);
    EXPECT_EQ(FrameBasePath(GetParam().session, GetParam().frame), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, FrameBasePathTest,
                         testing::Values(FramePath{"/R", 3, 7, "/R/replay/session3/frame007"},
                                         FramePath{"/R", 0, 0, "/R/replay/session0/frame000"},
                                         FramePath{"/R", 0, 1000, "/R/replay/session0/frame1000"},
                                         FramePath{"/R", 0, 1234, "/R/replay/session0/frame1234"},
                                         FramePath{"/R", -2, 5, "/R/replay/session-2/frame005"},
                                         FramePath{"/R", 0, -1, "/R/replay/session0/frame-01"},
                                         FramePath{"/R", 12, -123, "/R/replay/session12/frame-123"},
                                         FramePath{"/R", INT32_MIN, INT32_MIN,
                                                   "/R/replay/session-2147483648/frame-2147483648"},
                                         FramePath{"/R/", 1, 2, "/R//replay/session1/frame002"},
                                         FramePath{"/my replays, 2", 1, 2,
                                                   "/my replays, 2/replay/session1/frame002"},
                                         FramePath{"", 0, 0, "/replay/session0/frame000"}));

TEST_F(ReplayPathTest, MissingFolderGivesPathFromTheFileSystemRoot) {
    m_settings->removeKey();
    EXPECT_EQ(FrameBasePath(0, 0), "/replay/session0/frame000");
}

TEST_F(ReplayPathTest, RelativeNameIsLeftOffWhenItDoesNotFit) {
    const std::string relative = "replay/session0/frame000";  // 24 characters
    // root + separator + relative must stay below kPathCapacity.
    const std::string fits(kPathCapacity - 1 - 1 - relative.size(), 'r');
    const std::string tooLong = fits + "r";
    char dst[kPathCapacity];

    m_settings->setText(kInstallFolderSetting, fits);
    EXPECT_EQ(std::string(ComposeReplayPath(relative.c_str(), dst, sizeof dst)),
              fits + "/" + relative);
    EXPECT_EQ(std::strlen(dst), kPathCapacity - 1);

    m_settings->setText(kInstallFolderSetting, tooLong);
    EXPECT_EQ(std::string(ComposeReplayPath(relative.c_str(), dst, sizeof dst)), tooLong + "/");
    // That path is the root's own ".bmp" and ".htm": a frame lookup must not take it.
    EXPECT_EQ(FrameBasePath(0, 0), std::nullopt);
}

// Base paths of 258 and 259 bytes fit the 260-byte capacity with their terminator; 260 does not.
TEST_F(ReplayPathTest, FramePathsFitUpTo259BytesAndNameNoFrameBeyond) {
    const std::string relative = "/replay/session0/frame000";
    for (const size_t length : {kPathCapacity - 2, kPathCapacity - 1, kPathCapacity}) {
        const std::string root = "/" + std::string(length - relative.size() - 1, 'r');
        m_settings->setText(kInstallFolderSetting, root);
        ASSERT_EQ(FullReplayPath(relative.substr(1)).size(), length);
        if (length < kPathCapacity) {
            EXPECT_EQ(FrameBasePath(0, 0), root + relative) << length;
        } else {
            EXPECT_EQ(FrameBasePath(0, 0), std::nullopt) << length;
        }
        // Whatever the length, the full path says where the files lie.
        EXPECT_EQ(FullReplayPath(relative.substr(1)), root + relative);
    }
}

// Within one session folder that fits, frames with longer numbers (and sessions with longer
// numbers) reach the limit first.
TEST_F(ReplayPathTest, LongerNumbersCrossTheLimitFirst) {
    const std::string relative = "/replay/session0/frame999";
    const std::string root = "/" + std::string(kPathCapacity - 1 - relative.size() - 1, 'r');
    m_settings->setText(kInstallFolderSetting, root);
    EXPECT_EQ(FrameBasePath(0, 999), root + relative);
    EXPECT_EQ(FrameBasePath(0, 7), root + "/replay/session0/frame007");
    EXPECT_EQ(FrameBasePath(0, 1000), std::nullopt);
    EXPECT_EQ(FrameBasePath(0, -1), root + "/replay/session0/frame-01");
    EXPECT_EQ(FrameBasePath(0, -99), root + "/replay/session0/frame-99");
    EXPECT_EQ(FrameBasePath(0, -100), std::nullopt);
    EXPECT_EQ(FrameBasePath(10, 0), std::nullopt);
    EXPECT_EQ(FrameBasePath(-1, 0), std::nullopt);
    EXPECT_EQ(FrameBasePath(INT32_MIN, INT32_MIN), std::nullopt);
    EXPECT_EQ(SessionFolder(10), root + "/replay/session10");
}

TEST_F(ReplayPathTest, RootFillingTheWholeBufferStaysWithinIt) {
    const std::string root(kPathCapacity - 1, 'r');
    m_settings->setText(kInstallFolderSetting, root);
    char guarded[kPathCapacity + 16];
    std::memset(guarded, 'x', sizeof guarded);
    ComposeReplayPath("replay/session0/frame000", guarded, kPathCapacity);
    EXPECT_EQ(std::string(guarded), root) << "no room for the separator: the root alone";
    EXPECT_EQ(std::string(guarded + kPathCapacity, 16), std::string(16, 'x'));

    m_settings->setText(kInstallFolderSetting, root.substr(1));
    EXPECT_EQ(FrameBasePath(0, 0), std::nullopt);
}

TEST_F(ReplayPathTest, ShortDestinationCutsTheResult) {
    m_settings->setText(kInstallFolderSetting, "/root");
    char dst[8];
    EXPECT_EQ(std::string(ComposeReplayPath("replay", dst, sizeof dst)), "/root/r");
}

TEST_F(ReplayPathTest, EveryPathReadsTheFolderAfresh) {
    m_settings->setText(kInstallFolderSetting, "/one");
    EXPECT_EQ(FrameBasePath(1, 1), "/one/replay/session1/frame001");
    m_settings->setText(kInstallFolderSetting, "/two");
    EXPECT_EQ(FrameBasePath(1, 1), "/two/replay/session1/frame001");
}

// Real files under a temporary folder.
class FrameFilesTest : public testing::Test {
protected:
    std::string touch(const std::string& name, const std::string& content = "x") {
        m_tree.writeFile(name, content);
        return m_tree.path(name);
    }

    test::ReplayTree m_tree;
    const fs::path m_root{m_tree.root()};
};

TEST_F(FrameFilesTest, FileExistsOnlyForReadableRegularFiles) {
    const std::string file = touch("frame000.bmp");
    const std::string empty = touch("empty.bmp", "");
    fs::create_directory(m_root / "folder.bmp");
    fs::create_symlink(file, m_root / "link.bmp");
    fs::create_symlink(m_root / "folder.bmp", m_root / "folderlink.bmp");
    fs::create_symlink(m_root / "gone.bmp", m_root / "dangling.bmp");
    ASSERT_EQ(::mkfifo((m_root / "pipe.bmp").c_str(), 0600), 0);

    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(empty));
    EXPECT_TRUE(FileExists((m_root / "link.bmp").string()));
    EXPECT_FALSE(FileExists((m_root / "missing.bmp").string()));
    EXPECT_FALSE(FileExists((m_root / "folder.bmp").string()));
    EXPECT_FALSE(FileExists((m_root / "folderlink.bmp").string()));
    EXPECT_FALSE(FileExists((m_root / "dangling.bmp").string()));
    EXPECT_FALSE(FileExists((m_root / "pipe.bmp").string())) << "must not wait for a writer";
    EXPECT_FALSE(FileExists(""));
}

TEST_F(FrameFilesTest, UnreadableFileDoesNotExist) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    const std::string file = touch("locked.bmp");
    fs::permissions(file, fs::perms::none);
    EXPECT_FALSE(FileExists(file));
}

TEST_F(FrameFilesTest, FrameNeedsBothFiles) {
    const std::string both = (m_root / "frame001").string();
    touch("frame001.bmp");
    touch("frame001.htm");
    touch("frame002.bmp");
    touch("frame003.htm");
    fs::create_directory(m_root / "frame004.bmp");
    touch("frame004.htm");
    touch("frame005.bmp");
    fs::create_directory(m_root / "frame005.htm");

    EXPECT_TRUE(FrameIsPresent(both));
    EXPECT_FALSE(FrameIsPresent((m_root / "frame002").string())) << "screenshot without caption";
    EXPECT_FALSE(FrameIsPresent((m_root / "frame003").string())) << "caption without screenshot";
    EXPECT_FALSE(FrameIsPresent((m_root / "frame004").string())) << "folder named like a file";
    EXPECT_FALSE(FrameIsPresent((m_root / "frame005").string())) << "folder named like a file";
    EXPECT_FALSE(FrameIsPresent((m_root / "frame006").string()));
}

}  // namespace
}  // namespace kelvista
