#pragma once

#include "ReplayTree.h"

namespace kelvista::test {

// A tree with every kind of finding (max frames 12):
//   replay/stray.txt, replay/session03/ (folder), replay/session2 (a file): bad names
//   session0: 000 (32-bit 5x3) and 001 (24-bit 3x2) present; 002 screenshot only; 003 caption
//             only; 004 with a folder for its caption file; 005 an 8-bit screenshot; 006 a
//             screenshot that is no bitmap; 007-009 missing; 010 (24-bit 7x5) present with a tab
//             in its caption; frame07.bmp, notes.txt and sub/ do not follow the layout
//   session1: -01, 000, 001, 012, 013 present (24-bit 4x2): -01, 012 and 013 lie outside the
//             wrap-around, 002-011 are missing
class DamagedTree : public ReplayTree {
public:
    DamagedTree();
};

}  // namespace kelvista::test
