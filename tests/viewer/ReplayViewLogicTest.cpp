// The view logic as each shell sees it: which operations it asks for, in which order, with which
// texts. Built on Linux and, with MinGW, run under Wine.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MemorySettingsSource.h"
#include "ReplayLayout.h"
#include "ReplayViewLogic.h"

namespace kelvista {
namespace {

namespace fs = std::filesystem;

// Records what the logic asks of its window and answers its questions from a script.
class RecordingShell : public ViewShell {
public:
    std::vector<std::string> calls;
    std::deque<std::optional<std::string>> answers;  // nullopt: not confirmed
    ClientSize client{392, 273};

    void SetMainWindowText(const std::string& text) override { calls.push_back("title " + text); }
    ClientSize ViewClientSize() override { return client; }
    void ResizeMainWindowBy(int dx, int dy) override {
        client = {client.width + dx, client.height + dy};
        calls.push_back("client " + std::to_string(client.width) + "x" +
                        std::to_string(client.height));
    }
    void ShowMessage(const char* caption, const std::string& text) override {
        calls.push_back(std::string("message ") + caption + " " + text);
    }
    bool AskValue(const char* title, const char* label, std::string& value) override {
        calls.push_back(std::string("ask ") + title + "|" + label + "|" + value);
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        if (answer) {
            value = *answer;
        }
        return answer.has_value();
    }
    void Invalidate(bool erase) override { calls.push_back(erase ? "erase" : "invalidate"); }
    DibSection SelectFrame(BitmapHandle bitmap) override {
        DibSection dib;
        GetDibSection(bitmap.get(), dib);
        held = std::move(bitmap);
        calls.push_back("select " + std::to_string(dib.width) + "x" + std::to_string(dib.height));
        return dib;
    }
    BitmapHandle held;
};

// A 24-bit BMP of one colour.
std::string Bmp(int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string pixels(static_cast<size_t>(stride) * height, '\x40');
    auto le = [](uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return s;
    };
    return "BM" + le(54 + static_cast<uint32_t>(pixels.size()), 4) + le(0, 4) + le(54, 4) +
           le(40, 4) + le(static_cast<uint32_t>(width), 4) + le(static_cast<uint32_t>(height), 4) +
           le(1, 2) + le(24, 2) + le(0, 4) + le(static_cast<uint32_t>(pixels.size()), 4) +
           std::string(16, '\0') + pixels;
}

class ReplayViewLogicTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_root);
        m_settings->setText(kInstallFolderSetting, m_root.string());
        m_settings->setDword(kMaxFramesSetting, 3);
        Write(0, 1, Bmp(64, 48), "Hand 1\r\nmore");
        Write(0, 2, Bmp(5, 3), "");
        Write(0, 5, "not a bitmap", "Broken");
        Write(7, 0, Bmp(2, 2), std::string());  // no caption file: not present
        fs::remove(FramePath(7, 0) + ".htm");
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::string FramePath(int32_t session, int32_t frame) const {
        return FrameBasePath(session, frame).value_or("");
    }
    void Write(int32_t session, int32_t frame, const std::string& bmp, const std::string& htm) {
        const std::string base = FramePath(session, frame);
        fs::create_directories(fs::path(base).parent_path());
        std::ofstream(base + ".bmp", std::ios::binary) << bmp;
        std::ofstream(base + ".htm", std::ios::binary) << htm;
    }
    std::vector<std::string> Run(std::vector<int> commands) {
        shell.calls.clear();
        for (const int id : commands) {
            EXPECT_TRUE(view.OnCmdMsg(id));
        }
        return shell.calls;
    }

