#pragma once

#include <QString>

#include <vector>

namespace quendral {

// Tells folders whose file system may keep a test waiting (network shares,
// user-space and automounted file systems) from local ones, without asking
// those file systems anything: the folder's path is resolved link by link
// against the mount table, and no link is read below a mount that may block.
// The mount table is read again only when it has changed.
class RemoteFolders
{
public:
    // `mountTable` in the format of /proc/self/mountinfo.
    explicit RemoteFolders(const QString &mountTable = QStringLiteral("/proc/self/mountinfo"));
    ~RemoteFolders();
    RemoteFolders(const RemoteFolders &) = delete;
    RemoteFolders &operator=(const RemoteFolders &) = delete;

    // A folder path ending in "/", absolute or relative to the current folder.
    bool mayBlock(const QString &folder);

    struct Mount
    {
        QString point;
        bool mayBlock = false;
    };

private:
    void refresh();
    bool underBlockingMount(const QString &path) const;

    int m_table = -1;
    std::vector<Mount> m_mounts;
};

} // namespace quendral
