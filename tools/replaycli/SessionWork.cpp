#include "SessionWork.h"

#include <QString>

#include "CaptionFile.h"
#include "DecimalNumber.h"
#include "SettingsStore.h"

namespace kelvista::replaycli {

std::vector<FrameItem> FrameItems(const std::vector<SessionScan>& sessions) {
    std::vector<FrameItem> items;
    for (size_t i = 0; i < sessions.size(); ++i) {
        for (const FrameEntry& entry : sessions[i].frames) {
            items.push_back({i, sessions[i].session, &entry});
        }
    }
    return items;
}

std::optional<SessionScan> ScanNamedSession(const QString& text, const Command& command,
                                            CommandStreams io, int& exitCode) {
    int32_t session = 0;
    if (!ParseDecimalInt32(text.toStdString(), session)) {
        exitCode = Complain(io, command, "'" + text.toStdString() + "' is not a session number",
                            kExitUsage);
        return std::nullopt;
    }
    if (!ScanTreeOrComplain(command, io, exitCode)) {
        return std::nullopt;
    }
    if (!SessionExists(session)) {
        exitCode = Complain(
            io, command,
            "no session " + std::to_string(session) + " (no folder " + SessionFolder(session) + ")",
            kExitFailure);
        return std::nullopt;
    }
    SessionScan scan = ScanSession(session);
    if (!scan.readable) {
        exitCode =
            Complain(io, command, "cannot read " + scan.folder + ": " + scan.error, kExitFailure);
        return std::nullopt;
    }
    return scan;
}

std::optional<ReplayTree> ScanTreeOrComplain(const Command& command, CommandStreams io,
                                             int& exitCode) {
    std::string error;
    std::optional<ReplayTree> tree = ScanReplayTree(error);
    if (!tree) {
        exitCode = Complain(io, command, error, kExitFailure);
    }
    return tree;
}

int32_t StoredMaxFrames() {
    return ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
}

std::string OneLineCaption(const std::string& bytes) {
    QString text = CaptionText(bytes);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char(' ');
        }
    }
    return text.toStdString();
}

}  // namespace kelvista::replaycli
