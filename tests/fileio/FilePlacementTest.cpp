#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "FileBytes.h"
#include "FileDescriptor.h"
#include "FilePlacement.h"
#include "InterruptSignals.h"
#include "OutputFolder.h"
#include "StagingFolder.h"

namespace kelvista::fileio {
namespace {

namespace fs = std::filesystem;

// The start of the staging folders' names in these tests, as the tool names its own.
constexpr std::string_view kOwner = ".kelvista-replay-";

FileDescriptor OpenFolder(const std::string& path) {
    return FileDescriptor(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// What "as it was" compares: every entry's kind, inode and bytes (a link's: where it points).
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        std::string state = std::to_string(info.st_mode) + " " + std::to_string(info.st_ino) + " ";
        if (entry.is_symlink()) {
            state += "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            state += test::ReadFileBytes(entry.path());
        }
        entries[entry.path().filename().string()] = state;
    }
    return entries;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// An output folder and a staging folder beside it, the staged files named a.png .. e.png.
class Placement : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        fs::create_directory(m_folder);
        fs::create_directory(m_staging);
        for (const std::string& name : m_names) {
            test::WriteFileBytes(m_staging + "/" + name, "new " + name);
        }
        m_hooks.withoutRenameFlags = GetParam();
    }
    PlacementOptions options(bool replace) const { return {replace, nullptr, &m_hooks}; }

