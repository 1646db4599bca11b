#include "app/QtPlatform.h"

#include "platform/Text.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>

namespace app {

namespace {

QString Key(std::string_view key) {
    return QStringLiteral("Settings/") +
           QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

QWidget* DialogParent(QWidget* preferred) {
    if (QWidget* active = QApplication::activeModalWidget()) return active;
    return preferred;
}

} // namespace

QString FromGameText(std::string_view text) {
    return QString::fromStdString(platform::Cp1252ToUtf8(text));
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::string UserDataFolder() {
    return ToPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

// --- prompts ---------------------------------------------------------------------------

void QtPrompts::Message(std::string_view text, platform::Icon icon) {
    QMessageBox::Icon boxIcon = icon == platform::Icon::Error     ? QMessageBox::Critical
                                : icon == platform::Icon::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QMessageBox box(boxIcon, QString::fromUtf8(kAppName), FromGameText(text), QMessageBox::Ok,
                    DialogParent(m_parent));
    box.exec();
}

bool QtPrompts::AskYesNo(std::string_view question) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppName), FromGameText(question),
                    QMessageBox::Yes | QMessageBox::No, DialogParent(m_parent));
    return box.exec() == QMessageBox::Yes;
}

// --- settings -----------------------------------------------------------------------------

QtSettingsStore::QtSettingsStore()
    : m_owned(std::make_unique<QSettings>(QStringLiteral("Tarnwick"), QString::fromUtf8(kAppName))),
      m_settings(m_owned.get()) {}

QtSettingsStore::QtSettingsStore(QSettings* settings) : m_settings(settings) {}

QtSettingsStore::~QtSettingsStore() = default;

std::string QtSettingsStore::GetString(std::string_view key, std::string_view defaultValue) const {
    QVariant value = m_settings->value(Key(key));
    if (!value.isValid() || !value.canConvert<QString>()) return std::string(defaultValue);
    return ToPath(value.toString());
}

int QtSettingsStore::GetInt(std::string_view key, int defaultValue) const {
    QVariant value = m_settings->value(Key(key));
    if (!value.isValid()) return defaultValue;
    bool ok = false;
    int n = value.toString().trimmed().toInt(&ok);
    return ok ? n : defaultValue;
}

void QtSettingsStore::SetString(std::string_view key, std::string_view value) {
    m_settings->setValue(Key(key), FromPath(std::string(value)));
}

void QtSettingsStore::SetInt(std::string_view key, int value) {
    m_settings->setValue(Key(key), value);
}

// --- resource folders ---------------------------------------------------------------------------

std::string QtResourcePathDialogs::BrowseFolder(std::string_view title) {
    if (!m_browser) return {};
    return ToPath(m_browser(m_parent, FromGameText(title)));
}

std::optional<std::string> QtResourcePathDialogs::AskResourceDirectory(std::string_view proposal) {
    CResourceDirectoryDialog dialog(FromPath(std::string(proposal)), m_browser, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ToPath(dialog.Directory());
}

} // namespace app
