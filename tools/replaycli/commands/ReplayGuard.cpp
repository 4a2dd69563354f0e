#include "commands/ReplayGuard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "FileDescriptor.h"
#include "ReplayLayout.h"

namespace kelvista::replaycli {

std::optional<ProtectedFolder> ProtectedReplayFolder() {
    // The whole root: one too long for the viewer's paths still holds the recorder's data.
    const std::string folder = FullReplayPath(kReplayFolderName);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    ProtectedFolder protect{{fileio::IdOf(info)}, folder};
    // Each session folder as the viewer opens it: a link is followed to where it leads.
    const fileio::FileDescriptor fd(
        ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
    const int listing = fd.valid() ? ::dup(fd.get()) : -1;
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (dir == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return protect;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat session {};
        if (ParseSessionFolderName(entry->d_name) &&
            ::fstatat(fd.get(), entry->d_name, &session, 0) == 0 && S_ISDIR(session.st_mode)) {
            protect.ids.push_back(fileio::IdOf(session));
        }
    }
    ::closedir(dir);
    return protect;
}

fileio::IsProtected Protecting(const std::optional<ProtectedFolder>& folder) {
    if (!folder) {
        return {};
    }
    return [ids = folder->ids](const fileio::FileId& candidate) {
        return std::find(ids.begin(), ids.end(), candidate) != ids.end();
    };
}

}  // namespace kelvista::replaycli
