#include "SettingsStore.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QVariant>
#include <QtGlobal>
#ifdef Q_OS_WIN
#include <QSettings>
#include <QStringList>
#endif

#include "DecimalNumber.h"
#include "IniValueText.h"
#include "MemorySettingsSource.h"
#include "RegularFile.h"

namespace kelvista {

namespace {

std::shared_ptr<const MemorySettingsSource>& TestingOverride() {
    static std::shared_ptr<const MemorySettingsSource> source;
    return source;
}

#ifdef Q_OS_WIN

// A fresh QSettings per read: nothing is kept between reads, so a changed store is seen at once.
// Nothing is ever set on it, so its destructor has nothing to write back.
std::unique_ptr<const QSettings> OpenUserStore() {
    auto settings = std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Dravenor"), QSettings::NativeFormat);
    settings->setFallbacksEnabled(false);
    return settings;
}

// The value's text in the registry (UTF-8), or nullopt when the key or the value is absent. A
// number arrives as its decimal text, a list of texts joined by commas.
std::optional<std::string> ReadUserStore(std::string_view name) {
    const auto settings = OpenUserStore();
    const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (!settings->contains(key)) {
        return std::nullopt;
    }
    const QVariant value = settings->value(key);
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    if (!value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
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
    if (const auto text = ReadText(valueName); text && text->size() < size) {
        std::memcpy(buffer, text->data(), text->size());
    }
    return buffer;
}

int32_t ReadSettingDword(const char* valueName, int32_t defaultValue) {
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
#ifdef Q_OS_WIN
    return OpenUserStore()->fileName().toStdString();
#else
    return UserSettingsFileName().toStdString();
#endif
}

SettingsFileState UserSettingsFileState() {
    SettingsFileState state;
    state.location = UserSettingsLocation();
#ifndef Q_OS_WIN
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
#ifndef Q_OS_WIN
    SettingsFileSnapshot() = std::make_unique<const SmallFile>(ReadUserSettingsFileNow());
#endif
}

SettingsSnapshot::~SettingsSnapshot() {
#ifndef Q_OS_WIN
    SettingsFileSnapshot().reset();
#endif
}

void SetUserSettingsForTesting(std::shared_ptr<const MemorySettingsSource> source) {
    TestingOverride() = std::move(source);
}

}  // namespace kelvista
