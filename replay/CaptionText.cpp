#include <QString>

#include "CaptionFile.h"
#include "TextEncoding.h"

namespace kelvista {

QString CaptionText(const std::string& bytes) {
    if (IsValidUtf8(bytes)) {
        std::string_view text = bytes;
        // An editor's byte order mark is not part of the caption.
        if (text.substr(0, 3) == "\xEF\xBB\xBF") {
            text.remove_prefix(3);
        }
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        text.append(QChar(Windows1252ToUnicode(static_cast<uint8_t>(byte))));
    }
    return text;
}

}  // namespace kelvista
