#pragma once

// The files of an export beside the pictures: each frame's PNG name, and captions.tsv.

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

}  // namespace kelvista::replaycli
