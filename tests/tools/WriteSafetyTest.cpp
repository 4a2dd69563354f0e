#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "FileBytes.h"
#include "FileDescriptor.h"
#include "NewFile.h"
#include "ReplayTree.h"
#include "RunTool.h"
#include "StagingFolder.h"
#include "TestPictures.h"
#include "WriteAll.h"
#include "commands/ReplayGuard.h"

namespace kelvista::replaycli {
namespace {

namespace fs = std::filesystem;

using test::Lines;
using test::ToolRun;

std::string LastLine(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    return lines.empty() ? std::string() : lines.back();
}

// Every entry under `folder` with its kind, inode and bytes: what "as it was" compares.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        std::string state = std::to_string(info.st_mode) + " " + std::to_string(info.st_ino);
        if (entry.is_regular_file() && !entry.is_symlink()) {
            state += " " + test::ReadFileBytes(entry.path());
        }
        entries[fs::relative(entry.path(), folder).string()] = state;
    }
    return entries;
}

// Session 0 with three good frames; `out` for what the commands write.
class WriteSafety : public ::testing::Test {
protected:
    WriteSafety() {
        for (int32_t frame = 0; frame < 3; ++frame) {
            m_tree.writeFrame(0, frame, test::Bmp24(test::PatternPicture(4, 3, frame)),
                              "Frame " + std::to_string(frame));
        }
        fs::create_directory(out());
    }
    std::string out(const std::string& name = {}) const {
        return m_dir.filePath(QString::fromStdString(name.empty() ? "out" : "out/" + name))
            .toStdString();
    }
    std::string screenshot(int32_t frame) const {
        return m_tree.path(test::ReplayTree::FrameName(0, frame, "bmp"));
    }
    static ToolRun Run(const std::vector<std::string>& arguments) {
        QStringList list;
        for (const std::string& argument : arguments) {
            list.append(QString::fromStdString(argument));
        }
        return test::RunInProcess(list);
    }

    test::ReplayTree m_tree;
    QTemporaryDir m_dir;
};

TEST_F(WriteSafety, AScreenshotThatCannotBeOpenedIsNamedAndFailsTheExport) {
    fs::remove(screenshot(1));
    fs::create_directory(screenshot(1));  // listed, but no file the loader can open
    for (const char* option : {"--to", "--html"}) {
        const std::string folder = out(option + 2);
        const ToolRun run = Run({"export", "0", option, folder});
        EXPECT_EQ(run.code, 1) << option;
        EXPECT_EQ(Lines(run.err),
                  std::vector<std::string>{"kelvista-replay: export: [0.001] not "
                                           "exported: LoadBMP -1, cannot be opened"})
            << option;
        EXPECT_TRUE(fs::exists(folder + "/session0-frame000.png")) << option;
        EXPECT_TRUE(fs::exists(folder + "/session0-frame002.png")) << option;
    }
    EXPECT_EQ(Run({"export", "0.1", "--to", out("one")}).code, 1);
}

TEST_F(WriteSafety, AForcedExportOverATargetItCannotReplaceChangesNothing) {
    ASSERT_EQ(Run({"export", "0", "--to", out()}).code, 0);
    fs::remove(out("session0-frame001.png"));
    fs::create_directory(out("session0-frame001.png"));
    const std::map<std::string, std::string> before = Snapshot(out());
    const ToolRun run = Run({"export", "0", "--to", out(), "--force"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.err),
              std::vector<std::string>{"kelvista-replay: export: session0-frame001.png in " +
                                       out() + " is a folder; nothing written"});
    EXPECT_EQ(Snapshot(out()), before);
}

TEST_F(WriteSafety, ForceReplacesALinkAtATargetNameAndLeavesWhatItPointsTo) {
    const std::string victim = m_dir.filePath("victim").toStdString();
    test::WriteFileBytes(victim, "must stay");
    const std::string decodeOut = out("decoded.png");
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"export", "0.1", "--to", out()}, out("captions.tsv")},
        {{"sheet", "0", "--to", out("sheet.png")}, out("sheet.png")},
        {{"decode", screenshot(0), "--png", decodeOut}, decodeOut},
        {{"frame", "0.2", "--png", out("frame.png")}, out("frame.png")},
    };
    for (const auto& [arguments, target] : runs) {
        fs::create_symlink(m_dir.filePath("nowhere").toStdString(), target);
        const ToolRun refused = Run(arguments);
        EXPECT_EQ(refused.code, 1) << arguments[0] << " without --force, over a dangling link";
        EXPECT_TRUE(fs::is_symlink(target));
        EXPECT_FALSE(fs::exists(m_dir.filePath("nowhere").toStdString()));
        fs::remove(target);

        fs::create_symlink(victim, target);
        std::vector<std::string> forced = arguments;
        forced.push_back("--force");
        const ToolRun run = Run(forced);
        EXPECT_EQ(run.code, 0) << arguments[0] << ": " << run.err;
        EXPECT_FALSE(fs::is_symlink(target)) << arguments[0];
        EXPECT_EQ(test::ReadFileBytes(victim), "must stay") << arguments[0];
    }
}

