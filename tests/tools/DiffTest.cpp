// kelvista-replay diff: the changed pixels and regions of known pairs, its errors, --json, --png.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "ReplayTree.h"
#include "RunTool.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

constexpr QRgb kBackground = 0xFF202020;

// A 64 x 48 frame of one colour with white rectangles.
QImage Painted(const std::vector<QRect>& rects, QSize size = {64, 48}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    for (const QRect& rect : rects) {
        QPainter(&image).fillRect(rect, Qt::white);
    }
    return image;
}

TEST(DiffCommand, KnownPairsGiveTheirChangesAndRegions) {
    const struct {
        const char* name;
        std::vector<QRect> rects;  // white in frame 3.8, against 3.7 of the plain background
        QSize size;
        bool to32;  // frame 3.8 written as a 32-bit file
        QStringList arguments;
        int code;
        std::vector<std::string> lines;
    } rows[] = {
        // clang-format off
        {"identical", {}, {64, 48}, false, {"3.8"}, 0,
         {"3.007 -> 3.008: 0 pixels changed (0.00 %) in 0 regions"}},
        {"24-bit against 32-bit", {}, {64, 48}, true, {"3.7", "3.8"}, 0,
         {"3.007 -> 3.008: 0 pixels changed (0.00 %) in 0 regions"}},
        {"apart, 9 pixels", {{2, 3, 4, 2}, {40, 30, 3, 3}, {10, 20, 1, 1}, {19, 20, 1, 1}},
         {64, 48}, false, {"3.8"}, 1, {"3.007 -> 3.008: 19 pixels changed (0.62 %) in 4 regions",
                             "  2,3 4x2", "  10,20 1x1", "  19,20 1x1", "  40,30 3x3"}},
        {"joined at 8 pixels", {{10, 10, 2, 2}, {19, 17, 2, 2}}, {64, 48}, true, {"3.8"}, 1,
         {"3.007 -> 3.008: 8 pixels changed (0.26 %) in 1 region", "  10,10 11x9"}},
        {"--join 1 joins neighbours only", {{10, 10, 2, 1}, {13, 11, 1, 1}}, {64, 48}, false,
         {"3.8", "--join", "1"}, 1,
         {"3.007 -> 3.008: 3 pixels changed (0.10 %) in 2 regions", "  10,10 2x1", "  13,11 1x1"}},
        {"touching the edges", {{0, 0, 2, 2}, {62, 46, 2, 2}, {0, 47, 1, 1}}, {64, 48}, false,
         {"3.8"}, 1, {"3.007 -> 3.008: 9 pixels changed (0.29 %) in 3 regions", "  0,0 2x2",
                      "  62,46 2x2", "  0,47 1x1"}},
        {"one pixel", {{5, 7, 1, 1}}, {64, 48}, false, {"3.8"}, 1,
         {"3.007 -> 3.008: 1 pixel changed (0.03 %) in 1 region", "  5,7 1x1"}},
        {"whole frame", {{0, 0, 64, 48}}, {64, 48}, false, {"3.8"}, 1,
         {"3.007 -> 3.008: 3072 pixels changed (100.00 %) in 1 region", "  0,0 64x48"}},
        {"sizes differ", {}, {32, 16}, false, {"3.8"}, 1, {"sizes differ: 64x48 -> 32x16",
         "3.007 -> 3.008: 512 pixels changed (100.00 %) in 1 region", "  0,0 32x16"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::ReplayTree tree;
        tree.writeFrame(3, 7, test::Bmp24(Painted({})), "from\n");
        const QImage to = Painted(row.rects, row.size);
        tree.writeFrame(3, 8, row.to32 ? test::Bmp32(to) : test::Bmp24(to), "to\n");
        const ToolRun run = RunInProcess(QStringList{"diff"} + row.arguments);
        EXPECT_EQ(run.code, row.code) << run.err;
        EXPECT_EQ(Lines(run.out), row.lines);
        EXPECT_EQ(run.err, "");
    }
}

TEST(DiffCommand, TroubleExitsTwoNamingTheFrame) {
    test::ReplayTree tree(10);
    const std::string plain = test::Bmp24(Painted({}));
    for (const int32_t frame : {0, 3, 9}) {
        tree.writeFrame(3, frame, plain, "frame\n");
    }
    tree.writeFrame(3, 5, test::Bmp8(4, 4), "refused\n");
    const struct {
        QStringList arguments;
        int code;
        std::string out;  // first line
        std::string err;  // part of the one line
    } rows[] = {
        {{"3.0"}, 0, "3.009 -> 3.000: 0 pixels changed (0.00 %) in 0 regions", ""},
        {{"3.3"}, 2, "", "diff: 3.003 has no frame before it to compare with: 3.002: no frame"},
        {{"3.4"}, 2, "", "diff: 3.004: no frame here ("},
        {{"3.5", "3.3"}, 2, "", "diff: 3.005: "},
        {{"3.3", "3.5"}, 2, "", "8-bit pixels are not supported"},
        {{"3.3", "3.9", "--join", "0"}, 2, "", "diff: --join takes a whole number from 1 to 1000"},
        {{"3.3", "3.9", "--join", "1001"}, 2, "", "not '1001'"},
        {{"3.x"}, 2, "", "3.x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const ToolRun run = RunInProcess(QStringList{"diff"} + row.arguments);
        EXPECT_EQ(run.code, row.code);
        EXPECT_EQ(Lines(run.out).empty() ? "" : Lines(run.out).front(), row.out);
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
        EXPECT_EQ(Lines(run.err).size(), row.code == 0 ? 0u : 1u) << run.err;
    }
}

TEST(DiffCommand, JsonAndPng) {
    test::ReplayTree tree;
    tree.writeFrame(1, 1, test::Bmp24(Painted({})), "from\n");
    tree.writeFrame(1, 2, test::Bmp24(Painted({{40, 12, 3, 2}}, {64, 32})), "to\n");
    const ToolRun json = RunInProcess({"diff", "1.1", "1.2", "--json"});
    EXPECT_EQ(json.code, 1);
    EXPECT_EQ(
        json.out,
        "{\"from\":\"1.001\",\"to\":\"1.002\",\"width\":64,\"height\":32,\"sizes_differ\":true,"
        "\"from_width\":64,\"from_height\":48,\"changed_pixels\":2048,\"changed_percent\":"
        "100.00,\"regions\":[{\"x\":0,\"y\":0,\"width\":64,\"height\":32}]}\n");
    EXPECT_FALSE(QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).isNull());

    tree.writeFrame(1, 3, test::Bmp24(Painted({{40, 12, 3, 2}})), "to\n");
    QTemporaryDir out;
    const QString png = out.filePath("diff.png");
    EXPECT_EQ(RunInProcess({"diff", "1.1", "1.3", "--png", png}).code, 1);
    const QImage picture(png);
    ASSERT_EQ(picture.size(), QSize(64, 48));
    EXPECT_EQ(picture.pixel(41, 13), 0xFFFFFFFFu);  // the change, kept
    EXPECT_NE(picture.pixel(5, 5), kBackground);    // the rest, dimmed
    const ToolRun again = RunInProcess({"diff", "1.1", "1.3", "--png", png});
    EXPECT_EQ(again.code, 2);
    EXPECT_NE(again.err.find("exists"), std::string::npos) << again.err;
    EXPECT_EQ(RunInProcess({"diff", "1.1", "1.3", "--png", png, "--force"}).code, 1);
    EXPECT_EQ(RunInProcess({"diff", "1.1", "1.3", "--png",
                            QString::fromStdString(tree.path("replay/x.png"))})
                  .code,
              2);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(tree.path("replay/x.png"))));
}

