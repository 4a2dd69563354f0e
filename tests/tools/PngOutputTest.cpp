#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <QImage>
#include <QTemporaryDir>

#include "FileBytes.h"
#include "FileDescriptor.h"
#include "render/PngOutput.h"

namespace kelvista::replaycli {
namespace {

using fileio::FileDescriptor;

// stderr of this process, captured while `run` runs.
template <typename Run>
std::string CapturedStderr(Run run) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("stderr").toStdString();
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int capture = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(capture, STDERR_FILENO);
    close(capture);
    run();
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return test::ReadFileBytes(file);
}

TEST(PngOutput, AFullDiskIsTheSystemsReasonAndNothingOnStderr) {
    QImage image(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 7, y * 13, x ^ y));
        }
    }
    const FileDescriptor full(open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(full.valid());
    bool written = true;
    std::string reason;
    const std::string noise =
        CapturedStderr([&] { written = WritePng(full.get(), image, reason); });
    EXPECT_FALSE(written);
    EXPECT_EQ(reason, "No space left on device");
    EXPECT_EQ(noise, "");

    QTemporaryDir dir;
    const std::string path = dir.filePath("ok.png").toStdString();
    const FileDescriptor ok(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600));
    ASSERT_TRUE(WritePng(ok.get(), image, reason)) << reason;
    EXPECT_EQ(QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32), image);
    EXPECT_FALSE(WritePng(ok.get(), QImage(), reason));
}

}  // namespace
}  // namespace kelvista::replaycli
