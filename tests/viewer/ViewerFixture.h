#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <QTest>
#include <QWindow>

#include "MainFrame.h"
#include "ReplayApp.h"
#include "ReplayTree.h"
#include "ReplayView.h"
#include "SettingsStore.h"
#include "ViewerHelpers.h"

namespace kelvista::test {

// A running viewer (application, main window, view) over a test tree, with scripted questions.
class ViewerFixture : public testing::Test {
protected:
    void TearDown() override { app.reset(); }

    // Starts the viewer; the view reads "replay_maxframes" now, so set it before. With
    // `realDialogs` the view keeps its own dialogs and message boxes.
    void Start(std::optional<int32_t> maxFrames = std::nullopt, bool realDialogs = false) {
        if (maxFrames) {
            tree.settings().setDword(kMaxFramesSetting, *maxFrames);
        }
        app = std::make_unique<ReplayApp>();
        ASSERT_TRUE(app->InitInstance());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app->MainFrame()));
        if (!realDialogs) {
            auto scripted = std::make_unique<ScriptedQuestions>();
            questions = scripted.get();
            View().SetQuestions(std::move(scripted));
        }
        paints = new PaintCounter(&View());
        paints->TakePaints();
    }

    CMainFrame& Frame() { return *app->MainFrame(); }
    ReplayView& View() { return app->MainFrame()->View(); }
    // The title as the window system receives it.
    QString Title() { return Frame().windowHandle()->title(); }
    QSize Client() { return View().size(); }
    // What the view shows, painted afresh.
    QImage Screen() { return View().grab().toImage(); }

    // Goes to a frame through the Goto command with a scripted answer.
    void GotoFrame(int32_t session, int32_t frame) {
        questions->answers.push_back(QStringLiteral("%1.%2").arg(session).arg(frame));
        Frame().OnCmdMsg(ID_GOTO_FRAME);
    }

    // InstallFolder is the tree; replay_maxframes stays unset until Start is given one.
    ReplayTree tree{std::nullopt};
    std::unique_ptr<ReplayApp> app;
    ScriptedQuestions* questions = nullptr;
    PaintCounter* paints = nullptr;
};

}  // namespace kelvista::test
