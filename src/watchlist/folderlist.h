#pragma once

#include <QListWidget>

namespace quendral {

// The folder list of the folder chooser: the folders above the current one,
// the current folder and the folders in it, indented by depth. A single click
// highlights a folder; a double click opens it, making it the current folder.
class FolderList : public QListWidget
{
    Q_OBJECT

public:
    explicit FolderList(QWidget *parent = nullptr);

    // A folder that exists and whose contents may be listed.
    static bool canOpen(const QString &folder);

    // Makes the folder the current one and highlights it. When it cannot be
    // opened, nothing changes and false is returned.
    bool setPath(const QString &folder);
    // Empties the list: no current folder, nothing highlighted.
    void clearPath();

    // Paths come out with the system's separators.
    const QString &path() const { return m_path; }
    // The full path of the highlighted entry, "" when none is highlighted.
    QString highlightedPath() const;

private:
    void addFolder(const QString &path, const QString &name, int depth, bool open);

    QString m_path;
};

} // namespace quendral
