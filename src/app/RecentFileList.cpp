#include "app/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace app {

namespace {

const QString kGroup = QStringLiteral("Recent File List");

bool SamePath(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

} // namespace

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty()) return;
    QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    for (int i = 0; i < m_files.size(); ++i)
        if (SamePath(m_files[i], absolute)) {
            m_files.removeAt(i);
            break;
        }
    m_files.prepend(absolute);
    while (m_files.size() > m_size)
        m_files.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_files.size()) m_files.removeAt(index);
}

void CRecentFileList::Read(QSettings& settings) {
    m_files.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= m_size; ++i) {
        QString file = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty()) m_files.append(file);
    }
    settings.endGroup();
}

void CRecentFileList::Write(QSettings& settings) const {
    settings.beginGroup(kGroup);
    for (int i = 1; i <= m_size; ++i) {
        QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_files.size())
            settings.setValue(key, m_files[i - 1]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}

QString CRecentFileList::MenuText(int index) const {
    if (index < 0 || index >= m_files.size()) return {};
    QString path = m_files[index];
    constexpr int kMaxLength = 60;
    if (path.size() > kMaxLength) {
        // Keep the file name and as much of the start as fits.
        QString name = QFileInfo(path).fileName();
        int keep = std::max(3, kMaxLength - static_cast<int>(name.size()) - 4);
        path = path.left(keep) + QStringLiteral("...") + QDir::separator() + name;
    }
    path.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(path);
}

} // namespace app
