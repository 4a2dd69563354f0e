#include "SettingsStore.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#include <limits>

#include "RegistryValue.h"
#else
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QVariant>
#include <QtGlobal>

#include "IniValueText.h"
#include "RegularFile.h"
#endif

#include "DecimalNumber.h"
#include "MemorySettingsSource.h"

namespace kelvista {

namespace {

std::shared_ptr<const MemorySettingsSource>& TestingOverride() {
    static std::shared_ptr<const MemorySettingsSource> source;
    return source;
}

#ifdef _WIN32

// The capacity of a registry read: a buffer's size, as far as a DWORD counts.
DWORD Capacity(size_t size) {
    return static_cast<DWORD>(std::min<size_t>(size, std::numeric_limits<DWORD>::max()));
}

// The value's bytes whole, without a terminator the registry stored with it; nullopt when the
// key or the value is absent.
std::optional<std::string> ReadUserStore(std::string_view name) {
    const std::string valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (ReadRegistryValue(HKEY_CURRENT_USER, kSettingsKeyPath, valueName.c_str(), &type, nullptr,
                          &size) != 0) {
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    if (ReadRegistryValue(HKEY_CURRENT_USER, kSettingsKeyPath, valueName.c_str(), &type,
                          reinterpret_cast<BYTE*>(bytes.data()), &size) != 0) {
        return std::nullopt;  // it changed in between
    }
    bytes.resize(std::min<size_t>(size, bytes.size()));
    if (const size_t end = bytes.find('\0'); end != std::string::npos) {
        bytes.resize(end);
    }
    return bytes;
}

#else

// Where QSettings keeps the organisation-wide settings of "Dravenor" for this user, found the
// way it finds them, but without QSettings: it opens the file as it is made, and would wait
// forever on a pipe.
QString UserSettingsFileName() {
    return QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/Dravenor.conf"))
        .absoluteFilePath();
}

SmallFile ReadUserSettingsFileNow() {
    return ReadSmallRegularFile(QFile::encodeName(UserSettingsFileName()).toStdString(),
                                kMaxSettingsFileBytes);
}

std::unique_ptr<const SmallFile>& SettingsFileSnapshot() {
    static std::unique_ptr<const SmallFile> snapshot;
    return snapshot;
}

// The file as the snapshot holds it, or else as it is now (kept in `fresh`).
const SmallFile& ReadUserSettingsFile(SmallFile& fresh) {
    if (const std::unique_ptr<const SmallFile>& snapshot = SettingsFileSnapshot()) {
        return *snapshot;
    }
    fresh = ReadUserSettingsFileNow();
    return fresh;
}

// A QSettings value stream ("@Variant(...)", "@DateTime(...)") read with its stream version;
// its text, or nullopt when it holds no value that has one.
std::optional<std::string> StreamedValueText(std::string_view streamText,
                                             QDataStream::Version version) {
    QByteArray bytes =
        QString::fromUtf8(streamText.data(), static_cast<qsizetype>(streamText.size())).toLatin1();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream.setVersion(version);
    QVariant value;
    stream >> value;
    if (!value.isValid() || !value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

size_t ArgumentCount(std::string_view arguments) {
    return static_cast<size_t>(std::count(arguments.begin(), arguments.end(), ' ')) + 1;
}

// QSettings writes a value that is not a plain text as "@Type(...)", and doubles the '@' of a
// text that starts with one. This reads them back as it does: the text of the value held, or
// nullopt for a value without one (a rectangle, a size, a point, "@Invalid()"). The bytes of a
// "@ByteArray(...)" are taken as they are, whether UTF-8 or not.
std::optional<std::string> ValueText(std::string_view view) {
    if (!view.starts_with('@')) {
        return std::string(view);
    }
    if (view.ends_with(')')) {
        const auto inside = [view](size_t prefix) {
            return view.substr(prefix, view.size() - prefix - 1);
        };
        if (view.starts_with("@ByteArray(")) {
            const std::string_view bytes = inside(11);
            return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                .toLatin1()
                .toStdString();
        }
        if (view.starts_with("@String(")) {
            return std::string(inside(8));
        }
        if (view.starts_with("@Variant(")) {
            return StreamedValueText(inside(9), QDataStream::Qt_4_0);
        }
        if (view.starts_with("@DateTime(")) {
            return StreamedValueText(inside(10), QDataStream::Qt_5_6);
        }
        if (view == "@Invalid()" || (view.starts_with("@Rect(") && ArgumentCount(inside(6)) == 4) ||
            (view.starts_with("@Size(") && ArgumentCount(inside(6)) == 2) ||
            (view.starts_with("@Point(") && ArgumentCount(inside(7)) == 2)) {
            return std::nullopt;
        }
    }
    if (view.starts_with("@@")) {
        view.remove_prefix(1);
    }
    return std::string(view);
}

// The value's text in the user's settings file (UTF-8), or nullopt when the file or the value
// is absent.
std::optional<std::string> ReadUserStore(std::string_view name) {
    SmallFile fresh;
    const SmallFile& file = ReadUserSettingsFile(fresh);
    if (file.outcome != SmallFile::Outcome::Read) {
        return std::nullopt;
    }
    const std::optional<std::string> text = IniValueAsOneText(file.bytes, name);
    if (!text) {
        return std::nullopt;
    }
    return ValueText(*text);
}

#endif

std::optional<std::string> ReadText(const char* valueName) {
    const std::string_view name = valueName != nullptr ? valueName : "";
    if (const auto& source = TestingOverride()) {
        return source->text(name);
    }
    return ReadUserStore(name);
}

}  // namespace

char* ReadSettingString(const char* valueName, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return buffer;
    }
    std::memset(buffer, 0, size);
#ifdef _WIN32
    if (!TestingOverride()) {
        DWORD type = 0;
        DWORD capacity = Capacity(size);
        ReadRegistryValue(HKEY_CURRENT_USER, kSettingsKeyPath, valueName, &type,
                          reinterpret_cast<BYTE*>(buffer), &capacity);
        buffer[size - 1] = '\0';
        return buffer;
    }
#endif
    if (const auto text = ReadText(valueName); text && text->size() < size) {
        std::memcpy(buffer, text->data(), text->size());
    }
    return buffer;
}

int32_t ReadSettingDword(const char* valueName, int32_t defaultValue) {
#ifdef _WIN32
    if (!TestingOverride()) {
        // The four bytes as stored, whatever the value's type; fewer bytes count as no number.
        int32_t number = defaultValue;
        DWORD type = 0;
        DWORD size = sizeof number;
        if (ReadRegistryValue(HKEY_CURRENT_USER, kSettingsKeyPath, valueName, &type,
                              reinterpret_cast<BYTE*>(&number), &size) != 0 ||
            size != sizeof number) {
            return defaultValue;
        }
        return number;
    }
#endif
    int32_t number = defaultValue;
    if (const auto text = ReadText(valueName)) {
        ParseDecimalInt32(TrimBlanks(*text), number);  // leaves the default on failure
    }
    return number;
}

std::optional<std::string> ReadSettingText(const char* valueName) {
    return ReadText(valueName);
}

std::string UserSettingsLocation() {
#ifdef _WIN32
    return std::string("HKEY_CURRENT_USER\\") + kSettingsKeyPath;
#else
    return UserSettingsFileName().toStdString();
#endif
}

SettingsFileState UserSettingsFileState() {
    SettingsFileState state;
    state.location = UserSettingsLocation();
#ifndef _WIN32
    if (!TestingOverride()) {
        SmallFile fresh;
        const SmallFile& file = ReadUserSettingsFile(fresh);
        if (file.outcome == SmallFile::Outcome::Absent) {
            state.outcome = SettingsFileState::Outcome::Absent;
        } else if (file.outcome == SmallFile::Outcome::Refused) {
            state.outcome = SettingsFileState::Outcome::Refused;
            state.problem = file.problem;
        }
    }
#endif
    return state;
}

SettingsSnapshot::SettingsSnapshot() {
#ifndef _WIN32
    SettingsFileSnapshot() = std::make_unique<const SmallFile>(ReadUserSettingsFileNow());
#endif
}

SettingsSnapshot::~SettingsSnapshot() {
#ifndef _WIN32
    SettingsFileSnapshot().reset();
#endif
}

void SetUserSettingsForTesting(std::shared_ptr<const MemorySettingsSource> source) {
    TestingOverride() = std::move(source);
}

}  // namespace kelvista
