#include "QtSettingsSource.h"

#include <memory>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include "DecimalNumber.h"
#include "IniValueText.h"

namespace kelvista {

namespace {

constexpr std::string_view kNumberValueNames[] = {kMaxFramesSetting};

bool IsNumberValue(std::string_view name) {
    for (const std::string_view numberName : kNumberValueNames) {
        if (name == numberName) {
            return true;
        }
    }
    return false;
}

// A fresh QSettings per query: nothing is kept between reads, so a changed file is seen at once.
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

bool StoreExists(const QSettings& settings) {
#ifdef Q_OS_WIN
    // QSettings does not tell an absent key from an empty one; an empty key holds nothing to read.
    return settings.status() != QSettings::AccessError &&
           !(settings.childKeys().isEmpty() && settings.childGroups().isEmpty());
#else
    const QFileInfo file(settings.fileName());
    return file.isFile() && file.isReadable() && settings.status() != QSettings::AccessError;
#endif
}

QString TextOf(const QSettings& settings, const QString& key, const QVariant& value) {
    if (value.typeId() != QMetaType::QStringList) {
        return value.toString();
    }
    // An unquoted comma split the text; read the line again as one text.
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
    return value.toStringList().join(QLatin1Char(','));
}

std::optional<int32_t> NumberOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
            return value.toInt();
        // A registry DWORD may come back unsigned; its bits are the number.
        case QMetaType::UInt:
            return static_cast<int32_t>(value.toUInt());
        default:
            break;
    }
    const QByteArray text = value.toString().toUtf8();
    int32_t number = 0;
    if (!ParseDecimalInt32(
            TrimBlanks(std::string_view(text.constData(), static_cast<size_t>(text.size()))),
            number)) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

bool QtSettingsSource::openKey(std::string_view subkeyPath) const {
    return subkeyPath == kSettingsKey && StoreExists(*OpenUserStore());
}

std::optional<SettingsSource::Value> QtSettingsSource::queryValue(
    std::string_view subkeyPath, std::string_view valueName) const {
    if (subkeyPath != kSettingsKey) {
        return std::nullopt;
    }
    const auto settings = OpenUserStore();
    const QString key =
        QString::fromUtf8(valueName.data(), static_cast<qsizetype>(valueName.size()));
    if (!StoreExists(*settings) || !settings->contains(key)) {
        return std::nullopt;
    }
    const QVariant value = settings->value(key);
    if (IsNumberValue(valueName)) {
        const std::optional<int32_t> number = NumberOf(value);
        if (!number) {
            return std::nullopt;
        }
        return Value{kSettingTypeDword, DwordBytes(*number)};
    }
    if (!value.canConvert<QString>() && value.typeId() != QMetaType::QStringList) {
        return std::nullopt;
    }
    std::string bytes = TextOf(*settings, key, value).toStdString();
    bytes.push_back('\0');
    return Value{kSettingTypeText, std::move(bytes)};
}

std::string UserSettingsLocation() {
    return OpenUserStore()->fileName().toStdString();
}

}  // namespace kelvista
