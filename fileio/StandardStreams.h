#pragma once

// OpenMissingStandardStreams gives descriptors 0, 1 and 2 something to point at when the program
// was started with one of them closed (`tool >&-`): /dev/null, as robust command-line tools do.
// Otherwise the first file the program opens would become its standard output or error, and its
// messages would land in that file. Call it first thing in main, before any other open.
//
//     int main(int argc, char** argv) {
//         kelvista::fileio::OpenMissingStandardStreams();
//         ...
//     }

namespace kelvista::fileio {

void OpenMissingStandardStreams();

}  // namespace kelvista::fileio
