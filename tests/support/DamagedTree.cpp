#include "DamagedTree.h"

#include "BmpBytes.h"
#include "TestPictures.h"

namespace kelvista::test {

DamagedTree::DamagedTree() : ReplayTree(12) {
    writeFile("replay/stray.txt", "x");
    makeFolder("replay/session03");
    writeFile("replay/session2", "not a folder");

    writeFrame(0, 0, Bmp32(PatternPicture(5, 3, 0)), "Hand 0\r\n<html>");
    writeFrame(0, 1, Bmp24(PatternPicture(3, 2, 1)),
               "Stra\xC3\x9F"
               "e 1\n");
    writeFrame(0, 2, Bmp24(PatternPicture(4, 4, 2)), "");
    writeFrame(0, 3, "", "Hand 3");
    writeFrame(0, 4, Bmp24(PatternPicture(2, 2, 4)), "");
    makeFolder(FrameName(0, 4, "htm"));
    writeFrame(0, 5, Bmp8(4, 2), "Hand 5");
    writeFrame(0, 6, "this is not a bitmap", "Hand 6");
    writeFrame(0, 10, Bmp24(PatternPicture(7, 5, 10)), "Hand\t10");
    writeFile("replay/session0/frame07.bmp", Bmp24(PatternPicture(2, 2, 7)));
    writeFile("replay/session0/notes.txt", "x");
    makeFolder("replay/session0/sub");

    for (const int32_t frame : {-1, 0, 1, 12, 13}) {
        writeFrame(1, frame, Bmp24(PatternPicture(4, 2, frame + 20)),
                   "Session 1 frame " + std::to_string(frame));
    }
}

}  // namespace kelvista::test
