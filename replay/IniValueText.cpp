#include "IniValueText.h"

#include <cstdint>

#include "DecimalNumber.h"

namespace kelvista {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void AppendUtf8(std::string& out, uint32_t codeUnit) {
    if (codeUnit < 0x80) {
        out.push_back(static_cast<char>(codeUnit));
    } else if (codeUnit < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codeUnit >> 6)));
        out.push_back(static_cast<char>(0x80 | (codeUnit & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (codeUnit >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codeUnit >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codeUnit & 0x3F)));
    }
}

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

// Reads the digits of a numeric escape; like QSettings, the value is one UTF-16 code unit.
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

std::string_view SectionName(std::string_view line) {
    line.remove_prefix(1);
    const size_t end = line.find(']');
    return end == std::string_view::npos ? line : line.substr(0, end);
}

}  // namespace

std::string UnescapeIniValue(std::string_view raw) {
    std::string out;
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
                out.push_back(simple);
            } else if (escaped == 'x') {
                AppendUtf8(out, ReadEscapeNumber(raw, i, 16));
            } else if (escaped >= '0' && escaped <= '7') {
                --i;
                AppendUtf8(out, ReadEscapeNumber(raw, i, 8));
            }
            // Any other escaped character is dropped, as QSettings does.
            keptLength = out.size();
        } else if (c == '"') {
            inQuotes = !inQuotes;
            wasQuoted = true;
            if (!inQuotes) {
                skipBlanks();
            }
        } else if (c == ';' && !inQuotes) {
            break;
        } else {
            out.push_back(c);
            if (inQuotes) {
                keptLength = out.size();
            }
        }
    }
    if (!wasQuoted) {
        while (out.size() > keptLength && IsBlank(out.back())) {
            out.pop_back();
        }
    }
    return out;
}

std::optional<std::string> IniValueAsOneText(std::string_view fileText, std::string_view key) {
    std::optional<std::string> result;
    bool inTopLevel = true;
    while (!fileText.empty()) {
        const size_t end = fileText.find('\n');
        std::string_view line = fileText.substr(0, end);
        fileText.remove_prefix(end == std::string_view::npos ? fileText.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inTopLevel = SectionName(line) == "General";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inTopLevel || equals == std::string_view::npos ||
            TrimBlanks(line.substr(0, equals)) != key) {
            continue;
        }
        result = UnescapeIniValue(line.substr(equals + 1));
    }
    return result;
}

}  // namespace kelvista
