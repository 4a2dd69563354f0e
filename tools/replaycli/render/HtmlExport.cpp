#include "render/HtmlExport.h"

#include <cstdio>

#include <QFile>

#include "CaptionFile.h"
#include "NewFile.h"

namespace kelvista::replaycli {

namespace {

const char kResourceFolder[] = ":/replay-page/";
const QByteArray kDataMarker = QByteArrayLiteral("@REPLAY_DATA@");

void AppendUnicodeEscape(std::string& out, char16_t unit) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
    out += escape;
}

const char* MissingName(PageFrame::Missing missing) {
    return missing == PageFrame::Missing::Screenshot ? "BMP" : "HTM";
}

bool WriteFile(int folderFd, const char* name, const QByteArray& bytes, std::string& error) {
    std::string reason;
    if (!fileio::WriteNewFile(
            folderFd, name, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
            reason)) {
        error = std::string("cannot write ") + name + ": " + reason;
        return false;
    }
    return true;
}

}  // namespace

std::optional<PageFrame> PageFrameOf(const FrameReport& report, const QString& file) {
    if (!report.present()) {
        return std::nullopt;
    }
    PageFrame page;
    page.frame = report.frame;
    if (!report.captionRead) {
        page.missing = PageFrame::Missing::Caption;
        return page;
    }
    page.caption = CaptionText(report.caption);
    if (report.viewable()) {
        page.file = file;
    } else {
        page.missing = PageFrame::Missing::Screenshot;
    }
    return page;
}

std::string JsonString(const QString& text) {
    std::string out = "\"";
    out.reserve(static_cast<size_t>(text.size()) + 2);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'"' || unit == u'\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit < 0x20 || unit >= 0x7f || unit == u'<' || unit == u'>' || unit == u'&') {
            AppendUnicodeEscape(out, unit);
        } else {
            out += static_cast<char>(unit);
        }
    }
    out += '"';
    return out;
}

namespace {

std::string ChangesJson(const PageChanges& changes) {
    std::string out = "{\"from\":" + std::to_string(changes.from) + ",\"regions\":[";
    for (size_t i = 0; i < changes.regions.size(); ++i) {
        const DiffRegion& r = changes.regions[i];
        out += (i > 0 ? ",[" : "[") + std::to_string(r.x) + "," + std::to_string(r.y) + "," +
               std::to_string(r.width) + "," + std::to_string(r.height) + "]";
    }
    return out + (changes.sizesDiffer ? "],\"sizes\":true}" : "]}");
}

}  // namespace

std::string PageDataJson(const PageData& data) {
    std::string out = "{\"session\":" + std::to_string(data.session) +
                      ",\"maxFrames\":" + std::to_string(data.maxFrames) +
                      ",\"stamp\":" + JsonString(data.stamp) + ",\"frames\":[";
    bool first = true;
    for (const PageFrame& frame : data.frames) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"frame\":" + std::to_string(frame.frame);
        if (frame.missing != PageFrame::Missing::Caption) {
            out += ",\"caption\":" + JsonString(frame.caption);
        }
        if (frame.missing == PageFrame::Missing::None) {
            out += ",\"file\":" + JsonString(frame.file);
        } else {
            out += std::string(",\"missing\":\"") + MissingName(frame.missing) + "\"";
        }
        if (frame.changes) {
            out += ",\"changes\":" + ChangesJson(*frame.changes);
        }
        out += "}";
    }
    out += "]}";
    return out;
}

QByteArray PageResource(const char* name) {
    QFile file(QString::fromLatin1(kResourceFolder) + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray PageHtml(const PageData& data) {
    QByteArray page = PageResource(kPageFileName);
    const qsizetype at = page.indexOf(kDataMarker);
    if (at < 0) {
        return {};
    }
    return page.replace(at, kDataMarker.size(), QByteArray::fromStdString(PageDataJson(data)));
}

bool WritePageFiles(int folderFd, const PageData& data, std::string& error) {
    const QByteArray page = PageHtml(data);
    const QByteArray script = PageResource(kPageScriptName);
    const QByteArray style = PageResource(kPageStyleName);
    if (page.isEmpty() || script.isEmpty() || style.isEmpty()) {
        error = "the replay page is missing from this build";
        return false;
    }
    return WriteFile(folderFd, kPageFileName, page, error) &&
           WriteFile(folderFd, kPageScriptName, script, error) &&
           WriteFile(folderFd, kPageStyleName, style, error);
}

QString PageStamp(const QDateTime& time) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = time.date();
    if (!date.isValid()) {
        return {};
    }
    return QStringLiteral("%1 %2 %3 %4")
        .arg(date.year())
        .arg(QLatin1StringView(kMonths[date.month() - 1]))
        .arg(date.day())
        .arg(time.time().toString(QStringLiteral("hh:mm:ss")));
}

}  // namespace kelvista::replaycli
