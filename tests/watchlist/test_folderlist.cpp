#include "watchlist/folderlist.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;

class TestFolderList : public QObject
{
    Q_OBJECT

private:
    static QStringList paths(const FolderList &list)
    {
        QStringList result;
        for (int row = 0; row < list.count(); ++row)
            result.append(list.item(row)->data(Qt::UserRole).toString());
        return result;
    }

    QTemporaryDir m_tree;
    QString m_root;

private slots:
    void initTestCase()
    {
        m_root = QDir::cleanPath(m_tree.path());
        for (const char *sub : {"Pobrane/zeta", "alpha", "Beta", ".hidden"})
            QVERIFY(QDir(m_root).mkpath(QLatin1String(sub)));
    }

    // --- what the list shows ---
    void showsParentsCurrentAndSortedSubfolders()
    {
        FolderList list;
        QVERIFY(list.setPath(m_root));
        QStringList expected;
        for (QDir dir(m_root);;) {
            expected.prepend(dir.absolutePath());
            if (!dir.cdUp())
                break;
        }
        QCOMPARE(expected.first(), QStringLiteral("/"));
        expected << m_root + "/alpha" << m_root + "/Beta" << m_root + "/Pobrane";
        QCOMPARE(paths(list), expected);
        QCOMPARE(list.path(), m_root);
        QCOMPARE(list.highlightedPath(), m_root);
    }

    // --- the mouse: a click highlights, a double click opens ---
    void clickHighlightsDoubleClickOpens()
    {
        FolderList list;
        list.resize(300, 600);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QVERIFY(list.setPath(m_root));
        const int row = int(paths(list).indexOf(m_root + "/Pobrane"));
        const QPoint centre = list.visualItemRect(list.item(row)).center();

        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(list.highlightedPath(), m_root + "/Pobrane");
        QCOMPARE(list.path(), m_root);

        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(list.path(), m_root + "/Pobrane");
        QCOMPARE(list.highlightedPath(), m_root + "/Pobrane");
        QCOMPARE(paths(list).last(), m_root + "/Pobrane/zeta");
    }
};

QTEST_MAIN(TestFolderList)
#include "test_folderlist.moc"
