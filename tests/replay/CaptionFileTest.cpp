#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "CaptionFile.h"
#include "ReplayTree.h"

namespace kelvista {
namespace {

constexpr size_t kLimit = kCaptionLineCapacity - 1;

struct CaptionCase {
    const char* name;
    std::string bytes;
    std::string caption;
    int nextByte;  // what the stream holds after the line: shows where reading stopped
};

class ReadCaptionLineTest : public testing::TestWithParam<CaptionCase> {};

TEST_P(ReadCaptionLineTest, AppliesTextModeAndTrimmingRules) {
    std::string bytes = GetParam().bytes;
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadCaptionLine(file), GetParam().caption);
    EXPECT_EQ(std::fgetc(file), GetParam().nextByte);
    std::fclose(file);
}

// The same rules over the first bytes of a file, and through a file opened by path and by name in
// an open folder: the tool reads captions that way, the viewer by path.
TEST_P(ReadCaptionLineTest, FirstBytesAndFilesGiveTheSameCaption) {
    const std::string& bytes = GetParam().bytes;
    EXPECT_EQ(CaptionLineOf(bytes), GetParam().caption);
    EXPECT_EQ(CaptionLineOf(bytes.substr(0, kCaptionLineCapacity)), GetParam().caption);

    const test::ReplayTree tree;
    tree.writeFile("frame.htm", bytes);
    std::string caption = "unchanged";
    EXPECT_TRUE(ReadCaptionFile(tree.path("frame.htm"), caption));
    EXPECT_EQ(caption, GetParam().caption);
    const int folder = ::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    caption = "unchanged";
    EXPECT_TRUE(ReadCaptionFileAt(folder, "frame.htm", caption));
    EXPECT_EQ(caption, GetParam().caption);
    EXPECT_FALSE(ReadCaptionFileAt(folder, "missing.htm", caption));
    // Read as a name the folder's listing called a regular file.
    caption = "unchanged";
    EXPECT_TRUE(ReadCaptionFileAt(folder, "frame.htm", caption, true));
    EXPECT_EQ(caption, GetParam().caption);
    ::close(folder);
}

std::string Repeat(size_t count) {
    return std::string(count, 'a');
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadCaptionLineTest,
    testing::Values(
        CaptionCase{"CrLf", "Hand 12\r\nsecond line\r\n", "Hand 12", 's'},
        CaptionCase{"SpaceThenCrCrLf", "abc \r\r\nnext", "abc ", 'n'},
        CaptionCase{"LfOnly", "one\ntwo", "one", 't'},
        CaptionCase{"LoneCrInside", "a\rb\nc", "a\rb", 'c'},
        CaptionCase{"LoneCrAtEnd", "ab\r", "ab", EOF}, CaptionCase{"LfCr", "x\n\ry", "x", '\r'},
        CaptionCase{"TrailingBlanksStay", "  x \t\r\n", "  x \t", EOF},
        CaptionCase{"Empty", "", "", EOF}, CaptionCase{"EmptyFirstLine", "\r\nsecond", "", 's'},
        CaptionCase{"NoLineEnd", "last line", "last line", EOF},
        CaptionCase{"EndOfFileMark",
                    std::string("ab\x1A"
                                "cd\n",
                                6),
                    "ab", 'c'},
        CaptionCase{"EndOfFileMarkAfterCr", std::string("ab\r\x1A\n", 5), "ab", '\n'},
        CaptionCase{"ZeroByteEndsCaption", std::string("ab\0cd\n", 6), "ab", EOF},
        CaptionCase{"ZeroByteAfterCr", std::string("abc\r\0def", 8), "abc", EOF},
        CaptionCase{"CutAtLimit", Repeat(5000), Repeat(kLimit), 'a'},
        CaptionCase{"CrLfAfterLimit", Repeat(kLimit) + "\r\nz", Repeat(kLimit), '\r'},
        // CR LF arrives as one LF, which is the last byte that fits.
        CaptionCase{"CrLfAtLimit", Repeat(kLimit - 1) + "\r\nz", Repeat(kLimit - 1), 'z'},
        CaptionCase{"LoneCrAtLimit", Repeat(kLimit - 1) + "\rz", Repeat(kLimit - 1), 'z'},
        CaptionCase{"CrAtLimitThenEnd", Repeat(kLimit - 1) + "\r", Repeat(kLimit - 1), EOF},
        CaptionCase{"CrCrLfAtLimit", Repeat(kLimit - 2) + "\r\r\nz", Repeat(kLimit - 2), 'z'},
        CaptionCase{"ManyCrLfCollapsed", Repeat(10) + std::string(8000, '\r') + "\nz", Repeat(10),
                    '\r'}),
    [](const testing::TestParamInfo<CaptionCase>& param) { return param.param.name; });

TEST(ReadCaptionFileTest, ReadsTheFirstLineOfARegularFileOnly) {
    const test::ReplayTree tree;
    tree.makeFolder("folder.htm");
    tree.writeFile("frame.htm", "Hand 12\r\n<html>\r\n");
    tree.writeFile("empty.htm", "");

    std::string caption = "unchanged";
    EXPECT_FALSE(ReadCaptionFile(tree.path("missing.htm"), caption));
    EXPECT_FALSE(ReadCaptionFile(tree.path("folder.htm"), caption));
    EXPECT_EQ(caption, "unchanged");
    EXPECT_TRUE(ReadCaptionFile(tree.path("frame.htm"), caption));
    EXPECT_EQ(caption, "Hand 12");
    EXPECT_TRUE(ReadCaptionFile(tree.path("empty.htm"), caption));
    EXPECT_EQ(caption, "");
}

#ifdef __linux__
// Kernel files tell a size of 0 and still have content: read as far as the first read goes, as
// the stream does.
TEST(ReadCaptionFileTest, FileWithoutASizeIsStillRead) {
    std::FILE* file = std::fopen("/proc/self/comm", "r");
    ASSERT_NE(file, nullptr);
    const std::string expected = ReadCaptionLine(file);
    std::fclose(file);
    ASSERT_FALSE(expected.empty());
    std::string caption;
    EXPECT_TRUE(ReadCaptionFile("/proc/self/comm", caption));
    EXPECT_EQ(caption, expected);
}
#endif

// A name the listing called a regular file may be something else by the time it is read: what it
// is then decides, as it does for a name read without the listing's word.
TEST(ReadCaptionFileTest, ANameListedAsRegularIsJudgedByWhatItIsWhenRead) {
    const test::ReplayTree tree;
    tree.writeFile("real.htm", "Linked caption\r\n");
    ASSERT_EQ(::symlink("real.htm", tree.path("link.htm").c_str()), 0);
    ASSERT_EQ(::mkfifo(tree.path("pipe.htm").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(tree.path("folder.htm").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("nowhere.htm", tree.path("dangling.htm").c_str()), 0);
    const int folder = ::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    for (const char* name : {"link.htm", "pipe.htm", "folder.htm", "dangling.htm", "gone.htm"}) {
        std::string listed = "unchanged";
        std::string unlisted = "unchanged";
        EXPECT_EQ(ReadCaptionFileAt(folder, name, listed, true),
                  ReadCaptionFileAt(folder, name, unlisted, false))
            << name;
        EXPECT_EQ(listed, unlisted) << name;
    }
    std::string caption;
    EXPECT_TRUE(ReadCaptionFileAt(folder, "link.htm", caption, true));
    EXPECT_EQ(caption, "Linked caption");
    EXPECT_FALSE(ReadCaptionFileAt(folder, "pipe.htm", caption, true));
    EXPECT_FALSE(ReadCaptionFileAt(folder, "folder.htm", caption, true));
    ::close(folder);
}

}  // namespace
}  // namespace kelvista
