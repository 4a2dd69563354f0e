#include "SettingsStore.h"

#include <cstring>
#include <optional>
#include <string_view>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include "DecimalNumber.h"
#include "IniValueText.h"
#include "MemorySettingsSource.h"

namespace kelvista {

namespace {

std::shared_ptr<const MemorySettingsSource>& TestingOverride() {
    static std::shared_ptr<const MemorySettingsSource> source;
    return source;
}

// A fresh QSettings per read: nothing is kept between reads, so a changed store is seen at once.
// Nothing is ever set on it, so its destructor has nothing to write back.
std::unique_ptr<const QSettings> OpenUserStore() {
#ifdef Q_OS_WIN
    auto settings = std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Dravenor"), QSettings::NativeFormat);
#else
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QStringLiteral("Dravenor"));
#endif
    settings->setFallbacksEnabled(false);
    return settings;
}

// QSettings reads an unquoted comma as a list separator and trims the blanks around each item;
// a folder name must come back as written, so its line is read again as one text.
QString TextOfList(const QSettings& settings, const QString& key, const QStringList& items) {
    QFile file(settings.fileName());
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray content = file.readAll();
        const QByteArray keyUtf8 = key.toUtf8();
        if (const auto text = IniValueAsOneText(
                std::string_view(content.constData(), static_cast<size_t>(content.size())),
                std::string_view(keyUtf8.constData(), static_cast<size_t>(keyUtf8.size())))) {
            return QString::fromStdString(*text);
        }
    }
    return items.join(QLatin1Char(','));
}

// The value's text in the user's store (UTF-8), or nullopt when the store or the value is absent.
// A registry number arrives as its decimal text.
std::optional<std::string> ReadUserStore(std::string_view name) {
    const auto settings = OpenUserStore();
#ifndef Q_OS_WIN
    // QSettings keeps what it read while the file's size and time stay the same, even when the
    // file has become unreadable since.
    if (!QFileInfo(settings->fileName()).isReadable()) {
        return std::nullopt;
    }
#endif
    const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (!settings->contains(key)) {
        return std::nullopt;
    }
    const QVariant value = settings->value(key);
    if (value.typeId() == QMetaType::QStringList) {
        return TextOfList(*settings, key, value.toStringList()).toStdString();
    }
    if (!value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

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

std::string UserSettingsLocation() {
    return OpenUserStore()->fileName().toStdString();
}

void SetUserSettingsForTesting(std::shared_ptr<const MemorySettingsSource> source) {
    TestingOverride() = std::move(source);
}

}  // namespace kelvista
