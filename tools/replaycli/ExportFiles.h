#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QString>

namespace kelvista::replaycli {

// "session3-frame007.png": the frame's own name, unique across sessions.
QString ExportFileName(int32_t session, int32_t frame);

inline constexpr char kCaptionsFileName[] = "captions.tsv";

// One row of captions.tsv.
struct CaptionRow {
    int32_t session = 0;
    int32_t frame = 0;
    QString file;
    std::string caption;  // one line of UTF-8
};

// The table: a header line, then "position<TAB>file<TAB>caption" per row, UTF-8, LF line ends.
std::string CaptionsTable(const std::vector<CaptionRow>& rows);

// The names of `files` that already exist in `folder`.
QStringList ExistingFiles(const QString& folder, const QStringList& files);

// Moves every file of `files` from `fromFolder` to `toFolder`, replacing what is there (each
// move is a rename within one file system, so a reader sees the old file or the new one, never
// a part). False and `error` on the first failure.
bool MoveFiles(const QString& fromFolder, const QString& toFolder, const QStringList& files,
               std::string& error);

}  // namespace kelvista::replaycli
