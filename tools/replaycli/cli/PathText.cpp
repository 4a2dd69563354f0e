#include "cli/PathText.h"

#include <cstdint>

namespace kelvista::replaycli {

namespace {

constexpr char16_t kEscapedByteBase = 0xDC00;  // byte 0x80 .. 0xFF -> U+DC80 .. U+DCFF
constexpr char kHexDigits[] = "0123456789abcdef";

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence that starts at `at`, or 0 when the byte there does not
// start one: no overlong forms, no surrogates, nothing above U+10FFFF.
size_t Utf8SequenceLength(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;
        secondHigh = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() - at < length || byte(1) < secondLow || byte(1) > secondHigh) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

void AppendHexEscape(std::string& text, unsigned char byte) {
    text += "\\x";
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0x0F];
}

uint32_t DecodeSequence(std::string_view bytes, size_t at, size_t length);

std::string Escaped(std::string_view bytes, bool escapeBackslash) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            AppendHexEscape(text, byte);
            ++at;
        } else if (length == 1) {
            if (byte == '\\' && escapeBackslash) {
                text += "\\\\";
            } else if (byte == '\t') {
                text += "\\t";
            } else if (byte == '\n') {
                text += "\\n";
            } else if (byte == '\r') {
                text += "\\r";
            } else if (byte < 0x20 || byte == 0x7F) {
                AppendHexEscape(text, byte);
            } else {
                text += static_cast<char>(byte);
            }
            ++at;
        } else if ((byte == 0xC2 && static_cast<unsigned char>(bytes[at + 1]) <= 0x9F) ||
                   BreaksOrReordersLine(DecodeSequence(bytes, at, length))) {
            // A C1 control character (terminals act on some: U+009B starts a sequence), or a
            // character that breaks or reorders the line for readers that honour it.
            for (size_t i = 0; i < length; ++i) {
                AppendHexEscape(text, static_cast<unsigned char>(bytes[at + i]));
            }
            at += length;
        } else {
            text.append(bytes.substr(at, length));
            at += length;
        }
    }
    return text;
}

uint32_t DecodeSequence(std::string_view bytes, size_t at, size_t length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    if (length == 1) {
        return byte(0);
    }
    uint32_t codePoint = byte(0) & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    return codePoint;
}

void AppendUtf8(std::string& bytes, uint32_t codePoint) {
    if (codePoint < 0x80) {
        bytes += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        bytes += static_cast<char>(0xC0 | (codePoint >> 6));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        bytes += static_cast<char>(0xE0 | (codePoint >> 12));
        bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (codePoint >> 18));
        bytes += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

bool BreaksOrReordersLine(uint32_t codePoint) {
    return codePoint == 0x2028 || codePoint == 0x2029 ||    // line, paragraph separator
           (codePoint >= 0x202A && codePoint <= 0x202E) ||  // embeddings, overrides
           (codePoint >= 0x2066 && codePoint <= 0x2069);    // isolates
}

std::string EscapedName(std::string_view bytes) {
    return Escaped(bytes, true);
}

std::string OneLineMessage(std::string_view message) {
    return Escaped(message, false);
}

QString ArgumentText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            text += QChar(
                static_cast<char16_t>(kEscapedByteBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        const uint32_t codePoint = DecodeSequence(bytes, at, length);
        if (QChar::requiresSurrogates(codePoint)) {
            text += QChar(QChar::highSurrogate(codePoint));
            text += QChar(QChar::lowSurrogate(codePoint));
        } else {
            text += QChar(static_cast<char16_t>(codePoint));
        }
        at += length;
    }
    return text;
}

std::string ArgumentBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF) {
            bytes += static_cast<char>(unit - kEscapedByteBase);
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, QChar::ReplacementCharacter);
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QStringList ArgumentTexts(int count, const char* const* arguments) {
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        texts.append(ArgumentText(arguments[i]));
    }
    return texts;
}

}  // namespace kelvista::replaycli
