#include "watchlist/folderlist.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace quendral {

namespace {

constexpr int kPathRole = Qt::UserRole;

} // namespace

FolderList::FolderList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { setPath(item->data(kPathRole).toString()); });
}

bool FolderList::canOpen(const QString &folder)
{
    const QFileInfo info(folder);
    return !folder.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
}

bool FolderList::setPath(const QString &folder)
{
    if (!canOpen(folder))
        return false;
    const QString current = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList chain;
    for (QDir dir(current);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp())
            break;
    }

    clear();
    m_path = QDir::toNativeSeparators(current);
    int depth = 0;
    for (const QString &path : std::as_const(chain)) {
        const QString name = QDir(path).dirName();
        addFolder(path, name.isEmpty() ? path : name, depth++, true);
    }
    QListWidgetItem *currentItem = item(count() - 1);
    const QFileInfoList children = QDir(current).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                               QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo &child : children)
        addFolder(child.absoluteFilePath(), child.fileName(), depth, false);

    setCurrentItem(currentItem);
    scrollToItem(currentItem);
    return true;
}

void FolderList::clearPath()
{
    clear();
    m_path.clear();
}

QString FolderList::highlightedPath() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(kPathRole).toString();
}

void FolderList::addFolder(const QString &path, const QString &name, int depth, bool open)
{
    // Shown and handed on with the system's separators ("C:\\" on Windows).
    const QString native = QDir::toNativeSeparators(path);
    auto *entry = new QListWidgetItem(style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
                                      QString(depth * 2, u' ') + QDir::toNativeSeparators(name), this);
    entry->setData(kPathRole, native);
    entry->setToolTip(native);
}

} // namespace quendral