    QTemporaryDir m_dir;
    const std::string m_folder = m_dir.filePath("out").toStdString();
    const std::string m_staging = m_dir.filePath("staging").toStdString();
    const std::vector<std::string> m_names = {"a.png", "b.png", "c.png", "d.png", "e.png"};
    PlacementHooks m_hooks;
};

TEST_P(Placement, NewFilesAreMovedIntoPlaceAllOfThem) {
    const FileDescriptor folder = OpenFolder(m_folder);
    const FileDescriptor staging = OpenFolder(m_staging);
    FilePlacement placement(folder.get(), staging.get(), options(false));
    ASSERT_TRUE(placement.placeAll(m_names).placed());
    EXPECT_EQ(Names(m_folder), m_names);
    EXPECT_EQ(test::ReadFileBytes(m_folder + "/c.png"), "new c.png");
    EXPECT_TRUE(Names(m_staging).empty());
}

TEST_P(Placement, WithoutReplaceANameThatAppearedMeanwhileStopsAndTakesBackTheOthers) {
    const FileDescriptor folder = OpenFolder(m_folder);
    const FileDescriptor staging = OpenFolder(m_staging);
    m_hooks.beforeMove = [this](size_t index, const std::string& name) {
        if (index == 2) {
            test::WriteFileBytes(m_folder + "/" + name,
                                 "another run's");  // made while this run worked
        }
        return 0;
    };
    FilePlacement placement(folder.get(), staging.get(), options(false));
    const PlacementResult result = placement.placeAll(m_names);
    EXPECT_EQ(result.status, PlacementResult::Status::Exists);
    EXPECT_EQ(result.name, "c.png");
    EXPECT_EQ(Names(m_folder), std::vector<std::string>{"c.png"});
    EXPECT_EQ(test::ReadFileBytes(m_folder + "/c.png"), "another run's");
    EXPECT_EQ(Names(m_staging), m_names);  // ready to be removed with the staging folder
}

TEST_P(Placement, AFailedThirdOfFiveMovesLeavesTheFolderAsItWas) {
    // Originals under three names (one of them a link), none under the other two.
    test::WriteFileBytes(m_folder + "/a.png", "old a");
    test::WriteFileBytes(m_dir.filePath("elsewhere").toStdString(), "pointed to");
    fs::create_symlink(m_dir.filePath("elsewhere").toStdString(), m_folder + "/b.png");
    test::WriteFileBytes(m_folder + "/d.png", "old d");
    test::WriteFileBytes(m_folder + "/kept.txt", "not ours");
    const std::map<std::string, std::string> before = Snapshot(m_folder);
    const FileDescriptor folder = OpenFolder(m_folder);
    const FileDescriptor staging = OpenFolder(m_staging);
    int moves = 0;
    m_hooks.beforeMove = [&moves](size_t index, const std::string&) {
        ++moves;
        return index == 2 ? EIO : 0;
    };
    FilePlacement placement(folder.get(), staging.get(), options(true));
    const PlacementResult result = placement.placeAll(m_names);
    EXPECT_EQ(moves, 3);
    EXPECT_EQ(result.status, PlacementResult::Status::Failed);
    EXPECT_EQ(result.name, "c.png");
    EXPECT_EQ(result.reason, "Input/output error");
    EXPECT_TRUE(result.undoFailed.empty()) << result.undoFailed;
    EXPECT_EQ(Snapshot(m_folder), before);
    EXPECT_EQ(test::ReadFileBytes(m_dir.filePath("elsewhere").toStdString()), "pointed to");
    for (const std::string& name : m_names) {
        EXPECT_EQ(test::ReadFileBytes(m_staging + "/" + name), "new " + name);
    }
}

TEST_P(Placement, ReplacingALinkReplacesTheLinkNotWhatItPointsTo) {
    const std::string victim = m_dir.filePath("victim").toStdString();
    test::WriteFileBytes(victim, "must stay");
    fs::create_symlink(victim, m_folder + "/a.png");
    const FileDescriptor folder = OpenFolder(m_folder);
    const FileDescriptor staging = OpenFolder(m_staging);
    FilePlacement placement(folder.get(), staging.get(), options(true));
    ASSERT_TRUE(placement.placeAll({"a.png"}).placed());
    EXPECT_FALSE(fs::is_symlink(m_folder + "/a.png"));
    EXPECT_EQ(test::ReadFileBytes(m_folder + "/a.png"), "new a.png");
    EXPECT_EQ(test::ReadFileBytes(victim), "must stay");

    // Taken back after success (a signal at the last moment): the link is there again.
    std::string error;
    EXPECT_TRUE(placement.undo(error)) << error;
    EXPECT_TRUE(fs::is_symlink(m_folder + "/a.png"));
    EXPECT_EQ(test::ReadFileBytes(victim), "must stay");
}

TEST_P(Placement, ASignalBetweenMovesTakesEveryMoveBack) {
    test::WriteFileBytes(m_folder + "/b.png", "old b");
    const std::map<std::string, std::string> before = Snapshot(m_folder);
    const FileDescriptor folder = OpenFolder(m_folder);
    const FileDescriptor staging = OpenFolder(m_staging);
    const InterruptGuard guard;
    m_hooks.beforeMove = [](size_t index, const std::string&) {
        if (index == 3) {
            raise(SIGTERM);
        }
        return 0;
    };
    FilePlacement placement(folder.get(), staging.get(), options(true));
    EXPECT_EQ(placement.placeAll(m_names).status, PlacementResult::Status::Interrupted);
    EXPECT_EQ(Snapshot(m_folder), before);
}

INSTANTIATE_TEST_SUITE_P(RenameFlags, Placement, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "LinkAndSetAside" : "Renameat2";
                         });

