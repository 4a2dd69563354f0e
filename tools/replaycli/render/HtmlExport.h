#pragma once

// The page export --html writes: its data block, index.html and the files beside it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "FrameDiff.h"
#include "inspect/FrameReport.h"

namespace kelvista::replaycli {

// The replay page: index.html, whose data block lists the exported frames, beside replay.js,
// replay.css and the frames as PNG. The script and style sheet are the files of tools/web, held
// as Qt resources.
inline constexpr char kPageFileName[] = "index.html";
inline constexpr char kPageScriptName[] = "replay.js";
inline constexpr char kPageStyleName[] = "replay.css";

// One frame of the session as the page knows it. A frame left out of the page is absent: the
// page then does nothing when it is stepped to, as the viewer does.
// What changed in a frame from the frame before it (FrameChanges.h's StepChanges).
struct PageChanges {
    int32_t from = 0;  // the frame compared with
    bool sizesDiffer = false;
    std::vector<DiffRegion> regions;
};

struct PageFrame {
    enum class Missing {
        None,        // shown from `file`
        Screenshot,  // the loader refused the screenshot: "MISSING FRAME (BMP)" under its title
        Caption,     // the caption file cannot be opened: "MISSING FRAME (HTM)"
    };
    int32_t frame = 0;
    QString caption;  // the title text, as the viewer's window title shows it
    QString file;     // the PNG beside index.html, when Missing::None
    Missing missing = Missing::None;
    std::optional<PageChanges> changes;  // none when there is no frame before it to compare with
};

// The page's entry for a frame as the viewer would find it, `file` naming its PNG: none for a
// frame that is not present (the page leaves it out), the title and "MISSING FRAME (BMP)" for a
// screenshot the loader refused, "MISSING FRAME (HTM)" for a caption file that cannot be read.
std::optional<PageFrame> PageFrameOf(const FrameReport& report, const QString& file);

struct PageData {
    int32_t session = 0;
    int32_t maxFrames = 0;  // the wrap-around count at export time
    QString stamp;          // first line of the info screen
    std::vector<PageFrame> frames;
};

// `text` as a JSON string literal, quotes included, in plain ASCII: every character that could
// end a script element or start markup (<, >, &), the quote, the backslash, control characters
// and everything outside ASCII (U+2028 and U+2029 among them) is written as \uXXXX or \", \\.
std::string JsonString(const QString& text);

// The data block of index.html: {"session":S,"maxFrames":M,"stamp":"...","frames":[...]}, each
// frame {"frame":F,"caption":"...","file":"..."} or with "missing":"BMP" / "HTM" for "file", and
// with changes "changes":{"from":F,"regions":[[x,y,width,height],...]} (plus "sizes":true).
std::string PageDataJson(const PageData& data);

// index.html: the page template with PageDataJson in its data block.
QByteArray PageHtml(const PageData& data);

// The bytes of one of the page's resource files (kPageScriptName, kPageStyleName, or the
// template under kPageFileName); empty when there is no such file.
QByteArray PageResource(const char* name);

// Writes index.html, replay.js and replay.css as new files into the folder open as `folderFd`.
// False and `error` ("cannot write index.html: reason") on the first file that cannot be written.
bool WritePageFiles(int folderFd, const PageData& data, std::string& error);

// The info screen's stamp for `time`, in the form of the viewer's build stamp:
// "2026 Dec 8 23:10:04" (year, English month, day without padding, time).
QString PageStamp(const QDateTime& time);

}  // namespace kelvista::replaycli
