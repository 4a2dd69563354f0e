#pragma once

#include <optional>
#include <string>

#include "NewFile.h"
#include "OutputFolder.h"
#include "StagingFolder.h"
#include "cli/Failure.h"

namespace kelvista::replaycli {

// A path of file-system bytes as messages show it.
std::string ShownPath(const std::string& path);

// The replay tree of the settings (<InstallFolder>/replay), which no command writes into; nullopt
// when there is none to protect.
std::optional<ProtectedFolder> ProtectedReplayFolder();

// The failure of a run that a signal stopped and that took back what it had written:
// "<command>: interrupted; nothing written", 128 + the signal's number.
Failure InterruptedFailure(const char* command);

// The one file that sheet --to and decode/frame --png write. It is made in a staging folder
// beside it and moved into place whole, under export's rules: without force an existing name
// (a link, even a dangling one, included) is never replaced; with force the entry itself is
// replaced (a link there by the file, what it points to untouched); never inside the replay tree,
// never over the file being read.
class SingleFileOutput {
public:
    struct Request {
        const char* command = "";  // names the staging folder and starts messages
        std::string path;          // file-system bytes, as given
        bool force = false;
        std::optional<FileId> input;  // the file the command reads, never to be replaced
    };

    // Opens the file's folder (never making it), removes staging folders left there by runs
    // that are gone, checks the target and makes this run's staging folder. nullopt with a
    // message ("<command>: ...") on a refusal or failure.
    static std::optional<SingleFileOutput> Prepare(const Request& request, std::string& error);

    enum class Outcome { Written, Interrupted, Failed };

    // Makes the file with `fill` and moves it into place. Failed sets `error` ("<command>:
    // cannot write ...: No space left on device"); nothing is left behind unless Written.
    Outcome write(const FileFiller& fill, std::string& error);

private:
    SingleFileOutput(Request request, OutputFolder folder, std::string name,
                     std::optional<ProtectedFolder> protect, StagingFolder staging);

    std::string shown() const;

    Request m_request;
    OutputFolder m_folder;
    std::string m_name;
    std::optional<ProtectedFolder> m_protect;
    StagingFolder m_staging;
};

}  // namespace kelvista::replaycli
