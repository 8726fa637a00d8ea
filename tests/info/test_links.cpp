#include "info/links.h"

#include <QDesktopServices>
#include <QTest>
#include <QUrl>

using namespace quendral;

namespace {

// Stands in for the desktop's mail program and browser.
class DesktopHandler : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

    Q_INVOKABLE void open(const QUrl &url) { opened.append(url); }
};

QString mailText(const QString &address, const QString &subject, const QString &body)
{
    QString handed;
    open_mail_link(address, subject, body, [&handed](const QString &link) { handed = link; });
    return handed;
}

} // namespace

class TestLinks : public QObject
{
    Q_OBJECT

private slots:
    // The text of the mail link.
    void emptySubjectAndBodyKeepBothKeys()
    {
        QCOMPARE(mailText(QStringLiteral("author@example.org"), {}, {}),
                 QStringLiteral("mailto:author@example.org?subject=&body="));
    }

    void spacesBecomePercentTwenty()
    {
        QCOMPARE(mailText(QStringLiteral("a@example.org"), QStringLiteral("one two three"), QStringLiteral(" x  y ")),
                 QStringLiteral("mailto:a@example.org?subject=one%20two%20three&body=%20x%20%20y%20"));
    }

    void nothingElseIsEscaped()
    {
        QCOMPARE(mailText(QStringLiteral("a@example.org"), QStringLiteral("R&D 100%?"), QStringLiteral("ą#=&ł")),
                 QStringLiteral("mailto:a@example.org?subject=R&D%20100%?&body=ą#=&ł"));
    }

    void addressIsUsedUnchanged()
    {
        QCOMPARE(mailText(QStringLiteral("two words@example.org"), {}, QStringLiteral("hi")),
                 QStringLiteral("mailto:two words@example.org?subject=&body=hi"));
    }

    void mailLinkIsHandedOverOnce()
    {
        int calls = 0;
        open_mail_link(QStringLiteral("a@example.org"), {}, {}, [&calls](const QString &) { ++calls; });
        QCOMPARE(calls, 1);
    }

    // The desktop opener.
    void desktopReceivesTheMailTextAsWritten()
    {
        DesktopHandler handler;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &handler, "open");
        openWithDesktop(QStringLiteral("mailto:a@example.org?subject=one%20&%20two&body="));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));

        QCOMPARE(handler.opened.size(), 1);
        QCOMPARE(handler.opened.first().toString(QUrl::FullyEncoded),
                 QStringLiteral("mailto:a@example.org?subject=one%20&%20two&body="));
    }

    void desktopReceivesTheWebPage()
    {
        DesktopHandler handler;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &handler, "open");
        openWithDesktop(QStringLiteral("https://example.org/quendral"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

        QCOMPARE(handler.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/quendral"))});
    }

    // The build settings.
    void authorAddressesComeFromTheBuild()
    {
        QVERIFY(authorEmail().contains(QLatin1Char('@')));
        QVERIFY(QUrl(authorPage(), QUrl::StrictMode).isValid());
        QVERIFY(!QUrl(authorPage()).scheme().isEmpty());
    }
};

QTEST_MAIN(TestLinks)
#include "test_links.moc"
