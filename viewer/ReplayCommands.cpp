#include "ReplayCommands.h"

#include "ReplayView.h"

namespace kelvista {

const std::array<ReplayCommand, 6> kReplayCommands = {{
    {ID_NEXT_FRAME, QKeyCombination(Qt::NoModifier, Qt::Key_Tab), &ReplayView::OnNextFrame},
    {ID_PREV_FRAME, QKeyCombination(Qt::ShiftModifier, Qt::Key_Tab), &ReplayView::OnPrevFrame},
    {ID_GOTO_FRAME, QKeyCombination(Qt::NoModifier, Qt::Key_F2), &ReplayView::OnGotoFrame},
    {ID_REFRESH, QKeyCombination(Qt::NoModifier, Qt::Key_F5), &ReplayView::OnRefresh},
    {ID_STOP, QKeyCombination(Qt::NoModifier, Qt::Key_Escape), &ReplayView::OnStop},
    {ID_MAX_FRAMES, QKeyCombination(Qt::NoModifier, Qt::Key_F10), &ReplayView::OnMaxFrames},
}};

const ReplayCommand* FindCommand(int id) {
    for (const ReplayCommand& command : kReplayCommands) {
        if (command.id == id) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace kelvista
