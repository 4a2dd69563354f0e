// Writes the replay page into a folder from a frame list on stdin, for the browser tests while
// export has no --html option yet. One line per frame, tab separated, UTF-8:
//   FRAME<TAB>FILE<TAB>CAPTION     FILE is the PNG beside index.html, or BMP / HTM for a frame
//                                  whose screenshot was refused / caption cannot be opened
// Usage: page_export_driver DIR SESSION MAXFRAMES STAMP < frames.tsv

#include <iostream>
#include <string>

#include <QCoreApplication>
#include <QStringList>

#include "HtmlExport.h"

using kelvista::replaycli::PageData;
using kelvista::replaycli::PageFrame;

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5) {
        std::cerr << "usage: page_export_driver DIR SESSION MAXFRAMES STAMP < frames.tsv\n";
        return 2;
    }
    PageData data;
    data.session = arguments[2].toInt();
    data.maxFrames = arguments[3].toInt();
    data.stamp = arguments[4];
    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList fields = QString::fromStdString(line).split(QLatin1Char('\t'));
        if (fields.size() != 3) {
            std::cerr << "page_export_driver: not FRAME<TAB>FILE<TAB>CAPTION: " << line << "\n";
            return 2;
        }
        PageFrame frame{fields[0].toInt(), fields[2], fields[1], PageFrame::Missing::None};
        if (fields[1] == QStringLiteral("BMP")) {
            frame.missing = PageFrame::Missing::Screenshot;
        } else if (fields[1] == QStringLiteral("HTM")) {
            frame.missing = PageFrame::Missing::Caption;
        }
        data.frames.push_back(frame);
    }
    std::string error;
    if (!kelvista::replaycli::WritePageFiles(arguments[1], data, error)) {
        std::cerr << "page_export_driver: " << error << "\n";
        return 1;
    }
    return 0;
}
