#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>

#include "PixelBlock.h"
#include "ReplayLayout.h"
#include "TestPictures.h"
#include "ViewerFixture.h"

namespace kelvista {
namespace {

using demo::BmpDepth;
using test::TreeFrame;
using test::ViewerFixture;

constexpr QRgb kWhite = 0xFFFFFFFFu;

bool DibIsZero(const DibSection& dib) {
    return dib.width == 0 && dib.height == 0 && dib.bits == nullptr;
}

// One frame pixel is one device pixel: the logical size is the pixel size over the ratio, rounded
// up so the whole frame shows.
TEST(NaturalClientSize, DividesByTheDevicePixelRatio) {
    EXPECT_EQ(NaturalClientSize(QSize(640, 480), 1.0), QSize(640, 480));
    EXPECT_EQ(NaturalClientSize(QSize(641, 480), 2.0), QSize(321, 240));
    EXPECT_EQ(NaturalClientSize(QSize(640, 480), 1.5), QSize(427, 320));
}

// ---- The mode table: every row, driven through the main window's command routing. ----

struct ModeRow {
    const char* name;
    bool startInFrameMode;
    int command;
    std::optional<QString> answer;  // for the dialogs; nullopt = not confirmed
    ViewMode modeAfter;
    bool repaint;
};

void PrintTo(const ModeRow& row, std::ostream* out) {
    *out << row.name;
}

class ModeTableTest : public ViewerFixture, public testing::WithParamInterface<ModeRow> {};

TEST_P(ModeTableTest, CommandMovesBetweenModesAsTabled) {
    const ModeRow& row = GetParam();
    tree.addFrame({.session = 0, .frame = 1});
    tree.addFrame({.session = 0, .frame = 2});
    tree.addFrame({.session = 0, .frame = 3});
    tree.addFrame({.session = 0, .frame = 999});
    Start();
    if (row.startInFrameMode) {
        GotoFrame(0, 2);
        ASSERT_EQ(View().m_mode, ViewMode::Frame);
    }
    const QString titleBefore = Title();
    paints->TakePaints();
    questions->answers.push_back(row.answer);

    EXPECT_TRUE(Frame().OnCmdMsg(row.command));

    EXPECT_EQ(View().m_mode, row.modeAfter);
    EXPECT_EQ(paints->TakePaints() > 0, row.repaint);
    EXPECT_TRUE(questions->messages.empty());
    if (!row.repaint) {
        EXPECT_EQ(Title(), titleBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModeTableTest,
    testing::Values(
        ModeRow{"InfoNext", false, ID_NEXT_FRAME, std::nullopt, ViewMode::Frame, true},
        ModeRow{"InfoPrev", false, ID_PREV_FRAME, std::nullopt, ViewMode::Frame, true},
        ModeRow{"InfoGoto", false, ID_GOTO_FRAME, QStringLiteral("0.2"), ViewMode::Frame, true},
        ModeRow{"InfoRefresh", false, ID_REFRESH, std::nullopt, ViewMode::Info, true},
        ModeRow{"InfoMaxFramesInRange", false, ID_MAX_FRAMES, QStringLiteral("500"), ViewMode::Info,
                true},
        ModeRow{"InfoStop", false, ID_STOP, std::nullopt, ViewMode::Info, false},
        ModeRow{"FrameNext", true, ID_NEXT_FRAME, std::nullopt, ViewMode::Frame, true},
        ModeRow{"FramePrev", true, ID_PREV_FRAME, std::nullopt, ViewMode::Frame, true},
        ModeRow{"FrameGoto", true, ID_GOTO_FRAME, QStringLiteral("0.999"), ViewMode::Frame, true},
        ModeRow{"FrameStop", true, ID_STOP, std::nullopt, ViewMode::Info, true},
        ModeRow{"FrameRefresh", true, ID_REFRESH, std::nullopt, ViewMode::Frame, true},
        ModeRow{"FrameMaxFramesInRange", true, ID_MAX_FRAMES, QStringLiteral("10"), ViewMode::Frame,
                true},
        ModeRow{"InfoGotoCancelled", false, ID_GOTO_FRAME, std::nullopt, ViewMode::Info, false},
        ModeRow{"FrameGotoCancelled", true, ID_GOTO_FRAME, std::nullopt, ViewMode::Frame, false},
        ModeRow{"InfoMaxFramesCancelled", false, ID_MAX_FRAMES, std::nullopt, ViewMode::Info,
                false},
        ModeRow{"FrameMaxFramesCancelled", true, ID_MAX_FRAMES, std::nullopt, ViewMode::Frame,
                false},
        ModeRow{"InfoMaxFramesOutOfRange", false, ID_MAX_FRAMES, QStringLiteral("9"),
                ViewMode::Info, false},
        ModeRow{"FrameMaxFramesOutOfRange", true, ID_MAX_FRAMES, QStringLiteral("1001"),
                ViewMode::Frame, false}),
    [](const testing::TestParamInfo<ModeRow>& row) { return std::string(row.param.name); });

// ---- Stepping with wrap-around, through real key presses. ----

struct StepRow {
    const char* name;
    int32_t startFrame;  // reached with Goto
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int32_t expectedFrame;
};

void PrintTo(const StepRow& row, std::ostream* out) {
    *out << row.name;
}

class StepKeysTest : public ViewerFixture, public testing::WithParamInterface<StepRow> {};

TEST_P(StepKeysTest, TabAndShiftTabWrapAtMaxFrames) {
    const StepRow& row = GetParam();
    for (const int32_t frame : {row.startFrame, row.expectedFrame}) {
        tree.addFrame({.session = 4, .frame = frame, .caption = "f" + std::to_string(frame)});
    }
    Start(1000);
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    GotoFrame(4, row.startFrame);
    ASSERT_EQ(View().m_nFrame, row.startFrame);

    QTest::keyClick(&View(), row.key, row.modifiers);

    EXPECT_EQ(View().m_nFrame, row.expectedFrame);
    EXPECT_EQ(Title(), QString::asprintf("f%d [4.%03d]", row.expectedFrame, row.expectedFrame));
    EXPECT_EQ(QApplication::focusWidget(), &View());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StepKeysTest,
    testing::Values(StepRow{"NextFrom999", 999, Qt::Key_Tab, Qt::NoModifier, 0},
                    StepRow{"PrevFrom0", 0, Qt::Key_Tab, Qt::ShiftModifier, 999},
                    StepRow{"BacktabFrom0", 0, Qt::Key_Backtab, Qt::ShiftModifier, 999},
                    StepRow{"NextFrom1500", 1500, Qt::Key_Tab, Qt::NoModifier, 501},
                    StepRow{"PrevFrom1500", 1500, Qt::Key_Tab, Qt::ShiftModifier, 499},
                    StepRow{"NextFromMinus5", -5, Qt::Key_Tab, Qt::NoModifier, 996},
                    StepRow{"PrevFromMinus5", -5, Qt::Key_Tab, Qt::ShiftModifier, 994}),
    [](const testing::TestParamInfo<StepRow>& row) { return std::string(row.param.name); });

TEST_F(ViewerFixture, StoredMaxFramesOfZeroStepsWithoutWrapping) {
    tree.addFrame({.session = 0, .frame = 0});
    tree.addFrame({.session = 0, .frame = 1});
    tree.addFrame({.session = 0, .frame = -1});
    Start(0);
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_EQ(View().m_nFrame, 1);
    Frame().OnCmdMsg(ID_PREV_FRAME);
    Frame().OnCmdMsg(ID_PREV_FRAME);
    EXPECT_EQ(View().m_nFrame, -1);
    EXPECT_EQ(View().m_nMaxFrames, 0);
}

// ---- Goto and Max Frames through the dialog seam. ----

TEST_F(ViewerFixture, GotoAsksWithTheCurrentPositionAndParsesTheAnswer) {
    tree.addFrame({.session = 3, .frame = 7});
    tree.addFrame({.session = 5, .frame = 7});
    tree.addFrame({.session = 7, .frame = 7});
    Start();
    GotoFrame(3, 7);
    ASSERT_EQ(questions->asked.size(), 1u);
    EXPECT_EQ(questions->asked[0].title, QStringLiteral("Select [session.frame]"));
    EXPECT_EQ(questions->asked[0].label, QStringLiteral("[session.frame]"));
    EXPECT_EQ(questions->asked[0].value, QStringLiteral("0.0"));

    questions->answers.push_back(QStringLiteral("5"));
    Frame().OnCmdMsg(ID_GOTO_FRAME);
    EXPECT_EQ(questions->asked.back().value, QStringLiteral("3.7"));
    EXPECT_EQ(View().m_nSession, 5);
    EXPECT_EQ(View().m_nFrame, 7);

    questions->answers.push_back(QStringLiteral("7."));
    Frame().OnCmdMsg(ID_GOTO_FRAME);
    EXPECT_EQ(View().m_nSession, 7);
    EXPECT_EQ(View().m_nFrame, 7);
}

TEST_F(ViewerFixture, GotoWithLettersReloadsTheCurrentFrame) {
    tree.addFrame({.session = 0, .frame = 3, .caption = "three"});
    Start();
    GotoFrame(0, 3);
    Frame().setWindowTitle(QStringLiteral("changed"));
    questions->answers.push_back(QStringLiteral("letters"));
    Frame().OnCmdMsg(ID_GOTO_FRAME);
    EXPECT_EQ(Title(), QStringLiteral("three [0.003]"));
}

TEST_F(ViewerFixture, GotoToAnAbsentFrameEntersFrameModeAndNothingElse) {
    tree.addFrame(
        {.session = 0, .frame = 1, .withHtm = false});  // a screenshot alone is not a frame
    Start();
    const QSize client = Client();
    questions->answers.push_back(QStringLiteral("0.1"));
    Frame().OnCmdMsg(ID_GOTO_FRAME);
    EXPECT_EQ(View().m_mode, ViewMode::Frame);
    EXPECT_EQ(View().m_nSession, 0);
    EXPECT_EQ(View().m_nFrame, 0);
    EXPECT_EQ(Title(), QStringLiteral("kelvista"));
    EXPECT_EQ(Client(), client);
    EXPECT_TRUE(questions->messages.empty());
    EXPECT_EQ(paints->TakePaints(), 0);
    // Before any frame, frame mode shows the window background.
    EXPECT_EQ(Screen().pixel(5, 5), View().palette().color(QPalette::Base).rgb());
}

TEST_F(ViewerFixture, NextToAnAbsentFrameKeepsThePosition) {
    tree.addFrame({.session = 0, .frame = 1, .withBmp = false});
    Start();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_EQ(View().m_mode, ViewMode::Frame);
    EXPECT_EQ(View().m_nFrame, 0);
    EXPECT_TRUE(questions->messages.empty());
    EXPECT_EQ(paints->TakePaints(), 0);
}

// With a long root, frame 0.999's base path is 259 bytes and fits; frame 0.1000's would be 260,
// and the composition, leaving the relative name off, would name the root's own ".bmp" and
// ".htm". A stray pair of those must not become frame 1000: a path that does not fit names no
// frame, so the frame is not present.
TEST_F(ViewerFixture, FrameWhosePathDoesNotFitIsNotPresent) {
    const std::string relative = "/replay/session0/frame999";
    const std::string pad(kPathCapacity - 1 - relative.size() - tree.root().size() - 1, 'r');
    const std::string root = tree.root() + "/" + pad;
    ASSERT_EQ(root.size() + relative.size(), kPathCapacity - 1);
    tree.settings().setText(kInstallFolderSetting, root);
    const auto write = [&](const std::string& name, int32_t frame, const std::string& caption) {
        const std::vector<uint8_t> bmp = demo::EncodeBmp(test::FramePicture(16, 8, 0, frame), {});
        tree.writeFile(pad + "/" + name + ".bmp", {bmp.begin(), bmp.end()});
        tree.writeFile(pad + "/" + name + ".htm", caption + "\r\n");
    };
    write("replay/session0/frame999", 999, "last that fits");
    write("replay/session0/frame1000", 1000, "one byte too long");
    write("", 7, "stray");
    Start(2000);

    GotoFrame(0, 999);
    EXPECT_EQ(Title(), QStringLiteral("last that fits [0.999]"));
    paints->TakePaints();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_EQ(View().m_nFrame, 999);
    EXPECT_EQ(Title(), QStringLiteral("last that fits [0.999]"));
    EXPECT_EQ(paints->TakePaints(), 0);
    GotoFrame(0, 1000);
    EXPECT_EQ(View().m_nFrame, 999);
    EXPECT_EQ(Title(), QStringLiteral("last that fits [0.999]"));
    EXPECT_TRUE(questions->messages.empty());
    EXPECT_EQ(paints->TakePaints(), 0);
    EXPECT_EQ(Screen().pixel(0, 0), test::FrameColour(0, 999));
}

struct MaxFramesRow {
    QString answer;
    int32_t expected;  // starting from 500
    bool repaint;
};

void PrintTo(const MaxFramesRow& row, std::ostream* out) {
    *out << row.answer.toStdString();
}

class MaxFramesTest : public ViewerFixture, public testing::WithParamInterface<MaxFramesRow> {};

TEST_P(MaxFramesTest, TakesOnlyValuesFrom10To1000) {
    Start(500);
    questions->answers.push_back(GetParam().answer);
    Frame().OnCmdMsg(ID_MAX_FRAMES);
    ASSERT_EQ(questions->asked.size(), 1u);
    EXPECT_EQ(questions->asked[0].title, QStringLiteral("Select Max Frames"));
    EXPECT_EQ(questions->asked[0].label, QStringLiteral("Max Frames (10-1000)"));
    EXPECT_EQ(questions->asked[0].value, QStringLiteral("500"));
    EXPECT_EQ(View().m_nMaxFrames, GetParam().expected);
    EXPECT_EQ(paints->TakePaints() > 0, GetParam().repaint);
}

INSTANTIATE_TEST_SUITE_P(Values, MaxFramesTest,
                         testing::Values(MaxFramesRow{QStringLiteral("9"), 500, false},
                                         MaxFramesRow{QStringLiteral("1001"), 500, false},
                                         MaxFramesRow{QStringLiteral("10"), 10, true},
                                         MaxFramesRow{QStringLiteral("1000"), 1000, true},
                                         MaxFramesRow{QStringLiteral(" 42xyz"), 42, true},
                                         MaxFramesRow{QStringLiteral("letters"), 500, true},
                                         MaxFramesRow{QStringLiteral("99999999999"), 500, true}));

// ---- Loading: title, size, surface. ----

struct CaptionRow {
    const char* name;
    std::string bytes;
    QString title;  // for session 2, frame 1
};

void PrintTo(const CaptionRow& row, std::ostream* out) {
    *out << row.name;
}

class CaptionTitleTest : public ViewerFixture, public testing::WithParamInterface<CaptionRow> {};

TEST_P(CaptionTitleTest, TitleIsCaptionThenPosition) {
    tree.addFrame({.session = 2, .frame = 1, .caption = GetParam().bytes});
    Start();
    GotoFrame(2, 1);
    EXPECT_EQ(Title(), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, CaptionTitleTest,
    testing::Values(
        CaptionRow{"Plain", "Hand 12", QStringLiteral("Hand 12 [2.001]")},
        CaptionRow{"Empty", "", QStringLiteral(" [2.001]")},
        CaptionRow{"TrailingSpace", "abc \r", QStringLiteral("abc  [2.001]")},
        CaptionRow{"Utf8", "Caf\xc3\xa9 \xe2\x80\x94 \xe6\x97\xa5",
                   QString::fromUtf8("Caf\xc3\xa9 \xe2\x80\x94 \xe6\x97\xa5 [2.001]")},
        // Qt reads "[*]" in a title as the modified mark; a caption shows as written.
        CaptionRow{"ModifiedMark", "Score [*] bonus", QStringLiteral("Score [*] bonus [2.001]")},
        CaptionRow{"DoubledModifiedMark", "[*][*]x[*]", QStringLiteral("[*][*]x[*] [2.001]")},
        CaptionRow{"Windows1252", "Caf\xe9 \x80",
                   QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac [2.001]")}),
    [](const testing::TestParamInfo<CaptionRow>& row) { return std::string(row.param.name); });

TEST_F(ViewerFixture, FrameSizesTheClientAndKeepsTheWindowWhereItStands) {
    tree.addFrame({.session = 0, .frame = 1, .width = 640, .height = 480, .caption = "big"});
    tree.addFrame(
        {.session = 0, .frame = 2, .width = 320, .height = 200, .depth = BmpDepth::Rgb32});
    Start();
    Frame().move(50, 60);
    const QPoint position = Frame().pos();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_EQ(Client(), QSize(640, 480));
    EXPECT_EQ(Frame().pos(), position);
    EXPECT_EQ(Title(), QStringLiteral("big [0.001]"));
    EXPECT_EQ(View().m_dib.width, 640);
    EXPECT_EQ(View().m_dib.height, 480);
    EXPECT_EQ(Screen().pixel(639, 479), test::FrameColour(0, 1));

    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_EQ(Client(), QSize(320, 200));
    EXPECT_EQ(Frame().pos(), position);
    EXPECT_EQ(Screen().pixel(0, 0), test::FrameColour(0, 2));
}

TEST_F(ViewerFixture, AreaOutsideTheFrameShowsTheBackground) {
    tree.addFrame({.session = 0, .frame = 1, .width = 20, .height = 10});
    Start();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    Frame().resize(100, 80);
    const QImage screen = Screen();
    const QRgb background = View().palette().color(QPalette::Base).rgb();
    EXPECT_EQ(screen.pixel(19, 9), test::FrameColour(0, 1));
    EXPECT_EQ(screen.pixel(20, 5), background);
    EXPECT_EQ(screen.pixel(5, 10), background);
    EXPECT_EQ(screen.pixel(99, 79), background);
}

// The view paints as a plain window does: black text on the white of an edit field (Base, Text),
// not on the grey of dialogs (Window), which is what Fusion gives QPalette::Window.
TEST_F(ViewerFixture, InfoScreenAndAreaOutsideTheFrameAreBlackOnWhite) {
    tree.addFrame({.session = 0, .frame = 1, .width = 20, .height = 10});
    Start();
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    ASSERT_NE(fusion, nullptr);
    QPalette palette = fusion->standardPalette();
    ASSERT_NE(palette.color(QPalette::Window).rgb(), kWhite);
    palette.setColor(QPalette::WindowText, Qt::red);
    View().setPalette(palette);

    const QImage info = Screen();
    int black = 0;
    for (int y = 0; y < info.height(); ++y) {
        for (int x = 0; x < info.width(); ++x) {
            const QRgb pixel = info.pixel(x, y);
            ASSERT_EQ(qRed(pixel), qGreen(pixel))
                << x << "," << y << " is not black, white or grey";
            black += pixel == qRgb(0, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_EQ(info.pixel(info.width() - 1, info.height() - 1), kWhite);
    EXPECT_GT(black, 0);

    Frame().OnCmdMsg(ID_NEXT_FRAME);
    Frame().resize(100, 80);
    const QImage frame = Screen();
    EXPECT_EQ(frame.pixel(19, 9), test::FrameColour(0, 1));
    EXPECT_EQ(frame.pixel(50, 40), kWhite);
}

// A frame is opaque on any target, also on one with an alpha channel.
TEST_F(ViewerFixture, FramesAreOpaqueWhenRenderedOntoATargetWithAlpha) {
    tree.addFrame({.session = 0, .frame = 1, .width = 24, .height = 8, .depth = BmpDepth::Rgb24});
    tree.addFrame({.session = 0, .frame = 2, .width = 24, .height = 8, .depth = BmpDepth::Rgb32});
    Start();
    for (const int32_t frame : {1, 2}) {
        GotoFrame(0, frame);
        ASSERT_EQ(Client(), QSize(24, 8));
        QImage target(Client(), QImage::Format_ARGB32_Premultiplied);
        target.fill(Qt::transparent);
        View().render(&target);
        for (const QPoint& at : {QPoint(0, 0), QPoint(23, 7), QPoint(17, 3)}) {
            EXPECT_EQ(target.pixel(at), test::FrameColour(0, frame))
                << "frame " << frame << " at " << at.x() << "," << at.y();
        }
    }
}

TEST_F(ViewerFixture, StopWhitensTheHeldFrameAndReturnsTo400By300) {
    tree.addFrame({.session = 0, .frame = 1, .width = 64, .height = 32, .caption = "one"});
    Start();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    ASSERT_EQ(Client(), QSize(64, 32));
    const DibSection dib = View().m_dib;
    paints->TakePaints();

    Frame().OnCmdMsg(ID_STOP);

    EXPECT_EQ(View().m_mode, ViewMode::Info);
    EXPECT_EQ(Title(), QStringLiteral("kelvista"));
    EXPECT_EQ(Client(), QSize(400, 300));
    EXPECT_GT(paints->TakePaints(), 0);
    const std::vector<uint8_t> white(static_cast<size_t>(64 * 32 * 4), 0xFF);
    EXPECT_EQ(std::memcmp(dib.bits, white.data(), white.size()), 0);

    // Frame mode without a new frame shows the whitened surface.
    questions->answers.push_back(QStringLiteral("9.9"));
    Frame().OnCmdMsg(ID_GOTO_FRAME);
    EXPECT_EQ(Screen().pixel(63, 31), kWhite);
}

TEST_F(ViewerFixture, StopInInfoModeDoesNothing) {
    Start();
    Frame().resize(300, 200);
    Frame().setWindowTitle(QStringLiteral("untouched"));
    paints->TakePaints();
    Frame().OnCmdMsg(ID_STOP);
    EXPECT_EQ(Client(), QSize(300, 200));
    EXPECT_EQ(Title(), QStringLiteral("untouched"));
    EXPECT_EQ(paints->TakePaints(), 0);
}

// ---- Memory while stepping. ----

TEST_F(ViewerFixture, SpareBlockOfTheLastFrameIsReusedWhileSteppingAndGivenBackAtRest) {
    for (int32_t frame = 1; frame <= 3; ++frame) {
        tree.addFrame({.session = 0, .frame = frame, .width = 64, .height = 48});
    }
    Start();
    ReleaseSparePixelBlock();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    const uint8_t* first = View().m_dib.bits;
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    // The first frame's block is now the spare, and the third frame is loaded into it.
    EXPECT_EQ(SparePixelBlockBytes(), size_t{64} * 48 * 4);
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_EQ(View().m_dib.bits, first);
    EXPECT_EQ(View().m_nFrame, 3);

    // Once stepping pauses, only the frame shown keeps its pixels.
    EXPECT_TRUE(QTest::qWaitFor([] { return SparePixelBlockBytes() == 0; },
                                ReplayView::kSpareBlockKeepMs * 5));
    EXPECT_EQ(Screen().pixel(0, 0), test::FrameColour(0, 3));
}

// ---- Frames that cannot be loaded. ----

TEST_F(ViewerFixture, UnreadableBitmapReportsAndKeepsThePreviousPicture) {
    tree.addFrame({.session = 0, .frame = 1, .width = 30, .height = 20, .caption = "good"});
    tree.addFrame({.session = 0,
                   .frame = 2,
                   .width = 50,
                   .height = 40,
                   .depth = BmpDepth::Palette8,
                   .caption = "eight bit"});
    Start();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    paints->TakePaints();

    Frame().OnCmdMsg(ID_NEXT_FRAME);

    ASSERT_EQ(questions->messages.size(), 1u);
    EXPECT_EQ(questions->messages[0].caption, QStringLiteral("MISSING FRAME (BMP)"));
    EXPECT_EQ(questions->messages[0].text, QString::fromStdString(tree.basePath(0, 2)));
    EXPECT_EQ(View().m_nFrame, 2);
    EXPECT_EQ(Title(), QStringLiteral("eight bit [0.002]"));
    EXPECT_TRUE(DibIsZero(View().m_dib));
    EXPECT_EQ(View().m_hBitmap, nullptr);
    EXPECT_EQ(Client(), QSize(30, 20));
    EXPECT_EQ(paints->TakePaints(), 0);
    EXPECT_EQ(Screen().pixel(29, 19), test::FrameColour(0, 1));

    // With m_dib zero, a Stop whitens nothing.
    Frame().OnCmdMsg(ID_STOP);
    EXPECT_EQ(View().m_surface.image().pixel(0, 0), test::FrameColour(0, 1));
    EXPECT_EQ(Client(), QSize(400, 300));
}

TEST_F(ViewerFixture, UnreadableBitmapShowsARealMessageBoxOwnedByTheView) {
    tree.addFrame({.session = 0, .frame = 1, .depth = BmpDepth::Palette8});
    Start(std::nullopt, true);
    bool shown = false;
    test::WhenModalShows([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown = true;
        EXPECT_EQ(box->parentWidget(), &View());
        EXPECT_EQ(box->windowTitle(), QStringLiteral("MISSING FRAME (BMP)"));
        EXPECT_EQ(box->text(), QString::fromStdString(tree.basePath(0, 1)));
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
        QTest::keyClick(box, Qt::Key_Return);
    });
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    EXPECT_TRUE(shown);
    // The keys act only in the active window, so the main window is active again.
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Frame(), 1000));
}

TEST_F(ViewerFixture, UnopenableCaptionReportsAndKeepsTitleAndPicture) {
    tree.addFrame({.session = 0, .frame = 1, .width = 30, .height = 20, .caption = "good"});
    tree.addFrame({.session = 0, .frame = 2, .withHtm = false});
    Start();
    Frame().OnCmdMsg(ID_NEXT_FRAME);
    const DibSection before = View().m_dib;
    paints->TakePaints();

    // As the handlers do: the position is committed, then the load fails at the caption file.
    View().m_nFrame = 2;
    EXPECT_EQ(View().LoadReplayFrame(tree.basePath(0, 2)), -1);

    ASSERT_EQ(questions->messages.size(), 1u);
    EXPECT_EQ(questions->messages[0].caption, QStringLiteral("MISSING FRAME (HTM)"));
    EXPECT_EQ(questions->messages[0].text, QString::fromStdString(tree.basePath(0, 2)));
    EXPECT_EQ(Title(), QStringLiteral("good [0.001]"));
    EXPECT_EQ(View().m_dib.bits, before.bits);
    EXPECT_EQ(View().m_dib.width, 30);
    EXPECT_EQ(paints->TakePaints(), 0);
    EXPECT_EQ(Screen().pixel(0, 0), test::FrameColour(0, 1));
}

}  // namespace
}  // namespace kelvista
