#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace app {

// The recently used files, newest first, kept in the settings beside the
// editor's own values (group "Recent File List", keys File1, File2, ...).
class CRecentFileList {
  public:
    explicit CRecentFileList(int size = 15) : m_size(size) {}

    // Moves path to the front (adding it when new) and drops what falls off the end.
    void Add(const QString& path);
    void Remove(int index);
    const QStringList& Files() const { return m_files; }
    int Size() const { return m_size; }

    // Reads the list; missing or empty entries are skipped.
    void Read(QSettings& settings);
    // Writes the whole list, removing entries beyond its length.
    void Write(QSettings& settings) const;

    // The menu text of entry index: "&1 " and the path, shortened in the middle when long.
    QString MenuText(int index) const;

  private:
    int m_size;
    QStringList m_files;
};

} // namespace app
