// Writes a small demo replay tree (two sessions of twelve frames) into the folder given on the
// command line, so the viewer has something to show without a recorder.
#include <cstdio>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QImage>

#include "BmpWriter.h"
#include "DemoPicture.h"

namespace {

using kelvista::demo::BmpDepth;
using kelvista::demo::RowOrder;

struct DemoFrame {
    int session;
    int frame;
    int width;
    int height;
    BmpDepth depth;
    RowOrder order;
    std::string caption;  // the first line of the caption file, as raw bytes
};

// Every frame of the demo. Session 1 frame 5 is 8-bit, which the viewer refuses with a message.
std::vector<DemoFrame> DemoFrames() {
    using enum BmpDepth;
    using enum RowOrder;
    return {
        {0, 0, 320, 200, Rgb24, BottomUp, "Lobby: players joining"},
        {0, 1, 640, 480, Rgb32, BottomUp, "Opening move (640 x 480, 32-bit)"},
        {0, 2, 800, 600, Rgb24, BottomUp, "Caf\xc3\xa9 au lait \xe2\x80\x94 a UTF-8 caption"},
        {0, 3, 1024, 768, Rgb32, TopDown,
         "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e: a top-down bitmap"},
        {0, 4, 1280, 720, Rgb24, BottomUp, "Mid game, 1280 x 720"},
        {0, 5, 1920, 1080, Rgb32, BottomUp, "Full HD, 1920 x 1080"},
        {0, 6, 480, 320, Rgb24, TopDown, ""},
        {0, 7, 640, 480, Rgb24, BottomUp, "Trailing spaces are kept   "},
        {0, 8, 1600, 900, Rgb32, BottomUp,
         "Showdown \xe2\x99\xa0\xe2\x99\xa5\xe2\x99\xa6\xe2\x99\xa3"},
        {0, 9, 960, 540, Rgb24, BottomUp, "Pot split"},
        {0, 10, 1366, 768, Rgb32, BottomUp, "Laptop screen, 1366 x 768"},
        {0, 11, 320, 240, Rgb24, BottomUp, "Last frame; TAB wraps to frame 000"},
        {1, 0, 640, 400, Rgb24, BottomUp, "Session 1 starts"},
        {1, 1, 640, 400, Rgb32, BottomUp, "Deal"},
        {1, 2, 800, 500, Rgb24, BottomUp, "Flop"},
        {1, 3, 800, 500, Rgb24, BottomUp,
         "Caf\xe9 cr\xe8"
         "me br\xfb"
         "l\xe9"
         "e (Windows-1252 bytes)"},
        {1, 4, 1024, 640, Rgb32, BottomUp, "Turn"},
        {1, 5, 640, 400, Palette8, BottomUp, "An 8-bit screenshot: the viewer refuses it"},
        {1, 6, 1024, 640, Rgb24, BottomUp, "River"},
        {1, 7, 1280, 800, Rgb32, BottomUp, "All in"},
        {1, 8, 1440, 900, Rgb24, BottomUp, "Showdown"},
        {1, 9, 1680, 1050, Rgb32, BottomUp, "Chips counted"},
        {1, 10, 1920, 1080, Rgb24, BottomUp, "Winner (1920 x 1080, 24-bit)"},
        {1, 11, 400, 300, Rgb32, BottomUp, "Session 1 ends"},
    };
}

bool WriteCaption(const QString& path, const std::string& caption) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    // Only the first line is the caption; the rest of a caption file is never read.
    QByteArray bytes = QByteArray::fromStdString(caption);
    if (!caption.empty()) {
        bytes += "\r\n<html><body><p>Recorded frame.</p></body></html>\r\n";
    }
    return file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: kelvista-make-demo FOLDER\n"
                     "Writes a demo replay under FOLDER/replay; point InstallFolder at "
                     "FOLDER.\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const DemoFrame& frame : DemoFrames()) {
        const QString sessionDir = QStringLiteral("replay/session%1").arg(frame.session);
        if (!root.mkpath(sessionDir)) {
            std::fprintf(stderr, "kelvista-make-demo: cannot create %s\n",
                         qPrintable(root.filePath(sessionDir)));
            return 1;
        }
        const QString base = root.filePath(
            sessionDir + QStringLiteral("/frame%1").arg(frame.frame, 3, 10, QLatin1Char('0')));
        const QImage picture =
            kelvista::demo::DrawDemoFrame(frame.width, frame.height, frame.session, frame.frame);
        if (!kelvista::demo::WriteBmp(base + QStringLiteral(".bmp"), picture, frame.depth,
                                      frame.order) ||
            !WriteCaption(base + QStringLiteral(".htm"), frame.caption)) {
            std::fprintf(stderr, "kelvista-make-demo: cannot write %s\n", qPrintable(base));
            return 1;
        }
    }
    std::printf("kelvista-make-demo: wrote %zu frames under %s\n", DemoFrames().size(),
                qPrintable(root.filePath(QStringLiteral("replay"))));
    return 0;
}
