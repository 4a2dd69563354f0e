#include "CaptionFile.h"

#include "RegularFile.h"

namespace kelvista {

namespace {

constexpr int kEndOfFileMark = 0x1A;
constexpr size_t kLineLimit = kCaptionLineCapacity - 1;

// One byte as text mode delivers it: CR LF arrives as LF, 0x1A ends the file. EOF at the end.
int ReadTextModeByte(std::FILE* file) {
    const int c = std::getc(file);
    if (c == EOF || c == kEndOfFileMark) {
        return EOF;
    }
    if (c == '\r') {
        const int next = std::getc(file);
        if (next == '\n') {
            return '\n';
        }
        if (next != EOF) {
            std::ungetc(next, file);
        }
    }
    return c;
}

}  // namespace

std::string ReadCaptionLine(std::FILE* file) {
    std::string line;
    if (file == nullptr) {
        return line;
    }
    // The limit counts bytes after translation, so a CR LF pair straddling it is one LF and fits.
    while (line.size() < kLineLimit) {
        const int c = ReadTextModeByte(file);
        if (c == EOF) {
            break;
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    // The line is a C string to its users: a zero byte ends it.
    if (const size_t zero = line.find('\0'); zero != std::string::npos) {
        line.resize(zero);
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    return line;
}

bool ReadCaptionFile(const std::string& path, std::string& captionOut) {
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) {
        return false;
    }
    captionOut = ReadCaptionLine(file);
    std::fclose(file);
    return true;
}

}  // namespace kelvista