// The change column against the frame before in stepping order: frame 0 against the last frame
// under the wrap count, "-" after a gap or a refused screenshot.
TEST(LsChanges, ColumnComparesWithThePreviousFrameNumber) {
    test::ReplayTree tree(10);
    const std::string plain = test::Bmp24(Painted({}));
    const std::string dotted = test::Bmp24(Painted({{5, 7, 1, 1}}));
    const std::string dot = R"(,"height":48,"regions":[{"height":1,"width":1,"x":5,"y":7}])";
    const struct {
        int32_t frame;
        std::string screenshot;
        std::string row;
        std::string json;  // the object's change fields and those between, none when not compared
    } frames[] = {
        // clang-format off
        {0, dotted, "[3.000]  present         64x48      0.03%    f",
         R"("changed_percent":0.03,"frame":0)" + dot},
        {1, dotted, "[3.001]  present         64x48      =        f",
         R"("changed_percent":0,"frame":1,"height":48,"regions":[])"},
        {2, plain, "[3.002]  present         64x48      0.03%    f",
         R"("changed_percent":0.03,"frame":2)" + dot},
        {3, dotted, "[3.003]  no-caption      64x48      -", ""},
        {4, plain, "[3.004]  present         64x48      -        f", ""},
        {5, test::Bmp8(4, 4), "[3.005]  bad-screenshot  4x4        -        f", ""},
        {6, plain, "[3.006]  present         64x48      -        f", ""},
        {9, plain, "[3.009]  present         64x48      -        f", ""},
        // clang-format on
    };
    std::vector<std::string> rows;
    for (const auto& frame : frames) {
        tree.writeFrame(3, frame.frame, frame.screenshot, frame.frame == 3 ? "" : "f\n");
        rows.push_back(frame.row);
    }
    const ToolRun run = RunInProcess({"ls", "3", "--changes"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Lines(run.out), rows);
    const std::vector<std::string> json =
        Lines(RunInProcess({"ls", "3", "--changes", "--json"}).out);
    ASSERT_EQ(json.size(), std::size(frames));
    for (size_t i = 0; i < json.size(); ++i) {
        const std::string& expected = frames[i].json;
        EXPECT_EQ(json[i].find(expected.empty() ? "changed_percent" : expected),
                  expected.empty() ? std::string::npos : json[i].find("\"changed_percent\""))
            << json[i];
    }
    EXPECT_EQ(RunInProcess({"ls", "--changes"}).code, 2);
}

// Enough frames for batches of several, each frame loaded over the one before it: frame f has the
// first f + 1 pixels of its top row white, so one pixel changes a step, and 39 from 3.039 to 3.000.
// Inside the batches: a frame of another size, and a refused one and one without its caption file,
// which the next cannot step back to.
TEST(LsChanges, ALongSessionComparesEveryStepWithTheFrameJustBefore) {
    test::ReplayTree tree(40);
    const std::map<int32_t, std::string> unlike = {
        {0, "1.27%"}, {20, "100.00%"}, {21, "100.00%"}, {30, "-"}, {31, "-"}, {35, "-"}, {36, "-"}};
    for (int32_t frame = 0; frame < 40; ++frame) {
        const QImage picture = Painted({{0, 0, frame + 1, 1}}, {64, frame == 20 ? 47 : 48});
        tree.writeFrame(3, frame, frame == 30 ? test::Bmp8(4, 4) : test::Bmp24(picture),
                        frame == 35 ? "" : "f\n");
    }
    const std::vector<std::string> lines = Lines(RunInProcess({"ls", "3", "--changes"}).out);
    ASSERT_EQ(lines.size(), 40u);
    for (int32_t frame = 0; frame < 40; ++frame) {
        const auto found = unlike.find(frame);
        const std::string column = found == unlike.end() ? "0.03%" : found->second;
        EXPECT_NE((lines[size_t(frame)] + " ").find("  " + column + " "), std::string::npos)
            << lines[size_t(frame)];
    }
}

}  // namespace
}  // namespace kelvista::replaycli