    // One folder per test and run: suites run in parallel processes.
    fs::path m_root =
        fs::temp_directory_path() /
        ("kelvista-logic-" +
         std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::shared_ptr<MemorySettingsSource> m_settings = std::make_shared<MemorySettingsSource>();
    ScopedUserSettings m_scope{m_settings};
    RecordingShell shell;
    std::optional<ReplayViewLogic> holder;
    ReplayViewLogic& view = holder.emplace(shell);
};

using Calls = std::vector<std::string>;

TEST_F(ReplayViewLogicTest, EachCommandAsksItsShellForExactlyThis) {
    EXPECT_EQ(view.m_nMaxFrames, 1000) << "read when the view was made, before SetUp";
    view.m_nMaxFrames = 3;
    EXPECT_EQ(Run({ID_STOP}), Calls{}) << "Stop on the info screen does nothing";
    EXPECT_EQ(Run({ID_NEXT_FRAME}),
              (Calls{"title Hand 1 [0.001]", "select 64x48", "client 64x48", "invalidate"}));
    EXPECT_EQ(Run({ID_NEXT_FRAME}),
              (Calls{"title  [0.002]", "select 5x3", "client 5x3", "invalidate"}));
    EXPECT_EQ(Run({ID_NEXT_FRAME}), Calls{}) << "frame 0 is absent: nothing at all";
    EXPECT_EQ(view.m_nFrame, 2);
    EXPECT_EQ(Run({ID_REFRESH}), Calls{"invalidate"});
    std::vector<uint8_t> before(view.m_dib.bits, view.m_dib.bits + 5 * 3 * 4);
    EXPECT_EQ(Run({ID_STOP}), (Calls{"title kelvista", "client 400x300", "erase"}));
    EXPECT_EQ(std::vector<uint8_t>(view.m_dib.bits, view.m_dib.bits + 5 * 3 * 4),
              std::vector<uint8_t>(5 * 3 * 4, 0xFF))
        << "Stop whitens the held frame through m_dib";
    EXPECT_EQ(view.m_mode, ViewMode::Info);
    EXPECT_EQ(Run({ID_PREV_FRAME}),
              (Calls{"title Hand 1 [0.001]", "select 64x48", "client 64x48", "invalidate"}));
}

TEST_F(ReplayViewLogicTest, TheDialogsAndTheMessages) {
    struct Case {
        int command;
        std::optional<std::string> answer;
        Calls calls;
        int32_t session, frame, maxFrames;
    };
    const std::string bad = FramePath(0, 5);
    const Case cases[] = {
        {ID_GOTO_FRAME,
         std::nullopt,
         {"ask Select [session.frame]|[session.frame]|0.0"},
         0,
         0,
         1000},
        {ID_GOTO_FRAME,
         "0.005",
         {"ask Select [session.frame]|[session.frame]|0.0", "title Broken [0.005]",
          "message MISSING FRAME (BMP) " + bad},
         0,
         5,
         1000},
        {ID_GOTO_FRAME, "7.0", {"ask Select [session.frame]|[session.frame]|0.5"}, 0, 5, 1000},
        {ID_MAX_FRAMES, "9", {"ask Select Max Frames|Max Frames (10-1000)|1000"}, 0, 5, 1000},
        {ID_MAX_FRAMES,
         "10",
         {"ask Select Max Frames|Max Frames (10-1000)|1000", "erase"},
         0,
         5,
         10},
        {ID_MAX_FRAMES, std::nullopt, {"ask Select Max Frames|Max Frames (10-1000)|10"}, 0, 5, 10},
    };
    for (const Case& c : cases) {
        shell.answers = {c.answer};
        EXPECT_EQ(Run({c.command}), c.calls) << c.answer.value_or("(cancelled)");
        EXPECT_EQ(view.m_nSession, c.session);
        EXPECT_EQ(view.m_nFrame, c.frame);
        EXPECT_EQ(view.m_nMaxFrames, c.maxFrames);
    }
    EXPECT_EQ(view.m_dib.bits, nullptr) << "a refused screenshot leaves m_dib zero";
    EXPECT_FALSE(view.OnCmdMsg(57664)) << "the About command is not the view's";
}

TEST_F(ReplayViewLogicTest, AnUnreadableCaptionFileIsReportedWithTheBasePath) {
    // A folder where the caption file should be: present to no one, opened by no one.
    const std::string base = FramePath(0, 1);
    fs::remove(base + ".htm");
    fs::create_directory(base + ".htm");
    EXPECT_EQ(view.LoadReplayFrame(base), -1);
    EXPECT_EQ(shell.calls, Calls{"message MISSING FRAME (HTM) " + base});
    EXPECT_EQ(Run({ID_NEXT_FRAME}), Calls{}) << "and the frame is not present";
}

}  // namespace
}  // namespace kelvista
