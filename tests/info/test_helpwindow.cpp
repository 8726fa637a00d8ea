#include "info/helptext.h"
#include "info/helpwindow.h"
#include "settings/appstate.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

using namespace quendral;

namespace {

QPlainTextEdit *text(QWidget *window, const char *name)
{
    return window->findChild<QPlainTextEdit *>(QLatin1String(name));
}

// The headings must appear, each once, in this order.
void verifyOutline(const QString &help, const QStringList &headings)
{
    qsizetype from = 0;
    for (const QString &heading : headings) {
        const qsizetype at = help.indexOf(heading, from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("missing or out of order: ") + heading));
        QCOMPARE(help.count(heading), 1);
        from = at + heading.size();
    }
}

QStringList numberedPoints()
{
    QStringList points;
    for (const auto &[section, last] : {std::pair{3, 7}, std::pair{4, 6}, std::pair{5, 5}})
        for (int point = 1; point <= last; ++point)
            points.append(QStringLiteral("\n%1.%2 ").arg(section).arg(point));
    return points;
}

} // namespace

class TestFrmhelp : public QObject
{
    Q_OBJECT

    test::ProgramFolder m_folder;
    AppState m_state{m_folder.path()};

    QPointer<HelpWindow> make(
        const QString &helpLang, LanguagePass loadLanguage = [](QWidget *) {})
    {
        m_state.helpLanguage = helpLang;
        auto *window = new HelpWindow(m_state, std::move(loadLanguage));
        window->show();
        return window;
    }

private slots:
    // Which text shows.
    void polishChoiceShowsPolishText()
    {
        QPointer<HelpWindow> window = make(QStringLiteral("PL"));
        QVERIFY(text(window, "txthelp")->isVisible());
        QVERIFY(!text(window, "txthelp_en")->isVisible());
        delete window;
    }

    void englishChoiceShowsEnglishText()
    {
        QPointer<HelpWindow> window = make(QStringLiteral("EN"));
        QVERIFY(!text(window, "txthelp")->isVisible());
        QVERIFY(text(window, "txthelp_en")->isVisible());
        delete window;
    }

    void unchosenHelpShowsPolishText()
    {
        QPointer<HelpWindow> window = make({});
        QVERIFY(text(window, "txthelp")->isVisible());
        QVERIFY(!text(window, "txthelp_en")->isVisible());
        delete window;
    }

    void openWindowFollowsANewChoice()
    {
        QPointer<HelpWindow> window = make(QStringLiteral("PL"));
        m_state.helpLanguage = QStringLiteral("EN");
        window->showChosenText();
        QVERIFY(!text(window, "txthelp")->isVisible());
        QVERIFY(text(window, "txthelp_en")->isVisible());
        delete window;
    }

    void boxesHoldTheHelpTexts()
    {
        QPointer<HelpWindow> window = make(QStringLiteral("PL"));
        QCOMPARE(text(window, "txthelp")->toPlainText(), polishHelpText());
        QCOMPARE(text(window, "txthelp_en")->toPlainText(), englishHelpText());
        QVERIFY(text(window, "txthelp")->isReadOnly());
        QCOMPARE(text(window, "txthelp_en")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        delete window;
    }

    // The help texts follow the outline.
    void polishTextFollowsTheOutline()
    {
        QStringList outline{QStringLiteral("1.) Przeznaczenie programu:"),
                            QStringLiteral("2.) Sposób użycia programu:"), QStringLiteral("3.) Okno OPCJE:"),
                            QStringLiteral("4.) Okno LISTA PLIKÓW:"), QStringLiteral("5.) POP UP MENU PROGRAMU:")};
        verifyOutline(polishHelpText(), outline);
        verifyOutline(polishHelpText(), numberedPoints());
        QVERIFY(polishHelpText().contains(QStringLiteral("pół minuty")));
    }

    void englishTextFollowsTheOutline()
    {
        QStringList outline{QStringLiteral("1.) Purpose:"), QStringLiteral("2.) Using the Program:"),
                            QStringLiteral("3.) Using OPTIONS window:"), QStringLiteral("4.) Using FILE LIST window:"),
                            QStringLiteral("5.) PROGRAM POP UP MENU:")};
        verifyOutline(englishHelpText(), outline);
        verifyOutline(englishHelpText(), numberedPoints());
        QVERIFY(englishHelpText().contains(QStringLiteral("half a minute")));
    }

    // Load and close.
    void loadAppliesTextsToTheNamedWindow()
    {
        bool sawWindow = false;
        QPointer<HelpWindow> window = make(QStringLiteral("PL"), [&sawWindow](QWidget *) {
            // The language pass finds windows among the top-level widgets by
            // name, and their controls by name.
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("frmhelp"))
                    sawWindow = top->findChild<QLabel *>(QStringLiteral("lbltitle")) &&
                                top->findChild<QLabel *>(QStringLiteral("lblhowuse")) &&
                                top->findChild<QWidget *>(QStringLiteral("cmdapply"));
        });
        QVERIFY(sawWindow);
        QCOMPARE(window->windowTitle(), QStringLiteral("Pomoc"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lbltitle"))->text(),
                 QStringLiteral("Pomoc programu Quendral"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblhowuse"))->text(),
                 QStringLiteral("Jak korzystać z programu?"));
        delete window;
    }

    void okClosesAndUnloads()
    {
        QPointer<HelpWindow> window = make(QStringLiteral("EN"));
        QVERIFY(!window->isModal() && window->windowModality() == Qt::NonModal);
        QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("cmdapply")), Qt::LeftButton);
        QTRY_VERIFY(window.isNull());
    }
};

QTEST_MAIN(TestFrmhelp)
#include "test_helpwindow.moc"
