#include "render/PngOutput.h"

#include <QIODevice>
#include <QImage>
#include <QImageWriter>

#include "WriteAll.h"

namespace kelvista::replaycli {

namespace {

// A write-only device over a file descriptor that collects the encoder's small writes into
// larger ones and remembers why the first write failed.
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : m_fd(fd) { open(QIODevice::WriteOnly); }

    bool isSequential() const override { return true; }

    // Writes what is still collected; false with `reason` when any write failed.
    bool finish(std::string& reason) {
        flushCollected();
        reason = m_reason;
        return m_failed == false;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }

    qint64 writeData(const char* data, qint64 size) override {
        if (!m_failed) {
            m_collected.append(data, size);
            if (m_collected.size() >= kCollect) {
                flushCollected();
            }
        }
        return size;
    }

private:
    static constexpr qsizetype kCollect = 256 * 1024;

    void flushCollected() {
        if (!m_failed && !m_collected.isEmpty()) {
            const int errnum = fileio::WriteAll(m_fd, m_collected.constData(),
                                                static_cast<size_t>(m_collected.size()),
                                                fileio::WhenInterrupted::Stop);
            m_failed = errnum != 0;
            m_reason = m_failed ? fileio::WriteFailure(errnum) : m_reason;
        }
        m_collected.clear();
    }

    int m_fd;
    QByteArray m_collected;
    bool m_failed = false;
    std::string m_reason;
};

}  // namespace

bool WritePng(int fd, const QImage& image, std::string& reason) {
    if (image.isNull()) {
        reason = "the picture cannot be wrapped as an image";
        return false;
    }
    DescriptorDevice device(fd);
    QImageWriter writer(&device, "png");
    const bool encoded = writer.write(image);
    if (!device.finish(reason)) {
        return false;
    }
    if (!encoded) {
        reason = writer.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace kelvista::replaycli
