#include "commands/ReplayGuard.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "FileDescriptor.h"
#include "ReplayLayout.h"

namespace kelvista::replaycli {

std::optional<ProtectedFolder> ProtectedReplayFolder() {
    const std::string folder = ReplayFolder();
    if (folder.empty()) {
        return std::nullopt;
    }
    const fileio::FileDescriptor fd(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || fstat(fd.get(), &info) != 0) {
        return std::nullopt;
    }
    return ProtectedFolder{fileio::IdOf(info), folder};
}

fileio::IsProtected Protecting(const std::optional<ProtectedFolder>& folder) {
    if (!folder) {
        return {};
    }
    return [id = folder->id](const fileio::FileId& candidate) { return candidate == id; };
}

}  // namespace kelvista::replaycli
