#include <fcntl.h>
#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "UserSettingsFolder.h"

namespace kelvista {
namespace {

namespace fs = std::filesystem;

// Both values and the store's location, as one reader sees them.
struct ReadValues {
    std::string folder;
    int32_t maxFrames = 0;
    std::string location;
    SettingsFileState state;
};

ReadValues ReadAll() {
    ReadValues values;
    char buffer[kPathCapacity];
    values.folder = ReadSettingString(kInstallFolderSetting, buffer, sizeof buffer);
    values.maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
    values.location = UserSettingsLocation();
    values.state = UserSettingsFileState();
    return values;
}

// Takes the superuser's power to ignore file permissions from the calling thread only, so that
// permissions bind a test run as root.
void DropFilePermissionOverride() {
    if (geteuid() != 0) {
        return;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[0].effective &= ~(1u << capability);
    }
    ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
}

// The user's settings file ($XDG_CONFIG_HOME/Dravenor.conf, a fresh folder from main()) as
// something other than a readable regular file of reasonable size.
class SettingsFileKindsTest : public test::UserSettingsFolderTest {
protected:
    SettingsFileKindsTest() : UserSettingsFolderTest(true) {}

    static void WriteFile(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

    // Reads on a thread of its own; nullopt when that takes more than a few seconds. A reader
    // stuck on a pipe in the file's place is then let go by opening the pipe's other end, so a
    // regression fails here instead of hanging the suite.
    std::optional<ReadValues> ReadPromptly(bool boundByPermissions = false) const {
        auto reading = std::async(std::launch::async, [boundByPermissions] {
            if (boundByPermissions) {
                DropFilePermissionOverride();
            }
            return ReadAll();
        });
        if (reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
            return reading.get();
        }
        while (reading.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            const int fd = ::open(m_file.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            }
        }
        reading.get();
        return std::nullopt;
    }

    // No values, and the file's state names the reason.
    void ExpectNoValues(const char* what, const std::string& problem,
                        bool boundByPermissions = false) const {
        const std::optional<ReadValues> values = ReadPromptly(boundByPermissions);
        ASSERT_TRUE(values.has_value()) << what << ": the read did not come back";
        EXPECT_EQ(values->folder, "") << what;
        EXPECT_EQ(values->maxFrames, kDefaultMaxFrames) << what;
        EXPECT_EQ(fs::path(values->location), m_file) << what;
        EXPECT_EQ(values->state.outcome, SettingsFileState::Outcome::Refused) << what;
        EXPECT_EQ(values->state.problem, problem) << what;
    }
};

constexpr char kSettings[] = "InstallFolder=/srv/r\nreplay_maxframes=20\n";

TEST_F(SettingsFileKindsTest, PipeIsNotWaitedOn) {
    ASSERT_EQ(::mkfifo(m_file.c_str(), 0600), 0);
    ExpectNoValues("pipe", "not a regular file (a named pipe)");
    fs::remove(m_file);
    ASSERT_EQ(::mkfifo((m_folder / "pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", m_file);
    ExpectNoValues("link to a pipe", "not a regular file (a named pipe)");
}

TEST_F(SettingsFileKindsTest, OtherKindsOfFileHoldNoValues) {
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_file.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ExpectNoValues("socket", "not a regular file (a socket)");
    ::close(sock);
    fs::remove(m_file);

    fs::create_directories(m_file);
    ExpectNoValues("folder", "not a regular file (a folder)");
    fs::remove(m_file);

    fs::create_symlink("missing.conf", m_file);
    ExpectNoValues("dangling link", "a link to a file that does not exist");
    fs::remove(m_file);

    for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom"}) {
        fs::create_symlink(device, m_file);
        ExpectNoValues(device, "not a regular file (a device)");
        fs::remove(m_file);
    }
}

TEST_F(SettingsFileKindsTest, LinkToARegularFileIsFollowed) {
    WriteFile(m_folder / "real.conf", kSettings);
    fs::create_symlink("real.conf", m_file);
    const std::optional<ReadValues> values = ReadPromptly();
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->folder, "/srv/r");
    EXPECT_EQ(values->maxFrames, 20);
    EXPECT_EQ(values->state.outcome, SettingsFileState::Outcome::Read);
}

TEST_F(SettingsFileKindsTest, NoFileIsAbsentNotRefused) {
    const std::optional<ReadValues> values = ReadPromptly();
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->state.outcome, SettingsFileState::Outcome::Absent);
    EXPECT_EQ(values->state.problem, "");
}

TEST_F(SettingsFileKindsTest, UnreadableFileHoldsNoValues) {
    WriteFile(m_file, kSettings);
    fs::permissions(m_file, fs::perms::none);
    ExpectNoValues("unreadable file", "Permission denied", true);
    // The same file read with the permission to read it: the permissions were what stopped it.
    fs::permissions(m_file, fs::perms::owner_read);
    const std::optional<ReadValues> values = ReadPromptly(true);
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->folder, "/srv/r");
}

TEST_F(SettingsFileKindsTest, FileLargerThanTheLimitHoldsNoValues) {
    std::string text = kSettings;
    text.resize(kMaxSettingsFileBytes, '\n');
    WriteFile(m_file, text);
    const std::optional<ReadValues> whole = ReadPromptly();
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->folder, "/srv/r") << "a file of exactly the limit is read";

    WriteFile(m_file, text + "\n");
    ExpectNoValues("one byte over the limit", "larger than 1 MiB");

    // Gigabytes that take no room on disk: the size alone refuses them, nothing is read.
    WriteFile(m_file, kSettings);
    fs::resize_file(m_file, uintmax_t{3} << 30);
    ExpectNoValues("3 GiB", "larger than 1 MiB");
}

}  // namespace
}  // namespace kelvista