TEST(PlacementChecks, TargetsThatCannotBeReplacedAreRefusedBeforeAnythingMoves) {
    QTemporaryDir dir;
    const std::string out = dir.filePath("out").toStdString();
    const std::string replay = dir.filePath("replay").toStdString();
    fs::create_directories(out + "/b.png");
    fs::create_directories(replay + "/session0");
    test::WriteFileBytes(replay + "/session0/frame000.bmp", "screenshot");
    test::WriteFileBytes(out + "/a.png", "old a");
    const FileDescriptor folder = OpenFolder(out);
    struct stat info {};
    ASSERT_EQ(stat(replay.c_str(), &info), 0);
    const IsProtected protect = [id = IdOf(info)](const FileId& candidate) {
        return candidate == id;
    };

    PlacementResult result = CheckReplaceable(folder.get(), {"a.png", "b.png"}, protect);
    EXPECT_EQ(result.status, PlacementResult::Status::Refused);
    EXPECT_EQ(result.name, "b.png");
    EXPECT_EQ(result.reason, "is a folder");

    fs::create_symlink(replay + "/session0/frame000.bmp", out + "/c.png");
    result = CheckReplaceable(folder.get(), {"a.png", "c.png"}, protect);
    EXPECT_EQ(result.status, PlacementResult::Status::Protected);
    EXPECT_EQ(result.name, "c.png");
    EXPECT_TRUE(CheckReplaceable(folder.get(), {"a.png", "absent.png"}, protect).placed());

    // The move itself checks too: nothing moved, the staged files still staged.
    const std::string staging = dir.filePath("staging").toStdString();
    fs::create_directory(staging);
    test::WriteFileBytes(staging + "/a.png", "new a");
    test::WriteFileBytes(staging + "/b.png", "new b");
    const FileDescriptor stagingFd = OpenFolder(staging);
    FilePlacement placement(folder.get(), stagingFd.get(), {true, protect, nullptr});
    EXPECT_EQ(placement.placeAll({"a.png", "b.png"}).status, PlacementResult::Status::Refused);
    EXPECT_EQ(test::ReadFileBytes(out + "/a.png"), "old a");
    EXPECT_EQ(Names(staging), (std::vector<std::string>{"a.png", "b.png"}));

    EXPECT_EQ(ExistingNames(folder.get(), {"a.png", "b.png", "c.png", "d.png"}),
              (std::vector<std::string>{"a.png", "b.png", "c.png"}));
    fs::create_symlink(dir.filePath("nowhere").toStdString(), out + "/d.png");
    EXPECT_EQ(ExistingNames(folder.get(), {"d.png"}), std::vector<std::string>{"d.png"});
}

TEST(PlacementChecks, AnImmutableTargetFailsItsMoveAndTheMovesBeforeItAreTakenBack) {
    QTemporaryDir dir;
    const std::string out = dir.filePath("out").toStdString();
    const std::string staging = dir.filePath("staging").toStdString();
    fs::create_directory(out);
    fs::create_directory(staging);
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        test::WriteFileBytes(out + "/" + name, std::string("old ") + name);
        test::WriteFileBytes(staging + "/" + name, std::string("new ") + name);
    }
    const FileDescriptor locked(open((out + "/b.png").c_str(), O_RDONLY));
    const auto setImmutable = [&locked](bool immutable) {
        int flags = immutable ? FS_IMMUTABLE_FL : 0;
        return ioctl(locked.get(), FS_IOC_SETFLAGS, &flags) == 0;
    };
    if (!setImmutable(true)) {
        GTEST_SKIP() << "this file system or user cannot mark a file immutable";
    }
    const std::map<std::string, std::string> before = Snapshot(out);
    const FileDescriptor folder = OpenFolder(out);
    const FileDescriptor stagingFd = OpenFolder(staging);
    // Marked before the run: no check looks for it, the file system refuses its move, and the
    // move made before it is taken back.
    FilePlacement early(folder.get(), stagingFd.get(), {true, nullptr, nullptr});
    const PlacementResult refused = early.placeAll({"a.png", "b.png"});
    EXPECT_EQ(refused.status, PlacementResult::Status::Failed);
    EXPECT_EQ(refused.name, "b.png");
    EXPECT_EQ(refused.reason, "Operation not permitted");

    // Marked only just before its move: the same.
    ASSERT_TRUE(setImmutable(false));
    PlacementHooks hooks;
    hooks.beforeMove = [&](size_t index, const std::string&) {
        if (index == 1) {
            setImmutable(true);
        }
        return 0;
    };
    FilePlacement placement(folder.get(), stagingFd.get(), {true, nullptr, &hooks});
    const PlacementResult result = placement.placeAll({"a.png", "b.png", "c.png"});
    setImmutable(false);
    EXPECT_EQ(result.status, PlacementResult::Status::Failed);
    EXPECT_EQ(result.name, "b.png");
    EXPECT_EQ(result.reason, "Operation not permitted");
    EXPECT_EQ(Snapshot(out), before);
}