TEST_F(WriteSafety, NothingIsWrittenIntoTheReplayTreeWhateverThePathAndWithForce) {
    const std::string replay = m_tree.path("replay");
    const std::string linkedRoot = m_dir.filePath("root").toStdString();
    fs::create_directory_symlink(m_tree.root(), linkedRoot);
    const std::string dotted = out("../root/replay/session0");
    const std::string own = screenshot(1);
    const std::string ownBytes = test::ReadFileBytes(own);
    const std::map<std::string, std::string> before = Snapshot(replay);
    fs::create_symlink(own, out("own.bmp"));
    const std::vector<std::vector<std::string>> runs = {
        {"export", "0.1", "--to", replay + "/session0", "--force"},
        {"export", "0.1", "--html", linkedRoot + "/replay/page"},
        {"export", "0.1", "--to", dotted + "/new", "--force"},
        {"sheet", "0", "--to", replay + "/sheet.png"},
        {"sheet", "0", "--to", dotted + "/frame000.bmp", "--force"},
        {"frame", "0.1", "--png", own},
        {"frame", "0.1", "--png", own, "--force"},
        {"frame", "0.1", "--png", out("own.bmp"), "--force"},
        {"decode", own, "--png", own, "--force"},
        {"decode", screenshot(0), "--png", linkedRoot + "/replay/session0/frame002.htm", "--force"},
    };
    for (const std::vector<std::string>& arguments : runs) {
        const ToolRun run = Run(arguments);
        std::string shown;
        for (const std::string& argument : arguments) {
            shown += argument + " ";
        }
        EXPECT_EQ(run.code, 1) << shown;
        ASSERT_EQ(Lines(run.err).size(), 1u) << shown << run.err;
        EXPECT_EQ(Snapshot(replay), before) << shown;
    }
    EXPECT_EQ(test::ReadFileBytes(own), ownBytes);
    EXPECT_TRUE(fs::is_symlink(out("own.bmp")));
    // A link outside the tree that leads into it is named as what it is.
    EXPECT_EQ(Run({"frame", "0.1", "--png", out("own.bmp"), "--force"}).err,
              "kelvista-replay: frame: " + out("own.bmp") + " leads into the replay folder " +
                  replay + "; nothing written\n");
}

TEST_F(WriteSafety, DecodeAndFrameRefuseAnExistingPngUnlessForcedAndNeverTheirInput) {
    for (const std::string command : {"decode", "frame"}) {
        const std::string input = command == "decode" ? screenshot(2) : "0.2";
        const std::string png = out(command + ".png");
        test::WriteFileBytes(png, "kept");
        ToolRun run = Run({command, input, "--png", png});
        EXPECT_EQ(run.code, 1) << command;
        EXPECT_EQ(LastLine(run.err), "kelvista-replay: " + command + ": " + png +
                                         " exists; nothing written (--force replaces it)");
        EXPECT_EQ(test::ReadFileBytes(png), "kept");
        run = Run({command, input, "--png", png, "--force"});
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(4, 3));
    }
    const std::string copy = out("copy.bmp");
    fs::copy_file(screenshot(0), copy);
    fs::create_hard_link(copy, out("hard.png"));
    for (const std::string& png : {copy, out("hard.png")}) {
        const ToolRun run = Run({"decode", copy, "--png", png, "--force"});
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(LastLine(run.err),
                  "kelvista-replay: decode: " + png + " is the file being read; nothing written");
    }
    EXPECT_EQ(test::ReadFileBytes(copy), test::ReadFileBytes(screenshot(0)));
}

// The staging folder of a run killed outright in `folder`: a child makes it and a file in it,
// then ends without its destructors. Its name, or "" when it could not be made.
std::string KilledRunsStaging(const std::string& folder) {
    const fileio::FileDescriptor parent(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int fds[2];
    if (!parent.valid() || pipe(fds) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        int errnum = 0;
        std::string reason;
        const std::optional<fileio::StagingFolder> staging =
            fileio::StagingFolder::Create(parent.get(), kStagingOwner, "export", errnum);
        if (staging &&
            fileio::WriteNewFile(staging->fd(), "session0-frame000.png", "half", reason)) {
            fileio::WriteAll(fds[1], staging->name().data(), staging->name().size());
        }
        _exit(0);
    }
    close(fds[1]);
    char name[256] = {};
    const ssize_t size = child > 0 ? read(fds[0], name, sizeof name - 1) : -1;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return size > 0 ? folder + "/" + std::string(name, static_cast<size_t>(size)) : std::string();
}

TEST_F(WriteSafety, AStagingFolderLeftByAKilledRunGoesWithTheNextExport) {
    std::string stale = KilledRunsStaging(out());
    ASSERT_FALSE(stale.empty());
    ASSERT_EQ(Run({"export", "0.1", "--to", out()}).code, 0);
    EXPECT_FALSE(fs::exists(stale));
    // The sheet cleans up in its folder too; the user's own hidden folders stay, even one named
    // like a left-over.
    stale = KilledRunsStaging(out());
    fs::create_directory(out(".kelvista-replay-mine"));
    fs::create_directory(out(".kelvista-replay-export-K1lled"));
    test::WriteFileBytes(out(".kelvista-replay-export-K1lled/notes.txt"), "mine");
    ASSERT_EQ(Run({"sheet", "0", "--to", out("s.png")}).code, 0);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(out(".kelvista-replay-mine")));
    EXPECT_TRUE(fs::exists(out(".kelvista-replay-export-K1lled/notes.txt")));
}

TEST_F(WriteSafety, HelpsTellTheNewRules) {
    for (const char* command : {"export", "sheet", "decode", "frame"}) {
        const std::string help = test::RunInProcess({command, "--help"}).out;
        EXPECT_NE(help.find("--force"), std::string::npos) << command;
        EXPECT_NE(help.find("130"), std::string::npos) << command;
        EXPECT_NE(help.find("replay"), std::string::npos) << command;
        EXPECT_NE(help.find("link"), std::string::npos) << command;
    }
}

}  // namespace
}  // namespace kelvista::replaycli
