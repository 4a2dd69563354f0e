#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <QTemporaryDir>

#include "FileBytes.h"
#include "FileDescriptor.h"
#include "InterruptSignals.h"
#include "NewFile.h"
#include "OutputFolder.h"

namespace kelvista::fileio {
namespace {

namespace fs = std::filesystem;

// Protects the folder at `path`, as a caller's rule would.
IsProtected Protect(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return [id = IdOf(info)](const FileId& folder) { return folder == id; };
}

class OutputFolderTest : public ::testing::Test {
protected:
    std::string path(const std::string& relative) const {
        return m_dir.filePath(QString::fromStdString(relative)).toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(OutputFolderTest, MakesMissingFoldersAndTakesBackOnlyThoseItMade) {
    fs::create_directory(path("kept"));
    OutputFolder::Failure failure;
    std::optional<OutputFolder> folder =
        OutputFolder::Open(path("kept/a/b/../c"), true, nullptr, failure);
    ASSERT_TRUE(folder);
    EXPECT_TRUE(fs::is_directory(path("kept/a/c")));  // ".." as the kernel resolves it
    std::string reason;
    ASSERT_TRUE(WriteNewFile(folder->fd(), "x", "bytes", reason)) << reason;
    folder->removeMadeFolders();  // c holds a file: it stays, and so does a
    EXPECT_EQ(test::ReadFileBytes(path("kept/a/c/x")), "bytes");
    EXPECT_FALSE(fs::exists(path("kept/a/b")));

    fs::remove(path("kept/a/c/x"));
    folder = OutputFolder::Open(path("kept/d/e"), true, nullptr, failure);
    ASSERT_TRUE(folder);
    folder->removeMadeFolders();
    EXPECT_FALSE(fs::exists(path("kept/d")));
    EXPECT_TRUE(fs::exists(path("kept")));

    std::ofstream(path("file")) << "x";
    EXPECT_FALSE(OutputFolder::Open(path("file/sub"), true, nullptr, failure));
    EXPECT_EQ(failure.kind, OutputFolder::Failure::Kind::CannotOpen);
    EXPECT_EQ(failure.errnum, ENOTDIR);
    EXPECT_FALSE(OutputFolder::Open(path("missing"), false, nullptr, failure));
    EXPECT_EQ(failure.errnum, ENOENT);
}

TEST_F(OutputFolderTest, NothingIsOpenedOrMadeInsideTheProtectedFolderHoweverItIsNamed) {
    fs::create_directories(path("root/replay/session0"));
    fs::create_directory(path("elsewhere"));
    fs::create_directory_symlink(path("root"), path("elsewhere/link"));
    const IsProtected replay = Protect(path("root/replay"));
    for (const std::string& spelt :
         {path("root/replay"), path("root/replay/session0"), path("elsewhere/link/replay"),
          path("elsewhere/../root/replay/session0"), path("root/replay/new/deeper"),
          path("elsewhere/link/replay/session0/new")}) {
        OutputFolder::Failure failure;
        EXPECT_FALSE(OutputFolder::Open(spelt, true, replay, failure)) << spelt;
        EXPECT_EQ(failure.kind, OutputFolder::Failure::Kind::Protected) << spelt;
    }
    EXPECT_FALSE(fs::exists(path("root/replay/new")));
    EXPECT_FALSE(fs::exists(path("root/replay/session0/new")));
    OutputFolder::Failure failure;
    EXPECT_TRUE(OutputFolder::Open(path("root"), false, replay, failure));
    EXPECT_TRUE(OutputFolder::Open(path("elsewhere/new"), true, replay, failure));
}

TEST_F(OutputFolderTest, LinksAreJudgedByWhereTheyLead) {
    fs::create_directories(path("replay/session0"));
    std::ofstream(path("replay/session0/frame000.bmp")) << "x";
    fs::create_directory(path("out"));
    fs::create_symlink(path("replay/session0/frame000.bmp"), path("out/into"));
    fs::create_directory_symlink(path("replay"), path("out/folder"));
    fs::create_symlink(path("out"), path("out/outside"));
    fs::create_symlink(path("replay/session0/absent"), path("out/dangling"));
    const IsProtected replay = Protect(path("replay"));
    const FileDescriptor out(open(path("out").c_str(), O_PATH | O_DIRECTORY));
    EXPECT_TRUE(LeadsInside(out.get(), "into", replay));
    EXPECT_TRUE(LeadsInside(out.get(), "folder", replay));
    EXPECT_FALSE(LeadsInside(out.get(), "outside", replay));
    EXPECT_FALSE(LeadsInside(out.get(), "dangling", replay));
    EXPECT_FALSE(LeadsInside(out.get(), "absent", replay));
}

TEST_F(OutputFolderTest, WritesFollowTheFolderOpenedNotItsPath) {
    fs::create_directory(path("out"));
    OutputFolder::Failure failure;
    const std::optional<OutputFolder> folder =
        OutputFolder::Open(path("out"), false, nullptr, failure);
    ASSERT_TRUE(folder);
    // The folder is swapped for another one under the same name.
    fs::rename(path("out"), path("moved"));
    fs::create_directory(path("out"));
    std::string reason;
    ASSERT_TRUE(WriteNewFile(folder->fd(), "x", "bytes", reason)) << reason;
    EXPECT_EQ(test::ReadFileBytes(path("moved/x")), "bytes");
    EXPECT_FALSE(fs::exists(path("out/x")));
    EXPECT_TRUE(folder->sync());
}

TEST_F(OutputFolderTest, NewFilesNeverReplaceAFileNorWriteThroughALink) {
    const FileDescriptor folder(open(m_dir.path().toLocal8Bit().constData(), O_PATH | O_DIRECTORY));
    std::ofstream(path("existing")) << "old";
    fs::create_symlink(path("target"), path("dangling"));
    std::string reason;
    EXPECT_FALSE(WriteNewFile(folder.get(), "existing", "new", reason));
    EXPECT_EQ(reason, "File exists");
    EXPECT_EQ(test::ReadFileBytes(path("existing")), "old");
    EXPECT_FALSE(WriteNewFile(folder.get(), "dangling", "new", reason));
    EXPECT_FALSE(fs::exists(path("target")));
    // A filler that fails leaves no file behind.
    EXPECT_FALSE(WriteNewFile(
        folder.get(), "failed",
        [](int, std::string& why) {
            why = "No space left on device";
            return false;
        },
        reason));
    EXPECT_EQ(reason, "No space left on device");
    EXPECT_FALSE(fs::exists(path("failed")));
}

TEST(InterruptSignalsTest, SignalsAreRecordedNotFatalWhileAGuardLives) {
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    for (const auto& [signal, code] :
         std::vector<std::pair<int, int>>{{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
        const InterruptGuard guard;
        EXPECT_FALSE(InterruptRequested());
        raise(signal);
        EXPECT_TRUE(InterruptRequested());
        raise(signal == SIGINT ? SIGTERM : SIGINT);  // the first one counts
        EXPECT_EQ(InterruptSignal(), signal);
        EXPECT_EQ(InterruptExitCode(InterruptSignal()), code);
        struct sigaction fileSize {};
        sigaction(SIGXFSZ, nullptr, &fileSize);
        EXPECT_EQ(fileSize.sa_handler, SIG_IGN);
    }
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(InterruptSignalsTest, AFileSizeLimitIsAWriteErrorNotDeath) {
    QTemporaryDir dir;
    const std::string folderPath = dir.path().toStdString();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only system calls here: this is a copy of a process with threads.
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const InterruptGuard guard;
        const int folder = open(folderPath.c_str(), O_PATH | O_DIRECTORY);
        std::string reason;
        const bool written = WriteNewFile(folder, "big", std::string(100000, 'x'), reason);
        _exit(!written && reason == "File too large" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(folderPath + "/big"));
}

}  // namespace
}  // namespace kelvista::fileio
