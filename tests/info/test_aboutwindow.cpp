#include "info/aboutwindow.h"
#include "info/links.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

using namespace quendral;

namespace {

const QColor green(0, 128, 0);
const QColor yellow(255, 255, 0);

// A pointer move without buttons, delivered as the window system delivers it.
void movePointer(QWidget *over)
{
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, over->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(over, &move);
}

} // namespace

class TestFrmabout : public QObject
{
    Q_OBJECT

    QStringList m_opened;
    QPointer<AboutWindow> m_window;

    QLabel *label(const char *name) const { return m_window->findChild<QLabel *>(QLatin1String(name)); }
    QColor colour(const char *name) const { return label(name)->palette().color(QPalette::WindowText); }

private slots:
    void init()
    {
        m_opened.clear();
        m_window = new AboutWindow([](QWidget *) {}, [this](const QString &link) { m_opened.append(link); });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void cleanup() { delete m_window; }

    // Contents.
    void labelsShowVersionDateAndAddresses()
    {
        QCOMPARE(m_window->objectName(), QStringLiteral("frmabout"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Informacje o programie..."));
        QCOMPARE(label("lblversion")->text(), QStringLiteral("Wersja:"));
        QCOMPARE(label("lblnumber")->text(), QStringLiteral("1.2"));
        QCOMPARE(label("lblcompilation")->text(), QStringLiteral("Data kompilacji:"));
        QVERIFY(!label("lblabout")->text().isEmpty());
        QVERIFY(!label("lblauthor")->text().isEmpty());
        QCOMPARE(label("Label5")->text(), authorEmail());
        QCOMPARE(label("Label6")->text(), authorPage());
        QVERIFY(!label("imgmail")->pixmap().isNull());
        QVERIFY(!label("imgweb")->pixmap().isNull());
        QCOMPARE(m_window->windowModality(), Qt::NonModal);
    }

    void buildDateIsADate()
    {
        const QString shown = label("lbldate")->text();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$")).match(shown).hasMatch(),
                 qPrintable(shown));
        const QDate date = QDate::fromString(shown, QStringLiteral("dd.MM.yyyy"));
        QVERIFY(date.isValid());
        QVERIFY(date <= QDate::currentDate());
    }

    void linksAreGreenBoldWithAHand()
    {
        for (const char *name : {"Label5", "Label6"}) {
            QCOMPARE(colour(name), green);
            QVERIFY(label(name)->font().bold());
            QCOMPARE(label(name)->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    // Link colours on pointer movement.
    void pointerOverMailLinkLightsIt()
    {
        movePointer(label("Label5"));
        QCOMPARE(colour("Label5"), yellow);
        QCOMPARE(colour("Label6"), green);
    }

    void pointerFromMailToWebLinkSwapsColours()
    {
        movePointer(label("Label5"));
        movePointer(label("Label6"));
        QCOMPARE(colour("Label5"), green);
        QCOMPARE(colour("Label6"), yellow);
    }

    void pointerOverBackgroundRestoresGreen()
    {
        movePointer(label("Label6"));
        movePointer(m_window);
        QCOMPARE(colour("Label5"), green);
        QCOMPARE(colour("Label6"), green);
    }

    void pointerLeavingALinkRestoresGreen()
    {
        movePointer(label("Label5"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(label("Label5"), &leave);
        QCOMPARE(colour("Label5"), green);
        QCOMPARE(colour("Label6"), green);
    }

    void realPointerFromLinkToNeighbouringLabel()
    {
        QTest::mouseMove(label("Label6"));
        QTRY_COMPARE(colour("Label6"), yellow);
        QTest::mouseMove(label("lblabout"));
        QTRY_COMPARE(colour("Label6"), green);
        QCOMPARE(colour("Label5"), green);
    }

    void handlersSetTheTableColours()
    {
        m_window->Label6_MouseMove();
        QCOMPARE(colour("Label5"), green);
        QCOMPARE(colour("Label6"), yellow);
        m_window->Label5_MouseMove();
        QCOMPARE(colour("Label5"), yellow);
        QCOMPARE(colour("Label6"), green);
        m_window->Form_MouseMove();
        QCOMPARE(colour("Label5"), green);
        QCOMPARE(colour("Label6"), green);
    }

    // Clicks.
    void mailLinkHandsTheMailText()
    {
        m_window->openMailLink();
        QCOMPARE(m_opened, QStringList{QStringLiteral("mailto:") + authorEmail() + QStringLiteral("?subject=&body=")});
    }

    void webLinkHandsThePage()
    {
        m_window->openWebLink();
        QCOMPARE(m_opened, QStringList{authorPage()});
    }

    void clickOnALinkOpensIt()
    {
        QTest::mouseClick(label("Label6"), Qt::LeftButton);
        QTest::mouseClick(label("Label5"), Qt::LeftButton);
        QCOMPARE(m_opened, (QStringList{authorPage(), QStringLiteral("mailto:") + authorEmail() +
                                                          QStringLiteral("?subject=&body=")}));
    }

    void rightClickOpensNothing()
    {
        QTest::mouseClick(label("Label5"), Qt::RightButton);
        QVERIFY(m_opened.isEmpty());
    }

    void okClosesAndUnloads()
    {
        QTest::mouseClick(m_window->findChild<QWidget *>(QStringLiteral("cmdapply")), Qt::LeftButton);
        QTRY_VERIFY(m_window.isNull());
        QVERIFY(m_opened.isEmpty());
    }
};

QTEST_MAIN(TestFrmabout)
#include "test_aboutwindow.moc"
