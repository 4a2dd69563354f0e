#include "ReplayViewLogic.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "FrameNumbers.h"
#include "ReplayFrame.h"
#include "ReplayLayout.h"
#include "ValueScanner.h"
#include "ViewTexts.h"

namespace kelvista {

namespace {

struct Command {
    int id;
    void (ReplayViewLogic::*handler)();
};

constexpr std::array<Command, 6> kCommands = {{
    {ID_NEXT_FRAME, &ReplayViewLogic::OnNextFrame},
    {ID_PREV_FRAME, &ReplayViewLogic::OnPrevFrame},
    {ID_GOTO_FRAME, &ReplayViewLogic::OnGotoFrame},
    {ID_REFRESH, &ReplayViewLogic::OnRefresh},
    {ID_STOP, &ReplayViewLogic::OnStop},
    {ID_MAX_FRAMES, &ReplayViewLogic::OnMaxFrames},
}};

std::string Printed(const char* format, int32_t first, int32_t second = 0) {
    char buffer[kShortTextCapacity] = {};
    const int written = std::snprintf(buffer, sizeof buffer, format, first, second);
    return written < 0 ? std::string() : std::string(buffer);
}

}  // namespace

ReplayViewLogic::ReplayViewLogic(ViewShell& shell) : m_shell(shell) {
    m_nMaxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
}

bool ReplayViewLogic::OnCmdMsg(int id) {
    for (const Command& command : kCommands) {
        if (command.id == id) {
            (this->*command.handler)();
            return true;
        }
    }
    return false;
}

void ReplayViewLogic::OnNextFrame() {
    ShowFrame(m_nSession, NextFrameNumber(m_nFrame, m_nMaxFrames));
}

void ReplayViewLogic::OnPrevFrame() {
    ShowFrame(m_nSession, PrevFrameNumber(m_nFrame, m_nMaxFrames));
}

void ReplayViewLogic::OnGotoFrame() {
    int32_t session = m_nSession;
    int32_t frame = m_nFrame;
    if (AskSessionFrame(session, frame) != 0) {
        ShowFrame(session, frame);
    }
}

void ReplayViewLogic::ShowFrame(int32_t session, int32_t frame) {
    // Frame mode is set before the presence test: a step to an absent frame still leaves it.
    m_mode = ViewMode::Frame;
    // A frame whose path does not fit has no path at all: it is not present.
    if (const std::optional<std::string> basePath = FindFrame(session, frame)) {
        m_nSession = session;
        m_nFrame = frame;
        LoadReplayFrame(*basePath);
    }
}

int ReplayViewLogic::AskSessionFrame(int32_t& session, int32_t& frame) {
    std::string value = Printed("%d.%d", session, frame);
    if (!m_shell.AskValue("Select [session.frame]", "[session.frame]", value)) {
        return 0;
    }
    ScanSessionFrame(value, session, frame);
    return 1;
}

void ReplayViewLogic::OnRefresh() {
    m_shell.Invalidate(false);
}

void ReplayViewLogic::OnStop() {
    if (m_mode != ViewMode::Frame) {
        return;
    }
    m_mode = ViewMode::Info;
    m_shell.SetMainWindowText("kelvista");
    // Whitens the held frame through m_dib, which is zero (and whitens nothing) after a failed
    // bitmap load.
    if (m_dib.bits != nullptr && m_dib.width > 0 && m_dib.height > 0) {
        const size_t bytes =
            static_cast<size_t>(m_dib.width) * static_cast<size_t>(m_dib.height) * 4;
        std::memset(m_dib.bits, 0xFF, bytes);
    }
    ResizeClientTo(kStopClientWidth, kStopClientHeight);
    m_shell.Invalidate(true);
}

void ReplayViewLogic::OnMaxFrames() {
    std::string value = Printed("%d", m_nMaxFrames);
    if (!m_shell.AskValue("Select Max Frames", "Max Frames (10-1000)", value)) {
        return;
    }
    int32_t maxFrames = m_nMaxFrames;
    ScanInt(value, maxFrames);
    if (maxFrames >= 10 && maxFrames <= 1000) {
        m_nMaxFrames = maxFrames;
        m_shell.Invalidate(true);
    }
}

int ReplayViewLogic::LoadReplayFrame(const std::string& basePath) {
    const FrameContent content = ReadFrame(basePath, m_hBitmap, m_dib);
    if (content.outcome == FrameContent::Outcome::CaptionUnreadable) {
        m_shell.ShowMessage("MISSING FRAME (HTM)", basePath);
        return -1;
    }
    m_shell.SetMainWindowText(TitleText(content.caption, m_nSession, m_nFrame));
    if (content.outcome == FrameContent::Outcome::ScreenshotRefused) {
        m_shell.ShowMessage("MISSING FRAME (BMP)", basePath);
        return -1;
    }
    m_dib = m_shell.SelectFrame(std::move(m_hBitmap));
    const ClientSize client = m_shell.NaturalClientSize(m_dib.width, m_dib.height);
    ResizeClientTo(client.width, client.height);
    m_shell.Invalidate(false);
    return 0;
}

int ReplayViewLogic::ResizeClientTo(int width, int height) {
    const ClientSize client = m_shell.ViewClientSize();
    m_shell.ResizeMainWindowBy(width - client.width, height - client.height);
    return 0;
}

std::string ReplayViewLogic::InfoScreenText() const {
    char stamp[kShortTextCapacity];
    BuildStamp(stamp, sizeof stamp);
    return InfoText(stamp, m_nSession, m_nFrame, m_nMaxFrames);
}

}  // namespace kelvista
