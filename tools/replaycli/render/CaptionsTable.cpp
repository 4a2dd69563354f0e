#include "render/CaptionsTable.h"

#include <cstdio>

#include "ReplayLayout.h"

namespace kelvista::replaycli {

QString ExportFileName(int32_t session, int32_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "session%d-frame%03d.png", session, frame);
    return QString::fromLatin1(name);
}

std::string CaptionsTable(const std::vector<CaptionRow>& rows) {
    std::string table = "position\tfile\tcaption\n";
    for (const CaptionRow& row : rows) {
        table += PositionText(row.session, row.frame) + "\t" + row.file.toStdString() + "\t" +
                 row.caption + "\n";
    }
    return table;
}

}  // namespace kelvista::replaycli
