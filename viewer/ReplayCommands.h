#pragma once

#include <array>

#include <QKeyCombination>

namespace kelvista {

class ReplayView;

// Command ids of the viewer's keys.
inline constexpr int ID_NEXT_FRAME = 32771;
inline constexpr int ID_PREV_FRAME = 32772;
inline constexpr int ID_GOTO_FRAME = 32773;
inline constexpr int ID_REFRESH = 32775;
inline constexpr int ID_STOP = 32776;
inline constexpr int ID_MAX_FRAMES = 32778;

struct ReplayCommand {
    int id;
    QKeyCombination key;
    void (ReplayView::*handler)();
};

// The viewer's only keys, each bound window-wide to its command. Qt reports SHIFT+TAB as Backtab;
// its shortcut map matches that against Shift+Tab, which is why the table can name Shift+Tab.
extern const std::array<ReplayCommand, 6> kReplayCommands;

// The command with this id, or nullptr.
const ReplayCommand* FindCommand(int id);

}  // namespace kelvista
