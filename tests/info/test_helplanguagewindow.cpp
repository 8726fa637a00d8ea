#include "info/helplanguagewindow.h"
#include "info/helpwindow.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "support/testsupport.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace quendral;

class TestFrmprehelp : public QObject
{
    Q_OBJECT

    test::ProgramFolder m_folder;
    AppState m_state{m_folder.path()};
    WindowFactory m_windows;
    int m_passes = 0;

    QPointer<HelpLanguageWindow> showChooser()
    {
        return qobject_cast<HelpLanguageWindow *>(m_windows.show(QStringLiteral("frmprehelp")));
    }

    QPointer<QWidget> help() const { return m_windows.loaded(QStringLiteral("frmhelp")); }

    bool showsText(const char *name) const
    {
        return help()->findChild<QPlainTextEdit *>(QLatin1String(name))->isVisible();
    }

private slots:
    void init()
    {
        m_state.helpLanguage.clear();
        m_passes = 0;
        m_windows.setCreator(QStringLiteral("frmprehelp"), [this] {
            return new HelpLanguageWindow(m_state, m_windows, [this](QWidget *) { ++m_passes; });
        });
        m_windows.setCreator(QStringLiteral("frmhelp"),
                             [this] { return new HelpWindow(m_state, [this](QWidget *) { ++m_passes; }); });
    }

    void cleanup()
    {
        delete m_windows.loaded(QStringLiteral("frmprehelp"));
        delete m_windows.loaded(QStringLiteral("frmhelp"));
    }

    // The chooser itself.
    void loadShowsTheTwoFlagsWithHints()
    {
        QPointer<HelpLanguageWindow> chooser = showChooser();
        QCOMPARE(chooser->objectName(), QStringLiteral("frmprehelp"));
        QCOMPARE(chooser->windowTitle(), QStringLiteral("Wybierz język pomocy"));
        QCOMPARE(chooser->findChild<QPushButton *>(QStringLiteral("imgpl"))->toolTip(), QStringLiteral("Polish"));
        QCOMPARE(chooser->findChild<QPushButton *>(QStringLiteral("imgen"))->toolTip(), QStringLiteral("English"));
        QVERIFY(!chooser->findChild<QPushButton *>(QStringLiteral("imgpl"))->icon().isNull());
        QVERIFY(!chooser->findChild<QPushButton *>(QStringLiteral("imgen"))->icon().isNull());
        QCOMPARE(chooser->windowModality(), Qt::NonModal);
        QCOMPARE(m_passes, 1);
    }

    // A choice opens the help and closes the chooser.
    void englishFlagShowsEnglishHelpAndClosesChooser()
    {
        QPointer<HelpLanguageWindow> chooser = showChooser();
        chooser->showEnglishHelp();
        QCOMPARE(m_state.helpLanguage, QStringLiteral("EN"));
        QVERIFY(help() && help()->isVisible());
        QCOMPARE(help()->windowModality(), Qt::NonModal);
        QVERIFY(showsText("txthelp_en"));
        QVERIFY(!showsText("txthelp"));
        QTRY_VERIFY(chooser.isNull());
    }

    void polishFlagShowsPolishHelpAndClosesChooser()
    {
        QPointer<HelpLanguageWindow> chooser = showChooser();
        chooser->showPolishHelp();
        QCOMPARE(m_state.helpLanguage, QStringLiteral("PL"));
        QVERIFY(help() && help()->isVisible());
        QVERIFY(showsText("txthelp"));
        QVERIFY(!showsText("txthelp_en"));
        QTRY_VERIFY(chooser.isNull());
    }

    void clickOnTheFlagMakesTheChoice()
    {
        QPointer<HelpLanguageWindow> chooser = showChooser();
        QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("imgen")), Qt::LeftButton);
        QCOMPARE(m_state.helpLanguage, QStringLiteral("EN"));
        QVERIFY(help());
        QTRY_VERIFY(chooser.isNull());
    }

    // A help window that is open already switches to the new choice.
    void openHelpSwitchesLanguage()
    {
        showChooser()->showPolishHelp();
        QPointer<QWidget> first = help();
        QTRY_VERIFY(!m_windows.loaded(QStringLiteral("frmprehelp")));

        showChooser()->showEnglishHelp();
        QCOMPARE(help(), first);
        QVERIFY(showsText("txthelp_en"));
        QVERIFY(!showsText("txthelp"));
    }

    void choiceIsKeptForTheRun()
    {
        showChooser()->showEnglishHelp();
        QTRY_VERIFY(!m_windows.loaded(QStringLiteral("frmprehelp")));
        delete help();

        // Help opened again later, without a new choice, keeps the language.
        m_windows.show(QStringLiteral("frmhelp"));
        QVERIFY(showsText("txthelp_en"));
    }
};

QTEST_MAIN(TestFrmprehelp)
#include "test_helplanguagewindow.moc"