TEST(Staging, NamesAreRecognisableAndNothingElseIs) {
    EXPECT_TRUE(IsStagingName(".kelvista-replay-export-AbC123", kOwner));
    EXPECT_TRUE(IsStagingName(".kelvista-replay-sheet-zzzzzz", kOwner));
    for (const char* name : {".kelvista-replay-export-AbC12", ".kelvista-replay-export-AbC1234",
                             ".kelvista-replay--AbC123", ".kelvista-replay-Export-AbC123",
                             "kelvista-replay-export-AbC123", ".kelvista-replay-export-AbC12!",
                             ".kelvista-replay-", "session0-frame000.png"}) {
        EXPECT_FALSE(IsStagingName(name, kOwner)) << name;
    }
}

TEST(Staging, AFolderIsMadeLockedAndRemovedWithItsFiles) {
    QTemporaryDir dir;
    const FileDescriptor parent = OpenFolder(dir.path().toStdString());
    int errnum = 0;
    std::optional<StagingFolder> staging =
        StagingFolder::Create(parent.get(), kOwner, "export", errnum);
    ASSERT_TRUE(staging) << errnum;
    EXPECT_TRUE(IsStagingName(staging->name(), kOwner)) << staging->name();
    const std::string path = dir.filePath(QString::fromStdString(staging->name())).toStdString();
    // Locked: another open of the folder cannot take the lock while the run lives.
    const FileDescriptor other = OpenFolder(path);
    EXPECT_NE(flock(other.get(), LOCK_EX | LOCK_NB), 0);
    test::WriteFileBytes(path + "/a.png", "a");
    EXPECT_EQ(RemoveStaleStaging(parent.get(), kOwner), 0u);
    EXPECT_TRUE(fs::exists(path + "/a.png"));
    staging.reset();
    EXPECT_FALSE(fs::exists(path));
}

TEST(Staging, LeftOversOfRunsThatAreGoneAreRemovedAndNothingElse) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    // Stale: its run was killed, its lock is free.
    fs::create_directory(root + "/.kelvista-replay-export-Stale1");
    test::WriteFileBytes(root + "/.kelvista-replay-export-Stale1/session0-frame000.png", "half");
    // Not ours: a link of a staging name to a folder of files, a folder holding a folder, a file
    // of a staging name, a folder of another name.
    fs::create_directory(root + "/victim");
    test::WriteFileBytes(root + "/victim/precious", "precious");
    fs::create_directory_symlink(root + "/victim", root + "/.kelvista-replay-export-Linked");
    fs::create_directories(root + "/.kelvista-replay-export-Nested/inner");
    test::WriteFileBytes(root + "/.kelvista-replay-export-Nested/file", "x");
    test::WriteFileBytes(root + "/.kelvista-replay-sheet-AFile0", "x");
    fs::create_directory(root + "/.kelvista-replay-export-long-name");
    const FileDescriptor parent = OpenFolder(root);

    EXPECT_EQ(RemoveStaleStaging(parent.get(), kOwner), 1u);
    EXPECT_EQ(Names(root),
              (std::vector<std::string>{
                  ".kelvista-replay-export-Linked", ".kelvista-replay-export-Nested",
                  ".kelvista-replay-export-long-name", ".kelvista-replay-sheet-AFile0", "victim"}));
    EXPECT_EQ(test::ReadFileBytes(root + "/victim/precious"), "precious");
    EXPECT_TRUE(fs::exists(root + "/.kelvista-replay-export-Nested/file"));
}

TEST(Staging, AnotherUsersLeftOverIsNotOursToRemove) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a folder to another user";
    }
    QTemporaryDir dir;
    const std::string stale = dir.filePath(".kelvista-replay-export-Theirs").toStdString();
    fs::create_directory(stale);
    ASSERT_EQ(chown(stale.c_str(), 65534, 65534), 0);
    const FileDescriptor parent = OpenFolder(dir.path().toStdString());
    EXPECT_EQ(RemoveStaleStaging(parent.get(), kOwner), 0u);
    EXPECT_TRUE(fs::exists(stale));
}

}  // namespace
}  // namespace kelvista::fileio
