#pragma once

#include <optional>
#include <string>

#include "NewFile.h"
#include "SingleFile.h"
#include "cli/Failure.h"
#include "commands/ReplayGuard.h"

namespace kelvista::replaycli {

// A path of file-system bytes as messages show it.
std::string ShownPath(const std::string& path);

// The failure of a run that a signal stopped and that took back what it had written:
// "<command>: interrupted; nothing written", 128 + the signal's number.
Failure InterruptedFailure(const char* command);

// The one file that sheet --to and decode/frame --png write, through fileio::SingleFile (whole
// or not at all, under export's rules), never inside the replay tree nor over the file being
// read; this class gives its refusals and failures the tool's words.
class SingleFileOutput {
public:
    struct Request {
        const char* command = "";  // names the staging folder and starts messages
        std::string path;          // file-system bytes, as given
        bool force = false;
        std::optional<fileio::FileId> input;  // the file the command reads, never to be replaced
    };

    // Opens the file's folder (never making it), removes staging folders left there by runs
    // that are gone, checks the target and makes this run's staging folder. nullopt with a
    // message ("<command>: ...") on a refusal or failure.
    static std::optional<SingleFileOutput> Prepare(const Request& request, std::string& error);

    enum class Outcome { Written, Interrupted, Failed };

    // Makes the file with `fill` and moves it into place. Failed sets `error` ("<command>:
    // cannot write ...: No space left on device"); nothing is left behind unless Written.
    Outcome write(const fileio::FileFiller& fill, std::string& error);

private:
    SingleFileOutput(Request request, fileio::SingleFile file);

    std::string shown() const;

    Request m_request;
    fileio::SingleFile m_file;
};

}  // namespace kelvista::replaycli
