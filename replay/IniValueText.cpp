#include "IniValueText.h"

#include <cstdint>

#include "DecimalNumber.h"

namespace kelvista {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// What QByteArray::trimmed() removes.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

bool IsHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Text built from file bytes and from UTF-16 code units, as a QString is: two escaped code
// units that form a surrogate pair give one character, and a lone surrogate gives '?' (what
// QString::toUtf8 makes of it).
class Utf16Text {
public:
    void appendByte(char c) {
        settle();
        m_text.push_back(c);
    }
    void appendUnit(uint32_t unit) {
        if (m_high != 0 && IsLowSurrogate(unit)) {
            AppendUtf8(m_text, 0x10000 + ((m_high - 0xD800) << 10) + (unit - 0xDC00));
            m_high = 0;
            return;
        }
        settle();
        if (IsHighSurrogate(unit)) {
            m_high = unit;
        } else if (IsLowSurrogate(unit)) {
            m_text.push_back('?');
        } else {
            AppendUtf8(m_text, unit);
        }
    }
    // Bytes so far, a high surrogate still waiting for its pair not counted.
    size_t size() const { return m_text.size(); }
    // The text, a high surrogate still waiting for its pair given up.
    std::string& text() {
        settle();
        return m_text;
    }

private:
    void settle() {
        if (m_high != 0) {
            m_text.push_back('?');
            m_high = 0;
        }
    }

    std::string m_text;
    uint32_t m_high = 0;
};

int DigitValue(char c, int base) {
    int value = 99;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// Reads the digits of a numeric escape; like QSettings, the value is one UTF-16 code unit, and
// more digits than it holds wrap around.
uint32_t ReadEscapeNumber(std::string_view raw, size_t& i, int base) {
    uint32_t value = 0;
    while (i < raw.size() && DigitValue(raw[i], base) >= 0) {
        value = (value * static_cast<uint32_t>(base) +
                 static_cast<uint32_t>(DigitValue(raw[i], base))) &
                0xFFFFu;
        ++i;
    }
    return value;
}

char SimpleEscape(char c) {
    switch (c) {
        case 'a':
            return '\a';
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'v':
            return '\v';
        case '"':
        case '?':
        case '\'':
        case '\\':
            return c;
        default:
            return '\0';
    }
}

// The hexadecimal number of a key escape's digits as QString::toUShort(&ok, 16) reads them:
// blanks around, a '+' and a "0x" before the digits are allowed.
bool ParseKeyEscapeDigits(std::string_view digits, uint32_t& value) {
    digits = TrimSpaces(digits);
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        return false;
    }
    value = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c, 16);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

// A key name as QSettings reads it: "%XX" and "%UXXXX" give that code unit, a backslash is the
// group separator '/', and an escape that does not parse leaves its '%' as it is.
std::string UnescapeIniKey(std::string_view key) {
    std::string out;
    size_t i = 0;
    while (i < key.size()) {
        const char c = key[i];
        if (c == '\\') {
            out.push_back('/');
            ++i;
            continue;
        }
        if (c != '%' || i + 1 == key.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        const bool unicode = key[i + 1] == 'U';
        const size_t first = i + (unicode ? 2 : 1);
        const size_t count = unicode ? 4 : 2;
        uint32_t value = 0;
        if (first + count > key.size() || !ParseKeyEscapeDigits(key.substr(first, count), value)) {
            out.push_back('%');
            ++i;
            continue;
        }
        AppendUtf8(out, value);
        i = first + count;
    }
    return out;
}

// One line of the file as QSettings cuts it: up to a ';' outside quotes, with the position of
// the first '=' outside quotes. A backslash takes the character after it along, so an escaped
// quote, ';' or '=' counts as none. Unlike QSettings, a quote still open ends with the line.
struct IniLine {
    std::string_view text;
    size_t equals = std::string_view::npos;
};

IniLine CutLine(std::string_view line) {
    IniLine cut{line};
    bool inQuotes = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '=' && !inQuotes && cut.equals == std::string_view::npos) {
            cut.equals = i;
        } else if (c == ';' && !inQuotes) {
            cut.text = line.substr(0, i);
            break;
        }
    }
    return cut;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Whether a group line ("[...]") opens the top level: the name up to the first ']' (or the
// whole line without one), blanks trimmed, is "general" in any case. Every other name, escaped
// ones such as "%General" included, is a group.
bool OpensTopLevel(std::string_view line) {
    line.remove_prefix(1);
    return EqualsIgnoringAsciiCase(TrimSpaces(line.substr(0, line.find(']'))), "general");
}

}  // namespace

std::string UnescapeIniValue(std::string_view raw) {
    Utf16Text text;
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < raw.size() && IsBlank(raw[i])) {
            ++i;
        }
    };
    bool inQuotes = false;
    bool wasQuoted = false;
    // Blanks at the end are dropped, but not those that came from an escape or from quotes.
    size_t keptLength = 0;
    skipBlanks();
    while (i < raw.size()) {
        const char c = raw[i++];
        if (c == '\\') {
            if (i >= raw.size()) {
                break;
            }
            const char escaped = raw[i++];
            if (const char simple = SimpleEscape(escaped); simple != '\0') {
                text.appendByte(simple);
            } else if (escaped == 'x') {
                // "\x" without a hexadecimal digit after it gives nothing.
                if (i < raw.size() && DigitValue(raw[i], 16) >= 0) {
                    text.appendUnit(ReadEscapeNumber(raw, i, 16));
                }
            } else if (escaped >= '0' && escaped <= '7') {
                --i;
                text.appendUnit(ReadEscapeNumber(raw, i, 8));
            }
            // Any other escaped character is dropped, as QSettings does.
            keptLength = text.size();
        } else if (c == '"') {
            inQuotes = !inQuotes;
            wasQuoted = true;
            if (!inQuotes) {
                skipBlanks();
            }
        } else if (c == ';' && !inQuotes) {
            break;
        } else {
            text.appendByte(c);
            if (inQuotes) {
                keptLength = text.size();
            }
        }
    }
    std::string& out = text.text();
    if (!wasQuoted) {
        while (out.size() > keptLength && IsBlank(out.back())) {
            out.pop_back();
        }
    }
    return std::move(out);
}

std::optional<std::string> IniValueAsOneText(std::string_view fileText, std::string_view key) {
    if (fileText.starts_with("\xEF\xBB\xBF")) {
        fileText.remove_prefix(3);
    }
    std::optional<std::string> result;
    bool inTopLevel = true;
    while (!fileText.empty()) {
        const size_t end = fileText.find_first_of("\r\n");
        std::string_view line = fileText.substr(0, end);
        fileText.remove_prefix(end == std::string_view::npos ? fileText.size() : end + 1);
        while (!line.empty() && IsBlank(line.front())) {
            line.remove_prefix(1);
        }
        const IniLine cut = CutLine(line);
        if (cut.text.empty()) {
            continue;
        }
        if (cut.text.front() == '[') {
            inTopLevel = OpensTopLevel(cut.text);
            continue;
        }
        if (!inTopLevel || cut.equals == std::string_view::npos ||
            UnescapeIniKey(TrimSpaces(cut.text.substr(0, cut.equals))) != key) {
            continue;
        }
        result = UnescapeIniValue(cut.text.substr(cut.equals + 1));
    }
    return result;
}

}  // namespace kelvista
