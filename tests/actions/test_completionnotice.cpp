#include "actions/completionnotice.h"

#include "kit/picturebutton.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"
#include "support/fakes.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

using namespace quendral;
using namespace quendral::test;

class TestFrminfo : public QObject
{
    Q_OBJECT

    ProgramFolder m_folder;
    AppState m_state{m_folder.path()};

private slots:
    void loadAppliesTheTextsThenBeepsOnce()
    {
        FakeSound sound;
        FakeNotifier notifier;
        QStringList steps;
        CompletionNotice window(m_state, sound, notifier, [&](QWidget *) {
            steps.append(QStringLiteral("language:") + sound.played.join(u','));
        });
        QCOMPARE(steps, QStringList{QStringLiteral("language:")});
        QCOMPARE(sound.played, QStringList{QStringLiteral("beep")});
    }

    // The reason and the missing files are the notice's own texts: a later
    // language pass puts the file's captions back, and the notice its reason.
    void theReasonOutlivesALanguagePass()
    {
        FakeSound sound;
        FakeNotifier notifier;
        m_state.messages.insert(
            {{"noticetitledeadline", "LATE"}, {"finisheddeadline", "AT %1"}, {"missingfiles", "MISSING:"}});
        const auto pass = [](QWidget *) {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("frminfo")) {
                    top->setWindowTitle(QStringLiteral("Done"));
                    top->findChild<QLabel *>(QStringLiteral("lblfile"))->setText(QStringLiteral("Files are here."));
                }
            }
        };
        CompletionNotice window(m_state, sound, notifier, pass);
        CompletionChoice choice;
        choice.reason = FinishReason::Deadline;
        choice.deadline = QTime(7, 5);
        choice.missing = QStringList{"/d/b.zip"};
        window.showReason(choice);
        const QString text = QStringLiteral("AT 7:05\nMISSING:\n/d/b.zip");
        QTRY_COMPARE(notifier.sent, QStringList{QStringLiteral("LATE|") + text});
        pass(nullptr);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&window, &change);
        QCOMPARE(window.windowTitle(), QStringLiteral("LATE"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblfile"))->text(), text);
    }

    // Under its reason the notice names the files that came in, when it
    // finished and each countdown: ahead, then carried out or declined.
    void theNoticeTellsTheCompletion_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<bool>("hangUp");
        QTest::addColumn<int>("power"); // -1: none
        QTest::addColumn<int>("ended"); // -1: not yet, 0: carried out, 1: declined
        QTest::addColumn<QString>("details");
        const int suspend = int(PowerControl::Action::Suspend);
        QTest::newRow("hang-up ahead") << int(FinishReason::Files) << QStringList() << true << -1 << -1
                                       << "IN:\n/d/a\n/d/b\nAT *\nNEXT hangup";
        QTest::newRow("suspended") << int(FinishReason::Files) << QStringList() << false << suspend << 0
                                   << "IN:\n/d/a\n/d/b\nAT *\nDONE suspend";
        QTest::newRow("suspend declined") << int(FinishReason::Files) << QStringList() << false << suspend << 1
                                          << "IN:\n/d/a\n/d/b\nAT *\nNO suspend";
        QTest::newRow("deadline, one missing")
            << int(FinishReason::Deadline) << QStringList{"/d/b"} << false << -1 << -1 << "IN:\n/d/a\nAT *";
    }
    void theNoticeTellsTheCompletion()
    {
        QFETCH(int, reason);
        QFETCH(QStringList, missing);
        QFETCH(bool, hangUp);
        QFETCH(int, power);
        QFETCH(int, ended);
        QFETCH(QString, details);
        m_state.messages.insert({{"noticefilesin", "IN:"},
                                 {"noticefinishedat", "AT %1"},
                                 {"noticecountdownahead", "NEXT %1"},
                                 {"noticecountdowndone", "DONE %1"},
                                 {"noticecountdowndeclined", "NO %1"},
                                 {"actionhangup", "hangup"},
                                 {"actionsuspend", "suspend"}});
        FakeSound sound;
        FakeNotifier notifier;
        CompletionNotice window(m_state, sound, notifier, [](QWidget *) {});
        CompletionChoice choice;
        choice.reason = FinishReason(reason);
        choice.files = QStringList{"/d/a", "/d/b"};
        choice.missing = missing;
        choice.hangUp = hangUp;
        if (power >= 0)
            choice.power = PowerControl::Action(power);
        window.showReason(choice);
        if (ended >= 0)
            window.countdownEnded(choice.power, ended == 1);
        const QString shown = window.findChild<QLabel *>(QStringLiteral("lbldetails"))->text();
        QVERIFY2(QRegularExpression(QRegularExpression::wildcardToRegularExpression(
                                        details, QRegularExpression::UnanchoredWildcardConversion) +
                                    '$')
                     .match(shown)
                     .hasMatch(),
                 qPrintable(shown));
    }

    void showsTheNoticeWithPictureAndButton()
    {
        FakeSound sound;
        FakeNotifier notifier;
        CompletionNotice window(m_state, sound, notifier, [](QWidget *) {});
        QCOMPARE(window.objectName(), QStringLiteral("frminfo"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Żądane zadania zostały wykonane"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblfile"))->text(),
                 QStringLiteral("Quendral stwierdził obecność zadanych plików na dysku i wykonał żądane operacje."));
        QVERIFY(!window.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
        auto *apply = window.findChild<PictureButton *>(QStringLiteral("cmdapply"));
        QCOMPARE(apply->text(), QStringLiteral("&OK"));
        QVERIFY(!apply->icon().isNull());
        const Qt::WindowFlags flags = window.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void okAndTheCloseBoxBothCloseIt()
    {
        FakeSound sound;
        FakeNotifier notifier;
        QPointer<CompletionNotice> byButton = new CompletionNotice(m_state, sound, notifier, [](QWidget *) {});
        byButton->show();
        byButton->apply();
        QVERIFY(!byButton->isVisible());
        QTRY_VERIFY(!byButton);

        QPointer<CompletionNotice> byBox = new CompletionNotice(m_state, sound, notifier, [](QWidget *) {});
        byBox->show();
        QVERIFY(QTest::qWaitForWindowExposed(byBox));
        byBox->windowHandle()->close();
        QTRY_VERIFY(!byBox);
    }
};

QTEST_MAIN(TestFrminfo)
#include "test_completionnotice.moc"
