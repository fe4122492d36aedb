#include "app/qt/qsettings_store.h"

#include "base/data_folders.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace lp {

namespace {

QString KeyPath(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), qsizetype(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(key.data(), qsizetype(key.size()));
}

std::unique_ptr<QSettings> OpenIni(const std::filesystem::path& file) {
    return std::make_unique<QSettings>(QString::fromStdString(file.string()), QSettings::IniFormat);
}

}  // namespace

std::filesystem::path QSettingsStore::DefaultFile() {
    return DataFolders::FromEnvironment().SettingsFolder() / (ApplicationKey() + ".ini");
}

QSettingsStore::QSettingsStore() : QSettingsStore(DefaultFile()) {}

QSettingsStore::QSettingsStore(const std::filesystem::path& file) : m_file(file) {
    std::error_code ec;
    const auto status = std::filesystem::status(m_file, ec);
    if (!ec && std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status)) {
            // Reading a pipe or a device could block the start for ever.
            m_unusable = true;
            return;
        }
        const auto size = std::filesystem::file_size(m_file, ec);
        if (ec || size > kMaxFileBytes) {
            m_replaceFile = true;
            return;
        }
    }
    m_settings = OpenIni(m_file);
}

QSettingsStore::~QSettingsStore() = default;

StoredText QSettingsStore::ReadText(std::string_view section, std::string_view key) const {
    if (!m_settings) return {};
    const QVariant value = m_settings->value(KeyPath(section, key));
    if (!value.isValid()) return {};
    switch (value.typeId()) {
        case QMetaType::QString:
            return {StoredState::Present, value.toString().toStdString()};
        // An unquoted value with commas, as a person may type it by hand.
        case QMetaType::QStringList:
            return {StoredState::Present, value.toStringList().join(QLatin1Char(',')).toStdString()};
        default:
            return {StoredState::Invalid, {}};
    }
}

QSettings* QSettingsStore::Writable() {
    if (m_settings) return m_settings.get();
    if (m_unusable) return nullptr;
    if (m_replaceFile) {
        std::error_code ec;
        std::filesystem::remove(m_file, ec);
        m_replaceFile = false;
    }
    m_settings = OpenIni(m_file);
    return m_settings.get();
}

void QSettingsStore::WriteText(std::string_view section, std::string_view key, std::string_view value) {
    if (QSettings* settings = Writable())
        settings->setValue(KeyPath(section, key), QString::fromUtf8(value.data(), qsizetype(value.size())));
}

void QSettingsStore::Remove(std::string_view section, std::string_view key) {
    if (QSettings* settings = Writable()) settings->remove(KeyPath(section, key));
}

bool QSettingsStore::Flush() {
    if (m_unusable) return false;
    if (!m_settings) return true;  // nothing written yet
    m_settings->sync();
    // A file that could not be parsed reports FormatError even after it has
    // been written again; only a failed write is a failure here.
    return m_settings->status() != QSettings::AccessError;
}

}  // namespace lp
